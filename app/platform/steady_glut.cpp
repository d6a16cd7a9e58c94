// Linux and the browser: the monotonic clock through the standard library's steady clock (Emscripten
// serves it from performance.now()), and the screen's size as GLUT reports it (freeglut reads the X
// screen of the display it opened; the browser's GLUT, the browser window's).
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
