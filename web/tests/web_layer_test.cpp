// The browser layer's own state and arithmetic: the attribute stack, the BGR swap, wide lines and the
// facets of small spheres.
#include "web/core/gl_state.h"
#include "web/core/sphere.h"
#include "web/core/wide_line.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>

namespace
{
using web::GroupStack;
using web::ServerState;

void setColor(ServerState& s, float r, float g, float b)
{
    s.color[0] = r;
    s.color[1] = g;
    s.color[2] = b;
}
} // namespace

TEST(AttributeStack, EachPopRestoresExactlyTheGroupsItsPushSaved)
{
    ServerState state;
    GroupStack stack;
    state.texture2D = true;
    state.boundTexture2D = 7;

    // As the arrow does: separate pushes, each group changed under them, popped in reverse.
    stack.push(web::gl::CurrentBit | web::gl::LineBit, state);
    stack.push(web::gl::LightingBit | web::gl::TextureBit, state);
    setColor(state, 1.0f, 0.0f, 0.0f);
    state.lineWidth = 2.0f;
    state.pointSize = 2.0f; // not saved by either push
    state.lighting = true;
    state.texture2D = false;
    state.boundTexture2D = 0;

    ASSERT_TRUE(stack.pop(state));
    EXPECT_FALSE(state.lighting);
    EXPECT_TRUE(state.texture2D);
    EXPECT_EQ(state.boundTexture2D, 7u);
    EXPECT_EQ(state.color[1], 0.0f) << "the colour waits for its own pop";
    EXPECT_EQ(state.lineWidth, 2.0f);

    ASSERT_TRUE(stack.pop(state));
    EXPECT_EQ(state.color[0], 1.0f);
    EXPECT_EQ(state.color[1], 1.0f);
    EXPECT_EQ(state.lineWidth, 1.0f);
    EXPECT_EQ(state.pointSize, 2.0f) << "a group nobody pushed keeps its change";

    // An underflow changes nothing, as in GL.
    const ServerState before = state;
    EXPECT_FALSE(stack.pop(state));
    EXPECT_EQ(state.pointSize, before.pointSize);
    EXPECT_EQ(stack.depth(), 0u);
}

TEST(TextureUpload, BgrRowsBecomeRgbAndKeepTheirPadding)
{
    // 3 pixels a row: 9 bytes, padded to 12 at the default alignment of 4.
    const std::uint8_t bgr[] = {1,  2,  3,  4,  5,  6,  7,  8,  9, 0xAA, 0xBB, 0xCC, // row 0 and its padding
                                10, 11, 12, 13, 14, 15, 16, 17, 18}; // row 1, no padding after
    const std::vector<std::uint8_t> rgb = web::bgrToRgb(bgr, 3, 2, 4);
    const std::vector<std::uint8_t> expected = {3,    2,  1,  6,  5,  4,  9,  8,  7,  0xAA, 0xBB,
                                                0xCC, 12, 11, 10, 15, 14, 13, 18, 17, 16};
    EXPECT_EQ(rgb, expected);
    // Byte-aligned rows have no padding: the second row starts right after the first.
    const std::vector<std::uint8_t> tight = web::bgrToRgb(bgr, 2, 1, 1);
    EXPECT_EQ(tight, (std::vector<std::uint8_t>{3, 2, 1, 6, 5, 4}));
    EXPECT_TRUE(web::bgrToRgb(nullptr, 4, 4, 4).empty()) << "no pixels: GL allocates an empty image";
    // Opaque RGBA, as the bands of a large texture go: the padding left behind.
    EXPECT_EQ(web::bgrToRgba(bgr, 3, 2, 4), (std::vector<std::uint8_t>{3,  2,  1,  255, 6,  5,  4,  255, 9,  8,  7,  255,
                                                                        12, 11, 10, 255, 15, 14, 13, 255, 18, 17, 16, 255}));
}

