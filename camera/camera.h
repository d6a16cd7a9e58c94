// The orbit camera: a point it circles and looks at, two angles and a distance.
#pragma once

#include "sim/vector.h"

class Camera
{
  public:
    static constexpr int FreeMode = 0;
    static constexpr int OrbitMode = 1;

    Camera() : center_(0.0f, 0.0f, 0.0f), pitch_(0.0f), yaw_(0.0f), distance_(10.0f), mode_(FreeMode)
    {
    }
    Camera(const Vector3& center, float pitch, float yaw, float distance, int mode)
        : center_(center), pitch_(pitch), yaw_(yaw), distance_(distance), mode_(mode)
    {
        clampPitch();
        clampDistance();
    }

    Vector3& center()
    {
        return center_;
    }
    float& pitch()
    {
        return pitch_;
    }
    float& yaw()
    {
        return yaw_;
    }
    float& distance()
    {
        return distance_;
    }
    const Vector3& center() const
    {
        return center_;
    }
    float pitch() const
    {
        return pitch_;
    }
    float yaw() const
    {
        return yaw_;
    }
    float distance() const
    {
        return distance_;
    }
    int mode() const
    {
        return mode_;
    }

    // Multiplies the viewing transform onto the current GL matrix (defined with the GL code).
    void applyTransform() const;

    void orbitYawDecrease(float amount);
    void orbitYawIncrease(float amount);
    void orbitPitchIncrease(float amount);
    void orbitPitchDecrease(float amount);
    void zoomIn(float amount, bool proportional);
    void zoomOut(float amount, bool proportional);
    void translate(const Vector3& offset);

    // Inline: the constructors use them, and the simulation builds its camera without linking camera code.
    void clampPitch()
    {
        if (pitch_ < -89.0f)
            pitch_ = -89.0f;
        if (pitch_ > 89.0f)
            pitch_ = 89.0f;
    }
    void clampDistance()
    {
        if (distance_ < 0.5f)
            distance_ = 0.5f;
    }

  private:
    Vector3 center_;
    float pitch_;    // degrees above the horizontal plane through center
    float yaw_;      // degrees about y; never wrapped
    float distance_; // world units from the eye to center
    int mode_;
};
