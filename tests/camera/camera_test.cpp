// The camera's own operations, the zoom limits and the look-at angles.
#include "camera_fixture.h"

#include <cmath>

TEST(CameraOperations, ConstructionClampsAndOrbitOperationsTurnAndZoom)
{
    const Camera byDefault;
    EXPECT_EQ(byDefault.distance(), 10.0f);
    EXPECT_EQ(byDefault.mode(), Camera::FreeMode);
    EXPECT_EQ(Camera(zeroVector, 100.0f, 0.0f, 0.1f, Camera::OrbitMode).pitch(), 89.0f);
    EXPECT_EQ(Camera(zeroVector, -100.0f, 0.0f, 0.1f, Camera::OrbitMode).pitch(), -89.0f);
    EXPECT_EQ(Camera(zeroVector, 0.0f, 0.0f, 0.1f, Camera::OrbitMode).distance(), 0.5f);

    Camera c(zeroVector, 0.0f, 10.0f, 200.0f, Camera::OrbitMode);
    c.orbitYawIncrease(5.0f);
    c.orbitYawDecrease(20.0f);
    EXPECT_EQ(c.yaw(), -5.0f);
    c.orbitPitchIncrease(80.0f);
    c.orbitPitchIncrease(80.0f);
    EXPECT_EQ(c.pitch(), 89.0f);
    c.orbitPitchDecrease(200.0f);
    EXPECT_EQ(c.pitch(), -89.0f);
    c.zoomIn(30.0f, false);
    EXPECT_EQ(c.distance(), 170.0f);
    c.zoomOut(0.5f, true);
    EXPECT_EQ(c.distance(), 255.0f);
    c.zoomIn(1.0f, true);
    EXPECT_EQ(c.distance(), 0.5f);
}

