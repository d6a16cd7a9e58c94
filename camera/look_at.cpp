// The simulation's camera operations: zoom with its limits, drag rotation, and following the target.
#include "sim/simulation.h"

#include <cmath>

void Simulation::zoomCamera(float amount)
{
    camera_.zoomIn(amount, true);
    float& distance = camera_.distance();
    if (distance < minCameraDistance_)
        distance = minCameraDistance_;
    if (distance > maxCameraDistance_)
        distance = maxCameraDistance_;
    // Last, so it wins over the far limit: the eye looks at the target's centre, and this keeps the
    // target's whole sphere beyond the near clipping plane. (No target, no sphere to keep clear.)
    if (targetIndex_ >= objects_.count())
        return;
    const float radius = objects_.at(targetIndex_)->radius();
    if (radius + minCameraDistance_ > distance)
        distance = radius + minCameraDistance_;
}

void Simulation::rotateCamera(float yawDelta, float pitchDelta)
{
    camera_.orbitYawDecrease(yawDelta);
    camera_.orbitPitchDecrease(pitchDelta);
}

void Simulation::updateLookAt()
{
    // A scene without bodies (only ever outside the running program) has nothing to follow.
    if (targetIndex_ >= objects_.count())
        return;
    const SpaceObject& target = *objects_.at(targetIndex_);
    camera_.center() = target.position();

    // camPos: the unit vector from the target to the eye.
    Vector3 camPos = zeroVector;
    switch (lookAtMode_)
    {
    case LookAtVelocity:
        camPos = -normalized(target.velocity());
        break;
    case LookAtAcceleration:
        camPos = -normalized(target.acceleration());
        break;
    case LookAtAntiVelocity:
        camPos = normalized(target.velocity());
        break;
    case LookAtAntiAcceleration:
        camPos = normalized(target.acceleration());
        break;
    default: // LookAtFree: the angles are the user's
        return;
    }

    // A body at rest, and every body's acceleration before the first step, has no direction; nor has a
    // vector whose length under- or overflows a float. The camera then keeps its previous angles.
    if (!(std::fabs(length(camPos) - 1.0f) < 1e-3f))
        return;

    // A unit vector's components lie in [-1, 1] but for rounding; asin must not see more.
    const float sinPitch = std::fmax(-1.0f, std::fmin(1.0f, camPos.y()));
    camera_.pitch() = std::asin(sinPitch) * radToDeg;

    const double y = camPos.y();
    const double h = std::sqrt(1.0 - y * y);
    // Looking straight up or down, the heading is undefined: keep the previous yaw, so the view does
    // not spin about the vertical as the vector passes through it.
    if (!(h > 0.0))
        return;
    // Rounding can put the quotient just outside acos's domain when camPos.x is 0 or tiny.
    const double cosYaw = std::fmax(-1.0, std::fmin(1.0, static_cast<double>(camPos.z()) / h));
    float yaw = static_cast<float>(std::acos(cosYaw) * static_cast<double>(radToDeg));
    if (camPos.x() < 0.0f)
        yaw = 360.0f - yaw;
    camera_.yaw() = yaw;
}
