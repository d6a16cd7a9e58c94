// The program's drawing (the bodies' back faces culled by GL, the sky kept) against the reference drawing
// without either: the same scenes, read back with glReadPixels, must look alike (render_test_support.h
// says how alike); when a sphere's back faces are sure to be hidden; and the work the speed-ups save.
#define GL_GLEXT_PROTOTYPES // the query calls, which GL 1.1's header leaves out
#include "capture_cout.h"
#include "render/scene.h"
#include "render/shared_resources.h"
#include "render/sphere_geometry.h"
#include "render/texture.h"
#include "render_test_support.h"
#include "sim/simulation.h"
#include "tools/bench/reference_drawing.h"

#include <GL/glu.h>
#include <array>
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

    // The picture; with its depths for a lone sphere (a whole scene's sky may be its kept picture, which
    // leaves the depth cleared).
    static Frame frame(const std::function<void()>& drawScene, bool withDepths = false)
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawScene();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return withDepths ? Frame::grabWithDepths() : Frame::grab();
    }

    // What a frame hands GL, by its pipeline statistics (llvmpipe keeps them): vertices or primitives sent,
    // or fragments shaded (a culled face is sent but shades nothing).
    static GLuint64 work(GLenum statistic, const std::function<void()>& drawScene)
    {
        GLuint query = 0;
        glGenQueries(1, &query);
        glBeginQuery(statistic, query);
        frame(drawScene);
        glEndQuery(statistic);
        GLuint64 count = 0;
        glGetQueryObjectui64v(query, GL_QUERY_RESULT, &count);
        glDeleteQueries(1, &query);
        return count;
    }

    // The program's frame against the reference, for the simulation's current camera.
    static void expectLikeReference(Simulation& sim, const char* view)
    {
        const Frame drawn = frame([&] { sim.drawScene(); });
        EXPECT_TRUE(alike(drawn, frame([&] { drawReferenceScene(sim); }))) << view;
    }

    const TempDirectory dir_{TempDirectory::AsWorkingDirectory};
    CaptureCout quiet_;
};
} // namespace

TEST_F(DrawPathsTest, AlikeFromEveryAngleWithLongHistories)
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
                expectLikeReference(sim, "orbit view");
            }
    }
    // Close up (trails pass beside and behind the eye) and far out (everything in view).
    for (float distance : {6.0f, 2000.0f})
    {
        sim.camera().distance() = distance;
        expectLikeReference(sim, "zoomed view");
    }
    // The switches change what is drawn, never whether the drawings agree.
    sim.camera().distance() = 200.0f;
    sim.toggleMotionVectors();
    expectLikeReference(sim, "no arrows");
    sim.toggleHistories();
    expectLikeReference(sim, "spheres only");
}

TEST_F(DrawPathsTest, BodySphereWithBackFacesCulledLooksLikeGlusWhole)
{
    Simulation sim;
    createInitialSystem(sim); // the bodies' textures and quadric

    // Near (the first view of each size reaches the near plane, where nothing may be culled) and far,
    // across the whole window, turned every way; and from inside the sphere.
    std::mt19937 random(19);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (float radius : {1.0f, 3.5f, 15.0f})
        for (int v = 0; v < 17; ++v)
        {
            SpaceObject body(v % textureCount, 0, 1.0f, radius, zeroVector, zeroVector, unit(random) * 360.0f,
                             unit(random) * 90.0f);
            const float distance = v == 0    ? radius + 3.0f
                                   : v == 16 ? radius / 2.0f
                                             : radius + 5.5f + std::pow(unit(random), 3.0f) * 400.0f * radius;
            glLoadIdentity();
            glRotatef((unit(random) - 0.5f) * 60.0f, 0.0f, 1.0f, 0.0f);
            glRotatef((unit(random) - 0.5f) * 45.0f, 1.0f, 0.0f, 0.0f);
            glTranslatef(0.0f, 0.0f, -distance);
            body.spinAngle() = unit(random) * 360.0f;
            const Frame whole = frame([&] { drawReferenceSphere(body); }, true);
            const Frame culled = frame([&] { body.draw(false, false); }, true);
            if (v == 0 || v == 16)
                EXPECT_TRUE(culled.bytes() == whole.bytes() && culled.depths() == whole.depths())
                    << "nothing culled, radius " << radius << " at " << distance;
            else
                EXPECT_TRUE(alike(culled, whole)) << "radius " << radius << " at " << distance;
        }
}

