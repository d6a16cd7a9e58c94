// The browser's clock and screen (app/platform.h): the steady clock, which Emscripten serves from
// performance.now(), and the screen size as the browser's GLUT reports it (the browser window's).
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
