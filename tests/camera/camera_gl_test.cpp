// The viewing transform in a real GL context, read back from the modelview matrix.
#include "camera/camera.h"
#include "gl_context.h"

#include <GL/gl.h>
#include <cmath>

namespace
{
struct Modelview
{
    double m[16]; // column-major

    explicit Modelview(const Camera& camera)
    {
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        camera.applyTransform();
        glGetDoublev(GL_MODELVIEW_MATRIX, m);
    }
    // The world point that lands on the eye's origin: -R^T t.
    double eye(int axis) const
    {
        return -(m[4 * axis] * m[12] + m[4 * axis + 1] * m[13] + m[4 * axis + 2] * m[14]);
    }
    // Eye coordinates of a world point.
    double eyeCoordinate(int row, double x, double y, double z) const
    {
        return m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row];
    }
};
} // namespace

using CameraTransformGl = GlContextTest;

TEST_F(CameraTransformGl, OrbitEyeCirclesTheCentreWithYUp)
{
    const Vector3 center(3.0f, -2.0f, 7.0f);
    for (const float pitch : {-60.0f, 0.0f, 45.0f, 89.0f})
        for (const float yaw : {-30.0f, 0.0f, 45.0f, 90.0f, 200.0f})
        {
            const Camera camera(center, pitch, yaw, 25.0f, Camera::OrbitMode);
            const Modelview mv(camera);
            const double p = pitch * M_PI / 180.0, y = yaw * M_PI / 180.0;
            EXPECT_NEAR(mv.eye(0), 3.0 + 25.0 * std::sin(y) * std::cos(p), 1e-4) << pitch << ' ' << yaw;
            EXPECT_NEAR(mv.eye(1), -2.0 + 25.0 * std::sin(p), 1e-4) << pitch << ' ' << yaw;
            EXPECT_NEAR(mv.eye(2), 7.0 + 25.0 * std::cos(y) * std::cos(p), 1e-4) << pitch << ' ' << yaw;
            // The centre lies straight ahead, and a point above it shows above it on screen.
            EXPECT_NEAR(mv.eyeCoordinate(2, 3.0, -2.0, 7.0), -25.0, 1e-4);
            EXPECT_GT(mv.eyeCoordinate(1, 3.0, 8.0, 7.0), 0.0);
        }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(CameraTransformGl, FreeEyeStandsAtTheCentreFacingLikeTheOrbitEye)
{
    const Camera camera(Vector3(1.0f, 2.0f, 3.0f), 30.0f, 60.0f, 25.0f, Camera::FreeMode);
    const Modelview mv(camera);
    EXPECT_NEAR(mv.eye(0), 1.0, 1e-5);
    EXPECT_NEAR(mv.eye(1), 2.0, 1e-5);
    EXPECT_NEAR(mv.eye(2), 3.0, 1e-5);
    const double p = M_PI / 6.0, y = M_PI / 3.0;
    const double ahead[] = {1.0 - std::sin(y) * std::cos(p), 2.0 - std::sin(p),
                            3.0 - std::cos(y) * std::cos(p)};
    EXPECT_NEAR(mv.eyeCoordinate(2, ahead[0], ahead[1], ahead[2]), -1.0, 1e-5);
}
