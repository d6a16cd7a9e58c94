// Trail pictures: running the initial system quietly, drawing it from a view, comparing lit pixels.
#include "trail_pictures.h"

#include "sim/simulation.h"

#include <GL/gl.h>
#include <iostream>

const TrailView trailViews[3] = {
    {"whole system from 1500", 0, 1500.0f, 30.0f},
    {"following mercury from 50", 1, 50.0f, 20.0f},
    {"following the moon from 50", 4, 50.0f, 20.0f},
};

void advance(Simulation& sim, std::uint64_t steps)
{
    // A failed stream formats nothing: millions of steps without millions of log lines.
    std::cout.setstate(std::ios::badbit);
    for (std::uint64_t i = 0; i < steps; ++i)
        sim.step(0.0099f);
    std::cout.clear();
}

void runInitialSystem(Simulation& sim, std::size_t budget, std::uint64_t steps)
{
    sim.destroyAllObjects();
    nextObjectId = 0;
    frameCount = 0;
    createInitialSystem(sim);
    for (std::uint32_t k = 0; k < sim.objectCount(); ++k)
        sim.object(k).setHistoryBudget(budget);
    advance(sim, steps);
}

namespace
{
void showView(Simulation& sim, const TrailView& view)
{
    while (sim.targetIndex() != view.target)
        sim.nextTarget();
    sim.camera().distance() = view.distance;
    sim.camera().pitch() = view.pitch;
    sim.camera().yaw() = 0.0f;
}

std::vector<std::uint8_t> drawAndRead(Simulation& sim)
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    sim.drawScene();
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(viewport[2]) * viewport[3] * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(viewport[0], viewport[1], viewport[2], viewport[3], GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return pixels;
}

// Runs `draw` with the display switches set as wanted, and puts them back.
template <typename Draw> auto withSwitches(Simulation& sim, bool histories, bool motion, Draw draw)
{
    const bool flipHistories = sim.showHistories() != histories;
    const bool flipMotion = sim.showMotionVectors() != motion;
    if (flipHistories)
        sim.toggleHistories();
    if (flipMotion)
        sim.toggleMotionVectors();
    auto result = draw();
    if (flipHistories)
        sim.toggleHistories();
    if (flipMotion)
        sim.toggleMotionVectors();
    return result;
}
} // namespace

std::vector<std::uint8_t> viewPixels(Simulation& sim, const TrailView& view)
{
    showView(sim, view);
    return withSwitches(sim, true, false, [&] { return drawAndRead(sim); });
}

std::vector<bool> trailPixels(Simulation& sim, const TrailView& view)
{
    const std::vector<std::uint8_t> with = viewPixels(sim, view);
    const std::vector<std::uint8_t> without =
        withSwitches(sim, false, false, [&] { return drawAndRead(sim); });
    std::vector<bool> lit(with.size() / 3);
    for (std::size_t i = 0; i < lit.size(); ++i)
        lit[i] = with[3 * i] != without[3 * i] || with[3 * i + 1] != without[3 * i + 1] ||
                 with[3 * i + 2] != without[3 * i + 2];
    return lit;
}

Agreement compareTrailPixels(const std::vector<bool>& a, const std::vector<bool>& b)
{
    Agreement agreement;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
    {
        agreement.litA += a[i];
        agreement.litB += b[i];
        agreement.litBoth += a[i] && b[i];
    }
    return agreement;
}
