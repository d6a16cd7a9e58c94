// The camera's turning and zooming operations. The orbit operations leave a free camera alone,
// but the clamp that follows each of them runs in either mode.
#include "camera/camera.h"

void Camera::orbitYawDecrease(float amount)
{
    if (mode_ == OrbitMode)
        yaw_ -= amount;
}

void Camera::orbitYawIncrease(float amount)
{
    if (mode_ == OrbitMode)
        yaw_ += amount;
}

void Camera::orbitPitchIncrease(float amount)
{
    if (mode_ == OrbitMode)
        pitch_ += amount;
    clampPitch();
}

void Camera::orbitPitchDecrease(float amount)
{
    if (mode_ == OrbitMode)
        pitch_ -= amount;
    clampPitch();
}

void Camera::zoomIn(float amount, bool proportional)
{
    if (mode_ == OrbitMode)
        distance_ -= proportional ? amount * distance_ : amount;
    clampDistance();
}

void Camera::zoomOut(float amount, bool proportional)
{
    if (mode_ == OrbitMode)
        distance_ += proportional ? amount * distance_ : amount;
    clampDistance();
}

void Camera::translate(const Vector3& offset)
{
    center_ += offset;
}
