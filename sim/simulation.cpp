// The gravity step, the registry and the user's switches.
#include "sim/simulation.h"

#include "sim/render_hooks.h"

#include <iostream>

std::uint32_t frameCount = 0;
Simulation simulation;

Simulation::Simulation() = default;

Simulation::~Simulation()
{
    destroyAllObjects();
    if (skyQuadric_ && renderHooks.deleteQuadric)
        renderHooks.deleteQuadric(skyQuadric_);
    skyQuadric_ = nullptr;
    // skyTexture_ and then the registry are destroyed by the members' own destructors, in that order.
}

void Simulation::addObject(SpaceObject* object)
{
    objects_.insert(object->id(), object);
}

void Simulation::destroyAllObjects()
{
    for (std::uint32_t k = 0; k < objects_.count(); ++k)
        delete objects_.at(k);
    objects_.clear();
}

void Simulation::step(float dt)
{
    // Accelerations from the positions at the start of the step; every ordered pair on its own.
    for (std::uint32_t i = 0; i < objects_.count(); ++i)
    {
        SpaceObject& a = *objects_.at(i);
        a.acceleration() = zeroVector;
        for (std::uint32_t j = 0; j < objects_.count(); ++j)
        {
            if (j == i)
                continue;
            const SpaceObject& b = *objects_.at(j);
            const Vector3 d = b.position() - a.position();
            const float distance = length(d);
            // Overlapping spheres exert no force: it keeps the 1/d^2 term from blowing up at close range.
            if (b.radius() + a.radius() > distance)
                continue;
            a.acceleration() += ((normalized(d) * gravityConstant_) * b.mass()) / dot(d, d);
        }
    }

    // Semi-implicit Euler: velocity first, then position from the new velocity.
    for (std::uint32_t k = 0; k < objects_.count(); ++k)
    {
        SpaceObject& o = *objects_.at(k);
        if (frameCount % 20 == 0)
            o.addHistoryPoint();
        o.velocity() += o.acceleration() * dt;
        o.position() += o.velocity() * dt;
        o.spinAngle() = dt * o.spinRate() + o.spinAngle();
    }

    const std::uint32_t n = frameCount++;
    std::cout << "Frame " << n << ", last dt=" << dt << std::endl;
}

Simulation& Simulation::togglePaused()
{
    paused_ = !paused_;
    return *this;
}

Simulation& Simulation::toggleHistories()
{
    showHistories_ = !showHistories_;
    return *this;
}

Simulation& Simulation::toggleMotionVectors()
{
    showMotionVectors_ = !showMotionVectors_;
    return *this;
}

void Simulation::clearAllHistories()
{
    for (std::uint32_t k = 0; k < objects_.count(); ++k)
        objects_.at(k)->clearHistory();
}

void Simulation::nextTarget()
{
    ++targetIndex_;
    if (targetIndex_ == objects_.count())
        targetIndex_ = 0;
}

void Simulation::previousTarget()
{
    --targetIndex_; // unsigned: 0 wraps to 4294967295
    if (targetIndex_ == 4294967295u)
        targetIndex_ = objects_.count() - 1;
}
