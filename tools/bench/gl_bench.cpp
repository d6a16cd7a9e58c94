// Whole frames and the running program, measured in one process under an X server at each window size
// (640×480 and 1920×1080 unless --sizes says otherwise): the real display() against an empty frame, each
// part of the frame alone, what each speed-up buys (the frame with it taken out), history points against
// a bare glDrawArrays of the same points, the idle loop at several time scales and a long run; then,
// once, thinned trails against whole ones and the start-up of the real binary.
//
// The idle loop is driven here as glutMainLoop drives it: glutMainLoopEvent() (which serves the
// posted redisplay with display()) then idleCallback(), with standard output on a pipe that a thread
// drains and parses. The simulated time is the sum of the dt printed in the log.
#include "app/bounds2d.h"
#include "app/frame_loop.h"
#include "app/window.h"
#include "log_sink.h"
#include "reference_drawing.h"
#include "render/body_drawing.h"
#include "render/scene.h"
#include "render/shared_resources.h"
#include "render/sky.h"
#include "render/trail_points.h"
#include "resident.h"
#include "sim/simulation.h"
#include "trail_pictures.h"
#include "x11_util.h"

#include <GL/freeglut.h>
#include <X11/Xlib.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
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
    bool cpuTime = false; // frame figures in processor time instead of wall-clock time
    // Window sizes the frame, its parts, the speed-ups, the time scales and the long run are measured at.
    std::vector<std::pair<int, int>> sizes = {{640, 480}, {1920, 1080}};
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

// Processor time of the whole process, llvmpipe's raster threads included: on a busy machine it moves
// less with the load than the wall-clock time does.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::FILE* out()
{
    return reportStream();
}

// The window size the tables are being measured at, "640×480".
std::string sizeText()
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    return std::to_string(viewport[2]) + "×" + std::to_string(viewport[3]);
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
        glVertexPointer(3, GL_FLOAT, 0, o.history().data());
        glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(o.history().size()));
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glEnable(GL_TEXTURE_2D);
    glutSwapBuffers();
}

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

std::size_t historyPoints()
{
    std::size_t total = 0;
    for (std::uint32_t k = 0; k < simulation.objectCount(); ++k)
        total += simulation.object(k).history().size();
    return total;
}

// The program's frame as it was drawn before the speed-ups.
void plainFrame()
{
    referenceDisplay();
}

void frameSection()
{
    resetSystem();
    const int rounds = options.smoke ? 3 : 15;
    const int frames = options.smoke ? 2 : 20;
    const std::vector<Variant> variants = {
        {"empty frame (clear + swap)", emptyFrame},
        {"display(), plain paths (before)", plainFrame},
        {"display(), fast paths (after)", display},
    };
    const std::vector<Figure> f = measureFrames(variants, rounds, frames);
    std::fprintf(out(), "\n### Frame: initial system at %s, ms per frame (%d rounds of %d frames)\n\n",
                 sizeText().c_str(), rounds, frames);
    std::fprintf(out(), "| variant | ms per frame | ÷ empty frame |\n|---|---|---|\n");
    for (std::size_t i = 0; i < variants.size(); ++i)
        std::fprintf(out(), "| %s | %s | %.1f |\n", variants[i].name.c_str(), text(f[i], "%.3f").c_str(),
                     f[i].median / f[0].median);
    std::fflush(out());
}

// ---- where the frame goes -----------------------------------------------------------------------

// One part of the frame alone between a clear and a swap, under the frame's own matrices.
void partFrame(const std::function<void()>& part)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    simulation.updateLookAt();
    part();
    glutSwapBuffers();
}

// Something drawn for every body under the camera's transform.
void worldPart(const std::function<void(const SpaceObject&)>& draw)
{
    glPushMatrix();
    simulation.camera().applyTransform();
    for (std::uint32_t k = 0; k < simulation.objectCount(); ++k)
        draw(simulation.object(k));
    glPopMatrix();
}

void skyPart()
{
    drawSky(simulation);
}

void spheresPart()
{
    worldPart([](const SpaceObject& o) { o.draw(false, false); });
}

void arrowsPart()
{
    worldPart(drawMotionArrows);
}

void trailsPart()
{
    worldPart([](const SpaceObject& o) { drawTrailPoints(o.history(), historyColorFor(o.colorIndex())); });
}

