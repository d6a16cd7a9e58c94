// Vector arithmetic, every intermediate rounded to float in the order written.
#include "sim/vector.h"

#include <cmath>

Vector3& Vector3::operator+=(const Vector3& b)
{
    // Read b first: a += a must double a.
    const float bx = b.x(), by = b.y(), bz = b.z();
    v_[0] += bx;
    v_[1] += by;
    v_[2] += bz;
    return *this;
}

Vector3 operator-(const Vector3& a, const Vector3& b)
{
    return Vector3(a.x() - b.x(), a.y() - b.y(), a.z() - b.z());
}

Vector3 operator*(const Vector3& a, float s)
{
    return Vector3(a.x() * s, a.y() * s, a.z() * s);
}

Vector3 operator/(const Vector3& a, float s)
{
    return Vector3(a.x() / s, a.y() / s, a.z() / s);
}

Vector3 operator-(const Vector3& a)
{
    return Vector3(-a.x(), -a.y(), -a.z());
}

float dot(const Vector3& a, const Vector3& b)
{
    return a.x() * b.x() + a.y() * b.y() + a.z() * b.z();
}

float length(const Vector3& a)
{
    return std::sqrt(a.x() * a.x() + a.y() * a.y() + a.z() * a.z());
}

Vector3 normalized(const Vector3& a)
{
    const float l = length(a);
    return Vector3(a.x() / l, a.y() / l, a.z() / l);
}

float Vector4::length() const
{
    return std::sqrt(v_[0] * v_[0] + v_[1] * v_[1] + v_[2] * v_[2] + v_[3] * v_[3]);
}

Vector4& Vector4::normalize()
{
    const float l = length();
    for (float& c : v_)
        c /= l;
    return *this;
}

float dot(const Vector4& a, const Vector4& b)
{
    return a.x() * b.x() + a.y() * b.y() + a.z() * b.z() + a.w() * b.w();
}

Vector4 cross(const Vector4& a, const Vector4& b)
{
    return Vector4(a.y() * b.z() - a.z() * b.y(), a.z() * b.x() - a.x() * b.z(), a.x() * b.y() - a.y() * b.x(), 0.0f);
}
