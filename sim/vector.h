// Single-precision vector value types shared by the simulation, the drawing and the camera.
#pragma once

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

Vector3 operator-(const Vector3& a, const Vector3& b);
Vector3 operator*(const Vector3& a, float s);
Vector3 operator/(const Vector3& a, float s); // no guard: s == 0 gives inf/NaN components
Vector3 operator-(const Vector3& a);
float dot(const Vector3& a, const Vector3& b);
float length(const Vector3& a);
Vector3 normalized(const Vector3& a); // no guard: the zero vector gives NaN components

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

float dot(const Vector4& a, const Vector4& b);
Vector4 cross(const Vector4& a, const Vector4& b);

// constexpr so they are constant-initialised: other globals built before main may read them.
inline constexpr Vector3 zeroVector{0.0f, 0.0f, 0.0f};
inline constexpr Vector3 unitZ{0.0f, 0.0f, 1.0f};
inline constexpr float radToDeg = 180.0f / 3.1415927f; // exactly 57.2957763671875
