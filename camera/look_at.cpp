// Following the target: the camera's centre on it and, in the look-at modes, its angles from its motion.
#include "sim/simulation.h"

#include <cmath>

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
