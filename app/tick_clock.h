// The tick clock: the monotonic high-resolution counter the frame loop measures time with.
#pragma once

#include <cstdint>

// The counter's current reading, in ticks.
std::int64_t readTickCounter();
// Ticks per second; constant for the life of the process.
std::int64_t readTickFrequency();
