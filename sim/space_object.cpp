// Body construction and destruction, with the shared-resource bookkeeping, and the orbit history.
#include "sim/space_object.h"

#include "sim/render_hooks.h"

std::uint32_t nextObjectId = 0;
std::int32_t liveObjectCount = 0;
RenderHooks renderHooks;

SpaceObject::SpaceObject(int textureIndex, int colorIndex, float mass, float radius, const Vector3& position,
                         const Vector3& velocity, float spinRate, float tilt)
    : mass_(mass), radius_(radius), position_(position), velocity_(velocity), acceleration_(zeroVector),
      spinAngle_(0.0f), spinRate_(spinRate), tilt_(tilt), textureIndex_(textureIndex), colorIndex_(colorIndex)
{
    id_ = nextObjectId++;
    if (liveObjectCount++ == 0 && renderHooks.loadSharedResources)
        renderHooks.loadSharedResources();
}

SpaceObject::~SpaceObject()
{
    clearHistory();
    if (--liveObjectCount == 0 && renderHooks.releaseSharedQuadric)
        renderHooks.releaseSharedQuadric();
}

void SpaceObject::addHistoryPoint()
{
    history_.append(position_);
}

void SpaceObject::clearHistory()
{
    history_.clear();
}
