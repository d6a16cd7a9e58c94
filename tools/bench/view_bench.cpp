// Frames and long runs in the views a user reaches (views.h), at each window size: the table every
// speed-up is decided on. It uses only the program's long-standing interfaces, so scripts/bench.sh
// --against builds this same file into an older commit's tree and runs both alternately.
//
// Each table is printed in markdown, and each figure once more on a line of its own that starts with "@"
// (tab-separated), which scripts/bench.sh gathers from the runs of several builds to set side by side.
//
// frames: each view reached without GL, then display() against an empty frame, interleaved rounds.
// longrun: each view reached, then the idle loop at time scale 1024 as glutMainLoop drives it
// (glutMainLoopEvent() then idleCallback(), the log on a pipe that a thread drains), frames per second
// in each period.
#include "app/frame_loop.h"
#include "app/window.h"
#include "log_sink.h"
#include "measuring.h"
#include "render/scene.h"
#include "render/shared_resources.h"
#include "sim/simulation.h"
#include "views.h"

#include <GL/freeglut.h>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
struct Options
{
    std::vector<std::string> sections;
    std::vector<std::pair<int, int>> sizes = {{640, 480}, {1920, 1080}};
    std::vector<std::size_t> views; // indices into benchViews; all when empty
    int rounds = 7;
    int frames = 10;
    double longRunSeconds = 120.0;
    double period = 30.0;
    double reachScale = 1.0; // the smoke run reaches each view 50 times sooner
    bool cpuTime = false;    // frames in processor time (all threads), which moves less with the load
};
Options options;

std::FILE* out()
{
    return reportStream();
}

unsigned long displayCalls = 0;
void countedDisplay()
{
    ++displayCalls;
    display();
}

void emptyFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
}

std::size_t trailPoints()
{
    std::size_t total = 0;
    for (std::uint32_t k = 0; k < simulation.objectCount(); ++k)
        total += simulation.object(k).history().size();
    return total;
}

void resetSystem()
{
    simulation.destroyAllObjects();
    nextObjectId = 0;
    frameCount = 0;
    createInitialSystem();
}

std::string sizeName(const std::pair<int, int>& size)
{
    return std::to_string(size.first) + "×" + std::to_string(size.second);
}

BenchView reachable(std::size_t index)
{
    BenchView view = benchViews[index];
    view.secondsAt1024 *= options.reachScale;
    return view;
}

std::vector<std::size_t> chosenViews()
{
    if (!options.views.empty())
        return options.views;
    std::vector<std::size_t> all;
    for (std::size_t v = 0; v < benchViewCount; ++v)
        all.push_back(v);
    return all;
}

// ---- frames -------------------------------------------------------------------------------------

struct FrameFigures
{
    Figure empty;
    Figure frame;
    std::size_t points = 0;
};

// Milliseconds per frame of display() and of the empty frame, interleaved round by round so that drift
// on the machine hits both alike.
FrameFigures measureFrames()
{
    FrameFigures result;
    result.points = trailPoints();
    for (int i = 0; i < 3; ++i) // warm-up: textures resident, the kept sky made
        display();
    glFinish();
    std::vector<double> empty, frame;
    for (int r = 0; r < options.rounds; ++r)
        for (int which = 0; which < 2; ++which)
        {
            const Clock::time_point start = Clock::now();
            const double cpuStart = cpuSeconds();
            for (int f = 0; f < options.frames; ++f)
                which ? display() : emptyFrame();
            glFinish();
            const double seconds = options.cpuTime ? cpuSeconds() - cpuStart : secondsSince(start);
            (which ? frame : empty).push_back(seconds * 1000.0 / options.frames);
        }
    result.empty = figureOf(empty);
    result.frame = figureOf(frame);
    return result;
}

void framesSection()
{
    const std::vector<std::size_t> views = chosenViews();
    // [view][size]; each view reached once, measured at every size.
    std::vector<std::vector<FrameFigures>> figures;
    resetSystem();
    std::uint64_t steps = 0;
    for (const std::size_t v : views)
    {
        reachView(simulation, reachable(v), steps);
        figures.emplace_back();
        for (const auto& size : options.sizes)
        {
            const bool ok = resizeWindow(size.first, size.second);
            figures.back().push_back(ok ? measureFrames() : FrameFigures{});
        }
    }
    for (std::size_t s = 0; s < options.sizes.size(); ++s)
    {
        const std::string size = sizeName(options.sizes[s]);
        std::fprintf(
            out(),
            "\n### Frames at %s: ms per frame (%s), median (min–max) of %d rounds of %d frames\n\n"
            "| view | trail points | empty frame | display() | frames per second |\n|---|---|---|---|---|\n",
            size.c_str(), options.cpuTime ? "processor time of all threads" : "wall-clock time",
            options.rounds, options.frames);
        for (std::size_t i = 0; i < views.size(); ++i)
        {
            const FrameFigures& f = figures[i][s];
            std::fprintf(out(), "| %s | %zu | %.2f (%.2f–%.2f) | %.2f (%.2f–%.2f) | %.1f |\n",
                         benchViews[views[i]].name, f.points, f.empty.median, f.empty.min, f.empty.max,
                         f.frame.median, f.frame.min, f.frame.max,
                         f.frame.median > 0 ? 1000.0 / f.frame.median : 0.0);
        }
        for (std::size_t i = 0; i < views.size(); ++i)
            std::fprintf(out(), "@frame\t%s\t%s\t%.4f\n", size.c_str(), benchViews[views[i]].name,
                         figures[i][s].frame.median);
        std::fflush(out());
    }
}

