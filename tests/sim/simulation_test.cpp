#include "capture_cout.h"
#include "sim/render_hooks.h"
#include "sim/simulation.h"

#include <cstring>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <string>

namespace
{
// A fresh scene for each test: ids from 0, step numbers from 0.
class SimulationTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        nextObjectId = 0;
        frameCount = 0;
    }

    SpaceObject& add(float mass, float radius, Vector3 position, Vector3 velocity = zeroVector,
                     float spinRate = 0.0f)
    {
        auto* body = new SpaceObject(0, 0, mass, radius, position, velocity, spinRate, 0.0f);
        sim.addObject(body);
        return *body;
    }

    // Steps without filling the test log with "Frame" lines.
    std::string steps(int n, float dt)
    {
        CaptureCout out;
        for (int i = 0; i < n; ++i)
            sim.step(dt);
        return out.text();
    }

    Simulation sim;
};

void expectVector(const Vector3& v, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(v.x(), x);
    EXPECT_FLOAT_EQ(v.y(), y);
    EXPECT_FLOAT_EQ(v.z(), z);
}
} // namespace

TEST_F(SimulationTest, TwoBodiesPullEachOtherByTheOthersMass)
{
    SpaceObject& a = add(50.0f, 1.0f, Vector3(0.0f, 0.0f, 0.0f));
    SpaceObject& b = add(100.0f, 1.0f, Vector3(10.0f, 0.0f, 0.0f));
    steps(1, 0.01f);
    expectVector(a.acceleration(), 1.0f, 0.0f, 0.0f);
    expectVector(a.velocity(), 0.01f, 0.0f, 0.0f);
    expectVector(a.position(), 0.0001f, 0.0f, 0.0f);
    expectVector(b.acceleration(), -0.5f, 0.0f, 0.0f);
    expectVector(b.velocity(), -0.005f, 0.0f, 0.0f);
    expectVector(b.position(), 9.99995f, 0.0f, 0.0f);
}

TEST_F(SimulationTest, OverlappingSpheresExertNoForceButTouchingOnesDo)
{
    SpaceObject& a = add(50.0f, 3.0f, Vector3(0.0f, 0.0f, 0.0f), Vector3(0.0f, 1.0f, 0.0f));
    SpaceObject& b = add(100.0f, 3.0f, Vector3(5.0f, 0.0f, 0.0f));
    steps(1, 0.01f);
    expectVector(a.acceleration(), 0.0f, 0.0f, 0.0f);
    expectVector(a.velocity(), 0.0f, 1.0f, 0.0f);
    expectVector(b.acceleration(), 0.0f, 0.0f, 0.0f);

    // Radii summing exactly to the distance still attract.
    b.position() = Vector3(6.0f, 0.01f, 0.0f);
    a.position() = Vector3(0.0f, 0.01f, 0.0f);
    steps(1, 0.0f);
    expectVector(a.acceleration(), 100.0f / 36.0f, 0.0f, 0.0f);
    expectVector(b.acceleration(), -50.0f / 36.0f, 0.0f, 0.0f);
}

TEST_F(SimulationTest, ALoneBodyDriftsAndSpins)
{
    SpaceObject& a = add(1.0f, 1.0f, Vector3(1.0f, 2.0f, 3.0f), Vector3(10.0f, 0.0f, -10.0f), 90.0f);
    steps(100, 0.05f);
    expectVector(a.acceleration(), 0.0f, 0.0f, 0.0f);
    EXPECT_NEAR(a.position().x(), 51.0f, 1e-3f);
    EXPECT_NEAR(a.position().z(), -47.0f, 1e-3f);
    // The spin angle is never wrapped into 0..360.
    EXPECT_NEAR(a.spinAngle(), 450.0f, 1e-2f);
}

TEST_F(SimulationTest, NegativeSpinGoesBelowMinus360)
{
    SpaceObject& a = add(1.0f, 1.0f, zeroVector, zeroVector, -100.0f);
    steps(400, 0.01f);
    EXPECT_NEAR(a.spinAngle(), -400.0f, 1e-2f);
}

