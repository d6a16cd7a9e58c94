// The frame loop's arithmetic, kept apart from GLUT so it can be tested on its own.
#include "app/frame_math.h"

#include <cmath>

float elapsedSeconds(std::int64_t ticks, std::int64_t tickFrequency)
{
    if (tickFrequency <= 0)
        return 0.0f;
    return static_cast<float>(static_cast<double>(ticks) / static_cast<double>(tickFrequency));
}

SubSteps subStepsFor(float span)
{
    if (!(span >= 0.0f)) // negative or NaN
        span = 0.0f;
    if (span > maxSpanPerCall) // also infinity, once the time scale has overflowed
        span = maxSpanPerCall;
    // The quotient in double, then truncated: the cap keeps it far inside the range of int32.
    const double quotient = static_cast<double>(span) / static_cast<double>(maxStepLength);
    const std::int32_t count = static_cast<std::int32_t>(std::trunc(quotient)) + 1;
    return SubSteps{count, span / static_cast<float>(count)};
}