namespace
{
// gluPerspective(60, 4 / 3, 5, 25000), column by column.
std::array<float, 16> perspective()
{
    const float f = 1.0f / std::tan(3.14159265f / 6.0f);
    const float n = 5.0f, far = 25000.0f;
    return {f * 0.75f, 0, 0, 0, 0, f, 0, 0, 0, 0, (far + n) / (n - far), -1, 0, 0, 2.0f * far * n / (n - far),
            0};
}

// A model-view that moves the sphere's centre to (x, y, z) in eye space, scaling x by sx.
std::array<float, 16> placed(float x, float y, float z, float sx)
{
    return {sx, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
}
} // namespace

TEST(SphereCulling, OnlyWhenTheWholeSphereLiesBeyondTheNearPlaneAndNothingMirrorsOrScales)
{
    const std::array<float, 16> projection = perspective();
    const float* perspective = projection.data();
    EXPECT_TRUE(mesh::backFacesHidden(placed(0, 0, -200, 1).data(), perspective, 15.0));
    EXPECT_TRUE(mesh::backFacesHidden(placed(90, -60, -200, 1).data(), perspective, 15.0)) << "off centre";
    EXPECT_FALSE(mesh::backFacesHidden(placed(0, 0, -200, 1).data(), perspective, 196.0))
        << "reaches the near plane";
    EXPECT_FALSE(mesh::backFacesHidden(placed(0, 0, 0, 1).data(), perspective, 25000.0))
        << "the sky, round the eye";
    EXPECT_FALSE(mesh::backFacesHidden(placed(0, 0, 50, 1).data(), perspective, 15.0)) << "behind the eye";
    EXPECT_FALSE(mesh::backFacesHidden(placed(0, 0, -200, -1).data(), perspective, 15.0))
        << "mirrored model-view";
    EXPECT_FALSE(mesh::backFacesHidden(placed(0, 0, -200, 2).data(), perspective, 15.0))
        << "scaled model-view";
    std::array<float, 16> mirrored = projection;
    mirrored[0] = -mirrored[0];
    EXPECT_FALSE(mesh::backFacesHidden(placed(0, 0, -200, 1).data(), mirrored.data(), 15.0))
        << "mirrored projection";
    EXPECT_FALSE(mesh::backFacesHidden(placed(0, 0, -200, 1).data(), perspective, 0.0));
    EXPECT_FALSE(mesh::backFacesHidden(placed(0, 0, -200, 1).data(), perspective, std::nan("")));
}

TEST_F(DrawPathsTest, KeptSkyCulledBackFacesAndTheViewVolumeSaveTheirWork)
{
    Simulation sim;
    sim.loadSky();
    createInitialSystem(sim);
    // A still view: the sphere is drawn twice, the second time kept (a camera that turns every frame never
    // pays for a copy), then only put back.
    const GLuint64 sphere = work(GL_PRIMITIVES_SUBMITTED_ARB, [&] { drawReferenceSky(sim); });
    GLuint64 frames[3];
    for (GLuint64& sent : frames)
        sent = work(GL_PRIMITIVES_SUBMITTED_ARB, [&] { sim.drawScene(); });
    EXPECT_GT(sphere, 1000u);
    EXPECT_GE(frames[0], frames[2] + sphere * 9 / 10) << "sky sphere sent again in a still view";
    EXPECT_GE(frames[1], frames[2] + sphere * 9 / 10) << "sky put back before the view stood still";

    // Back faces shade nothing, seen from the program's camera and from close to the near plane.
    const SpaceObject& sun = sim.object(0);
    for (float distance : {200.0f, 5.0f + 1.5f * sun.radius()})
    {
        sim.camera().distance() = distance;
        glLoadIdentity();
        sim.camera().applyTransform();
        EXPECT_LE(work(GL_FRAGMENT_SHADER_INVOCATIONS_ARB, [&] { sun.draw(false, false); }),
                  work(GL_FRAGMENT_SHADER_INVOCATIONS_ARB, [&] { drawReferenceSphere(sun); }) * 7 / 10)
            << "back faces shaded at " << distance;
    }

    // Neither a body behind the eye nor its trail's chunk of points 6 pixels past the window's edge (a
    // 2-pixel point there cannot reach it) or 900 beyond the far plane is sent; 6 pixels inside, it is.
    glLoadIdentity();
    SpaceObject body(1, 0, 1.0f, 2.0f, zeroVector, zeroVector, 0.0f, 0.0f);
    const float halfWidth = 1000.0f * std::tan(3.14159265f / 6.0f) * width / height;
    for (float x : {1.0f - 12.0f / width, 1.0f + 12.0f / width, 0.0f})
    {
        body.clearHistory();
        body.position() =
            Vector3(halfWidth * x, 0.0f, x > 0.0f ? -1000.0f : -sim.maxCameraDistance() - 900.0f);
        for (std::size_t i = 0; i < Trail::chunkSize; ++i)
            body.addHistoryPoint();
        body.position() = Vector3(0, 0, 1000);
        const GLuint64 sent = work(GL_VERTICES_SUBMITTED_ARB, [&] { body.draw(true, true); });
        EXPECT_EQ(sent, x < 1.0f && x > 0.0f ? Trail::chunkSize : 0u) << "sent from " << x << " across";
    }
}
