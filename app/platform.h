// What the program asks of the operating system: a high-resolution tick counter for the frame loop,
// and the size of the screen the window is centred on. Each system answers in a file of its own
// (app/platform/), which the build picks; the browser's answers are in its own layer.
#pragma once

#include <cstdint>

// The counter's current reading, in ticks; it never goes backwards.
std::int64_t readTickCounter();
// Ticks per second; constant for the life of the process.
std::int64_t readTickFrequency();

// The primary screen's width and height in pixels. GLUT must have been initialised.
int readScreenWidth();
int readScreenHeight();
