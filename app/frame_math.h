// The frame loop's arithmetic: elapsed counter ticks to equal gravity sub-steps. No GL, no clock.
#pragma once

#include <cstdint>

// One idle call's work: count steps of dt simulated seconds each.
struct SubSteps
{
    std::int32_t count;
    float dt;
};

// The integration step limit, as the single-precision constant nearest to 0.01.
inline constexpr float maxStepLength = 0.01f;

// The most simulated time one idle call may advance. 200 s gives at most 20001 steps of just under
// 0.01 s per call (tens of milliseconds of work), so the window stays responsive at any time scale.
// At a time scale of 1024 a call would need over 195 ms of wall-clock time behind it to reach the
// cap, so normal use keeps pace with the clock; beyond what the machine can do, the simulation falls
// behind instead of freezing.
inline constexpr float maxSpanPerCall = 200.0f;

// Seconds between two counter readings. A zero (or negative) frequency means no usable counter:
// time then stands still rather than turning into infinities.
float elapsedSeconds(std::int64_t ticks, std::int64_t tickFrequency);

// Cuts a simulated span into count = trunc(span / 0.01) + 1 equal steps, each strictly under 0.01 s.
// A span that is negative or not a number counts as 0; one above maxSpanPerCall is cut to it.
SubSteps subStepsFor(float span);
