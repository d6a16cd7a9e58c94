// The program's drawing (trail points through vertex arrays, nothing sent that lies outside the view
// volume) against the reference drawing without either: the same scenes, read back with glReadPixels,
// must match byte for byte.
#include "capture_cout.h"
#include "render/scene.h"
#include "render/shared_resources.h"
#include "render/sphere_geometry.h"
#include "render/sphere_lists.h"
#include "render/texture.h"
#include "render_test_support.h"
#include "sim/simulation.h"
#include "tools/bench/reference_drawing.h"

#include <GL/glu.h>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace
{
class DrawPathsTest : public RenderTest
{
  protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        // Patterned textures, so a sphere that is skipped or drawn differently shows.
        for (int i = 0; i < textureCount; ++i)
            writeBmp(textureFileNames[i], 16, 16, [i](int x, int y) {
                return Rgb{static_cast<std::uint8_t>(16 * x), static_cast<std::uint8_t>(16 * y),
                           static_cast<std::uint8_t>(20 * i)};
            });
        writeBmp("skybox.bmp", 8, 8, [](int x, int y) {
            return Rgb{static_cast<std::uint8_t>(8 * x), 0, static_cast<std::uint8_t>(8 * y)};
        });
    }

    static Frame frame(const std::function<void()>& drawScene)
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawScene();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return Frame::grab();
    }

    // The program's frame against both references, for the simulation's current camera.
    static void expectSamePixels(Simulation& sim, const char* view)
    {
        const Frame drawn = frame([&] { sim.drawScene(); });
        for (ReferenceTrails trails : {ReferenceTrails::OnePointPerCall, ReferenceTrails::OneDrawArraysCall})
            EXPECT_TRUE(frame([&] { drawReferenceScene(sim, trails); }).bytes() == drawn.bytes())
                << view << ": reference trails " << static_cast<int>(trails);
    }

    const TempDirectory dir_{TempDirectory::AsWorkingDirectory};
    CaptureCout quiet_;
};
} // namespace

TEST_F(DrawPathsTest, SamePixelsFromEveryAngleWithLongHistories)
{
    Simulation sim;
    sim.loadSky();
    createInitialSystem(sim);
    for (int i = 0; i < 12000; ++i) // 600 samples a body: several complete chunks and a partial one
        sim.step(0.0099f);

    // Turning around the sun and then around an outer body sweeps bodies and trails across every
    // edge of the window, and behind the eye.
    for (std::uint32_t target : {0u, 2u})
    {
        while (sim.targetIndex() != target)
            sim.nextTarget();
        for (float pitch : {45.0f, -10.0f})
            for (float yaw = 0.0f; yaw < 360.0f; yaw += 30.0f)
            {
                sim.camera().pitch() = pitch;
                sim.camera().yaw() = yaw;
                expectSamePixels(sim, "orbit view");
            }
    }
    // Close up (trails pass beside and behind the eye) and far out (everything in view).
    for (float distance : {6.0f, 2000.0f})
    {
        sim.camera().distance() = distance;
        expectSamePixels(sim, "zoomed view");
    }
    // The switches change what is drawn, never whether the drawings agree.
    sim.camera().distance() = 200.0f;
    sim.toggleMotionVectors();
    expectSamePixels(sim, "no arrows");
    sim.toggleHistories();
    expectSamePixels(sim, "spheres only");
}

TEST_F(DrawPathsTest, ClearedRegrownOrThinnedHistoryIsNotCulledByOldBounds)
{
    Simulation sim;
    sim.loadSky();
    createInitialSystem(sim);
    sim.camera().distance() = 400.0f;
    for (int i = 0; i < 8000; ++i)
        sim.step(0.0099f);
    frame([&] { sim.drawScene(); }); // the culling now knows the bounds of these histories

    // Regrown past its old length between two frames, with the bodies elsewhere on their orbits.
    sim.clearAllHistories();
    for (int i = 0; i < 16000; ++i)
        sim.step(0.0099f);
    expectSamePixels(sim, "regrown histories");

    // Thinned between two frames: every point has moved within its trail, so every box is new.
    for (std::uint32_t k = 0; k < sim.objectCount(); ++k)
        sim.object(k).setHistoryBudget(512);
    for (int i = 0; i < 16000; ++i)
        sim.step(0.0099f);
    ASSERT_GT(sim.object(0).history().thinnedCount(), 0u);
    expectSamePixels(sim, "thinned histories");
}

