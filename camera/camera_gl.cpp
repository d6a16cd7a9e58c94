// Placeholder viewing transform.
#include "camera/camera.h"

void Camera::applyTransform() const
{
}
