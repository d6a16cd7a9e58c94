// What both benchmark programs measure with: the clocks, a median with its range, the window and its size.
#pragma once

#include "app/frame_loop.h"
#include "app/window.h"
#include "render/scene.h"
#include "render/shared_resources.h"
#include "sim/simulation.h"
#include "window/bounds2d.h"

#include <GL/freeglut.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time of the whole process, llvmpipe's raster threads included: on a busy machine it moves
// less with the load than the wall-clock time does.
inline double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Figure
{
    double median = 0, min = 0, max = 0;
};

inline Figure figureOf(std::vector<double> v)
{
    Figure f;
    if (v.empty())
        return f;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    f.min = v.front();
    f.max = v.back();
    f.median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
    return f;
}

// "median (min–max)".
inline std::string text(const Figure& f, const char* format = "%.2f")
{
    char a[32], b[32], c[32], out[128];
    std::snprintf(a, sizeof a, format, f.median);
    std::snprintf(b, sizeof b, format, f.min);
    std::snprintf(c, sizeof c, format, f.max);
    std::snprintf(out, sizeof out, "%s (%s–%s)", a, b, c);
    return out;
}

// Resizes the window and waits until the program's reshape has seen the new size.
inline bool resizeWindow(int width, int height)
{
    glutReshapeWindow(width, height);
    const Clock::time_point start = Clock::now();
    while (windowBounds.width() != static_cast<float>(width) ||
           windowBounds.height() != static_cast<float>(height))
    {
        if (secondsSince(start) > 10.0)
            return false;
        glutMainLoopEvent();
        usleep(1000);
    }
    glutMainLoopEvent();
    return true;
}

// "640x480,1920x1080" into sizes; false (and sizes partly filled) on anything else.
inline bool parseSizes(const char* at, std::vector<std::pair<int, int>>& sizes)
{
    sizes.clear();
    while (*at)
    {
        char* end = nullptr;
        const long w = std::strtol(at, &end, 10);
        const long h = *end == 'x' ? std::strtol(end + 1, &end, 10) : 0;
        if (w <= 0 || h <= 0)
            return false;
        sizes.emplace_back(static_cast<int>(w), static_cast<int>(h));
        at = *end == ',' ? end + 1 : end;
    }
    return !sizes.empty();
}

// Whether a run asked for `section`: every section when none was named on the command line.
inline bool wanted(const std::vector<std::string>& asked, const std::string& section)
{
    return asked.empty() || std::find(asked.begin(), asked.end(), section) != asked.end();
}

// Enters the run directory (the textures), then starts as the program starts: a 640 × 480 window drawn
// by `display`, GL and the render hooks, the clock, the initial system; false if the directory is not
// there.
inline bool startBenchProgram(const char* runDir, const char* name, void (*display)())
{
    if (chdir(runDir) != 0)
    {
        std::fprintf(stderr, "cannot enter the run directory %s\n", runDir);
        return false;
    }
    int glutArgc = 1;
    std::string programName = name;
    char* glutArgv[] = {programName.data(), nullptr};
    createWindow(&glutArgc, glutArgv, "Velmir benchmark", 640, 480, GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    registerCallbacks(display, reshape, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    initGL();
    installRenderHooks();
    initTimer();
    createInitialSystem();
    reshape(640, 480);
    glutMainLoopEvent();
    return true;
}
