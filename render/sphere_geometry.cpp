#include "render/sphere_geometry.h"

#include <cmath>
#include <initializer_list>

namespace mesh
{

namespace
{
double det3(const double a[3], const double b[3], const double c[3])
{
    return a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
           a[2] * (b[0] * c[1] - b[1] * c[0]);
}
} // namespace

bool backFacesHidden(const float modelview[16], const float projection[16], double radius)
{
    if (!(radius > 0.0))
        return false;
    const float* m = modelview;
    if (m[3] != 0.0f || m[7] != 0.0f || m[11] != 0.0f || m[15] != 1.0f)
        return false;
    // A rotation: unit columns with a positive determinant, so the radius is the same in eye space.
    const double x[3] = {m[0], m[1], m[2]}, y[3] = {m[4], m[5], m[6]}, z[3] = {m[8], m[9], m[10]};
    for (const double* column : {x, y, z})
        if (!(std::fabs(column[0] * column[0] + column[1] * column[1] + column[2] * column[2] - 1.0) < 1e-4))
            return false;
    if (!(det3(x, y, z) > 0.0))
        return false;
    // A perspective or orthographic projection turns right-handed eye space into left-handed clip
    // space (a negative determinant) unless it mirrors too. Its first row against the minors of the
    // other three.
    const float* p = projection;
    double det = 0.0;
    double sign = 1.0;
    for (int c = 0; c < 4; ++c, sign = -sign)
    {
        double minor[3][3];
        for (int k = 0, n = 0; k < 4; ++k)
            if (k != c)
            {
                for (int r = 1; r < 4; ++r)
                    minor[n][r - 1] = p[k * 4 + r];
                ++n;
            }
        det += sign * p[c * 4] * det3(minor[0], minor[1], minor[2]);
    }
    if (!(det < 0.0))
        return false;
    // The near plane in eye space (clip z >= -w), and the sphere's centre there (the model-view's
    // translation); the margin covers the single precision GL transforms and clips in.
    const double plane[4] = {double(p[3]) + p[2], double(p[7]) + p[6], double(p[11]) + p[10],
                             double(p[15]) + p[14]};
    const double length = std::sqrt(plane[0] * plane[0] + plane[1] * plane[1] + plane[2] * plane[2]);
    const double distance = (plane[0] * m[12] + plane[1] * m[13] + plane[2] * m[14] + plane[3]) / length;
    return distance > 1.001 * radius + 1e-3;
}

} // namespace mesh