// The floor for the sky: one quad over the whole window from the same texture, showing as much of it as
// the sky shows across the window (the field of view's share of 360 by 180 degrees), so the texture is
// read at the same scale.
void skyFloorFrame()
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const double aspect = static_cast<double>(viewport[2]) / static_cast<double>(viewport[3]);
    const double across = 2.0 * std::atan(std::tan(M_PI / 6.0) * aspect) / (2.0 * M_PI);
    const float s0 = static_cast<float>(0.5 - across / 2.0);
    const float s1 = static_cast<float>(0.5 + across / 2.0);
    const float t0 = 1.0f / 3.0f; // 60 of 180 degrees
    const float t1 = 2.0f / 3.0f;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    simulation.skyTexture().bind();
    glBegin(GL_QUADS);
    glTexCoord2f(s0, t0);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(s1, t0);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(s1, t1);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(s0, t1);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glutSwapBuffers();
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

// Steps until every trail has thinned itself at least once: each holds between three quarters of its
// budget and all of it from then on.
void growTrailsToBudget()
{
    LogSink quiet(LogTarget::Suppressed);
    auto thinned = [] {
        for (std::uint32_t k = 0; k < simulation.objectCount(); ++k)
            if (simulation.object(k).history().thinnedCount() == 0)
                return false;
        return true;
    };
    while (!thinned())
        simulation.step(0.0099f);
}

void partsSection()
{
    resetSystem();
    const int rounds = options.smoke ? 3 : 15;
    const int frames = options.smoke ? 2 : 10;
    const std::vector<Variant> parts = {
        {"clear + swap (the empty frame)", emptyFrame},
        {"sky: its kept picture put back (the camera still)", [] { partFrame(skyPart); }},
        {"sky: the sphere (the camera turning every frame)", [] { turning([] { partFrame(skyPart); }); }},
        {"**floor** for the sky: one full-window quad from the sky texture", skyFloorFrame},
        {"spheres (9 bodies, GL culling back faces)", [] { partFrame(spheresPart); }},
        {"spheres before: every face", [] { partFrame([] { worldPart(drawReferenceSphere); }); }},
        {"arrows (18)", [] { partFrame(arrowsPart); }},
        {"trails", [] { partFrame(trailsPart); }},
        {"**whole frame**, display()", display},
        {"whole frame, the camera turning every frame", [] { turning(display); }},
        {"whole frame before the speed-ups", plainFrame},
    };
    struct View
    {
        float distance;
        bool fullTrails;
    };
    std::vector<std::vector<Figure>> figures;
    std::vector<std::size_t> points;
    for (const View& view : {View{200.0f, false}, View{200.0f, true}, View{1500.0f, true}})
    {
        if (view.fullTrails && points.back() == historyPoints())
            growTrailsToBudget();
        simulation.camera().distance() = view.distance;
        points.push_back(historyPoints());
        figures.push_back(measureFrames(parts, rounds, frames));
    }
    simulation.camera().distance() = 200.0f;
    std::fprintf(out(),
                 "\n### Where the frame goes: each part alone between a clear and a swap, %s, ms per frame "
                 "(%s, %d rounds of %d frames); a part's own cost is its time minus the empty frame's\n\n",
                 sizeText().c_str(), options.cpuTime ? "processor time of all threads" : "wall-clock time", rounds,
                 frames);
    std::fprintf(out(),
                 "| part | initial system, following the sun from 200 (%zu trail points) | ÷ empty | trails at "
                 "their budget (%zu points), same view | ÷ empty | the same, whole system from 1500 | ÷ empty "
                 "|\n|---|---|---|---|---|---|---|\n",
                 points[0], points[1]);
    for (std::size_t i = 0; i < parts.size(); ++i)
    {
        std::fprintf(out(), "| %s ", parts[i].name.c_str());
        for (const std::vector<Figure>& f : figures)
            std::fprintf(out(), "| %s | %.1f ", text(f[i], "%.3f").c_str(), f[i].median / f[0].median);
        std::fprintf(out(), "|\n");
    }
    std::fflush(out());
}

// ---- what each speed-up buys --------------------------------------------------------------------

