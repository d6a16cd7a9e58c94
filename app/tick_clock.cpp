// The tick counter on top of the standard library's steady (monotonic) clock.
#include "app/tick_clock.h"

#include <chrono>

using TickClock = std::chrono::steady_clock;

std::int64_t readTickCounter()
{
    return static_cast<std::int64_t>(TickClock::now().time_since_epoch().count());
}

std::int64_t readTickFrequency()
{
    return static_cast<std::int64_t>(TickClock::period::den / TickClock::period::num);
}
