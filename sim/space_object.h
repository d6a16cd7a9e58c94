// One simulated body: its state, its orbit history and the count of living bodies.
#pragma once

#include "sim/vector.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class SpaceObject
{
  public:
    SpaceObject(int textureIndex, int colorIndex, float mass, float radius, const Vector3& position,
                const Vector3& velocity, float spinRate, float tilt);
    ~SpaceObject();
    SpaceObject(const SpaceObject&) = delete;
    SpaceObject& operator=(const SpaceObject&) = delete;

    std::uint32_t id() const
    {
        return id_;
    }
    float& mass()
    {
        return mass_;
    }
    float& radius()
    {
        return radius_;
    }
    Vector3& position()
    {
        return position_;
    }
    Vector3& velocity()
    {
        return velocity_;
    }
    Vector3& acceleration()
    {
        return acceleration_;
    }
    float& spinAngle()
    {
        return spinAngle_;
    }
    float& spinRate()
    {
        return spinRate_;
    }
    float mass() const
    {
        return mass_;
    }
    float radius() const
    {
        return radius_;
    }
    const Vector3& position() const
    {
        return position_;
    }
    const Vector3& velocity() const
    {
        return velocity_;
    }
    const Vector3& acceleration() const
    {
        return acceleration_;
    }
    float spinAngle() const
    {
        return spinAngle_;
    }
    float spinRate() const
    {
        return spinRate_;
    }
    float tilt() const
    {
        return tilt_;
    }
    int textureIndex() const
    {
        return textureIndex_;
    }
    int colorIndex() const
    {
        return colorIndex_;
    }

    // Appends the current position; the history has no cap.
    void addHistoryPoint();
    // Empties the history and gives its storage back.
    void clearHistory();
    std::size_t historySize() const
    {
        return history_.size();
    }
    const Vector3& historyPoint(std::size_t index) const
    {
        return history_[index];
    }
    // Contiguous, oldest first: suitable for a vertex array.
    const Vector3* historyData() const
    {
        return history_.data();
    }
    // Unique to this body's current history: it changes when the history is cleared and differs between
    // bodies, even one built where another used to be. While it stays the same the history has only
    // grown, so what a reader derived from its first points still holds.
    std::uint64_t historyGeneration() const
    {
        return historyGeneration_;
    }

    // Draws history points, motion arrows and the textured sphere (defined with the GL code in render/).
    void draw(bool showHistory, bool showMotionVectors) const;

  private:
    std::vector<Vector3> history_;
    std::uint64_t historyGeneration_;
    std::uint32_t id_;
    float mass_;
    float radius_;
    Vector3 position_;
    Vector3 velocity_;
    Vector3 acceleration_;
    float spinAngle_; // degrees; grows without wrapping
    float spinRate_;  // degrees per simulated second
    float tilt_;      // degrees
    int textureIndex_;
    int colorIndex_;
};

// Ids are handed out densely from 0 in construction order and never reused.
extern std::uint32_t nextObjectId;
// Bodies currently alive; the first one in and the last one out manage the shared drawing resources.
extern std::int32_t liveObjectCount;
// Gravity steps taken so far; decides history sampling and numbers the log lines.
extern std::uint32_t frameCount;

struct GLUquadric;

// The GL side of resource lifetimes. The simulation stays free of GL: the renderer fills these in
// once a GL context exists (initGL), and an empty entry does nothing, which GL-free tests rely on.
struct RenderHooks
{
    void (*loadSharedResources)() = nullptr;  // first body created: textures and the shared quadric
    void (*releaseSharedQuadric)() = nullptr; // last body destroyed
    void (*deleteQuadric)(GLUquadric*) = nullptr;
};
extern RenderHooks renderHooks;
