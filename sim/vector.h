// Single-precision vector value types shared by the simulation, the drawing and the camera.
#pragma once

#include <cmath>

class Point2D
{
  public:
    constexpr Point2D(float x, float y) : x_(x), y_(y)
    {
    }
    constexpr float x() const
    {
        return x_;
    }
    constexpr float y() const
    {
        return y_;
    }

  private:
    float x_;
    float y_;
};

// Three contiguous floats, so data() can go straight to glVertex3fv and friends.
class Vector3
{
  public:
    constexpr Vector3(float x, float y, float z) : v_{x, y, z}
    {
    }

    float& x()
    {
        return v_[0];
    }
    float& y()
    {
        return v_[1];
    }
    float& z()
    {
        return v_[2];
    }
    constexpr float x() const
    {
        return v_[0];
    }
    constexpr float y() const
    {
        return v_[1];
    }
    constexpr float z() const
    {
        return v_[2];
    }
    const float* data() const
    {
        return v_;
    }

    Vector3& operator+=(const Vector3& b);

  private:
    float v_[3];
};

// Inline: the gravity step is made of these, and a call per operation would cost more than the
// arithmetic. Every result is rounded to float in the order written (no fused multiply-adds).
inline Vector3& Vector3::operator+=(const Vector3& b)
{
    // Read b first: a += a must double a.
    const float bx = b.x(), by = b.y(), bz = b.z();
    v_[0] += bx;
    v_[1] += by;
    v_[2] += bz;
    return *this;
}

inline Vector3 operator-(const Vector3& a, const Vector3& b)
{
    return Vector3(a.x() - b.x(), a.y() - b.y(), a.z() - b.z());
}

inline Vector3 operator*(const Vector3& a, float s)
{
    return Vector3(a.x() * s, a.y() * s, a.z() * s);
}

// No guard: s == 0 gives infinite or NaN components.
inline Vector3 operator/(const Vector3& a, float s)
{
    return Vector3(a.x() / s, a.y() / s, a.z() / s);
}

inline Vector3 operator-(const Vector3& a)
{
    return Vector3(-a.x(), -a.y(), -a.z());
}

inline float dot(const Vector3& a, const Vector3& b)
{
    return a.x() * b.x() + a.y() * b.y() + a.z() * b.z();
}

inline float length(const Vector3& a)
{
    return std::sqrt(a.x() * a.x() + a.y() * a.y() + a.z() * a.z());
}

// No guard: the zero vector gives NaN components.
inline Vector3 normalized(const Vector3& a)
{
    const float l = length(a);
    return Vector3(a.x() / l, a.y() / l, a.z() / l);
}

// Four floats; length and dot count all four components, cross ignores w.
class Vector4
{
  public:
    constexpr Vector4(float x, float y, float z, float w) : v_{x, y, z, w}
    {
    }
    constexpr Vector4(const Vector3& v, float w) : v_{v.x(), v.y(), v.z(), w}
    {
    }
    constexpr Vector4(const Point2D& p, float z, float w) : v_{p.x(), p.y(), z, w}
    {
    }

    constexpr float x() const
    {
        return v_[0];
    }
    constexpr float y() const
    {
        return v_[1];
    }
    constexpr float z() const
    {
        return v_[2];
    }
    constexpr float w() const
    {
        return v_[3];
    }
    Vector4& setZ(float value)
    {
        v_[2] = value;
        return *this;
    }

    float length() const;
    Vector4& normalize(); // no guard for a zero length

  private:
    float v_[4];
};

inline float Vector4::length() const
{
    return std::sqrt(v_[0] * v_[0] + v_[1] * v_[1] + v_[2] * v_[2] + v_[3] * v_[3]);
}

// No guard for a zero length.
inline Vector4& Vector4::normalize()
{
    const float l = length();
    for (float& c : v_)
        c /= l;
    return *this;
}

// All four components count.
inline float dot(const Vector4& a, const Vector4& b)
{
    return a.x() * b.x() + a.y() * b.y() + a.z() * b.z() + a.w() * b.w();
}

// The three-component cross product; w of the operands is ignored, w of the result is 0.
inline Vector4 cross(const Vector4& a, const Vector4& b)
{
    return Vector4(a.y() * b.z() - a.z() * b.y(), a.z() * b.x() - a.x() * b.z(),
                   a.x() * b.y() - a.y() * b.x(), 0.0f);
}

// constexpr so they are constant-initialised: other globals built before main may read them.
inline constexpr Vector3 zeroVector{0.0f, 0.0f, 0.0f};
inline constexpr Vector3 unitZ{0.0f, 0.0f, 1.0f};
inline constexpr float radToDeg = 180.0f / 3.1415927f; // exactly 57.2957763671875
