// The program's trails (bounded, and only the chunks that may show sent) draw exactly what whole trails
// draw, every point sent, until they first fill; after, they draw only where the whole trails do, and in
// every view keep a share of their pixels.
#include "capture_cout.h"
#include "render/scene.h"
#include "render_test_support.h"
#include "sim/simulation.h"
#include "temp_directory.h"
#include "trail_pictures.h"

namespace
{
constexpr std::size_t smallBudget = 1024;
constexpr std::uint64_t stepsPerSample = 20;

struct Pictures
{
    std::vector<std::vector<std::uint8_t>> beforeFull; // whole frames, one per view
    std::vector<std::vector<bool>> farPast;            // trail pixels, one per view
};

class TrailPictureTest : public RenderTest
{
  protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        writeSolidBmp("skybox.bmp", Rgb{0, 0, 0}); // trails of any colour stand out
    }

    // The initial system with every history limited to `budget`: pictures just before a small budget
    // fills, and far past it.
    static Pictures picturesWithBudget(std::size_t budget, TrailDrawing drawing)
    {
        Simulation sim;
        sim.loadSky();
        Pictures pictures;
        runInitialSystem(sim, budget, (smallBudget - 4) * stepsPerSample);
        for (const BenchView& view : benchViews)
            pictures.beforeFull.push_back(viewPixels(sim, view, drawing));
        advanceQuietly(sim, 4 * smallBudget * stepsPerSample);
        for (const BenchView& view : benchViews)
            pictures.farPast.push_back(trailPixels(sim, view, drawing));
        EXPECT_EQ(sim.object(1).history().stride() > 1, budget == smallBudget);
        return pictures;
    }

    const TempDirectory dir_{TempDirectory::AsWorkingDirectory};
    CaptureCout quiet_;
};
} // namespace

TEST_F(TrailPictureTest, SameFramesUntilTheBudgetAndTheSameTrailPixelsFarPastIt)
{
    const Pictures bounded = picturesWithBudget(smallBudget, TrailDrawing::Program);
    const Pictures whole = picturesWithBudget(Trail::defaultBudget, TrailDrawing::Whole);
    for (std::size_t v = 0; v < benchViewCount; ++v)
    {
        EXPECT_TRUE(bounded.beforeFull[v] == whole.beforeFull[v]) << benchViews[v].name;
        const Agreement agreement = compareTrailPixels(bounded.farPast[v], whole.farPast[v]);
        std::printf("%s: %zu / %zu pixels, thinned in whole %.4f, whole in thinned %.4f\n",
                    benchViews[v].name, agreement.litA, agreement.litB, agreement.aInB(), agreement.bInA());
        EXPECT_GT(agreement.litB, 1000u) << benchViews[v].name;
        // A thinned point is a sample of the whole trail, drawn where it always was.
        EXPECT_GE(agreement.aInB(), 0.999) << benchViews[v].name;
        // Thinning leaves gaps along dense stretches (a sample in 4 to 16 kept, here), never a view without
        // its trails: what is left is at least a tenth of what the whole trail lights.
        EXPECT_GE(agreement.bInA(), 0.1) << benchViews[v].name;
    }
}
