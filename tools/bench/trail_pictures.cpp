// Trail pictures: running the initial system quietly, drawing it from a view, comparing lit pixels.
#include "trail_pictures.h"

#include "reference_drawing.h"
#include "sim/simulation.h"

#include <GL/gl.h>

void runInitialSystem(Simulation& sim, std::size_t budget, std::uint64_t steps)
{
    sim.destroyAllObjects();
    nextObjectId = 0;
    frameCount = 0;
    createInitialSystem(sim);
    for (std::uint32_t k = 0; k < sim.objectCount(); ++k)
        sim.object(k).setHistoryBudget(budget);
    advanceQuietly(sim, steps);
}

namespace
{
std::vector<std::uint8_t> drawAndRead(Simulation& sim, TrailDrawing drawing)
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (drawing == TrailDrawing::Program)
        sim.drawScene();
    else
    {
        Recipe whole = programRecipe;
        whole.boxTest = false;
        drawRecipeScene(sim, whole);
    }
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

std::vector<std::uint8_t> viewPixels(Simulation& sim, const BenchView& view, TrailDrawing drawing)
{
    placeCamera(sim, view);
    return withSwitches(sim, true, false, [&] { return drawAndRead(sim, drawing); });
}

std::vector<bool> trailPixels(Simulation& sim, const BenchView& view, TrailDrawing drawing)
{
    const std::vector<std::uint8_t> with = viewPixels(sim, view, drawing);
    const std::vector<std::uint8_t> without =
        withSwitches(sim, false, false, [&] { return drawAndRead(sim, drawing); });
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
