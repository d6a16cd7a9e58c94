// Whole frames and the running program, measured in one process under an X server: the real
// display() against an empty frame, history points against a bare glDrawArrays of the same points,
// the idle loop at several time scales, a long run, and the start-up of the real binary.
//
// The idle loop is driven here as glutMainLoop drives it: glutMainLoopEvent() (which serves the
// posted redisplay with display()) then idleCallback(), with standard output on a pipe that a thread
// drains and parses. The simulated time is the sum of the dt printed in the log.
#include "app/frame_loop.h"
#include "app/window.h"
#include "log_sink.h"
#include "render/body_drawing.h"
#include "render/scene.h"
#include "sim/simulation.h"
#include "x11_util.h"

#include <GL/freeglut.h>
#include <X11/Xlib.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <iostream>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Options
{
    bool smoke = false;
    std::string runDir;
    std::string binary;
    std::vector<std::string> sections;
    double longRunSeconds = 120.0;
};
Options options;

struct Figure
{
    double median = 0, min = 0, max = 0;
};
Figure figureOf(std::vector<double> v)
{
    Figure f;
    if (v.empty())
        return f;
    std::sort(v.begin(), v.end());
    f.min = v.front();
    f.max = v.back();
    const std::size_t n = v.size();
    f.median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
    return f;
}
std::string text(const Figure& f, const char* format = "%.2f")
{
    char a[32], b[32], c[32], out[128];
    std::snprintf(a, sizeof a, format, f.median);
    std::snprintf(b, sizeof b, format, f.min);
    std::snprintf(c, sizeof c, format, f.max);
    std::snprintf(out, sizeof out, "%s (%s–%s)", a, b, c);
    return out;
}

std::FILE* out()
{
    return reportStream();
}

// ---- frames -------------------------------------------------------------------------------------

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

// The same points the histories hold, in one bare glDrawArrays per body, under the same camera.
void barePointsFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    simulation.camera().applyTransform();
    glDisable(GL_TEXTURE_2D);
    glEnableClientState(GL_VERTEX_ARRAY);
    for (std::uint32_t k = 0; k < simulation.objectCount(); ++k)
    {
        const SpaceObject& o = simulation.object(k);
        glVertexPointer(3, GL_FLOAT, 0, o.historyData());
        glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(o.historySize()));
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glEnable(GL_TEXTURE_2D);
    glutSwapBuffers();
}

// A frame variant: how to draw one frame, and the drawing paths to use.
struct Variant
{
    std::string name;
    std::function<void()> draw;
    DrawPaths paths;
};

// Milliseconds per frame of each variant: `rounds` rounds, each variant `frames` frames per round,
// the variants interleaved within a round so drift on the machine hits them alike.
std::vector<Figure> measureFrames(const std::vector<Variant>& variants, int rounds, int frames)
{
    std::vector<std::vector<double>> samples(variants.size());
    for (const Variant& v : variants) // warm-up: textures resident, arrays allocated
    {
        drawPaths = v.paths;
        v.draw();
    }
    glFinish();
    for (int r = 0; r < rounds; ++r)
        for (std::size_t i = 0; i < variants.size(); ++i)
        {
            drawPaths = variants[i].paths;
            const Clock::time_point start = Clock::now();
            for (int f = 0; f < frames; ++f)
                variants[i].draw();
            glFinish();
            samples[i].push_back(secondsSince(start) * 1000.0 / frames);
        }
    drawPaths = DrawPaths{};
    std::vector<Figure> figures;
    for (auto& s : samples)
        figures.push_back(figureOf(s));
    return figures;
}

void resetSystem()
{
    simulation.destroyAllObjects();
    nextObjectId = 0;
    frameCount = 0;
    createInitialSystem();
}

std::size_t historyPoints()
{
    std::size_t total = 0;
    for (std::uint32_t k = 0; k < simulation.objectCount(); ++k)
        total += simulation.object(k).historySize();
    return total;
}

