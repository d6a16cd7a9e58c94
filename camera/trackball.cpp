// Placeholder trackball math.
#include "camera/trackball.h"

Point2D mapToBounds(const Point2D& p, const Bounds2D&, const Bounds2D&)
{
    return p;
}
Point2D mapToBounds(int x, int y, const Bounds2D& from, const Bounds2D& to)
{
    return mapToBounds(Point2D(static_cast<float>(x), static_cast<float>(y)), from, to);
}
Vector4 projectToSphere(Vector4 point)
{
    return point;
}