TEST_F(DrawPathsTest, BodySphereWithoutItsHiddenQuadsHasGlusColoursAndDepths)
{
    Simulation sim;
    createInitialSystem(sim); // the bodies' textures and quadric
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const auto draw = [&](const std::function<void()>& sphere) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        sphere();
        std::vector<GLuint> depths(std::size_t(viewport[2]) * viewport[3]);
        glReadPixels(0, 0, viewport[2], viewport[3], GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, depths.data());
        return std::make_pair(Frame::grab().bytes(), depths);
    };

    // Near (the first view of each size reaches the near plane) and far, across the whole window, turned
    // every way.
    std::mt19937 random(19);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    int views = 0;
    int culled = 0;
    for (float radius : {1.0f, 3.5f, 15.0f})
        for (int v = 0; v < 16; ++v, ++views)
        {
            const float distance = v == 0 ? radius + 3.0f : radius + 5.5f + std::pow(unit(random), 3.0f) * 400.0f * radius;
            glLoadIdentity();
            glRotatef((unit(random) - 0.5f) * 60.0f, 0.0f, 1.0f, 0.0f);
            glRotatef((unit(random) - 0.5f) * 45.0f, 1.0f, 0.0f, 0.0f);
            glTranslatef(0.0f, 0.0f, -distance);
            glRotatef(unit(random) * 360.0f, unit(random) - 0.5f, unit(random) - 0.5f, unit(random) - 0.5f);
            bindObjectTexture(v % textureCount);

            GLfloat modelview[16], projection[16];
            glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
            glGetFloatv(GL_PROJECTION_MATRIX, projection);
            std::vector<unsigned char> hidden;
            culled += mesh::hiddenQuads({modelview, projection, viewport, 24}, radius, 50, 50, hidden) > 0;

            const auto glu = draw([&] { gluSphere(sharedQuadric, radius, 50, 50); });
            const auto ours = draw([&] { drawBodySphere(radius); });
            EXPECT_TRUE(ours.first == glu.first) << "colours, radius " << radius << " at " << distance;
            EXPECT_TRUE(ours.second == glu.second) << "depths, radius " << radius << " at " << distance;
        }
    EXPECT_GT(culled, views * 2 / 3) << "most views leave quads out";
    // Radii GLU refuses or cannot place: whatever it draws, the same.
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -50.0f);
    for (float odd : {-2.0f, std::numeric_limits<float>::quiet_NaN()})
        EXPECT_TRUE(draw([&] { drawBodySphere(odd); }) == draw([&] { gluSphere(sharedQuadric, odd, 50, 50); }))
            << odd;
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(DrawPathsTest, DrawingHistoryWithVertexArraysLeavesStateAsFound)
{
    // Mesa forgot to restore the current colour when nothing had flushed it before the pops (an
    // empty history sends no glDrawArrays): the next sphere came out in the trail's colour.
    SpaceObject body(0, 5, 1.0f, 2.0f, {0, 0, 0}, {0, 0, 1}, 0.0f, 0.0f);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -100.0f);
    const GlState before = GlState::capture();
    for (int points : {0, 300})
    {
        for (int i = 0; i < points; ++i)
        {
            body.position() = Vector3(static_cast<float>(i % 40), 0.0f, 0.0f);
            body.addHistoryPoint();
        }
        for (bool arrows : {false, true})
        {
            body.draw(true, arrows);
            EXPECT_EQ(GlState::capture(), before) << points << " points, arrows " << arrows;
            GLboolean vertexArray = GL_TRUE;
            glGetBooleanv(GL_VERTEX_ARRAY, &vertexArray);
            EXPECT_FALSE(vertexArray);
        }
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
