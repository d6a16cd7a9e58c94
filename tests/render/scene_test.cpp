// Whole frames in a real GL context: the projection, state hygiene of display, and what the
// pictures show (sun, sky, trails, arrows, the switches, a missing sky).
#include "capture_cout.h"
#include "render/scene.h"
#include "render_test_support.h"
#include "sim/simulation.h"
#include "window/bounds2d.h"

#include <GL/glu.h>
#include <cmath>

namespace
{
constexpr Rgb sunColour{255, 128, 0};
constexpr Rgb planetColour{128, 0, 128};
constexpr Rgb skyColour{0, 0, 96};
constexpr Rgb white{255, 255, 255};
constexpr Rgb yellow{255, 255, 0};
constexpr Rgb red{255, 0, 0};
constexpr Rgb green{0, 255, 0};

class SceneTest : public RenderTest
{
  protected:
    // Solid body textures (the sun's differs from the rest) and, if wanted, a solid sky.
    static void writeTextures(bool withSky)
    {
        for (int i = 0; i < textureCount; ++i)
            writeSolidBmp(textureFileNames[i], i == 0 ? sunColour : planetColour);
        if (withSky)
            writeSolidBmp("skybox.bmp", skyColour);
    }

    static Frame drawFrame(Simulation& sim)
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        sim.drawScene();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        return Frame::grab();
    }

    static std::vector<GLdouble> projection()
    {
        std::vector<GLdouble> m(16);
        glGetDoublev(GL_PROJECTION_MATRIX, m.data());
        return m;
    }

    // gluPerspective's matrix, made on the modelview stack so the projection stays untouched.
    static std::vector<GLdouble> perspective(double aspect)
    {
        std::vector<GLdouble> m(16);
        glPushMatrix();
        glLoadIdentity();
        gluPerspective(60.0, aspect, 5.0, 25000.0);
        glGetDoublev(GL_MODELVIEW_MATRIX, m.data());
        glPopMatrix();
        return m;
    }
};
} // namespace

TEST_F(SceneTest, ReshapeSetsBoundsViewportAndPerspective)
{
    reshape(800, 600);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
    EXPECT_EQ(windowBounds.width(), 800.0f);
    EXPECT_EQ(windowBounds.height(), 600.0f);
    EXPECT_EQ(projection(), perspective(1.3333334f));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    // A side of 0 (a minimised window) still gives a finite projection.
    for (const auto& size : {std::pair{640, 0}, std::pair{0, 480}, std::pair{0, 0}})
    {
        reshape(size.first, size.second);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        EXPECT_EQ(projection(), perspective(1.0));
    }
}

TEST_F(SceneTest, DisplayLeavesGlStateAsFound)
{
    const TempDirectory dir(TempDirectory::AsWorkingDirectory); // no texture files at all
    CaptureCout quiet;
    simulation.loadSky();
    createInitialSystem(simulation);
    for (int i = 0; i < 41; ++i)
        simulation.step(0.01f); // histories and accelerations to draw
    for (int round = 0; round < 2; ++round)
    {
        const GlState before = GlState::capture();
        display();
        EXPECT_EQ(GlState::capture(), before);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        simulation.toggleHistories().toggleMotionVectors();
    }
    simulation.destroyAllObjects();
}

TEST_F(SceneTest, InitialSystemShowsTheSunAtTheCentreInsideTheSky)
{
    const TempDirectory dir(TempDirectory::AsWorkingDirectory);
    writeTextures(true);
    CaptureCout quiet;
    Simulation sim;
    sim.loadSky();
    createInitialSystem(sim);

    const Frame f = drawFrame(sim);
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            EXPECT_TRUE(f.near(width / 2 + dx, height / 2 + dy, sunColour))
                << f.at(width / 2 + dx, height / 2 + dy);
    for (const auto& corner : {std::pair{0, 0}, std::pair{width - 1, 0}, std::pair{0, height - 1},
                               std::pair{width - 1, height - 1}})
        EXPECT_TRUE(f.near(corner.first, corner.second, skyColour)) << f.at(corner.first, corner.second);
    // A sphere of radius 15 seen from 200 away covers about pi * 31^2 pixels.
    EXPECT_NEAR(f.count(sunColour), 3077, 300);
}