TEST(WideLine, QuadIsTheLineWidthAcrossInPixelsAndClippedAtTheNearPlane)
{
    // A horizontal line at w = 2 across a 640 x 480 viewport: one pixel is 2 / 240 in y per unit w.
    const auto quad =
        web::wideLineQuad({-1.0f, 0.0f, 0.0f, 2.0f}, {1.0f, 0.0f, 0.0f, 2.0f}, 2.0f, 640.0f, 480.0f);
    ASSERT_TRUE(quad.has_value());
    const float halfPixel = 1.0f / 240.0f * 2.0f; // half the width (1 pixel) times w
    EXPECT_NEAR((*quad)[0][1], halfPixel, 1e-6f);
    EXPECT_NEAR((*quad)[1][1], -halfPixel, 1e-6f);
    EXPECT_NEAR((*quad)[2][1], halfPixel, 1e-6f);
    EXPECT_EQ((*quad)[0][0], -1.0f);
    EXPECT_EQ((*quad)[3][0], 1.0f);

    // From behind the eye to in front of it: the hidden end moves onto the near plane (z = -w).
    const auto cut =
        web::wideLineQuad({0.0f, 0.0f, -3.0f, 1.0f}, {0.0f, 1.0f, 1.0f, 1.0f}, 2.0f, 640.0f, 480.0f);
    ASSERT_TRUE(cut.has_value());
    EXPECT_NEAR((*cut)[0][2] + (*cut)[0][3], 0.0f, 1e-6f);
    EXPECT_NEAR((*cut)[0][1], 0.5f, 1e-6f);

    EXPECT_FALSE(web::wideLineQuad({0, 0, -3, 1}, {1, 0, -2, 1}, 2.0f, 640.0f, 480.0f)) << "wholly behind";
    EXPECT_FALSE(web::wideLineQuad({0.5f, 0.5f, 0, 1}, {1, 1, 0, 2}, 2.0f, 640.0f, 480.0f))
        << "a point on screen";
}

namespace
{
// gluPerspective(60, 4 / 3, 5, 25000), column by column.
std::array<float, 16> perspective()
{
    const float f = 1.0f / std::tan(3.14159265f / 6.0f);
    const float n = 5.0f, far = 25000.0f;
    return {f * 0.75f, 0, 0, 0, 0, f, 0, 0, 0, 0, (far + n) / (n - far), -1, 0, 0, 2.0f * far * n / (n - far), 0};
}

// A model-view that moves the sphere's centre to (x, y, z) in eye space, scaling x by sx.
std::array<float, 16> placed(float x, float y, float z, float sx)
{
    return {sx, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
}
} // namespace

TEST(SphereFacets, FewerOnlyWhereTheOutlineMovesLessThanATenthOfAPixel)
{
    const std::array<float, 16> projection = perspective();
    // Radius 15 at depth 200 in a 640 x 480 window: 31 pixels (415.7 pixels at depth 1), twice that
    // to allow for the stretch towards the window's edges.
    const double sun = mesh::radiusInPixels(placed(0, 0, -200, 1).data(), projection.data(), 640, 480, 15.0);
    EXPECT_NEAR(sun, 2.0 * 15.0 * 415.69 / 185.0, 0.1);
    EXPECT_EQ(web::slicesFor(sun, 50), 50);
    const double moon = mesh::radiusInPixels(placed(0, 0, -300, 1).data(), projection.data(), 640, 480, 1.0);
    EXPECT_EQ(web::slicesFor(moon, 50), 12);
    EXPECT_EQ(web::slicesFor(moon, 10), 10) << "never more than asked for";
    EXPECT_EQ(web::slicesFor(0.01, 50), 8);
    // Unknown sizes keep every slice: the sphere round the eye, one behind it, a scaled model-view and
    // a projection that is not a perspective one.
    EXPECT_EQ(mesh::radiusInPixels(placed(0, 0, 0, 1).data(), projection.data(), 640, 480, 25000.0), 0.0);
    EXPECT_EQ(mesh::radiusInPixels(placed(0, 0, 50, 1).data(), projection.data(), 640, 480, 1.0), 0.0);
    EXPECT_EQ(mesh::radiusInPixels(placed(0, 0, -300, 3).data(), projection.data(), 640, 480, 1.0), 0.0);
    const std::array<float, 16> identity = placed(0, 0, 0, 1);
    EXPECT_EQ(mesh::radiusInPixels(placed(0, 0, -300, 1).data(), identity.data(), 640, 480, 1.0), 0.0);
    EXPECT_EQ(web::slicesFor(0.0, 50), 50);
    EXPECT_EQ(web::slicesFor(std::nan(""), 50), 50);
}
