// One body's drawing: trail points, motion arrows and the spun, tilted, textured sphere.
#include "render/body_drawing.h"

#include "render/arrow.h"
#include "render/shared_resources.h"
#include "render/sphere_lists.h"
#include "render/trail_points.h"
#include "render/view_volume.h"
#include "sim/space_object.h"

#include <GL/glu.h>
#include <algorithm>
#include <cmath>

namespace
{
// Whether the sphere and the two arrows may reach the window: a cube around the position that holds
// the sphere and the 10-unit arrows with their heads.
bool bodyMayShow(const ViewVolume& volume, const Vector3& position, float radius, bool showMotionVectors)
{
    float reach = std::fabs(radius);
    if (showMotionVectors)
        reach = std::max(reach, 10.5f);
    const Box box{Vector3(position.x() - reach, position.y() - reach, position.z() - reach),
                  Vector3(position.x() + reach, position.y() + reach, position.z() + reach)};
    return !volume.excludes(box);
}
} // namespace

void drawMotionArrows(const SpaceObject& body)
{
    // Fixed 10-unit arrows: they show directions, not magnitudes.
    const Vector4 origin(body.position(), 0.0f);
    drawArrows({{Vector4(normalized(body.velocity()) * 10.0f, 0.0f), RED, origin, true},
                {Vector4(normalized(body.acceleration()) * 10.0f, 0.0f), GREEN, origin, true}});
}

namespace
{
// The body's texture bound and its transform applied; the sphere itself only if it may show.
void placeSphere(const SpaceObject& body, bool mayShow)
{
    glPushMatrix();
    {
        // A sphere vertex is spun about the polar (z) axis, then tilted about x, then moved: with a
        // tilt of 0 the +z pole points along world +y.
        const Vector3& position = body.position();
        glTranslatef(position.x(), position.y(), position.z());
        glRotatef(body.tilt() - 90.0f, 1.0f, 0.0f, 0.0f);
        glRotatef(body.spinAngle(), 0.0f, 0.0f, 1.0f);
        bindObjectTexture(body.textureIndex());
        // Only missing before the render hooks are installed (a body built without GL).
        if (sharedQuadric && mayShow)
            drawBodySphere(body.radius());
    }
    glPopMatrix();
}
} // namespace

void drawBody(const SpaceObject& body, bool showHistory, bool showMotionVectors, const ViewVolume& volume)
{
    // World coordinates: drawn before the body's own translation.
    if (showHistory)
        drawTrailPoints(body.history(), historyColorFor(body.colorIndex()), volume);

    const bool mayShow = bodyMayShow(volume, body.position(), body.radius(), showMotionVectors);
    if (showMotionVectors && mayShow)
        drawMotionArrows(body);
    placeSphere(body, mayShow);
}

// A body drawn on its own, outside a scene, reads the view volume from GL itself.
void SpaceObject::draw(bool showHistory, bool showMotionVectors) const
{
    drawBody(*this, showHistory, showMotionVectors, ViewVolume::current());
}
