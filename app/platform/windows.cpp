// Windows: the performance counter and its frequency, the primary screen's metrics, and the window's
// extras, of which Windows needs none.
#include "app/platform.h"
#include "app/x11_window.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// The result flags are not looked at: since Windows XP both calls always succeed.
std::int64_t readTickCounter()
{
    LARGE_INTEGER ticks;
    QueryPerformanceCounter(&ticks);
    return static_cast<std::int64_t>(ticks.QuadPart);
}

std::int64_t readTickFrequency()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<std::int64_t>(frequency.QuadPart);
}

int readScreenWidth()
{
    return GetSystemMetrics(SM_CXSCREEN);
}

int readScreenHeight()
{
    return GetSystemMetrics(SM_CYSCREEN);
}

// A window has no class name for a task bar to match here: the task bar groups by the executable.
void nameWindowForDesktop()
{
}

// Only the thread that made a window can destroy it, so no other program can take it away; closing it
// goes through freeglut, which ends the process with exit().
void endProgramWithWindow()
{
}
