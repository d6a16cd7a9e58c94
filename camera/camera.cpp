// Placeholder camera operations until the camera lands.
#include "camera/camera.h"

void Camera::orbitYawDecrease(float)
{
}
void Camera::orbitYawIncrease(float)
{
}
void Camera::orbitPitchIncrease(float)
{
}
void Camera::orbitPitchDecrease(float)
{
}
void Camera::zoomIn(float, bool)
{
}
void Camera::zoomOut(float, bool)
{
}
void Camera::translate(const Vector3&)
{
}
