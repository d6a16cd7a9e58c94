// The simulation's camera controls: zoom within its limits and the drag rotation.
#include "sim/simulation.h"

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
