// Which parts of a sphere cannot show, told without GL: the quads hidden behind its near side, and the
// triangles that cover no pixel centre. That the pictures stay GL's own is checked in GL (draw paths).
#include "render/sphere_geometry.h"

#include <cmath>
#include <gtest/gtest.h>

namespace
{
constexpr double pi = 3.14159265358979323846;

// The program's projection: 60 degrees, 640 x 480, near 5, far 25000; column by column.
struct View
{
    float modelview[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float projection[16] = {};
    int viewport[4] = {0, 0, 640, 480};
    int depthBits = 24;

    explicit View(float distance)
    {
        const double f = 1.0 / std::tan(pi / 6.0), n = 5.0, far = 25000.0;
        projection[0] = float(f / (640.0 / 480.0));
        projection[5] = float(f);
        projection[10] = float((far + n) / (n - far));
        projection[11] = -1.0f;
        projection[14] = float(2.0 * far * n / (n - far));
        modelview[14] = -distance;
    }
    mesh::Sight sight() const
    {
        return {modelview, projection, viewport, depthBits};
    }
};

std::size_t hiddenCount(const View& view, double radius, std::vector<unsigned char>& hidden)
{
    return mesh::hiddenQuads(view.sight(), radius, 50, 50, hidden);
}
} // namespace

TEST(SphereGeometry, HiddenQuadsLieOnTheFarSideAndAreMarkedOnlyWhenSure)
{
    std::vector<unsigned char> hidden;
    const View near(100.0f);
    const std::size_t count = hiddenCount(near, 10.0, hidden);
    EXPECT_GT(count, 2500u * 2 / 5) << "most of the far half";
    EXPECT_LT(count, 2500u / 2);
    for (int j = 0; j < 50; ++j)
        for (int i = 0; i < 50; ++i)
            if (hidden[j * 50 + i]) // the eye is on the sphere's +z axis, which the model-view keeps
            {
                const double across = pi * (j + 0.5) / 50;
                ASSERT_LT(std::cos(across), -0.05) << "stack " << j << " faces the eye";
            }

    View touching(14.0f); // within 5 of the eye: the near plane cuts it
    EXPECT_EQ(hiddenCount(touching, 10.0, hidden), 0u);
    View stretched(100.0f);
    stretched.modelview[0] = 2.0f;
    EXPECT_EQ(hiddenCount(stretched, 10.0, hidden), 0u);
    View orthographic(100.0f);
    orthographic.projection[11] = 0.0f;
    orthographic.projection[15] = 1.0f;
    EXPECT_EQ(hiddenCount(orthographic, 10.0, hidden), 0u);
    EXPECT_EQ(hiddenCount(View(20000.0f), 1.0, hidden), 0u) << "a hundredth of a pixel across";
    View coarseDepth(2000.0f);
    coarseDepth.depthBits = 8; // a step of the depth buffer there is deeper than the sphere
    EXPECT_EQ(hiddenCount(coarseDepth, 10.0, hidden), 0u);
    EXPECT_GT(hiddenCount(View(2000.0f), 10.0, hidden), 0u);
}

TEST(SphereGeometry, TrianglesThatCoverNoPixelCentre)
{
    // On the axis 100 ahead: window x 320.0, halfway between the centres 319.5 and 320.5, and a point
    // 0.49 pixel to its right, within the margin of the centre 320.5.
    const View view(100.0f);
    const float right = 0.49f / 320.0f * 100.0f / view.projection[0];
    const float points[] = {0, 0, 0, right, 0, 0, 0, 0, 99.0f};
    std::vector<mesh::CentreReach> reach;
    ASSERT_TRUE(mesh::windowReach(view.sight(), points, 2, 3, reach));
    EXPECT_GT(reach[0].lowColumn, reach[0].highColumn) << "no centre near x 320.0";
    EXPECT_EQ(reach[1].lowColumn, 320.0);
    EXPECT_EQ(reach[1].highColumn, 320.0);
    EXPECT_FALSE(mesh::windowReach(view.sight(), points, 3, 3, reach)) << "one within the near plane";
    const unsigned char firstTwo[] = {1, 1, 0};
    EXPECT_TRUE(mesh::windowReach(view.sight(), points, 3, 3, reach, firstTwo)) << "that one left out";
    EXPECT_EQ(reach[1].lowColumn, 320.0);

    // Columns and rows of centres near each corner (low > high: none).
    const mesh::CentreReach a{11, 10, 20, 20}, b{11, 10, 21, 21}, c{12, 11, 21, 21};
    EXPECT_TRUE(mesh::missesEveryPixelCentre(a, b, b)) << "all between columns 10 and 11";
    EXPECT_FALSE(mesh::missesEveryPixelCentre(a, b, c)) << "column 11 lies between its corners";
    const mesh::CentreReach e{5, 4, 30, 29};
    EXPECT_TRUE(mesh::missesEveryPixelCentre(e, e, e)) << "a point near no centre";
}