TEST_F(SimulationTest, AccelerationComesFromStartOfStepPositions)
{
    SpaceObject& a = add(1.0f, 1.0f, Vector3(0.0f, 0.0f, 0.0f), Vector3(0.0f, 0.0f, 0.0f));
    SpaceObject& b = add(400.0f, 1.0f, Vector3(20.0f, 0.0f, 0.0f), Vector3(-100.0f, 0.0f, 0.0f));
    steps(1, 0.1f);
    // From distance 20 (start), not 10 (after b moved): 400 / 400 = 1.
    expectVector(a.acceleration(), 1.0f, 0.0f, 0.0f);
    EXPECT_LT(b.position().x(), 11.0f);
}

TEST_F(SimulationTest, ZeroStepRecomputesButMovesNothing)
{
    SpaceObject& a = add(50.0f, 1.0f, Vector3(0.0f, 0.0f, 0.0f), Vector3(1.0f, 2.0f, 3.0f), 30.0f);
    add(100.0f, 1.0f, Vector3(10.0f, 0.0f, 0.0f));
    const std::string log = steps(1, 0.0f);
    expectVector(a.acceleration(), 1.0f, 0.0f, 0.0f);
    expectVector(a.position(), 0.0f, 0.0f, 0.0f);
    expectVector(a.velocity(), 1.0f, 2.0f, 3.0f);
    EXPECT_EQ(a.spinAngle(), 0.0f);
    EXPECT_EQ(a.history().size(), 1u);
    EXPECT_EQ(log, "Frame 0, last dt=0\n");
}

TEST_F(SimulationTest, HistorySamplesEveryTwentiethStepBeforeTheMove)
{
    SpaceObject& a = add(1.0f, 1.0f, Vector3(0.0f, 0.0f, 0.0f), Vector3(1.0f, 0.0f, 0.0f));
    steps(40, 0.01f);
    ASSERT_EQ(a.history().size(), 2u);
    EXPECT_FLOAT_EQ(a.history()[0].x(), 0.0f);
    EXPECT_NEAR(a.history()[1].x(), 0.2f, 1e-5f); // position at the start of step 20
}

TEST_F(SimulationTest, ClearingHistoriesKeepsTheSamplingRhythm)
{
    SpaceObject& a = add(1.0f, 1.0f, zeroVector);
    SpaceObject& b = add(1.0f, 1.0f, Vector3(100.0f, 0.0f, 0.0f));
    steps(25, 0.01f);
    EXPECT_EQ(a.history().size(), 2u);
    sim.clearAllHistories();
    EXPECT_EQ(a.history().size(), 0u);
    EXPECT_EQ(b.history().size(), 0u);
    EXPECT_EQ(frameCount, 25u);
    steps(14, 0.01f); // steps 25..38: none is a multiple of 20
    EXPECT_EQ(a.history().size(), 0u);
    steps(1, 0.01f); // step 39
    EXPECT_EQ(a.history().size(), 0u);
    steps(1, 0.01f); // step 40
    EXPECT_EQ(a.history().size(), 1u);
    sim.clearAllHistories();
    sim.clearAllHistories(); // already empty: nothing changes
    EXPECT_EQ(b.history().size(), 0u);
}

TEST_F(SimulationTest, HiddenHistoriesKeepSampling)
{
    SpaceObject& a = add(1.0f, 1.0f, zeroVector);
    sim.toggleHistories();
    steps(100, 0.001f);
    sim.toggleHistories();
    EXPECT_TRUE(sim.showHistories());
    EXPECT_EQ(a.history().size(), 5u);
}

TEST_F(SimulationTest, LogLineFormat)
{
    add(1.0f, 1.0f, zeroVector);
    std::string log = steps(1, 0.01f);
    EXPECT_EQ(log, "Frame 0, last dt=0.01\n");
    log = steps(2, 0.0012345678f);
    EXPECT_EQ(log, "Frame 1, last dt=0.00123457\nFrame 2, last dt=0.00123457\n");
    log = steps(1, 0.009090909f);
    EXPECT_EQ(log, "Frame 3, last dt=0.00909091\n");
}

