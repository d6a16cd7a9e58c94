// The fast ways of drawing bodies (vertex arrays, culling outside the view volume) against the plain
// way: the same scenes, read back with glReadPixels, must match byte for byte.
#include "capture_cout.h"
#include "render/body_drawing.h"
#include "render/scene.h"
#include "render/texture.h"
#include "render_test_support.h"
#include "sim/simulation.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace
{
// The whole back buffer over the viewport, exactly as GL holds it.
std::vector<std::uint8_t> readPixels()
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(viewport[2] * viewport[3]) * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(viewport[0], viewport[1], viewport[2], viewport[3], GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return pixels;
}

// Drawing paths to restore whatever a test does.
class KeepDrawPaths
{
  public:
    ~KeepDrawPaths()
    {
        drawPaths = saved_;
    }

  private:
    DrawPaths saved_ = drawPaths;
};

constexpr DrawPaths plainPaths{false, false, false};

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

    static std::vector<std::uint8_t> frame(Simulation& sim, const DrawPaths& paths)
    {
        drawPaths = paths;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        sim.drawScene();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return readPixels();
    }

    // Every fast combination against the plain path, for the simulation's current camera.
    static void expectSamePixels(Simulation& sim, const char* view)
    {
        const std::vector<std::uint8_t> plain = frame(sim, plainPaths);
        for (int mask = 1; mask < 8; ++mask)
        {
            const DrawPaths paths{(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0};
            const std::vector<std::uint8_t> fast = frame(sim, paths);
            ASSERT_EQ(fast.size(), plain.size());
            EXPECT_TRUE(std::memcmp(fast.data(), plain.data(), plain.size()) == 0)
                << view << ": arrays " << paths.historyVertexArrays << ", history culling "
                << paths.cullHistory << ", body culling " << paths.cullBodies;
        }
    }

    ScratchDirectory dir_;
    CaptureCout quiet_;
    KeepDrawPaths keep_;
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
    // The switches change what is drawn, never whether the fast paths agree.
    sim.camera().distance() = 200.0f;
    sim.toggleMotionVectors();
    expectSamePixels(sim, "no arrows");
    sim.toggleHistories();
    expectSamePixels(sim, "spheres only");
}

TEST_F(DrawPathsTest, ClearedAndRegrownHistoryIsNotCulledByOldBounds)
{
    Simulation sim;
    sim.loadSky();
    createInitialSystem(sim);
    sim.camera().distance() = 400.0f;
    for (int i = 0; i < 8000; ++i)
        sim.step(0.0099f);
    frame(sim, DrawPaths{}); // the culling now knows the bounds of these histories

    // Regrown past its old length between two frames, with the bodies elsewhere on their orbits.
    sim.clearAllHistories();
    for (int i = 0; i < 16000; ++i)
        sim.step(0.0099f);
    expectSamePixels(sim, "regrown histories");
}

TEST_F(DrawPathsTest, DrawingHistoryWithVertexArraysLeavesStateAsFound)
{
    // Mesa forgot to restore the current colour when nothing had flushed it before the pops (an
    // empty history sends no glDrawArrays): the next sphere came out in the trail's colour.
    SpaceObject body(0, 5, 1.0f, 2.0f, {0, 0, 0}, {0, 0, 1}, 0.0f, 0.0f);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -100.0f);
    drawPaths = DrawPaths{};
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
