// The view volume's box test: what lies wholly outside any of its six planes is excluded, what reaches
// inside (or cannot be judged) never is.
#include "render/view_volume.h"
#include "render_test_support.h"

#include <GL/glu.h>
#include <cmath>
#include <limits>

namespace
{
class ViewVolumeTest : public RenderTest
{
  protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        glViewport(0, 0, width, height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60.0, double(width) / height, nearPlane, farPlane);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    static constexpr float nearPlane = 5.0f;
    static constexpr float farPlane = 25000.0f;
};

// A cube of half-side `half` around the point at depth `depth` in front of the eye, offset sideways by
// `across` and `up` times the half width and half height of the view at that depth.
Box cubeAt(float depth, float across, float up, float half = 0.5f)
{
    const float halfHeight = depth * std::tan(3.14159265f / 6.0f);
    const float halfWidth = halfHeight * 640.0f / 480.0f;
    const Vector3 c(across * halfWidth, up * halfHeight, -depth);
    return Box{Vector3(c.x() - half, c.y() - half, c.z() - half),
               Vector3(c.x() + half, c.y() + half, c.z() + half)};
}
} // namespace

TEST_F(ViewVolumeTest, ExcludesOnlyBoxesWhollyOutsideOneOfTheSixPlanes)
{
    const ViewVolume volume = ViewVolume::current();
    // Inside, straddling the near plane, straddling the far plane, wider than the whole view.
    EXPECT_FALSE(volume.excludes(cubeAt(100.0f, 0.0f, 0.0f)));
    EXPECT_FALSE(volume.excludes(cubeAt(nearPlane, 0.0f, 0.0f)));
    EXPECT_FALSE(volume.excludes(cubeAt(farPlane, 0.0f, 0.0f)));
    EXPECT_FALSE(volume.excludes(Box{Vector3(-1e5f, -1e5f, -1e5f), Vector3(1e5f, 1e5f, 1e5f)}));
    // Before the near plane, behind the eye, beyond the far plane.
    EXPECT_TRUE(volume.excludes(cubeAt(nearPlane - 1.0f, 0.0f, 0.0f)));
    EXPECT_TRUE(volume.excludes(cubeAt(-50.0f, 0.0f, 0.0f)));
    EXPECT_TRUE(volume.excludes(cubeAt(farPlane * 1.05f, 0.0f, 0.0f)));
    // Each side: a box a little inside the edge stays, one wholly past it (beyond the few pixels' margin
    // a 2-pixel point needs) goes.
    const float sides[4][2] = {{1.0f, 0.0f}, {-1.0f, 0.0f}, {0.0f, 1.0f}, {0.0f, -1.0f}};
    for (const auto& side : sides)
    {
        EXPECT_FALSE(volume.excludes(cubeAt(1000.0f, 0.99f * side[0], 0.99f * side[1])));
        EXPECT_FALSE(volume.excludes(cubeAt(1000.0f, 1.005f * side[0], 1.005f * side[1])));
        EXPECT_TRUE(volume.excludes(cubeAt(1000.0f, 1.05f * side[0], 1.05f * side[1])));
    }
    // A box that cannot be judged is drawn.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(volume.excludes(Box{Vector3(nan, 0.0f, 50.0f), Vector3(nan, 1.0f, 51.0f)}));
}

TEST_F(ViewVolumeTest, ExcludesNothingWithoutAViewportOrAFiniteMatrix)
{
    const Box behind = cubeAt(-50.0f, 0.0f, 0.0f);
    EXPECT_FALSE(ViewVolume().excludes(behind));
    glViewport(0, 0, 0, 0);
    EXPECT_FALSE(ViewVolume::current().excludes(behind));
    glViewport(0, 0, width, height);
    glScalef(std::numeric_limits<float>::infinity(), 1.0f, 1.0f);
    EXPECT_FALSE(ViewVolume::current().excludes(behind));
    glLoadIdentity();
    EXPECT_TRUE(ViewVolume::current().excludes(behind));
}
