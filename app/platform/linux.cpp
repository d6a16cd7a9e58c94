// Linux: the monotonic clock through the standard library's steady clock, and the X screen's size
// as freeglut reads it from the display it opened.
#include "app/platform.h"

#include <GL/freeglut.h>
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

int readScreenWidth()
{
    return glutGet(GLUT_SCREEN_WIDTH);
}

int readScreenHeight()
{
    return glutGet(GLUT_SCREEN_HEIGHT);
}