TEST_F(SimulationTest, LogLineIsPrintedWithNoBodies)
{
    EXPECT_EQ(steps(1, 0.005f), "Frame 0, last dt=0.005\n");
}

TEST_F(SimulationTest, FrameCountWrapsAtTwoToThe32)
{
    frameCount = 4294967295u;
    EXPECT_EQ(steps(2, 0.01f), "Frame 4294967295, last dt=0.01\nFrame 0, last dt=0.01\n");
}

TEST_F(SimulationTest, TargetsCycleInBothDirections)
{
    for (int i = 0; i < 9; ++i)
        add(1.0f, 1.0f, Vector3(static_cast<float>(i) * 10.0f, 0.0f, 0.0f));
    EXPECT_EQ(sim.targetIndex(), 0u);
    for (unsigned expected = 1; expected <= 9; ++expected)
    {
        sim.nextTarget();
        EXPECT_EQ(sim.targetIndex(), expected % 9);
    }
    sim.previousTarget();
    EXPECT_EQ(sim.targetIndex(), 8u);
    for (unsigned expected = 7; expected != 0; --expected)
    {
        sim.previousTarget();
        EXPECT_EQ(sim.targetIndex(), expected);
    }
    sim.previousTarget();
    EXPECT_EQ(sim.targetIndex(), 0u);
}

TEST_F(SimulationTest, TogglesAndInitialSwitches)
{
    EXPECT_TRUE(sim.isPaused());
    EXPECT_TRUE(sim.showHistories());
    EXPECT_TRUE(sim.showMotionVectors());
    EXPECT_EQ(sim.lookAtMode(), LookAtFree);
    EXPECT_FALSE(sim.togglePaused().isPaused()); // the first SPACE starts the simulation
    EXPECT_TRUE(sim.togglePaused().isPaused());
    EXPECT_FALSE(sim.toggleHistories().showHistories());
    EXPECT_TRUE(sim.toggleHistories().showHistories());
    EXPECT_FALSE(sim.toggleMotionVectors().showMotionVectors());
    EXPECT_TRUE(sim.toggleMotionVectors().showMotionVectors());
    sim.lookAtMode() = LookAtAntiAcceleration;
    EXPECT_EQ(sim.lookAtMode(), 4);
    EXPECT_EQ(sim.gravityConstant(), 1.0f);
    EXPECT_EQ(sim.minCameraDistance(), 5.0f);
    EXPECT_EQ(sim.maxCameraDistance(), 25000.0f);
    EXPECT_EQ(sim.camera().pitch(), 45.0f);
    EXPECT_EQ(sim.camera().yaw(), 45.0f);
    EXPECT_EQ(sim.camera().distance(), 200.0f);
    EXPECT_EQ(sim.camera().mode(), Camera::OrbitMode);
}

TEST_F(SimulationTest, BodiesCountThemselvesAndDieWithTheSimulation)
{
    const std::int32_t before = liveObjectCount;
    {
        Simulation local;
        local.addObject(new SpaceObject(0, 0, 1.0f, 1.0f, zeroVector, zeroVector, 0.0f, 0.0f));
        local.addObject(new SpaceObject(0, 0, 1.0f, 1.0f, zeroVector, zeroVector, 0.0f, 0.0f));
        EXPECT_EQ(liveObjectCount, before + 2);
        EXPECT_EQ(nextObjectId, 2u);
        EXPECT_EQ(local.object(1).id(), 1u);
    }
    EXPECT_EQ(liveObjectCount, before);
    EXPECT_EQ(nextObjectId, 2u); // ids are never reused
}

