// Mapping mouse positions between rectangles and onto the virtual trackball.
#include "camera/trackball.h"

#include <cmath>

Point2D mapToBounds(const Point2D& p, const Bounds2D& from, const Bounds2D& to)
{
    // Per axis in single precision; the scale factor is rounded before it multiplies.
    const float x = to.x() + (p.x() - from.x()) * (to.width() / from.width());
    const float y = to.y() + (p.y() - from.y()) * (to.height() / from.height());
    return Point2D(x, y);
}

Point2D mapToBounds(int x, int y, const Bounds2D& from, const Bounds2D& to)
{
    return mapToBounds(Point2D(static_cast<float>(x), static_cast<float>(y)), from, to);
}

Vector4 projectToSphere(Vector4 point)
{
    // Outside the unit circle (towards the window's corners) the point is pulled onto the rim.
    if (point.length() > 1.0f)
        point.normalize();
    // 1 - x*x is rounded to float, the rest of the height is worked out in double. On the rim the
    // rounding can leave s slightly negative: such a point sits at z = 0.
    const float oneMinusXSquared = 1.0f - point.x() * point.x();
    const double y = point.y();
    double s = static_cast<double>(oneMinusXSquared) - y * y;
    if (s < 0.0)
        s = 0.0;
    return point.setZ(static_cast<float>(std::sqrt(s)));
}
