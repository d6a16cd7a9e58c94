// The sky's picture is drawn once and put back in later frames: every frame must still match the
// program's frame with the sky sphere sent anew, byte for byte, whatever changed in between.
#include "capture_cout.h"
#include "render/scene.h"
#include "render_test_support.h"
#include "sim/simulation.h"
#include "tools/bench/reference_drawing.h"

#include <algorithm>
#include <cmath>

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

TEST_F(SkyCacheTest, SkysDepthDrawnWhenABodyTrailOrChunkCornerInViewLiesBeyondIt)
{
    // The camera 200 from a target far from the origin, so that the eye's place in the model-view counts.
    sim_.object(0).position() = Vector3(3000, -2000, 5000);
    auto* body = new SpaceObject(3, 0, 1.0f, 500.0f, {0, 0, 0}, {0, 0, 30}, 0.0f, 0.0f);
    sim_.addObject(body);
    sim_.camera().center() = sim_.object(0).position();
    GLdouble m[16];
    glLoadIdentity();
    sim_.camera().applyTransform();
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    // The point `distance` from the eye towards `across` and `up` times the way to the window's right and
    // top edges, in the world.
    const auto toward = [&](double distance, double across, double up) {
        double eye[3] = {across * std::tan(M_PI / 6.0) * width / height, up * std::tan(M_PI / 6.0), -1.0};
        const double scale = distance / std::sqrt(eye[0] * eye[0] + eye[1] * eye[1] + 1.0);
        double world[3];
        for (int c = 0; c < 3; ++c)
            world[c] = m[4 * c] * (eye[0] * scale - m[12]) + m[4 * c + 1] * (eye[1] * scale - m[13]) +
                       m[4 * c + 2] * (eye[2] * scale - m[14]);
        return Vector3(float(world[0]), float(world[1]), float(world[2]));
    };
    // Frames like the sky sent anew; the last, the kept picture put back, with the sky's depth or without.
    const auto expectSkyDepth = [&](bool drawn, const char* what) {
        expectFramesLikeReference(what);
        const Frame f = Frame::grabWithDepths();
        EXPECT_EQ(std::count(f.depths().begin(), f.depths().end(), 0xFFFFFFFFu) < width * height / 2, drawn)
            << what;
    };
    const double sky = sim_.maxCameraDistance();
    for (const auto& side :
         {std::pair{0.97, 0.0}, std::pair{-0.97, 0.0}, std::pair{0.0, 0.97}, std::pair{0.0, -0.97}})
        for (int pass = 0; pass < 2; ++pass, sim_.toggleMotionVectors())
            for (double distance : {0.9 * sky, sky + 600.0})
            {
                SCOPED_TRACE(testing::Message()
                             << side.first << ' ' << side.second << ", arrows " << sim_.showMotionVectors());
                body->position() = toward(distance, side.first, side.second);
                expectSkyDepth(distance > sky, "body near a side");
            }

    // Trails drawn from behind the eye: the newest points after the last full chunk beyond the sky, and a
    // chunk along a chord from just inside the right or top edge to far outside, only its corner in view.
    const auto trail = [&](const Vector3& from, const Vector3& to, std::size_t points) {
        for (std::size_t i = 0; i < points; ++i)
        {
            body->position() = from;
            body->position() += (to - from) * (float(i) / float(points));
            body->addHistoryPoint();
        }
        body->position() = toward(-1000.0, 0.0, 0.0);
    };
    trail(toward(0.5 * sky, 0.0, 0.0), toward(0.5 * sky, 0.0, 0.0), Trail::chunkSize);
    trail(toward(sky + 300.0, 0.5, 0.5), toward(sky + 300.0, 0.5, 0.5), 5);
    expectSkyDepth(true, "newest trail points beyond the sky");
    for (const auto& side : {std::pair{1.0, 0.0}, std::pair{0.0, 1.0}})
    {
        body->clearHistory();
        trail(toward(sky + 300.0, 0.98 * side.first, 0.98 * side.second),
              toward(sky + 300.0, 3.0 * side.first, 3.0 * side.second), Trail::chunkSize);
        expectSkyDepth(true, "a trail chunk's corner beyond the sky");
    }
}