constexpr DrawPaths plainPaths{false, false, false};
constexpr DrawPaths arraysOnly{true, false, false};

void frameSection()
{
    resetSystem();
    const int rounds = options.smoke ? 3 : 15;
    const int frames = options.smoke ? 2 : 20;
    const std::vector<Variant> variants = {
        {"empty frame (clear + swap)", emptyFrame, DrawPaths{}},
        {"display(), plain paths (before)", display, plainPaths},
        {"display(), fast paths (after)", display, DrawPaths{}},
    };
    const std::vector<Figure> f = measureFrames(variants, rounds, frames);
    std::fprintf(out(), "\n### Frame: initial system at 640×480, ms per frame (%d rounds of %d frames)\n\n",
                 rounds, frames);
    std::fprintf(out(), "| variant | ms per frame | ÷ empty frame |\n|---|---|---|\n");
    for (std::size_t i = 0; i < variants.size(); ++i)
        std::fprintf(out(), "| %s | %s | %.1f |\n", variants[i].name.c_str(), text(f[i], "%.3f").c_str(),
                     f[i].median / f[0].median);
    std::fflush(out());
}

void growHistoriesTo(std::size_t points)
{
    LogSink quiet(LogTarget::Suppressed);
    while (historyPoints() < points)
        simulation.step(0.0099f);
}

void historySection()
{
    resetSystem();
    const int rounds = options.smoke ? 2 : 7;
    std::vector<std::size_t> sizes = {10000, 100000, 1000000};
    if (options.smoke)
        sizes = {10000, 30000};
    std::fprintf(out(), "\n### History points: frames with N trail points (ms per frame, median (min–max)); "
                        "per million points = (frame − frame without trails) ÷ N\n\n");
    std::fprintf(out(), "| view | N | without trails | bare glDrawArrays | plain (before) | vertex arrays | "
                        "arrays + culling (after) | ms per 1M points: bare / before / arrays / after |\n");
    std::fprintf(out(), "|---|---|---|---|---|---|---|---|\n");
    auto hidden = [] {
        simulation.toggleHistories();
        display();
        simulation.toggleHistories();
    };
    for (std::size_t n : sizes)
    {
        growHistoriesTo(n);
        const std::size_t points = historyPoints();
        const int frames = points > 300000 ? 2 : 6;
        struct View
        {
            const char* name;
            float distance;
        };
        std::vector<View> views = {{"following the sun from 200", 200.0f}};
        if (n == sizes.back())
            views.push_back({"whole system from 1500", 1500.0f});
        for (const View& view : views)
        {
            simulation.camera().distance() = view.distance;
            const std::vector<Variant> variants = {
                {"hidden", hidden, DrawPaths{}},        {"empty", emptyFrame, DrawPaths{}},
                {"bare", barePointsFrame, DrawPaths{}}, {"plain", display, plainPaths},
                {"arrays", display, arraysOnly},        {"after", display, DrawPaths{}},
            };
            const std::vector<Figure> f = measureFrames(variants, rounds, frames);
            const double perMillion = 1e6 / static_cast<double>(points);
            std::fprintf(out(), "| %s | %zu | %s | %s | %s | %s | %s | %.1f / %.1f / %.1f / %.1f |\n",
                         view.name, points, text(f[0]).c_str(), text(f[2]).c_str(), text(f[3]).c_str(),
                         text(f[4]).c_str(), text(f[5]).c_str(), (f[2].median - f[1].median) * perMillion,
                         (f[3].median - f[0].median) * perMillion, (f[4].median - f[0].median) * perMillion,
                         (f[5].median - f[0].median) * perMillion);
            std::fflush(out());
        }
        simulation.camera().distance() = 200.0f;
    }
}

// ---- the running program ------------------------------------------------------------------------

long residentKiB()
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    long kib = -1;
    char line[256];
    while (f && std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmRSS:", 6) == 0)
            kib = std::atol(line + 6);
    if (f)
        std::fclose(f);
    return kib;
}