// The whole frame with every speed-up in, and with one at a time taken out (or swapped for a simpler
// route), from three views; a row per speed-up: what taking it out costs, in ms, as a share of the
// frame with everything in, and in frames per second.
void speedUpSection()
{
    resetSystem();
    const int rounds = options.smoke ? 2 : 10;
    const int frames = options.smoke ? 2 : 8;
    const auto with = [](Recipe recipe) { return [recipe] { recipeDisplay(recipe); }; };
    Recipe gluSky = programRecipe, depthSky = programRecipe, wholeSpheres = programRecipe;
    gluSky.sky = ReferenceSky::Glu;
    depthSky.sky = ReferenceSky::KeptAndDepth;
    wholeSpheres.culledSpheres = false;
    enum
    {
        Empty,
        All,
        GluSky,
        DepthSky,
        WholeSpheres,
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
        {"camera turning every frame, display()", [] { turning(display); }},
        {"before every speed-up", plainFrame},
    };
    struct View
    {
        const char* name;
        float distance;
        bool fullTrails;
    };
    const View views[] = {{"initial system, following the sun from 200", 200.0f, false},
                          {"trails at their budget, same view", 200.0f, true},
                          {"trails at their budget, whole system from 1500", 1500.0f, true}};
    std::vector<std::vector<Figure>> figures;
    for (const View& view : views)
    {
        if (view.fullTrails)
            growTrailsToBudget();
        simulation.camera().distance() = view.distance;
        figures.push_back(measureFrames(variants, rounds, frames));
    }
    simulation.camera().distance() = 200.0f;
    const std::string size = sizeText();
    std::fprintf(out(), "\n### Speed-ups at %s: whole frames, ms per frame (%s, %d rounds of %d frames)\n\n",
                 size.c_str(), options.cpuTime ? "processor time" : "wall-clock time", rounds, frames);
    std::fprintf(out(), "| frame |");
    for (const View& view : views)
        std::fprintf(out(), " %s |", view.name);
    std::fprintf(out(), "\n|---|---|---|---|\n");
    for (std::size_t i = 0; i < variants.size(); ++i)
    {
        std::fprintf(out(), "| %s |", variants[i].name.c_str());
        for (const std::vector<Figure>& f : figures)
            std::fprintf(out(), " %s |", text(f[i], "%.2f").c_str());
        std::fprintf(out(), "\n");
    }
    // What a speed-up buys: the frame without it minus the frame with it, in each view.
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
        {"kept sky picture, camera turning every frame (none to keep)", GluSky, Turning},
        {"all of them (against the frame before them)", Before, All},
    };
    std::fprintf(out(), "\n### What each speed-up buys at %s: ms saved; share of the frame with every speed-up "
                        "in; frames per second with → without it\n\n| speed-up |", size.c_str());
    for (const View& view : views)
        std::fprintf(out(), " %s |", view.name);
    std::fprintf(out(), "\n|---|---|---|---|\n");
    for (const Row& row : rows)
    {
        std::fprintf(out(), "| %s |", row.name);
        for (const std::vector<Figure>& f : figures)
        {
            const double saved = f[row.without].median - f[row.with].median;
            std::fprintf(out(), " %.2f ms; %.0f %%; %.0f → %.0f |", saved, 100.0 * saved / f[All].median,
                         1000.0 / f[row.with].median, 1000.0 / f[row.without].median);
        }
        std::fprintf(out(), "\n");
    }
    static_assert(Count == 7, "a name for every variant");
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
    // The default budget bounds all trails together to far fewer points than the largest size, which
    // they would then never reach; each trail may hold that many here, so none is thinned on the way.
    for (std::uint32_t k = 0; k < simulation.objectCount(); ++k)
        simulation.object(k).setHistoryBudget(sizes.back());
    std::fprintf(out(), "\n### History points at %s: frames with N trail points (ms per frame, median (min–max)); "
                        "per million points = (frame − frame without trails) ÷ N\n\n",
                 sizeText().c_str());
    std::fprintf(out(),
                 "| view | N | display() without trails | bare glDrawArrays of the points | display() | "
                 "ms per 1M points: bare / display() |\n");
    std::fprintf(out(), "|---|---|---|---|---|---|\n");
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
                {"hidden", hidden}, {"empty", emptyFrame}, {"bare", barePointsFrame}, {"display", display}};
            const std::vector<Figure> f = measureFrames(variants, rounds, frames);
            const double perMillion = 1e6 / static_cast<double>(points);
            std::fprintf(out(), "| %s | %zu | %s | %s | %s | %.1f / %.1f |\n", view.name, points,
                         text(f[0]).c_str(), text(f[2]).c_str(), text(f[3]).c_str(),
                         (f[2].median - f[1].median) * perMillion, (f[3].median - f[0].median) * perMillion);
            std::fflush(out());
        }
        simulation.camera().distance() = 200.0f;
    }
}

// ---- the running program ------------------------------------------------------------------------

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
    RunFigures r;
    LogSink log(LogTarget::Pipe);
    timeScale = scale;
    const unsigned long framesBefore = displayCalls;
    const std::uint32_t stepsBefore = frameCount;
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
    r.simulated = log.simulatedSeconds(frameCount - stepsBefore);
    timeScale = 1.0f;
    return r;
}

