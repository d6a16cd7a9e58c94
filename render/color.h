// Colours: an RGBA value type, the program's palette and the table of orbit-history colours.
#pragma once

// Four contiguous floats r, g, b, a, so data() can go straight to glColor3fv (which reads r, g, b).
class Color
{
  public:
    constexpr Color(float r, float g, float b, float a) : c_{r, g, b, a}
    {
    }

    constexpr float r() const
    {
        return c_[0];
    }
    constexpr float g() const
    {
        return c_[1];
    }
    constexpr float b() const
    {
        return c_[2];
    }
    constexpr float a() const
    {
        return c_[3];
    }
    constexpr const float* data() const
    {
        return c_;
    }

  private:
    float c_[4];
};

// constexpr, so they are constant-initialised: nothing built before main can see them unset.
inline constexpr Color BLACK{0.0f, 0.0f, 0.0f, 1.0f};
inline constexpr Color WHITE{1.0f, 1.0f, 1.0f, 1.0f};
inline constexpr Color RED{1.0f, 0.0f, 0.0f, 1.0f};
inline constexpr Color GREEN{0.0f, 1.0f, 0.0f, 1.0f};
inline constexpr Color BLUE{0.0f, 0.0f, 1.0f, 1.0f};
inline constexpr Color CYAN{0.0f, 1.0f, 1.0f, 1.0f};
inline constexpr Color MAGENTA{1.0f, 0.0f, 1.0f, 1.0f};
inline constexpr Color YELLOW{1.0f, 1.0f, 0.0f, 1.0f};
inline constexpr Color LIGHT_GRAY{0.75f, 0.75f, 0.75f, 1.0f};
inline constexpr Color GRAY{0.5f, 0.5f, 0.5f, 1.0f};
inline constexpr Color DARK_GRAY{0.25f, 0.25f, 0.25f, 1.0f};

// Orbit-history colours by a body's colorIndex. Copies of the palette made at compile time, so no
// static-initialisation order can leave an entry empty.
inline constexpr int historyColorCount = 9;
inline constexpr Color historyColors[historyColorCount] = {
    RED, GREEN, BLUE, CYAN, MAGENTA, YELLOW, LIGHT_GRAY, DARK_GRAY, WHITE,
};
