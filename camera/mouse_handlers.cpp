// The mouse state and what the mouse events do to the camera, without GL.
#include "camera/mouse.h"
#include "camera/trackball.h"
#include "sim/simulation.h"

#include <cmath>

int leftButtonState = MouseUp;
Vector4 lastDragPoint{0.0f, 0.0f, 0.0f, 0.0f};
Vector4 currentDragPoint{0.0f, 0.0f, 0.0f, 0.0f};

namespace
{
// A minimised window may report a size of 0 (or nonsense): mapping from it would divide by zero.
bool hasArea(const Bounds2D& window)
{
    return window.width() > 0.0f && window.height() > 0.0f;
}
} // namespace

Vector4 imageClick(const Bounds2D& window, int x, int y)
{
    if (!hasArea(window))
        return Vector4(0.0f, 0.0f, 0.0f, 0.0f);
    // GLUT counts y down from the top edge; the unit square counts it up from the bottom. Flipped in
    // float: a pointer far outside a tall window can lie beyond the range of int once flipped.
    const float flippedY = window.height() - static_cast<float>(y);
    return Vector4(mapToBounds(Point2D(static_cast<float>(x), flippedY), window, unitBounds), 0.0f, 0.0f);
}

void handleMouseButton(Simulation& scene, const Bounds2D& window, int button, int state, int x, int y)
{
    const Vector4 click = imageClick(window, x, y);
    switch (button)
    {
    case MouseLeftButton:
        // The press is recorded in every look-at mode, so a drag that starts later measures from it.
        if (state == MouseDown)
        {
            leftButtonState = MouseDown;
            lastDragPoint = projectToSphere(click);
        }
        else if (state == MouseUp)
        {
            leftButtonState = MouseUp;
        }
        break;
    case MouseWheelForward:
        // Every event zooms, press or release: a notch reported as both zooms twice.
        scene.zoomCamera(0.1f);
        break;
    case MouseWheelBackward:
        scene.zoomCamera(-0.1f);
        break;
    default:
        break;
    }
}

bool handleMouseMotion(Simulation& scene, const Bounds2D& window, int x, int y)
{
    if (leftButtonState == MouseUp || scene.lookAtMode() != LookAtFree)
        return false;
    // Without a window area the pointer's travel cannot be measured; the drag resumes from
    // lastDragPoint once the window has a size again.
    if (!hasArea(window))
        return false;

    currentDragPoint = projectToSphere(imageClick(window, x, y));
    const float l = lastDragPoint.length();
    if (l > 0.0f)
    {
        // Incremental: each event turns by the step between two consecutive trackball points, the
        // horizontal part into yaw and the vertical part into pitch.
        const float yawDelta = std::atan((currentDragPoint.x() - lastDragPoint.x()) / l) * radToDeg;
        const float pitchDelta = std::atan((currentDragPoint.y() - lastDragPoint.y()) / l) * radToDeg;
        scene.rotateCamera(yawDelta, pitchDelta);
    }
    // (l is 0 only if no press was ever recorded; the event then just becomes the starting point.)
    lastDragPoint = currentDragPoint;
    return true;
}