struct RunFigures
{
    double wall = 0;
    double simulated = 0;
    unsigned long frames = 0;
    double longestIdleMs = 0;
};

// Runs the idle loop for `seconds` at `scale`; calls `every` about once per `period` seconds.
RunFigures runLoop(float scale, double seconds, double period = 0,
                   const std::function<void(double, const RunFigures&)>& every = nullptr)
{
    resetSystem();
    RunFigures r;
    LogSink log(LogTarget::Pipe);
    timeScale = scale;
    const unsigned long framesBefore = displayCalls;
    glutPostRedisplay();
    glutMainLoopEvent();
    restartClock();
    const Clock::time_point start = Clock::now();
    double nextReport = period;
    while ((r.wall = secondsSince(start)) < seconds)
    {
        glutMainLoopEvent();
        const Clock::time_point idleStart = Clock::now();
        idleCallback();
        r.longestIdleMs = std::max(r.longestIdleMs, secondsSince(idleStart) * 1000.0);
        if (every && r.wall >= nextReport)
        {
            r.frames = displayCalls - framesBefore;
            every(r.wall, r);
            nextReport += period;
        }
    }
    r.frames = displayCalls - framesBefore;
    r.simulated = log.simulatedSeconds(frameCount);
    timeScale = 1.0f;
    return r;
}

void timeScaleSection()
{
    const double seconds = options.smoke ? 0.5 : 5.0;
    std::fprintf(out(), "\n### Time scale: the idle loop for %.1f s each, log on a pipe\n\n", seconds);
    std::fprintf(out(),
                 "| time scale | simulated s per wall s ÷ time scale | frames per second | longest idle call "
                 "(ms) | trail points at the end |\n|---|---|---|---|---|\n");
    for (float scale : {1.0f, 64.0f, 1024.0f, 16384.0f})
    {
        const RunFigures r = runLoop(scale, seconds);
        std::fprintf(out(), "| %.0f | %.3f | %.1f | %.1f | %zu |\n", scale, r.simulated / r.wall / scale,
                     static_cast<double>(r.frames) / r.wall, r.longestIdleMs, historyPoints());
        std::fflush(out());
    }
}

void longRunSection()
{
    const double seconds = options.smoke ? 1.0 : options.longRunSeconds;
    const double period = options.smoke ? 0.5 : 10.0;
    std::fprintf(out(), "\n### Long run: time scale 1024 for %.0f s, fast paths\n\n", seconds);
    std::fprintf(out(), "| wall s | trail points | frames per second in the last period | ms per frame | "
                        "resident MiB |\n|---|---|---|---|---|\n");
    unsigned long lastFrames = 0;
    double lastWall = 0;
    auto report = [&](double wall, const RunFigures& r) {
        const double fps = static_cast<double>(r.frames - lastFrames) / (wall - lastWall);
        std::fprintf(out(), "| %.0f | %zu | %.2f | %.1f | %.0f |\n", wall, historyPoints(), fps, 1000.0 / fps,
                     static_cast<double>(residentKiB()) / 1024.0);
        std::fflush(out());
        lastFrames = r.frames;
        lastWall = wall;
    };
    const RunFigures r = runLoop(1024.0f, seconds, period, report);
    std::fprintf(
        out(),
        "\nEnd of the long run: %.1f frames per second overall, %zu trail points, %.0f MiB resident, "
        "simulated %.3f × 1024 s per wall second, longest idle call %.0f ms.\n",
        static_cast<double>(r.frames) / r.wall, historyPoints(), static_cast<double>(residentKiB()) / 1024.0,
        r.simulated / r.wall / 1024.0, r.longestIdleMs);
    std::fflush(out());
}

// ---- start-up of the real binary ----------------------------------------------------------------

