// The browser layer itself (web_gl.cpp, web_glu.cpp) over the desktop's GL in checked mode: the
// program's own drawing, compiled as for the browser, calls nothing the layer does not serve, and a
// call beyond the layer is reported by name.
#define VELMIR_WEB_LAYER
#include "capture_cout.h"
#include "gl_context.h"
#include "render/scene.h"
#include "render/shared_resources.h"
#include "sim/simulation.h"
#include "web/core/coverage.h"
#include "web/include/velmir_web_gl.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// The browser's GLUT part (web_glut.cpp) is built only for the browser; the scene needs its swap.
extern "C" void velmirSwapBuffers(void)
{
    glutSwapBuffers();
}

namespace
{
class CheckedLayerTest : public GlContextTest
{
  protected:
    void SetUp() override
    {
        web::setGapHandler([this](const std::string& call, const std::string& detail) {
            gaps.push_back(call);
            reports += call + ": " + detail + "\n";
        });
    }
    void TearDown() override
    {
        web::setGapHandler(nullptr);
    }
    // The program's start-up with its real textures.
    static void startTheProgram()
    {
        std::filesystem::current_path(VELMIR_RUN_DIR);
        initGL();
        installRenderHooks();
        reshape(width, height);
        simulation.loadSky();
        createInitialSystem();
    }
    std::vector<std::string> gaps; // the calls reported
    std::string reports;           // and what each report said
};
} // namespace

TEST_F(CheckedLayerTest, TheProgramsSceneReachesNoGap)
{
    // The program's start-up, then trails, arrows and the sky in three frames.
    const CaptureCout stepLog;
    startTheProgram();
    for (int frame = 0; frame < 3; ++frame)
    {
        for (int i = 0; i < 25; ++i)
            simulation.step(0.01f);
        display();
    }
    EXPECT_EQ(reports, "") << "the browser would draw these calls differently from the desktop";
}

TEST_F(CheckedLayerTest, CallsBeyondTheLayerAreReportedByName)
{
    // Within the layer: kept groups, tracked and passed capabilities, wide separate lines.
    velmirPushAttrib(GL_CURRENT_BIT | GL_LINE_BIT | GL_TEXTURE_BIT);
    velmirEnable(GL_DEPTH_TEST);
    velmirDisable(GL_LIGHTING);
    velmirLineWidth(3.0f);
    velmirBegin(GL_LINES);
    velmirVertex3f(0.0f, 0.0f, 0.0f);
    velmirVertex3f(0.5f, 0.5f, 0.0f);
    velmirEnd();
    EXPECT_EQ(gaps, std::vector<std::string>{});

    // Beyond it: a group it does not keep, a wide strip, a capability it does not track.
    velmirPushAttrib(GL_ENABLE_BIT);
    velmirBegin(GL_LINE_STRIP);
    velmirVertex3f(0.0f, 0.0f, 0.0f);
    velmirVertex3f(0.5f, 0.5f, 0.0f);
    velmirEnd();
    velmirEnable(GL_FOG);
    velmirDisable(GL_FOG);
    velmirPopAttrib();
    velmirPopAttrib();
    EXPECT_EQ(gaps, (std::vector<std::string>{"glPushAttrib", "glBegin", "glEnable", "glDisable"}));

    // Without checked mode (the page): one warning per call, naming it.
    web::setGapHandler(nullptr);
    testing::internal::CaptureStderr();
    web::reportGap("glPolygonMode", "mode 0x00001B01 is drawn filled");
    web::reportGap("glPolygonMode", "mode 0x00001B01 is drawn filled");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "velmir web layer: glPolygonMode: mode 0x00001B01 is drawn filled; the browser draws this "
              "differently from the desktop\n");
}

