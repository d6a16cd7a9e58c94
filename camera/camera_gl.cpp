// The camera's viewing transform, multiplied onto the current GL matrix.
#include "camera/camera.h"

#include <GL/gl.h>

void Camera::applyTransform() const
{
    const double pitch = pitch_;
    const double yaw = yaw_;
    if (mode_ == OrbitMode)
    {
        // Back off along the view axis, then turn the world so the eye ends up at
        // center + distance * (sin yaw cos pitch, sin pitch, cos yaw cos pitch), +y up on screen.
        glTranslated(0.0, 0.0, -static_cast<double>(distance_));
        glRotated(pitch, 1.0, 0.0, 0.0);
        glRotated(-yaw, 0.0, 1.0, 0.0);
    }
    else
    {
        // Free mode is the orbit camera shrunk to distance 0: a first-person eye standing at center,
        // looking along -(sin yaw cos pitch, sin pitch, cos yaw cos pitch). Switching modes with
        // the same angles therefore keeps the direction of view; only the eye moves onto center.
        // The distance plays no part.
        glRotated(pitch, 1.0, 0.0, 0.0);
        glRotated(-yaw, 0.0, 1.0, 0.0);
    }
    glTranslated(-static_cast<double>(center_.x()), -static_cast<double>(center_.y()),
                 -static_cast<double>(center_.z()));
}
