// A bounded trail draws exactly what the whole trail draws until it first fills; after, it draws only where
// the whole trail does, and in every view keeps a share of its pixels.
#include "capture_cout.h"
#include "render/scene.h"
#include "render_test_support.h"
#include "temp_directory.h"
#include "sim/simulation.h"
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
    static Pictures picturesWithBudget(std::size_t budget)
    {
        Simulation sim;
        sim.loadSky();
        Pictures pictures;
        runInitialSystem(sim, budget, (smallBudget - 4) * stepsPerSample);
        for (const TrailView& view : trailViews)
            pictures.beforeFull.push_back(viewPixels(sim, view));
        advance(sim, 4 * smallBudget * stepsPerSample);
        for (const TrailView& view : trailViews)
            pictures.farPast.push_back(trailPixels(sim, view));
        EXPECT_EQ(sim.object(1).history().stride() > 1, budget == smallBudget);
        return pictures;
    }

    const TempDirectory dir_{TempDirectory::AsWorkingDirectory};
    CaptureCout quiet_;
};
} // namespace

TEST_F(TrailPictureTest, SameFramesUntilTheBudgetAndTheSameTrailPixelsFarPastIt)
{
    const Pictures bounded = picturesWithBudget(smallBudget);
    const Pictures whole = picturesWithBudget(Trail::defaultBudget);
    for (std::size_t v = 0; v < std::size(trailViews); ++v)
    {
        EXPECT_TRUE(bounded.beforeFull[v] == whole.beforeFull[v]) << trailViews[v].name;
        const Agreement agreement = compareTrailPixels(bounded.farPast[v], whole.farPast[v]);
        std::printf("%s: %zu / %zu pixels, thinned in whole %.4f, whole in thinned %.4f\n",
                    trailViews[v].name, agreement.litA, agreement.litB, agreement.aInB(), agreement.bInA());
        EXPECT_GT(agreement.litB, 1000u) << trailViews[v].name;
        // A thinned point is a sample of the whole trail, drawn where it always was.
        EXPECT_GE(agreement.aInB(), 0.999) << trailViews[v].name;
        // Thinning leaves gaps along dense stretches (a sample in 4 to 16 kept, here), never a view without
        // its trails: what is left is at least a tenth of what the whole trail lights.
        EXPECT_GE(agreement.bInA(), 0.1) << trailViews[v].name;
    }
}
