// A rectangle of four floats, and the window's own.
#pragma once

class Bounds2D
{
  public:
    constexpr Bounds2D(float left, float right, float bottom, float top)
        : x_(left), y_(bottom), width_(right - left), height_(top - bottom)
    {
    }
    float x() const
    {
        return x_;
    }
    float y() const
    {
        return y_;
    }
    float width() const
    {
        return width_;
    }
    float height() const
    {
        return height_;
    }
    void setWidth(float width)
    {
        width_ = width;
    }
    void setHeight(float height)
    {
        height_ = height;
    }

  private:
    float x_;
    float y_;
    float width_;
    float height_;
};

// The window's position and size: sized by main, updated by reshape, read by the mouse code and the
// drawing. It lives below the camera, the drawing and the application shell, so that all three share
// it while neither camera/ nor render/ reaches up to app/.
inline Bounds2D windowBounds{0.0f, 640.0f, 0.0f, 480.0f};
