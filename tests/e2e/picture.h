// Measurements of the program's picture that survive small shifts of textured surfaces.
#pragma once

#include "x11_util.h"

// Pixels of the sun's warm colours within `radius` of the window's centre, where the camera's target
// is drawn. With the sun as target this is the apparent size of its disc: it grows as the camera
// zooms in and shrinks as it zooms out, while the cold grey planets and the sky's stars are not
// counted.
inline long warmPixelsNearCentre(const x11util::Image& image, int radius = 120)
{
    long count = 0;
    const int cx = image.width / 2, cy = image.height / 2;
    for (int y = cy - radius; y < cy + radius; ++y)
        for (int x = cx - radius; x < cx + radius; ++x)
        {
            if (x < 0 || y < 0 || x >= image.width || y >= image.height)
                continue;
            const std::uint8_t* p = image.pixel(x, y);
            if (p[0] > 120 && p[0] > p[2] + 80)
                ++count;
        }
    return count;
}
