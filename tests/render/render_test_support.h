// Helpers for the drawing tests: the GL set-up, BMP files, GL feedback and pixel read-back.
#pragma once

#include "gl_context.h"
#include "sim/vector.h"
#include "temp_directory.h"

#include <GL/gl.h>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

// A GL context set up as the program sets its own (initGL, installRenderHooks), with the projection of the
// test window and, before each test, ids and step numbers counting from 0 again, so a fresh simulation's keys
// are 0 .. n-1.
class RenderTest : public GlContextTest
{
  protected:
    static void SetUpTestSuite();
    void SetUp() override;
};

struct Rgb
{
    std::uint8_t r, g, b;
};
std::ostream& operator<<(std::ostream& os, Rgb c);

// Writes a 24-bit BMP with a 54-byte header; width must be a multiple of 4. pixel(x, y) gives the
// colour with y counted from the bottom row.
void writeBmp(const std::string& path, int width, int height, const std::function<Rgb(int, int)>& pixel);
void writeSolidBmp(const std::string& path, Rgb colour);
// Patterned body textures and a patterned sky (its blue channel scaled by skyShade), so that a sphere or a
// sky drawn differently shows in the pixels.
void writePatternedTextures(int skyShade = 8);

// One primitive as GL's feedback mode reports it, mapped back to world coordinates (the drawing
// runs under an identity projection and a modelview that only scales by 1/64).
struct FeedbackVertex
{
    Vector3 position;
    float color[4];
    float texCoord[4];
};
struct FeedbackPrimitive
{
    GLenum token; // GL_POINT_TOKEN, GL_LINE_TOKEN (also for resets) or GL_POLYGON_TOKEN
    std::vector<FeedbackVertex> vertices;
};
std::vector<FeedbackPrimitive> recordFeedback(const std::function<void()>& draw);
std::vector<FeedbackPrimitive> primitivesOf(const std::vector<FeedbackPrimitive>& all, GLenum token);

// The back buffer over the current viewport, read after drawing and before a swap: its colours, and with
// grabWithDepths its depths too.
class Frame
{
  public:
    static Frame grab();
    static Frame grabWithDepths();
    Rgb at(int x, int y) const;
    // Pixels within tolerance (per channel) of colour.
    int count(Rgb colour, int tolerance = 8) const;
    bool near(int x, int y, Rgb colour, int tolerance = 8) const;

    // Rows from the bottom, RGB, no padding.
    const std::vector<std::uint8_t>& bytes() const
    {
        return data_;
    }

    const std::vector<std::uint32_t>& depths() const
    {
        return depths_;
    }

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t> data_;
    std::vector<std::uint32_t> depths_;
};

// Whether two pictures of one scene differ no more than GL's culling of the bodies' back faces makes
// them: only where a back face at a sphere's outline won a near tie in depth against the front face over
// it, a pixel shows the front face's texel instead (a neighbour in the texture) at almost the same depth.
// So at most 1 pixel in 10 000 of the window may differ at all (30 at 640 x 480), in no channel by more
// than 8 levels and (where both frames hold depths) in depth by no more than 1 / 8 192 of the depth
// range. Over the draw-path tests' hundred views culling changes at most 1 pixel a view, by 1 level, or its
// depth by 1 / 22 000 of the range; a wrong texture, a sphere turned the wrong way or depths that do not
// hide what they should change thousands.
testing::AssertionResult alike(const Frame& drawn, const Frame& reference);