// ---- long runs ----------------------------------------------------------------------------------

void longRunSection()
{
    for (const std::size_t v : chosenViews())
        for (const auto& size : options.sizes)
        {
            if (!resizeWindow(size.first, size.second))
                continue;
            resetSystem();
            std::uint64_t steps = 0;
            reachView(simulation, reachable(v), steps);
            std::vector<double> fps;
            double simulated = 0;
            unsigned long frames = 0;
            double wall = 0;
            {
                LogSink log(LogTarget::Pipe);
                timeScale = 1024.0f;
                const std::uint32_t stepsBefore = frameCount;
                glutPostRedisplay();
                glutMainLoopEvent();
                restartClock();
                const unsigned long framesBefore = displayCalls;
                unsigned long periodFrames = displayCalls;
                const Clock::time_point start = Clock::now();
                double nextReport = options.period;
                while ((wall = secondsSince(start)) < options.longRunSeconds)
                {
                    glutMainLoopEvent();
                    idleCallback();
                    if (wall >= nextReport)
                    {
                        fps.push_back(static_cast<double>(displayCalls - periodFrames) / options.period);
                        periodFrames = displayCalls;
                        nextReport += options.period;
                    }
                }
                frames = displayCalls - framesBefore;
                simulated = log.simulatedSeconds(frameCount - stepsBefore);
                timeScale = 1.0f;
            }
            double lowest = 0;
            if (fps.size() > 1)
                lowest = *std::min_element(fps.begin() + 1, fps.end());
            const double overall = static_cast<double>(frames) / wall;
            std::fprintf(
                out(),
                "\nLong run, %s at %s: time scale 1024 for %.0f s from the view, %.1f frames per second "
                "overall, lowest %.1f in a %g s period after the first; simulated %.3f × 1024 s per "
                "wall second; %zu trail points at the end. Each period:",
                benchViews[v].name, sizeName(size).c_str(), wall, overall, lowest, options.period,
                simulated / wall / 1024.0, trailPoints());
            for (const double f : fps)
                std::fprintf(out(), " %.1f", f);
            std::fprintf(out(), "\n@long\t%s\t%s\t%.2f\t%.2f\n", sizeName(size).c_str(), benchViews[v].name,
                         overall, lowest);
            std::fflush(out());
        }
}

} // namespace

int main(int argc, char** argv)
{
    reportStream(); // before anything redirects standard output
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--smoke")
        {
            options.rounds = 2;
            options.frames = 1;
            options.longRunSeconds = 1.0;
            options.period = 0.5;
            options.sizes = {{320, 240}};
            options.reachScale = 0.02;
        }
        else if (arg == "--cpu-time")
            options.cpuTime = true;
        else if (arg == "--rounds" && hasValue)
            options.rounds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--frames" && hasValue)
            options.frames = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--long-run-seconds" && hasValue)
            options.longRunSeconds = std::atof(argv[++i]);
        else if (arg == "--period" && hasValue)
            options.period = std::atof(argv[++i]);
        else if (arg == "--view" && hasValue)
            options.views.push_back(
                std::min<std::size_t>(std::strtoul(argv[++i], nullptr, 10), benchViewCount - 1));
        else if (!(arg == "--sizes" && hasValue && parseSizes(argv[++i], options.sizes)) &&
                 (arg.rfind("--", 0) == 0 || arg.empty()))
        {
            std::fprintf(stderr,
                         "usage: %s [--smoke] [--cpu-time] [--rounds N] [--frames N] [--long-run-seconds S] "
                         "[--period S] "
                         "[--sizes WxH,...] [--view INDEX]... [frames|longrun]...\n",
                         argv[0]);
            return 2;
        }
        else if (arg != "--sizes")
            options.sections.push_back(arg);
    }
    if (options.period <= 0)
        options.period = options.longRunSeconds;

    if (!startBenchProgram(VELMIR_BENCH_RUN_DIR, "velmir_bench_views", countedDisplay))
        return 1;

    if (wanted(options.sections, "frames"))
        framesSection();
    if (wanted(options.sections, "longrun"))
        longRunSection();
    simulation.destroyAllObjects();
    return 0;
}