// Seconds from fork to the first picture on screen that is not all black; negative on a timeout.
double timeToFirstFrame(const std::string& display)
{
    Display* x = XOpenDisplay(display.c_str());
    if (!x)
    {
        std::fprintf(stderr, "start-up: cannot open the private display %s\n", display.c_str());
        return -1;
    }
    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0)
    {
        setenv("DISPLAY", display.c_str(), 1);
        if (chdir(options.runDir.c_str()) != 0)
            _exit(126);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        execl(options.binary.c_str(), options.binary.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    double seconds = -1;
    while (secondsSince(start) < 30.0 && waitpid(pid, nullptr, WNOHANG) == 0)
    {
        if (const unsigned long w = x11util::findWindow(x, "Velmir"))
        {
            const x11util::Image image = x11util::capture(x, w);
            if (std::any_of(image.rgb.begin(), image.rgb.end(), [](std::uint8_t c) { return c != 0; }))
            {
                seconds = secondsSince(start);
                x11util::requestClose(x, w);
                XFlush(x);
                break;
            }
        }
        usleep(2000);
    }
    // The close request ends it; a program that did not get it is stopped after a grace period.
    for (int i = 0; i < 500 && waitpid(pid, nullptr, WNOHANG) == 0; ++i)
        usleep(10000);
    if (waitpid(pid, nullptr, WNOHANG) == 0)
    {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    XCloseDisplay(x);
    return seconds;
}

void startUpSection()
{
    std::string display;
    const pid_t xvfb = x11util::startPrivateServer(display, 1280, 800);
    if (xvfb <= 0)
    {
        std::fprintf(out(), "\nStart-up: no private X server could be started.\n");
        return;
    }
    const int runs = options.smoke ? 1 : 7;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i)
    {
        const double s = timeToFirstFrame(display);
        if (s >= 0)
            ms.push_back(s * 1000.0);
    }
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    std::fprintf(
        out(),
        "\n### Start-up: process start to the first non-black picture of the window, %zu of %d runs\n\n"
        "%s ms\n",
        ms.size(), runs, text(figureOf(ms), "%.0f").c_str());
    std::fflush(out());
}

bool wanted(const std::string& section)
{
    return options.sections.empty() ||
           std::find(options.sections.begin(), options.sections.end(), section) != options.sections.end();
}
} // namespace

int main(int argc, char** argv)
{
    reportStream(); // before anything redirects standard output
    options.runDir = VELMIR_BENCH_RUN_DIR;
    options.binary = VELMIR_BENCH_BINARY;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        if (arg == "--smoke")
            options.smoke = true;
        else if (arg == "--long-run-seconds" && i + 1 < argc)
            options.longRunSeconds = std::atof(argv[++i]);
        else if (arg.rfind("--", 0) == 0)
        {
            std::fprintf(
                stderr,
                "usage: %s [--smoke] [--long-run-seconds S] [frame|history|timescale|longrun|startup]...\n",
                argv[0]);
            return 2;
        }
        else
            options.sections.push_back(arg);
    }
    const char* threads = std::getenv("LP_NUM_THREADS");
    std::fprintf(out(), "LP_NUM_THREADS=%s\n",
                 threads ? threads : "(unset: llvmpipe uses one thread per core)");

    if (wanted("startup"))
        startUpSection();

    if (chdir(options.runDir.c_str()) != 0)
    {
        std::fprintf(stderr, "cannot enter the run directory %s\n", options.runDir.c_str());
        return 1;
    }
    int glutArgc = 1;
    char name[] = "velmir_bench";
    char* glutArgv[] = {name, nullptr};
    createWindow(&glutArgc, glutArgv, "Velmir benchmark", 640, 480, GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    registerCallbacks(countedDisplay, reshape, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    initGL();
    initTimer();
    createInitialSystem();
    reshape(640, 480);
    glutMainLoopEvent();
    std::fprintf(out(), "GL_RENDERER=%s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

    if (wanted("frame"))
        frameSection();
    if (wanted("history"))
        historySection();
    if (wanted("timescale"))
        timeScaleSection();
    if (wanted("longrun"))
        longRunSection();
    simulation.destroyAllObjects();
    return 0;
}