TEST_F(SimulationTest, SharedResourcesFollowTheFirstAndLastBody)
{
    static int loads, releases;
    loads = releases = 0;
    const RenderHooks saved = renderHooks;
    renderHooks.loadSharedResources = [] { ++loads; };
    renderHooks.releaseSharedQuadric = [] { ++releases; };
    add(1.0f, 1.0f, zeroVector);
    add(1.0f, 1.0f, zeroVector);
    EXPECT_EQ(loads, 1);
    sim.destroyAllObjects();
    EXPECT_EQ(sim.objectCount(), 0u);
    EXPECT_EQ(releases, 1);
    nextObjectId = 0;            // an emptied registry takes keys from 0 again
    add(1.0f, 1.0f, zeroVector); // a body after the last one loads everything again
    EXPECT_EQ(loads, 2);
    sim.destroyAllObjects();
    renderHooks = saved;
}

TEST_F(SimulationTest, InitialSystem)
{
    createInitialSystem(sim);
    ASSERT_EQ(sim.objectCount(), 9u);
    EXPECT_EQ(nextObjectId, 9u);
    const int textures[] = {0, 1, 2, 3, 10, 4, 5, 7, 8};
    const int colors[] = {5, 0, 1, 2, 6, 3, 7, 8, 4};
    // Radii and tilts do not reach the motion pinned below (no pair comes close enough), so they are
    // checked here; masses, positions, velocities and spin rates are pinned by the motion.
    const float radii[] = {15.0f, 5.0f, 7.0f, 3.5f, 1.0f, 2.0f, 5.0f, 1.0f, 1.0f};
    const float tilts[] = {5.0f, 1.0f, 60.0f, 10.0f, 90.0f, 37.0f, 19.0f, 20.0f, 52.0f};
    for (std::uint32_t k = 0; k < 9; ++k)
    {
        const SpaceObject& o = sim.object(k);
        EXPECT_EQ(o.id(), k);
        EXPECT_EQ(o.textureIndex(), textures[k]);
        EXPECT_EQ(o.colorIndex(), colors[k]);
        EXPECT_EQ(o.radius(), radii[k]);
        EXPECT_EQ(o.tilt(), tilts[k]);
        EXPECT_EQ(o.history().size(), 0u);
        expectVector(o.acceleration(), 0.0f, 0.0f, 0.0f);
    }
    const SpaceObject& sun = sim.object(0);
    EXPECT_EQ(sun.mass(), 100000.0f);
    EXPECT_EQ(sun.radius(), 15.0f);
    EXPECT_EQ(sun.position().x(), 9.32499980926513671875f);
    expectVector(sun.velocity(), 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(sun.tilt(), 5.0f);
    // The moon starts 25 units beyond the earth on the negative x axis.
    EXPECT_EQ(sim.object(4).position().x() - sim.object(3).position().x(), -25.0f);
    EXPECT_EQ(sim.object(4).mass(), 100.0f);
    EXPECT_EQ(sim.object(2).spinRate(), -10.0f);
    expectVector(sim.object(8).velocity(), -10.0f, 0.0f, -20.0f);
    EXPECT_EQ(sim.object(8).tilt(), 52.0f);
    // Creating the system changes none of the switches.
    EXPECT_TRUE(sim.isPaused());
    EXPECT_EQ(sim.targetIndex(), 0u);
}

// The initial system after 2000 steps of 0.01, recorded bit for bit: any change to the order of the
// operations in the step, to a constant or to a row of the initial table shows here, where the
// axis-aligned two-body cases above round the same either way.
TEST_F(SimulationTest, InitialSystemAfter2000StepsIsPinnedToTheBit)
{
    const struct
    {
        float position[3], velocity[3], spinAngle;
    } expected[] = {
        {{0x1.1ae36ap+4, -0x1.38ad22p+0, 0x1.9568e4p+4},
         {-0x1.b71dfp-3, 0x1.ab37dcp-4, 0x1.14fb88p-1},
         0x1.90018ap+7}, // sun
        {{0x1.e67ac4p+5, -0x1.8286cp+0, -0x1.90f4e2p+4},
         {0x1.d95b8cp+4, 0x1.c3b23p-7, 0x1.a90492p+4},
         0x1.2bfe72p+9}, // mercury
        {{0x1.280b44p+7, 0x1.4662fap+7, 0x1.4b81b6p+8},
         {-0x1.daae48p+3, 0x1.4bdffp+2, 0x1.61076ap+3},
         -0x1.90018ap+7}, // venus
        {{-0x1.01f3a2p+7, 0x1.387908p+7, -0x1.4a87e2p+8},
         {0x1.c786a4p+3, 0x1.6cc9ccp+2, -0x1.6b1cap+3},
         0x1.0dff18p+9}, // earth
        {{-0x1.218a34p+7, 0x1.65a922p+7, -0x1.48a7dp+8},
         {0x1.e55f6cp+2, -0x1.bf61fcp-2, -0x1.882296p+3},
         -0x1.dffe52p+7}, // moon
        {{0x1.479822p+4, 0x1.6f5af2p+5, 0x1.1fa82cp+8},
         {0x1.4ac198p+1, -0x1.36c4b4p+4, 0x1.fe0c6p+1},
         0x1.90018ap+7}, // mars
        {{0x1.740d3ap+2, -0x1.fd854cp+5, -0x1.24108p+8},
         {0x1.14a26ap+0, 0x1.1a2cecp+4, -0x1.76c072p+2},
         0x1.2bfe72p+8}, // jupiter
        {{0x1.50fc6cp+3, -0x1.5ce0c6p+6, -0x1.236ea8p+8},
         {-0x1.134316p+3, 0x1.c79ec8p+3, -0x1.a2789ap+2},
         -0x1.0400f8p+8}, // uranus
        {{0x1.1101eep+6, 0x1.256096p+4, 0x1.f13008p+6},
         {0x1.a4c5aap+1, -0x1.e58f6ap+4, 0x1.6d429ep+3},
         -0x1.dffe52p+5}, // neptune
    };
    createInitialSystem(sim);
    steps(2000, 0.01f);
    ASSERT_EQ(sim.objectCount(), std::size(expected));
    const auto bits = [](float f) {
        std::uint32_t u;
        std::memcpy(&u, &f, sizeof u);
        return u;
    };
    for (std::uint32_t k = 0; k < sim.objectCount(); ++k)
    {
        const SpaceObject& o = sim.object(k);
        const float actual[] = {o.position().x(), o.position().y(), o.position().z(), o.velocity().x(),
                                o.velocity().y(), o.velocity().z(), o.spinAngle()};
        const auto& e = expected[k];
        const float recorded[] = {e.position[0], e.position[1], e.position[2], e.velocity[0],
                                  e.velocity[1], e.velocity[2], e.spinAngle};
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(bits(actual[i]), bits(recorded[i]))
                << "body " << k << ", value " << i << ": " << std::hexfloat << actual[i] << " instead of "
                << recorded[i];
    }
}

TEST(ObjectRegistry, KeysAreIndicesInIdOrderAndOnlyTheNextKeyIsTaken)
{
    ObjectRegistry registry;
    SpaceObject* a = reinterpret_cast<SpaceObject*>(0x10);
    SpaceObject* b = reinterpret_cast<SpaceObject*>(0x20);
    registry.insert(0, a);
    registry.insert(1, b);
    EXPECT_EQ(registry.count(), 2u);
    EXPECT_EQ(registry.at(0), a);
    EXPECT_EQ(registry.at(1), b);
    // A key taken, a gap or no object is refused in every build, not stored.
    EXPECT_DEATH(registry.insert(0, b), "refused key 0 \\(next key 2\\)");
    EXPECT_DEATH(registry.insert(3, a), "refused key 3 \\(next key 2\\)");
    EXPECT_DEATH(registry.insert(2, nullptr), "refused key 2 \\(next key 2\\) with no object");
    registry.clear();
    EXPECT_EQ(registry.count(), 0u);
    registry.insert(0, b);
    EXPECT_EQ(registry.at(0), b);
}
