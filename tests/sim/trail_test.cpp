// The bounded trail: every sample until the budget, then an evenly thinned past and a complete present.
#include "sim/trail.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>

namespace
{
// Sample n sits at x = n, so a point tells which sample it is (exact below 2^24).
Vector3 sample(std::uint64_t n)
{
    return Vector3(static_cast<float>(n), 1.0f, -static_cast<float>(n));
}

std::uint64_t sampleOf(const Vector3& point)
{
    return static_cast<std::uint64_t>(point.x());
}

// Boxes of complete chunks, measured afresh.
void expectBoxesMatch(const Trail& trail)
{
    ASSERT_EQ(trail.chunkBounds().size(), trail.size() / Trail::chunkSize);
    for (std::size_t c = 0; c < trail.chunkBounds().size(); ++c)
    {
        const Box expected = boundsOf(trail.data() + c * Trail::chunkSize, Trail::chunkSize);
        const Box& box = trail.chunkBounds()[c];
        EXPECT_EQ(box.low.x(), expected.low.x()) << "chunk " << c;
        EXPECT_EQ(box.high.x(), expected.high.x()) << "chunk " << c;
        EXPECT_EQ(box.low.z(), expected.low.z()) << "chunk " << c;
    }
}

// The whole past since the clear at one stride, then every sample: checked point by point.
void expectThinnedShape(const Trail& trail)
{
    const std::size_t thinned = trail.thinnedCount();
    for (std::size_t i = 0; i < thinned; ++i)
    {
        ASSERT_EQ(sampleOf(trail[i]), i * trail.stride()) << "thinned point " << i;
    }
    const std::uint64_t firstComplete = trail.samplesTaken() - (trail.size() - thinned);
    // No stretch of the past is missing: the thinned part reaches to within one stride of the rest.
    if (thinned > 0)
    {
        EXPECT_GE(sampleOf(trail[thinned - 1]) + trail.stride(), firstComplete);
    }
    for (std::size_t i = thinned; i < trail.size(); ++i)
    {
        ASSERT_EQ(sampleOf(trail[i]), firstComplete + (i - thinned)) << "complete point " << i;
    }
}
} // namespace

TEST(Trail, KeepsEverySampleUntilTheBudget)
{
    Trail trail(1024);
    for (std::uint64_t n = 0; n < 1024; ++n)
        trail.append(sample(n));
    EXPECT_EQ(trail.size(), 1024u);
    EXPECT_EQ(trail.stride(), 1u);
    EXPECT_EQ(trail.thinnedCount(), 0u);
    expectThinnedShape(trail);
    expectBoxesMatch(trail);
}

TEST(Trail, PastTheBudgetThinsTheOlderPartEvenlyAndStaysBounded)
{
    Trail trail(1024);
    std::size_t largest = 0;
    std::size_t mostBytes = 0;
    for (std::uint64_t n = 0; n < 1000000; ++n)
    {
        trail.append(sample(n));
        largest = std::max(largest, trail.size());
        mostBytes = std::max(mostBytes, trail.storageBytes());
        if (n % 77777 == 0 || n == 1024 || n == 1025)
        {
            expectThinnedShape(trail);
            expectBoxesMatch(trail);
            // The newest quarter of the budget is always complete.
            EXPECT_GE(trail.size() - trail.thinnedCount(), std::min<std::size_t>(trail.size(), 256));
        }
    }
    EXPECT_EQ(largest, 1024u);
    EXPECT_LE(mostBytes, 1024 * sizeof(Vector3) + 8 * sizeof(Box) * 2);
    EXPECT_GT(trail.stride(), 1u);
    EXPECT_GE(trail.size(), 3u * 1024 / 8); // thinned, never emptied
    expectThinnedShape(trail);
    expectBoxesMatch(trail);
}

TEST(Trail, ClearStartsAfreshAndAShrunkBudgetThinsAtOnce)
{
    Trail trail(1024);
    for (std::uint64_t n = 0; n < 5000; ++n)
        trail.append(sample(n));
    trail.clear();
    EXPECT_EQ(trail.size(), 0u);
    EXPECT_EQ(trail.storageBytes(), 0u);
    EXPECT_TRUE(trail.chunkBounds().empty());
    for (std::uint64_t n = 0; n < 700; ++n)
        trail.append(sample(n));
    EXPECT_EQ(trail.stride(), 1u);
    expectThinnedShape(trail);

    trail.setBudget(256);
    EXPECT_LE(trail.size(), 256u);
    EXPECT_LE(trail.storageBytes(), 256 * sizeof(Vector3) + 8 * sizeof(Box));
    expectThinnedShape(trail);
    expectBoxesMatch(trail);
}
