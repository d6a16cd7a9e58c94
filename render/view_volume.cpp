// The view volume read back from GL's matrices and viewport, and the box test against it.
#include "render/view_volume.h"

#include <GL/gl.h>
#include <cmath>

ViewVolume ViewVolume::current()
{
    ViewVolume volume;
    GLdouble projection[16];
    GLdouble modelview[16];
    GLint viewport[4];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[2] <= 0 || viewport[3] <= 0)
        return volume;

    // Rows of projection * modelview; GL stores matrices column by column.
    double row[4][4];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
        {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += projection[k * 4 + r] * modelview[c * 4 + k];
            if (!std::isfinite(sum))
                return volume;
            row[r][c] = sum;
        }

    constexpr double marginPixels = 4.0;
    constexpr double depthSlack = 1e-5; // of w: 0.25 clip units, some 600 units of depth, at the far plane
    const double widen[3] = {1.0 + 2.0 * marginPixels / viewport[2], 1.0 + 2.0 * marginPixels / viewport[3],
                             1.0 + depthSlack};
    // Inside along axis a: -widen * w <= clip_a <= widen * w, one plane for each side.
    for (int axis = 0; axis < 3; ++axis)
        for (int c = 0; c < 4; ++c)
        {
            volume.planes_[2 * axis][c] = widen[axis] * row[3][c] + row[axis][c];
            volume.planes_[2 * axis + 1][c] = widen[axis] * row[3][c] - row[axis][c];
        }
    volume.usable_ = true;
    return volume;
}

namespace
{
bool isFinite(const Box& box)
{
    return std::isfinite(box.low.x()) && std::isfinite(box.low.y()) && std::isfinite(box.low.z()) &&
           std::isfinite(box.high.x()) && std::isfinite(box.high.y()) && std::isfinite(box.high.z());
}
} // namespace

bool ViewVolume::excludes(const Box& box) const
{
    if (!usable_ || !isFinite(box))
        return false;
    for (const auto& plane : planes_)
    {
        const double x = plane[0] > 0.0 ? box.high.x() : box.low.x();
        const double y = plane[1] > 0.0 ? box.high.y() : box.low.y();
        const double z = plane[2] > 0.0 ? box.high.z() : box.low.z();
        if (plane[0] * x + plane[1] * y + plane[2] * z + plane[3] < 0.0)
            return true;
    }
    return false;
}
