#include "web/core/sphere.h"

#include <cmath>

namespace web
{

int slicesFor(double radiusPixels, int slices)
{
    if (!(radiusPixels > 0.0))
        return slices;
    // A polygon of n sides inscribed in a circle of r pixels lies within r (1 - cos(pi / n)) of it.
    constexpr double pi = 3.14159265358979323846;
    for (const int n : {8, 12, 16, 24, 32})
        if (n < slices && radiusPixels * (1.0 - std::cos(pi / n)) <= 0.1)
            return n;
    return slices;
}

} // namespace web