TEST(CameraOperations, FreeModeIgnoresOrbitOperationsButStillClamps)
{
    Camera c(zeroVector, 10.0f, 20.0f, 30.0f, Camera::FreeMode);
    c.orbitYawIncrease(5.0f);
    c.orbitYawDecrease(5.0f);
    c.orbitPitchIncrease(5.0f);
    c.zoomIn(0.5f, true);
    c.zoomOut(10.0f, false);
    EXPECT_EQ(c.pitch(), 10.0f);
    EXPECT_EQ(c.yaw(), 20.0f);
    EXPECT_EQ(c.distance(), 30.0f);

    c.pitch() = 120.0f;
    c.distance() = 0.0f;
    c.orbitPitchDecrease(1.0f);
    c.zoomOut(1.0f, false);
    EXPECT_EQ(c.pitch(), 89.0f);
    EXPECT_EQ(c.distance(), 0.5f);
    c.translate(Vector3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(c.center().z(), 3.0f);
}

using CameraZoom = CameraFixture;

TEST_F(CameraZoom, StepsByTenthsBetweenTheTargetsSurfaceAndTheFarLimit)
{
    add(2.0f);
    const float in[] = {180.0f, 162.0f, 145.8f};
    for (float expected : in)
    {
        scene.zoomCamera(0.1f);
        EXPECT_EQ(camera().distance(), expected);
    }
    for (int i = 0; i < 100; ++i)
        scene.zoomCamera(0.1f);
    EXPECT_EQ(camera().distance(), 2.0f + 5.0f);

    camera().distance() = 200.0f;
    const float out[] = {220.0f, 242.0f, 266.2f};
    for (float expected : out)
    {
        scene.zoomCamera(-0.1f);
        EXPECT_EQ(camera().distance(), expected);
    }
    for (int i = 0; i < 100; ++i)
        scene.zoomCamera(-0.1f);
    EXPECT_EQ(camera().distance(), 25000.0f);
}

TEST_F(CameraZoom, TargetRadiusWinsAndIsOnlyCheckedWhenZooming)
{
    add(1.0f);
    add(30000.0f);
    for (int i = 0; i < 100; ++i)
        scene.zoomCamera(0.1f);
    EXPECT_EQ(camera().distance(), 6.0f);
    scene.nextTarget();
    EXPECT_EQ(camera().distance(), 6.0f);
    scene.zoomCamera(-0.1f);
    // Above the far limit: keeping the target beyond the near plane wins.
    EXPECT_EQ(camera().distance(), 30005.0f);
}

using CameraLookAt = CameraFixture;

TEST_F(CameraLookAt, AnglesFromTheDirectionToTheEye)
{
    SpaceObject& target = add(1.0f, Vector3(1.0f, 2.0f, 3.0f));
    scene.lookAtMode() = LookAtAntiVelocity; // camPos = the unit velocity
    const struct
    {
        Vector3 camPos;
        float pitch, yaw;
    } cases[] = {
        {Vector3(0.0f, 0.0f, 1.0f), 0.0f, 0.0f},
        {Vector3(1.0f, 0.0f, 0.0f), 0.0f, 89.99999237060547f},
        {Vector3(0.0f, 0.0f, -1.0f), 0.0f, 179.99998474121094f},
        {Vector3(-1.0f, 0.0f, 0.0f), 0.0f, 270.0f},
    };
    for (const auto& c : cases)
    {
        target.velocity() = c.camPos * 3.0f;
        scene.updateLookAt();
        EXPECT_EQ(camera().pitch(), c.pitch);
        EXPECT_EQ(camera().yaw(), c.yaw);
    }
    target.velocity() = Vector3(0.0f, 1.0f, std::sqrt(3.0f));
    scene.updateLookAt();
    EXPECT_NEAR(camera().pitch(), 30.0f, 1e-4f);
    EXPECT_EQ(camera().center().y(), 2.0f);
}

TEST_F(CameraLookAt, EveryModePutsTheEyeOnItsSideOfTheTarget)
{
    SpaceObject& target = add(1.0f);
    for (int mode = LookAtVelocity; mode <= LookAtAntiAcceleration; ++mode)
    {
        scene.lookAtMode() = mode;
        for (const Vector3& v :
             {Vector3(3.0f, -1.0f, 2.0f), Vector3(-0.5f, 2.0f, -4.0f), Vector3(-2.0f, 0.0f, 1.0f)})
        {
            target.velocity() = v;
            target.acceleration() = v * 2.0f;
            scene.updateLookAt();
            const bool against = mode == LookAtVelocity || mode == LookAtAcceleration;
            const Vector3 camPos = against ? -normalized(v) : normalized(v);
            const double p = camera().pitch() / radToDeg, y = camera().yaw() / radToDeg;
            EXPECT_NEAR(std::sin(y) * std::cos(p), camPos.x(), 1e-5) << mode;
            EXPECT_NEAR(std::sin(p), camPos.y(), 1e-5) << mode;
            EXPECT_NEAR(std::cos(y) * std::cos(p), camPos.z(), 1e-5) << mode;
        }
    }
}

TEST_F(CameraLookAt, DirectionlessOrVerticalVectorsLeaveFiniteAngles)
{
    SpaceObject& target = add(1.0f, Vector3(7.0f, 0.0f, 0.0f));
    for (int mode = LookAtFree; mode <= LookAtAntiAcceleration; ++mode)
    {
        scene.lookAtMode() = mode; // at rest, and no step yet: no direction in any mode
        scene.updateLookAt();
        EXPECT_EQ(camera().pitch(), 45.0f);
        EXPECT_EQ(camera().yaw(), 45.0f);
        EXPECT_EQ(camera().center().x(), 7.0f);
    }
    target.acceleration() = Vector3(1e-30f, 0.0f, 0.0f); // its length underflows
    scene.updateLookAt();
    EXPECT_EQ(camera().yaw(), 45.0f);

    target.acceleration() = Vector3(0.0f, -5.0f, 0.0f);
    scene.updateLookAt();
    EXPECT_NEAR(camera().pitch(), -90.0f, 1e-4f);
    EXPECT_EQ(camera().yaw(), 45.0f);

    // Nearly vertical, or in the y-z plane: camPos.z / h may round past +-1.
    for (int i = 1; i < 2000; ++i)
    {
        const float a = static_cast<float>(i) * 0.00157f;
        target.acceleration() = Vector3(0.0f, std::sin(a), std::cos(a));
        scene.updateLookAt();
        ASSERT_TRUE(std::isfinite(camera().yaw()) && std::isfinite(camera().pitch())) << a;
        if (std::fabs(std::cos(a)) > 0.5f) // closer to vertical, float rounding blurs the heading
        {
            EXPECT_TRUE(camera().yaw() < 0.1f || camera().yaw() > 179.9f) << a;
        }
    }
}

TEST(CameraWithoutTarget, AnEmptySceneNeitherFollowsNorClampsToATarget)
{
    Simulation empty;
    const Vector3 centre = empty.camera().center();
    empty.lookAtMode() = LookAtVelocity;
    empty.updateLookAt();
    EXPECT_EQ(empty.camera().center().x(), centre.x());
    EXPECT_EQ(empty.camera().pitch(), 45.0f);
    empty.zoomCamera(0.1f);
    EXPECT_FLOAT_EQ(empty.camera().distance(), 180.0f);
}
