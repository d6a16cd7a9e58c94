// The sky's picture is drawn once and put back in later frames: every frame must still match the
// program's frame with the sky sphere sent anew, byte for byte, whatever changed in between.
#include "capture_cout.h"
#include "render/scene.h"
#include "render_test_support.h"
#include "sim/simulation.h"
#include "tools/bench/reference_drawing.h"

namespace
{
class SkyCacheTest : public RenderTest
{
  protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        writePatternedTextures();
        sim_.loadSky();
        createInitialSystem(sim_);
        sim_.camera().pitch() = 20.0f;
        sim_.camera().yaw() = 30.0f;
    }

    static std::vector<std::uint8_t> picture(const std::function<void()>& drawScene)
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawScene();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return Frame::grab().bytes();
    }

    // Three frames in a row (drawn, drawn and kept, put back), each against the reference.
    void expectFramesLikeReference(const char* what)
    {
        Recipe skySentAnew = programRecipe;
        skySentAnew.sky = ReferenceSky::Glu;
        const std::vector<std::uint8_t> reference = picture([&] { drawRecipeScene(sim_, skySentAnew); });
        for (int frame = 0; frame < 3; ++frame)
        {
            const GlState before = GlState::capture();
            EXPECT_TRUE(picture([&] { sim_.drawScene(); }) == reference) << what << ", frame " << frame;
            EXPECT_EQ(GlState::capture(), before) << what << ", frame " << frame;
        }
    }

    const TempDirectory dir_{TempDirectory::AsWorkingDirectory};
    CaptureCout quiet_;
    Simulation sim_;
};
} // namespace

TEST_F(SkyCacheTest, KeptPictureIsNotReusedAfterPitchYawWindowSizeOrSkyTextureChange)
{
    for (int i = 0; i < 2000; ++i)
        sim_.step(0.0099f); // trails and arrows in front of the sky
    expectFramesLikeReference("first view");
    sim_.camera().pitch() = -35.0f;
    expectFramesLikeReference("pitch changed");
    sim_.camera().yaw() = 200.0f;
    expectFramesLikeReference("yaw changed");
    reshape(width / 2, height);
    expectFramesLikeReference("narrower window");
    reshape(width, height);
    expectFramesLikeReference("window size back");
    writePatternedTextures(24);
    sim_.loadSky();
    expectFramesLikeReference("sky texture loaded again, another image");
}

TEST_F(SkyCacheTest, BodyBeyondTheSkyStaysHiddenBehindIt)
{
    // Looking along -z from 200 in front of the sun, a body 25 degrees to the side: at 26 000 from the eye
    // it lies beyond the sky but short of the far plane, so only the sky's depth hides it.
    sim_.camera().pitch() = 0.0f;
    sim_.camera().yaw() = 0.0f;
    auto* far = new SpaceObject(9, 2, 1.0f, 500.0f, {0, 0, 0}, {0, 0, 0}, 0.0f, 0.0f);
    sim_.addObject(far);
    for (float distance : {24000.0f, 26000.0f, 24000.0f})
    {
        far->position() = sim_.object(0).position();
        far->position() += Vector3(distance * 0.42261826f, 0.0f, 200.0f - distance * 0.90630779f);
        expectFramesLikeReference(distance > 25000.0f ? "body beyond the sky" : "body in front of the sky");
    }
}
