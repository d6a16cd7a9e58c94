// What each speed-up buys, the program's trails against whole ones and the start-up of the real binary,
// measured in one process under an X server, in the views a user reaches (views.h) at each window size
// (640×480 and 1920×1080 unless --sizes says otherwise): the frame with every speed-up in against the
// frame with one taken out at a time. The frames and long runs of the program as it is, which an A/B run
// compares with another commit's, are velmir_bench_views' (view_bench.cpp).
#include "app/frame_loop.h"
#include "app/window.h"
#include "log_sink.h"
#include "measuring.h"
#include "reference_drawing.h"
#include "render/scene.h"
#include "render/shared_resources.h"
#include "sim/simulation.h"
#include "trail_pictures.h"
#include "window/bounds2d.h"
#include "x11_util.h"

#include <GL/freeglut.h>
#include <X11/Xlib.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
struct Options
{
    bool smoke = false;
    std::string runDir;
    std::string binary;
    std::vector<std::string> sections;
    bool cpuTime = false; // frame figures in processor time instead of wall-clock time
    // Window sizes the speed-ups and the trails are measured at.
    std::vector<std::pair<int, int>> sizes = {{640, 480}, {1920, 1080}};
};
Options options;

std::FILE* out()
{
    return reportStream();
}

// The window size the tables are being measured at, "640×480".
// ---- frames -------------------------------------------------------------------------------------

void emptyFrame()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
}

// The same points the histories hold, in one bare glDrawArrays per body, under the same camera.
// A frame variant: how to draw one frame.
struct Variant
{
    std::string name;
    std::function<void()> draw;
};

