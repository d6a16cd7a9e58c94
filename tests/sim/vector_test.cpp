#include "sim/vector.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(Vector3, ArithmeticIsComponentWise)
{
    const Vector3 a(1.0f, 2.0f, 3.0f), b(0.5f, -1.0f, 4.0f);
    const Vector3 d = a - b;
    EXPECT_EQ(d.x(), 0.5f);
    EXPECT_EQ(d.y(), 3.0f);
    EXPECT_EQ(d.z(), -1.0f);
    const Vector3 s = a * 2.0f;
    EXPECT_EQ(s.z(), 6.0f);
    const Vector3 q = a / 4.0f;
    EXPECT_EQ(q.y(), 0.5f);
    const Vector3 n = -a;
    EXPECT_EQ(n.x(), -1.0f);
    EXPECT_EQ(dot(a, b), 0.5f - 2.0f + 12.0f);
}

TEST(Vector3, LengthAndNormalized)
{
    const Vector3 v(3.0f, 0.0f, 4.0f);
    EXPECT_EQ(length(v), 5.0f);
    const Vector3 u = normalized(v);
    EXPECT_EQ(u.x(), 0.6f);
    EXPECT_EQ(u.y(), 0.0f);
    EXPECT_EQ(u.z(), 0.8f);
}

TEST(Vector3, UnguardedEdgesGiveNonFiniteValuesWithoutFailing)
{
    const Vector3 u = normalized(zeroVector);
    EXPECT_TRUE(std::isnan(u.x()) && std::isnan(u.y()) && std::isnan(u.z()));
    const Vector3 q = Vector3(1.0f, -1.0f, 0.0f) / 0.0f;
    EXPECT_TRUE(std::isinf(q.x()) && q.x() > 0);
    EXPECT_TRUE(std::isinf(q.y()) && q.y() < 0);
    EXPECT_TRUE(std::isnan(q.z()));
}

TEST(Vector3, AddingItselfDoubles)
{
    Vector3 a(1.0f, -2.0f, 3.5f);
    a += a;
    EXPECT_EQ(a.x(), 2.0f);
    EXPECT_EQ(a.y(), -4.0f);
    EXPECT_EQ(a.z(), 7.0f);
    a = a; // self-assignment leaves it unchanged
    EXPECT_EQ(a.z(), 7.0f);
}

TEST(Vector3, ComponentsAreContiguousForGl)
{
    Vector3 a(1.0f, 2.0f, 3.0f);
    a.y() = 5.0f;
    const float* p = a.data();
    EXPECT_EQ(p[0], 1.0f);
    EXPECT_EQ(p[1], 5.0f);
    EXPECT_EQ(p[2], 3.0f);
    EXPECT_EQ(sizeof(Vector3), 3 * sizeof(float));
}

TEST(Vector4, LengthAndDotCountAllFourComponents)
{
    EXPECT_EQ(Vector4(1.0f, 2.0f, 2.0f, 0.0f).length(), 3.0f);
    EXPECT_EQ(Vector4(2.0f, 0.0f, 0.0f, 1.0f).length(), std::sqrt(5.0f));
    EXPECT_EQ(dot(Vector4(1.0f, 2.0f, 3.0f, 4.0f), Vector4(1.0f, 1.0f, 1.0f, 1.0f)), 10.0f);
}

TEST(Vector4, CrossIgnoresW)
{
    const Vector4 c = cross(Vector4(1.0f, 0.0f, 0.0f, 5.0f), Vector4(0.0f, 1.0f, 0.0f, 7.0f));
    EXPECT_EQ(c.x(), 0.0f);
    EXPECT_EQ(c.y(), 0.0f);
    EXPECT_EQ(c.z(), 1.0f);
    EXPECT_EQ(c.w(), 0.0f);
}

TEST(Vector4, NormalizeInPlaceAndConstructors)
{
    Vector4 v(0.0f, 3.0f, 0.0f, 4.0f);
    Vector4& same = v.normalize();
    EXPECT_EQ(&same, &v);
    EXPECT_EQ(v.y(), 0.6f);
    EXPECT_EQ(v.w(), 0.8f);
    const Vector4 fromVector(Vector3(1.0f, 2.0f, 3.0f), 9.0f);
    EXPECT_EQ(fromVector.z(), 3.0f);
    EXPECT_EQ(fromVector.w(), 9.0f);
    Vector4 fromPoint(Point2D(0.25f, -0.5f), 1.0f, 2.0f);
    EXPECT_EQ(fromPoint.x(), 0.25f);
    EXPECT_EQ(fromPoint.setZ(7.0f).z(), 7.0f);
}

TEST(VectorConstants, ExactValues)
{
    EXPECT_EQ(radToDeg, 57.2957763671875f);
    EXPECT_EQ(unitZ.z(), 1.0f);
    EXPECT_EQ(zeroVector.x() + zeroVector.y() + zeroVector.z(), 0.0f);
}
