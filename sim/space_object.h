// One simulated body: its state, its orbit history and the count of living bodies.
#pragma once

#include "sim/trail.h"
#include "sim/vector.h"

#include <cstddef>
#include <cstdint>

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

    // Appends the current position to the history, which thins its older part once it is full.
    void addHistoryPoint();
    // Empties the history and gives its storage back.
    void clearHistory();
    const Trail& history() const
    {
        return history_;
    }
    // How many points the history may hold (tests and benchmarks make it small or large).
    void setHistoryBudget(std::size_t points)
    {
        history_.setBudget(points);
    }

    // Draws history points, motion arrows and the textured sphere (defined in render/body_drawing.cpp).
    void draw(bool showHistory, bool showMotionVectors) const;

  private:
    Trail history_;
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