void timeScaleSection()
{
    const double seconds = options.smoke ? 0.5 : 5.0;
    std::fprintf(out(), "\n### Time scale at %s: the idle loop for %.1f s each, log on a pipe\n\n",
                 sizeText().c_str(), seconds);
    std::fprintf(out(),
                 "| time scale | simulated s per wall s ÷ time scale | frames per second | longest idle call "
                 "(ms) | trail points at the end |\n|---|---|---|---|---|\n");
    for (float scale : {1.0f, 64.0f, 1024.0f, 16384.0f})
    {
        resetSystem();
        const RunFigures r = runLoop(scale, seconds);
        std::fprintf(out(), "| %.0f | %.3f | %.1f | %.1f | %zu |\n", scale, r.simulated / r.wall / scale,
                     static_cast<double>(r.frames) / r.wall, r.longestIdleMs, historyPoints());
        std::fflush(out());
    }
}

std::size_t trailBytes()
{
    std::size_t total = 0;
    for (std::uint32_t k = 0; k < simulation.objectCount(); ++k)
        total += simulation.object(k).history().storageBytes();
    return total;
}

// One system run on: time scale 1024 for the long-run time, then 16384 for a third of it, the whole
// system in view (where trails cost a frame most), a row per period.
void longRunSection()
{
    const double seconds = options.smoke ? 1.0 : options.longRunSeconds;
    const double period = options.smoke ? 0.5 : (seconds >= 300 ? 30.0 : 10.0);
    std::fprintf(out(),
                 "\n### Long run at %s: time scale 1024 for %.0f s, then 16384 for %.0f s, whole system in view "
                 "(camera distance 1500)\n\n",
                 sizeText().c_str(), seconds, seconds / 3.0);
    std::fprintf(out(),
                 "| time scale | wall s | trail points | trail MiB | frames per second in the period | "
                 "ms per frame | resident MiB |\n|---|---|---|---|---|---|---|\n");
    resetSystem();
    simulation.camera().distance() = 1500.0f;
    double offset = 0;
    double minFps[2] = {1e9, 1e9};
    double lowRss = 1e12;
    double highRss = 0;
    float scale = 1024.0f;
    unsigned long lastFrames = 0;
    double lastWall = 0;
    auto report = [&](double wall, const RunFigures& r) {
        const double fps = static_cast<double>(r.frames - lastFrames) / (wall - lastWall);
        const double rss = static_cast<double>(residentKiB()) / 1024.0;
        std::fprintf(out(), "| %.0f | %.0f | %zu | %.2f | %.1f | %.1f | %.0f |\n", scale, offset + wall,
                     historyPoints(), static_cast<double>(trailBytes()) / 1048576.0, fps, 1000.0 / fps, rss);
        std::fflush(out());
        if (wall > period * 1.5) // the first period of each time scale fills the trails or changes pace
            minFps[scale > 1024.0f] = std::min(minFps[scale > 1024.0f], fps);
        if (offset + wall > 60.0 || options.smoke)
        {
            lowRss = std::min(lowRss, rss);
            highRss = std::max(highRss, rss);
        }
        lastFrames = r.frames;
        lastWall = wall;
    };
    const RunFigures fast = runLoop(scale, seconds, period, report);
    offset = fast.wall;
    scale = 16384.0f;
    lastFrames = 0;
    lastWall = 0;
    const RunFigures faster = runLoop(scale, seconds / 3.0, period, report);
    std::fprintf(
        out(),
        "\nLong run at %s: at 1024 %.1f frames per second overall, simulated %.3f × 1024 s per wall second, "
        "longest idle call %.0f ms; at 16384 %.1f frames per second, longest idle call %.0f ms. "
        "Lowest frames per second in a period after the first: %.1f at 1024, %.1f at 16384. Resident memory "
        "after the first minute: %.0f–%.0f MiB. At the end: %zu trail points in %.2f MiB.\n",
        sizeText().c_str(), static_cast<double>(fast.frames) / fast.wall, fast.simulated / fast.wall / 1024.0, fast.longestIdleMs,
        static_cast<double>(faster.frames) / faster.wall, faster.longestIdleMs, minFps[0], minFps[1], lowRss,
        highRss, historyPoints(), static_cast<double>(trailBytes()) / 1048576.0);
    std::fflush(out());
}

// ---- thinned trails against whole ones --------------------------------------------------------