TEST_F(CheckedLayerTest, WarmingTheShadersLeavesPictureAndStateAsTheyWere)
{
    // Before its first frame the page makes the emulation's shaders by draws that must write nothing
    // and leave the state the frame expects: the frame after them is the frame without them.
    const CaptureCout stepLog;
    startTheProgram();
    const auto pixels = [] {
        std::vector<unsigned char> out(std::size_t{width} * height * 4);
        glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
        return out;
    };
    const auto frame = [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        simulation.drawScene();
        return pixels();
    };
    struct Writes
    {
        GLboolean color[4];
        GLboolean depth;
        GLint textureEnvironment;
        bool operator==(const Writes& o) const
        {
            return std::equal(color, color + 4, o.color) && depth == o.depth &&
                   textureEnvironment == o.textureEnvironment;
        }
    };
    const auto writes = [] {
        Writes w{};
        glGetBooleanv(GL_COLOR_WRITEMASK, w.color);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &w.depth);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &w.textureEnvironment);
        return w;
    };

    const std::vector<unsigned char> unwarmed = frame();
    const GlState state = GlState::capture();
    const Writes written = writes();
    int variants = 0;
    while (velmirWarmShader(variants))
        ++variants;
    EXPECT_GT(variants, 0);
    EXPECT_TRUE(pixels() == unwarmed) << "a warm draw wrote pixels";
    EXPECT_EQ(GlState::capture(), state);
    EXPECT_TRUE(writes() == written) << "the write masks or the texture environment changed";
    EXPECT_TRUE(frame() == unwarmed) << "the frame after the warm draws differs";
    EXPECT_EQ(reports, "");
}

TEST_F(CheckedLayerTest, ALargeTextureBeforeTheFirstFrameReachesGlByBandsOrWholeWhenBound)
{
    // 1024 x 1400 BGR pixels, 4.1 MB: more than a band, so held back until the first frame nears.
    constexpr GLsizei w = 1024, h = 1400;
    std::vector<unsigned char> first(std::size_t{w} * h * 3), second(first.size());
    for (std::size_t i = 0; i < first.size(); ++i)
    {
        first[i] = static_cast<unsigned char>(i * 7 + i / 3072);
        second[i] = static_cast<unsigned char>(255 - first[i]);
    }
    const auto inGl = [&] {
        std::vector<unsigned char> out(first.size());
        glGetTexImage(GL_TEXTURE_2D, 0, GL_BGR, GL_UNSIGNED_BYTE, out.data());
        return out;
    };
    GLuint texture = 0;
    glGenTextures(1, &texture);
    velmirDeferUploads();
    velmirBindTexture(GL_TEXTURE_2D, texture);

    velmirTexImage2D(GL_TEXTURE_2D, 0, 3, w, h, 0, GL_BGR, GL_UNSIGNED_BYTE, first.data());
    GLint sent = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &sent);
    EXPECT_EQ(sent, 0) << "nothing reaches GL in the program's own call";
    int steps = 0;
    while (velmirSendDeferredBand())
        ++steps;
    EXPECT_EQ(steps, 3); // made, then two bands
    EXPECT_TRUE(inGl() == first);

    // New pixels before the old were all sent take their place; bound to draw with, all go at once.
    velmirTexImage2D(GL_TEXTURE_2D, 0, 3, w, h, 0, GL_BGR, GL_UNSIGNED_BYTE, first.data());
    EXPECT_TRUE(velmirSendDeferredBand());
    velmirTexImage2D(GL_TEXTURE_2D, 0, 3, w, h, 0, GL_BGR, GL_UNSIGNED_BYTE, second.data());
    velmirBindTexture(GL_TEXTURE_2D, 0);
    velmirBindTexture(GL_TEXTURE_2D, texture);
    EXPECT_FALSE(velmirSendDeferredBand());
    EXPECT_TRUE(inGl() == second);

    // From the first frame on, an upload goes at once.
    velmirStopDeferringUploads();
    velmirTexImage2D(GL_TEXTURE_2D, 0, 3, w, h, 0, GL_BGR, GL_UNSIGNED_BYTE, first.data());
    EXPECT_FALSE(velmirSendDeferredBand());
    EXPECT_TRUE(inGl() == first);
    velmirBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &texture);
    EXPECT_EQ(reports, "");
}