// Milliseconds per frame of each variant: `rounds` rounds, each variant `frames` frames per round,
// the variants interleaved within a round so drift on the machine hits them alike.
std::vector<Figure> measureFrames(const std::vector<Variant>& variants, int rounds, int frames)
{
    std::vector<std::vector<double>> samples(variants.size());
    for (const Variant& v : variants) // warm-up: textures resident, arrays allocated
        v.draw();
    glFinish();
    for (int r = 0; r < rounds; ++r)
        for (std::size_t i = 0; i < variants.size(); ++i)
        {
            const Clock::time_point start = Clock::now();
            const double cpuStart = cpuSeconds();
            for (int f = 0; f < frames; ++f)
                variants[i].draw();
            glFinish();
            const double seconds = options.cpuTime ? cpuSeconds() - cpuStart : secondsSince(start);
            samples[i].push_back(seconds * 1000.0 / frames);
        }
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

// ---- what each speed-up buys --------------------------------------------------------------------

// The view as the measurement reaches it: the smoke run gets there 50 times sooner.
BenchView reachable(BenchView view)
{
    if (options.smoke)
        view.secondsAt1024 /= 50.0;
    return view;
}

// Turns the camera a little every call, so that no frame can reuse what was drawn for the one before
// (nor for the still camera of the other rows).
void turning(const std::function<void()>& draw)
{
    static int frame = 0;
    const float yaw = simulation.camera().yaw();
    simulation.camera().yaw() = yaw + 0.01f * static_cast<float>(1 + ++frame % 2);
    draw();
    simulation.camera().yaw() = yaw;
}

// The whole frame with every speed-up in, and with one at a time taken out (or swapped for a simpler
// route), in each view at each size; a row per speed-up: what taking it out costs, in ms, as a share of
// the frame with everything in, and in frames per second.
void speedUpSection()
{
    const int rounds = options.smoke ? 2 : 10;
    const int frames = options.smoke ? 1 : 8;
    const auto with = [](Recipe recipe) { return [recipe] { recipeDisplay(recipe); }; };
    Recipe gluSky = programRecipe, depthSky = programRecipe, wholeSpheres = programRecipe,
           noBoxes = programRecipe;
    gluSky.sky = ReferenceSky::Glu;
    depthSky.sky = ReferenceSky::KeptAndDepth;
    wholeSpheres.culledSpheres = false;
    wholeSpheres.boxTest = true;
    noBoxes.boxTest = false;
    enum
    {
        Empty,
        All,
        GluSky,
        DepthSky,
        WholeSpheres,
        NoBoxes,
        Turning,
        Before,
        Count
    };
    const std::vector<Variant> variants = {
        {"clear + swap (the empty frame)", emptyFrame},
        {"**every speed-up in**, display()", display},
        {"the sky's sphere every frame", with(gluSky)},
        {"the kept sky, its sphere's depth drawn every frame", with(depthSky)},
        {"the bodies' spheres whole (no back face culled)", with(wholeSpheres)},
        {"every trail point and body sent (no box test)", with(noBoxes)},
        {"camera turning every frame, display()", [] { turning(display); }},
        {"before every speed-up", [] { recipeDisplay(Recipe{}); }},
    };
    static_assert(Count == 8, "a name for every variant");
    // [size][view]: each view reached once, measured at every size.
    std::vector<std::vector<std::vector<Figure>>> figures(options.sizes.size());
    resetSystem();
    std::uint64_t steps = 0;
    for (const BenchView& view : benchViews)
    {
        reachView(simulation, reachable(view), steps);
        for (std::size_t s = 0; s < options.sizes.size(); ++s)
            if (resizeWindow(options.sizes[s].first, options.sizes[s].second))
                figures[s].push_back(measureFrames(variants, rounds, frames));
    }
    struct Row
    {
        const char* name;
        int without;
        int with;
    };
    const Row rows[] = {
        {"kept sky picture (against its sphere every frame)", GluSky, All},
        {"kept sky's depth only when something is far (against every frame)", DepthSky, All},
        {"GL back-face culling of the bodies' spheres (against every face)", WholeSpheres, All},
        {"box test: trail chunks and bodies outside the view volume not sent (against all sent)", NoBoxes,
         All},
        {"kept sky picture, camera turning every frame (none to keep)", GluSky, Turning},
        {"all of them (against the frame before them)", Before, All},
    };
    for (std::size_t s = 0; s < options.sizes.size(); ++s)
    {
        if (figures[s].size() != benchViewCount)
            continue;
        char size[32];
        std::snprintf(size, sizeof size, "%d×%d", options.sizes[s].first, options.sizes[s].second);
        std::fprintf(
            out(),
            "\n### Speed-ups at %s: whole frames, ms per frame (%s, %d rounds of %d frames)\n\n| frame |",
            size, options.cpuTime ? "processor time" : "wall-clock time", rounds, frames);
        for (const BenchView& view : benchViews)
            std::fprintf(out(), " %s |", view.name);
        std::fprintf(out(), "\n|---|---|---|---|\n");
        for (std::size_t i = 0; i < variants.size(); ++i)
        {
            std::fprintf(out(), "| %s |", variants[i].name.c_str());
            for (const std::vector<Figure>& f : figures[s])
                std::fprintf(out(), " %s |", text(f[i]).c_str());
            std::fprintf(out(), "\n");
        }
        std::fprintf(
            out(),
            "\n### What each speed-up buys at %s: ms saved; share of the frame with every speed-up in; "
            "frames per second with → without it\n\n| speed-up |",
            size);
        for (const BenchView& view : benchViews)
            std::fprintf(out(), " %s |", view.name);
        std::fprintf(out(), "\n|---|---|---|---|\n");
        for (const Row& row : rows)
        {
            std::fprintf(out(), "| %s |", row.name);
            for (const std::vector<Figure>& f : figures[s])
            {
                const double saved = f[row.without].median - f[row.with].median;
                std::fprintf(out(), " %.2f ms; %.0f %%; %.0f → %.0f |", saved, 100.0 * saved / f[All].median,
                             1000.0 / f[row.with].median, 1000.0 / f[row.without].median);
            }
            std::fprintf(out(), "\n");
        }
        std::fflush(out());
    }
}

// ---- the program's trails against whole ones ----------------------------------------------------

// The initial system run GL-free to each view twice, once with the real trail budget and once with trails
// that keep every sample; the pixels the program's trails light (thinned, the chunks outside the view
// unsent) against those whole trails light with every point sent, at each size.
void trailAgreementSection()
{
    const std::size_t budgets[2] = {Trail::defaultBudget, std::size_t(1) << 40};
    const TrailDrawing drawings[2] = {TrailDrawing::Program, TrailDrawing::Whole};
    std::vector<std::vector<bool>> pictures[2]; // [run][view * sizes + size]
    std::vector<std::size_t> points[2];
    for (int run = 0; run < 2; ++run)
    {
        Simulation sim;
        sim.loadSky();
        runInitialSystem(sim, budgets[run], 0);
        std::uint64_t steps = 0;
        for (const BenchView& view : benchViews)
        {
            reachView(sim, reachable(view), steps);
            std::size_t total = 0;
            for (std::uint32_t k = 0; k < sim.objectCount(); ++k)
                total += sim.object(k).history().size();
            points[run].push_back(total);
            for (const auto& [width, height] : options.sizes)
                if (resizeWindow(width, height))
                    pictures[run].push_back(trailPixels(sim, view, drawings[run]));
        }
    }
    if (pictures[0].size() != benchViewCount * options.sizes.size() ||
        pictures[1].size() != pictures[0].size())
        return;
    std::fprintf(
        out(),
        "\n### Trails: the program's (budget %zu points a body, chunks outside the view unsent) against "
        "every sample, every point sent\n\n"
        "| view | size | trail points, program / every sample | trail pixels, program | trail pixels, "
        "every sample | program's lit in whole | whole lit in program's |\n|---|---|---|---|---|---|---|\n",
        Trail::defaultBudget);
    for (std::size_t v = 0; v < benchViewCount; ++v)
        for (std::size_t s = 0; s < options.sizes.size(); ++s)
        {
            const std::size_t i = v * options.sizes.size() + s;
            const Agreement a = compareTrailPixels(pictures[0][i], pictures[1][i]);
            std::fprintf(out(), "| %s | %d×%d | %zu / %zu | %zu | %zu | %.1f %% | %.1f %% |\n",
                         benchViews[v].name, options.sizes[s].first, options.sizes[s].second, points[0][v],
                         points[1][v], a.litA, a.litB, 100.0 * a.aInB(), 100.0 * a.bInA());
        }
    std::fflush(out());
    resetSystem();
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
        else if (arg == "--cpu-time")
            options.cpuTime = true;
        else if (arg == "--sizes" && i + 1 < argc)
        {
            if (!parseSizes(argv[++i], options.sizes))
                options.sizes.clear();
        }
        else if (arg.rfind("--", 0) == 0)
        {
            std::fprintf(stderr,
                         "usage: %s [--smoke] [--cpu-time] [--sizes WxH,WxH...] "
                         "[speedups|trails|startup]...\n",
                         argv[0]);
            return 2;
        }
        else
            options.sections.push_back(arg);
    }
    const char* threads = std::getenv("LP_NUM_THREADS");
    std::fprintf(out(), "LP_NUM_THREADS=%s\n",
                 threads ? threads : "(unset: llvmpipe uses one thread per core)");

    if (wanted(options.sections, "startup"))
        startUpSection();

    if (!startBenchProgram(options.runDir.c_str(), "velmir_bench", display))
        return 1;
    std::fprintf(out(), "GL_RENDERER=%s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

    if (wanted(options.sections, "speedups"))
        speedUpSection();
    if (wanted(options.sections, "trails"))
        trailAgreementSection();
    simulation.destroyAllObjects();
    return 0;
}