// The initial system run GL-free as far as 20 s, a minute and the long run at time scale 1024 take it, once
// with the real trail budget and once with trails that keep every sample, drawn from the same views.
void trailAgreementSection(double longRunSeconds)
{
    // 20 s: the trails have just filled their budget once; a minute; the end of the long run.
    std::vector<double> marks = options.smoke ? std::vector<double>{1.0} : std::vector<double>{20.0, 60.0};
    if (longRunSeconds > marks.back())
        marks.push_back(longRunSeconds);
    const auto stepsAt = [](double wall) { return static_cast<std::uint64_t>(wall * 1024.0 / 0.0099); };
    const std::size_t budgets[2] = {Trail::defaultBudget, std::size_t(1) << 40};
    std::vector<std::vector<bool>> pictures[2];
    std::vector<std::size_t> points[2];
    for (int run = 0; run < 2; ++run)
    {
        Simulation sim;
        sim.loadSky();
        runInitialSystem(sim, budgets[run], 0);
        std::uint64_t taken = 0;
        for (double mark : marks)
        {
            advance(sim, stepsAt(mark) - taken);
            taken = stepsAt(mark);
            std::size_t total = 0;
            for (std::uint32_t k = 0; k < sim.objectCount(); ++k)
                total += sim.object(k).history().size();
            points[run].push_back(total);
            for (const TrailView& view : trailViews)
                pictures[run].push_back(trailPixels(sim, view));
        }
    }
    std::fprintf(
        out(),
        "\n### Trails: thinned (budget %zu points a body) against every sample, the system run GL-free "
        "as far as time scale 1024 takes it\n\n",
        Trail::defaultBudget);
    std::fprintf(out(),
                 "| after | view | trail points, thinned / every sample | trail pixels, thinned | trail "
                 "pixels, every sample | thinned lit in whole | whole lit in thinned |\n"
                 "|---|---|---|---|---|---|---|\n");
    for (std::size_t m = 0; m < marks.size(); ++m)
        for (std::size_t v = 0; v < std::size(trailViews); ++v)
        {
            const std::size_t i = m * std::size(trailViews) + v;
            const Agreement a = compareTrailPixels(pictures[0][i], pictures[1][i]);
            std::fprintf(out(), "| %.0f s | %s | %zu / %zu | %zu | %zu | %.1f %% | %.1f %% |\n", marks[m],
                         trailViews[v].name, points[0][m], points[1][m], a.litA, a.litB, 100.0 * a.aInB(),
                         100.0 * a.bInA());
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

// Resizes the window and waits until the program's reshape has seen the new size.
bool resizeWindow(int width, int height)
{
    glutReshapeWindow(width, height);
    const Clock::time_point start = Clock::now();
    while (windowBounds.width() != static_cast<float>(width) || windowBounds.height() != static_cast<float>(height))
    {
        if (secondsSince(start) > 10.0)
            return false;
        glutMainLoopEvent();
        usleep(1000);
    }
    glutMainLoopEvent();
    return true;
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
        else if (arg == "--cpu-time")
            options.cpuTime = true;
        else if (arg == "--long-run-seconds" && i + 1 < argc)
            options.longRunSeconds = std::atof(argv[++i]);
        else if (arg == "--sizes" && i + 1 < argc)
        {
            options.sizes.clear();
            for (const char* at = argv[++i]; *at;)
            {
                char* end = nullptr;
                const long w = std::strtol(at, &end, 10);
                const long h = *end == 'x' ? std::strtol(end + 1, &end, 10) : 0;
                if (w <= 0 || h <= 0)
                    break;
                options.sizes.emplace_back(static_cast<int>(w), static_cast<int>(h));
                at = *end == ',' ? end + 1 : end;
            }
        }
        else if (arg.rfind("--", 0) == 0)
        {
            std::fprintf(stderr,
                         "usage: %s [--smoke] [--cpu-time] [--long-run-seconds S] [--sizes WxH,WxH...] "
                         "[frame|parts|speedups|history|timescale|longrun|trails|startup]...\n",
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
    installRenderHooks();
    initTimer();
    createInitialSystem();
    reshape(640, 480);
    glutMainLoopEvent();
    std::fprintf(out(), "GL_RENDERER=%s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

    for (const auto& [width, height] : options.sizes)
    {
        if (!resizeWindow(width, height))
        {
            std::fprintf(out(), "\nThe window could not be made %d×%d (is the screen large enough?)\n", width,
                         height);
            continue;
        }
        if (wanted("frame"))
            frameSection();
        if (wanted("parts"))
            partsSection();
        if (wanted("speedups"))
            speedUpSection();
        if (wanted("history"))
            historySection();
        if (wanted("timescale"))
            timeScaleSection();
        if (wanted("longrun"))
            longRunSection();
    }
    resizeWindow(640, 480);
    if (wanted("trails"))
        trailAgreementSection(options.smoke ? 1.0 : options.longRunSeconds);
    simulation.destroyAllObjects();
    return 0;
}
