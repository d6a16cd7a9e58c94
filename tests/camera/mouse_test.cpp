// The trackball mapping and what presses, drags and the wheel do to the camera.
#include "camera/trackball.h"
#include "camera_fixture.h"

#include <cmath>
#include <limits>

namespace
{
const Bounds2D window{0.0f, 640.0f, 0.0f, 480.0f};
} // namespace

TEST(CameraTrackball, WindowMapsOntoTheUnitSquareAndTheFrontOfTheSphere)
{
    const Point2D p = mapToBounds(160, 120, window, unitBounds);
    EXPECT_EQ(p.x(), -0.5f);
    EXPECT_EQ(p.y(), -0.5f);

    const Vector4 centre = projectToSphere(imageClick(window, 320, 240));
    EXPECT_EQ(centre.x(), 0.0f);
    EXPECT_EQ(centre.y(), 0.0f);
    EXPECT_EQ(centre.z(), 1.0f);
    EXPECT_EQ(centre.w(), 0.0f);

    const Vector4 inside = projectToSphere(Vector4(0.6f, 0.0f, 0.0f, 0.0f));
    EXPECT_FLOAT_EQ(inside.z(), 0.8f);

    for (const auto& corner : {std::pair{0, 0}, {640, 0}, {0, 480}, {639, 479}})
    {
        const Vector4 c = imageClick(window, corner.first, corner.second);
        EXPECT_EQ(std::fabs(c.x()) + std::fabs(c.y()) > 1.9f, true);
        const Vector4 rim = projectToSphere(c);
        EXPECT_NEAR(std::hypot(rim.x(), rim.y()), 1.0, 1e-6);
        EXPECT_GE(rim.z(), 0.0f);
        EXPECT_LT(rim.z(), 1e-3f);
    }
    EXPECT_EQ(imageClick(window, 0, 0).y(), 1.0f); // GLUT's top edge is the square's top

    // Far beyond a tall window the flipped position exceeds int: still above the top, not wrapped below.
    const Bounds2D tall{0.0f, 1.0f, 0.0f, 100000.0f};
    EXPECT_GT(imageClick(tall, 0, std::numeric_limits<int>::min()).y(), 40000.0f);
    EXPECT_LT(imageClick(tall, 0, std::numeric_limits<int>::max()).y(), -40000.0f);
}

using CameraMouse = CameraFixture;

TEST_F(CameraMouse, DragsTurnTheCameraIncrementally)
{
    add(1.0f);
    handleMouseButton(scene, window, MouseLeftButton, MouseDown, 320, 240);
    EXPECT_TRUE(handleMouseMotion(scene, window, 330, 240));
    const double step = std::atan(0.03125) * 57.2957763671875;
    EXPECT_NEAR(camera().yaw(), 45.0 - step, 1e-4); // right lowers yaw
    EXPECT_EQ(camera().pitch(), 45.0f);
    handleMouseMotion(scene, window, 320, 240);
    EXPECT_NEAR(camera().yaw(), 45.0, 1e-4); // measured from the last event, not from the press
    handleMouseMotion(scene, window, 320, 230);
    EXPECT_LT(camera().pitch(), 45.0f); // up lowers pitch
    handleMouseButton(scene, window, MouseLeftButton, MouseUp, 320, 230);

    for (int sweep = 0; sweep < 10; ++sweep)
    {
        handleMouseButton(scene, window, MouseLeftButton, MouseDown, 320, 470);
        handleMouseButton(scene, window, MouseLeftButton, MouseUp, 320, 470); // no motion, no turn
        handleMouseButton(scene, window, MouseLeftButton, MouseDown, 0, 470);
        for (int x = 0; x <= 640; x += 16)
            handleMouseMotion(scene, window, x, 470 - 11 * x / 16);
        handleMouseButton(scene, window, MouseLeftButton, MouseUp, 640, 30);
    }
    EXPECT_EQ(camera().pitch(), -89.0f);
    EXPECT_LT(camera().yaw(), -720.0f); // never wrapped
}

TEST_F(CameraMouse, OnlyALeftDragInFreeModeTurns)
{
    add(1.0f);
    for (int mode = LookAtVelocity; mode <= LookAtAntiAcceleration; ++mode)
    {
        scene.lookAtMode() = mode;
        handleMouseButton(scene, window, MouseLeftButton, MouseDown, 480, 240);
        EXPECT_EQ(lastDragPoint.x(), 0.5f); // the press is recorded whatever the mode
        EXPECT_FALSE(handleMouseMotion(scene, window, 100, 50));
        handleMouseButton(scene, window, MouseLeftButton, MouseUp, 100, 50);
    }
    scene.lookAtMode() = LookAtFree;
    handleMouseButton(scene, window, 1, MouseDown, 100, 50); // middle button
    EXPECT_FALSE(handleMouseMotion(scene, window, 400, 300));
    handleMouseButton(scene, window, 2, MouseDown, 400, 300);
    EXPECT_EQ(camera().yaw(), 45.0f);
    EXPECT_EQ(camera().pitch(), 45.0f);
    EXPECT_EQ(camera().distance(), 200.0f);
}

TEST_F(CameraMouse, WheelZoomsOnPressAndRelease)
{
    add(1.0f);
    handleMouseButton(scene, window, MouseWheelForward, MouseDown, 0, 0);
    handleMouseButton(scene, window, MouseWheelForward, MouseUp, 0, 0);
    EXPECT_EQ(camera().distance(), 162.0f);
    handleMouseButton(scene, window, MouseWheelBackward, MouseDown, 0, 0);
    EXPECT_NEAR(camera().distance(), 178.2f, 1e-4f);
}

TEST_F(CameraMouse, AWindowWithoutAreaMovesNothing)
{
    add(1.0f);
    for (const Bounds2D& empty : {Bounds2D(0.0f, 0.0f, 0.0f, 480.0f), Bounds2D(0.0f, 640.0f, 0.0f, 0.0f)})
    {
        handleMouseButton(scene, window, MouseLeftButton, MouseDown, 100, 100);
        handleMouseButton(scene, empty, MouseLeftButton, MouseDown, 10, 10);
        EXPECT_TRUE(std::isfinite(lastDragPoint.x()) && std::isfinite(lastDragPoint.z()));
        EXPECT_FALSE(handleMouseMotion(scene, empty, 300, 300));
        EXPECT_EQ(camera().yaw(), 45.0f);
        EXPECT_EQ(camera().pitch(), 45.0f);
    }
}
