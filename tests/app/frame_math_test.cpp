#include "app/frame_math.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

namespace
{
void expectSteps(float span, std::int32_t count, float dt)
{
    const SubSteps s = subStepsFor(span);
    EXPECT_EQ(s.count, count) << "span " << span;
    EXPECT_EQ(s.dt, dt) << "span " << span;
}
} // namespace

TEST(FrameLoopArithmetic, WorkedValues)
{
    expectSteps(0.0f, 1, 0.0f);
    expectSteps(0.005f, 1, 0.005f);
    expectSteps(0.01f, 2, 0.005f);
    expectSteps(0.025f, 3, 0.008333334f);
    expectSteps(0.1f, 11, 0.009090909f);
    expectSteps(1.0f, 101, 0.00990099f);
}

TEST(FrameLoopArithmetic, EveryStepIsShorterThanTheLimitAndTheyAddUp)
{
    for (float span = 0.0f; span < 300.0f; span = span * 1.37f + 0.0013f)
    {
        const SubSteps s = subStepsFor(span);
        ASSERT_GE(s.count, 1);
        EXPECT_LT(s.dt, 0.01f) << "span " << span;
        const float covered = s.dt * static_cast<float>(s.count);
        EXPECT_NEAR(covered, std::fmin(span, maxSpanPerCall),
                    std::fmin(span, maxSpanPerCall) * 1e-6f + 1e-9f);
    }
}

TEST(FrameLoopArithmetic, OneCallIsBoundedWhateverTheSpan)
{
    const SubSteps cap = subStepsFor(maxSpanPerCall);
    EXPECT_EQ(cap.count, 20001);
    EXPECT_LT(cap.dt, 0.01f);
    for (float span : {250.0f, 1.0e6f, 3.4e38f, std::numeric_limits<float>::infinity()})
    {
        const SubSteps s = subStepsFor(span);
        EXPECT_EQ(s.count, cap.count) << "span " << span;
        EXPECT_EQ(s.dt, cap.dt) << "span " << span;
    }
    // Normal use stays below the cap: a 100 ms frame at a time scale of 1024 is about 102 s.
    EXPECT_EQ(subStepsFor(0.1f * 1024.0f).count, 10241);
}

TEST(FrameLoopArithmetic, NegativeOrNotANumberSpansStandStill)
{
    expectSteps(-1.0f, 1, 0.0f);
    expectSteps(-std::numeric_limits<float>::infinity(), 1, 0.0f);
    expectSteps(std::numeric_limits<float>::quiet_NaN(), 1, 0.0f);
}

TEST(FrameLoopArithmetic, ElapsedSeconds)
{
    EXPECT_EQ(elapsedSeconds(500, 1000), 0.5f);
    EXPECT_EQ(elapsedSeconds(1'000'000'000, 1'000'000'000), 1.0f);
    EXPECT_EQ(elapsedSeconds(1, 3), static_cast<float>(1.0 / 3.0));
    // Ticks beyond float's exact range are divided in double first.
    EXPECT_EQ(elapsedSeconds(16'777'217'000LL, 1000), 16777217.0f);
    // Without a usable counter, time stands still instead of turning infinite.
    EXPECT_EQ(elapsedSeconds(12345, 0), 0.0f);
    EXPECT_EQ(elapsedSeconds(12345, -5), 0.0f);
}
