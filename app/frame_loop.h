// The clock of the program: time scale, counter readings and the idle-time frame loop.
#pragma once

#include <cstdint>

extern float timeScale;            // simulated seconds per wall-clock second
extern std::int64_t lastTick;      // counter reading at the last restart or idle call
extern std::int64_t tickFrequency; // counter ticks per second, read once at start-up

// Reads the counter frequency, then has the simulation load its sky.
void initTimer();
// Forgets the time since the last reading, so it is not simulated.
void restartClock();
// The GLUT idle callback while the simulation runs.
void idleCallback();
