// The idle-time frame loop: elapsed wall-clock time, scaled, cut into equal gravity steps.
#include "app/frame_loop.h"

#include "app/frame_math.h"
#include "app/platform.h"
#include "sim/simulation.h"

#include <GL/freeglut.h>

float timeScale = 1.0f;
std::int64_t lastTick = 0;
std::int64_t tickFrequency = 0;

void initTimer()
{
    tickFrequency = readTickFrequency();
    simulation.loadSky();
}

void restartClock()
{
    lastTick = readTickCounter();
}

void idleCallback()
{
    const std::int64_t now = readTickCounter();
    const float elapsed = elapsedSeconds(now - lastTick, tickFrequency);
    const float span = elapsed * timeScale;
    const SubSteps steps = subStepsFor(span);
    for (std::int32_t i = 0; i < steps.count; ++i)
    {
        simulation.step(steps.dt);
        glutPostRedisplay();
    }
    // The reading from the start of the call: time spent stepping counts into the next call.
    lastTick = now;
}