TEST_F(SceneTest, TrailsAndArrowsInTheirColoursAndOnlySkyAndSpheresWhenSwitchedOff)
{
    const TempDirectory dir(TempDirectory::AsWorkingDirectory);
    writeTextures(true);
    CaptureCout quiet;
    Simulation sim;
    sim.loadSky();
    sim.addObject(new SpaceObject(0, 0, 1000.0f, 5.0f, {0, 0, 0}, {0, 0, 0}, 0.0f, 0.0f));
    sim.addObject(new SpaceObject(1, 5, 1.0f, 2.0f, {40, 0, 0}, {0, 0, 30}, 0.0f, 0.0f));   // yellow trail
    sim.addObject(new SpaceObject(2, 8, 1.0f, 2.0f, {-40, 0, 0}, {0, 0, -30}, 0.0f, 0.0f)); // white trail
    for (int i = 0; i < 41; ++i)
        sim.step(0.05f); // three history samples each, 30 units apart

    const Frame on = drawFrame(sim);
    EXPECT_GE(on.count(yellow, 0), 8); // at least two 2 x 2 points
    EXPECT_GE(on.count(white, 0), 8);
    EXPECT_GE(on.count(red, 0), 20);
    EXPECT_GE(on.count(green, 0), 20);

    sim.toggleHistories().toggleMotionVectors();
    const Frame off = drawFrame(sim);
    const int sky = off.count(skyColour);
    const int sun = off.count(sunColour);
    const int planets = off.count(planetColour);
    EXPECT_GT(sun, 0);
    EXPECT_GT(planets, 0);
    EXPECT_EQ(sky + sun + planets, width * height);
}

TEST_F(SceneTest, MissingSkyTextureGivesAWhiteBackground)
{
    const TempDirectory dir(TempDirectory::AsWorkingDirectory);
    writeTextures(false);
    Simulation sim;
    {
        CaptureCout out;
        sim.loadSky();
        EXPECT_EQ(out.text(), "Failed to open skybox.bmp for reading!\n");
    }
    CaptureCout quiet;
    createInitialSystem(sim);
    const Frame f = drawFrame(sim);
    EXPECT_TRUE(f.near(0, 0, white)) << f.at(0, 0);
    EXPECT_TRUE(f.near(width - 1, height - 1, white)) << f.at(width - 1, height - 1);
    EXPECT_TRUE(f.near(width / 2, height / 2, sunColour)) << f.at(width / 2, height / 2);
}

TEST_F(SceneTest, SkyTurnsWithThePitchAndIgnoresTheTargetsPosition)
{
    // Upper half of the sky teal, lower half brown: the horizon shows where the sky's equator is.
    constexpr Rgb teal{0, 128, 128};
    constexpr Rgb brown{128, 64, 0};
    const TempDirectory dir(TempDirectory::AsWorkingDirectory);
    writeTextures(false);
    writeBmp("skybox.bmp", 4, 64, [&](int, int y) { return y >= 32 ? teal : brown; });
    CaptureCout quiet;
    Simulation sim;
    sim.loadSky();
    sim.addObject(new SpaceObject(0, 0, 1.0f, 1.0f, {0, 0, 0}, {0, 0, 0}, 0.0f, 0.0f));
    sim.camera().pitch() = 15.0f; // looking 15 degrees down: the horizon rises above the centre
    sim.camera().yaw() = 30.0f;

    const int horizon =
        height / 2 + static_cast<int>(std::lround(std::tan(15.0 * M_PI / 180.0) /
                                                  std::tan(30.0 * M_PI / 180.0) * height / 2));
    const Frame before = drawFrame(sim);
    EXPECT_TRUE(before.near(10, horizon + 20, teal)) << before.at(10, horizon + 20);
    EXPECT_TRUE(before.near(10, horizon - 20, brown)) << before.at(10, horizon - 20);

    sim.object(0).position() = Vector3(1000, 300, -50);
    const Frame after = drawFrame(sim);
    for (int y = 0; y < height; y += 7)
        for (int x : {5, width - 5})
            ASSERT_TRUE(after.near(x, y, before.at(x, y), 0)) << x << ',' << y;
}
