#include "web/core/wide_line.h"

#include <cmath>

namespace web
{

std::optional<std::array<Clip, 4>> wideLineQuad(Clip a, Clip b, float width, float viewportWidth,
                                                float viewportHeight)
{
    // Distances to the near plane z = -w; a point is in front of the eye where it is not negative.
    const float da = a[2] + a[3];
    const float db = b[2] + b[3];
    if (da < 0.0f && db < 0.0f)
        return std::nullopt;
    if (da < 0.0f || db < 0.0f)
    {
        Clip& out = da < 0.0f ? a : b;
        const float t = da / (da - db);
        for (int k = 0; k < 4; ++k)
            out[k] = a[k] + t * (b[k] - a[k]);
    }
    if (!(a[3] > 0.0f) || !(b[3] > 0.0f))
        return std::nullopt;

    // The direction in pixels, and half the width across it, back in normalised device units.
    const float halfW = 0.5f * viewportWidth;
    const float halfH = 0.5f * viewportHeight;
    const float dx = (b[0] / b[3] - a[0] / a[3]) * halfW;
    const float dy = (b[1] / b[3] - a[1] / a[3]) * halfH;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0.0f) || !std::isfinite(length))
        return std::nullopt;
    const float nx = -dy / length * 0.5f * width / halfW;
    const float ny = dx / length * 0.5f * width / halfH;

    auto offset = [&](const Clip& p, float side) {
        return Clip{p[0] + side * nx * p[3], p[1] + side * ny * p[3], p[2], p[3]};
    };
    return std::array<Clip, 4>{offset(a, 1.0f), offset(a, -1.0f), offset(b, 1.0f), offset(b, -1.0f)};
}

} // namespace web
