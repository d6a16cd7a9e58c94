#include "render/sphere_geometry.h"

#include <cmath>

namespace mesh
{

std::vector<std::vector<SphereVertex>> sphereStrips(double radius, int slices, int stacks,
                                                    const Style& style)
{
    // GLU's caches hold 240 entries; it works in single precision from angles rounded to float.
    constexpr int cacheSize = 240;
    constexpr double pi = 3.14159265358979323846;
    if (slices >= cacheSize)
        slices = cacheSize - 1;
    if (stacks >= cacheSize)
        stacks = cacheSize - 1;
    std::vector<std::vector<SphereVertex>> strips;
    if (slices < 2 || stacks < 1 || radius < 0.0)
        return strips;

    const float sign = style.outside ? 1.0f : -1.0f;
    std::vector<float> sinA(slices + 1), cosA(slices + 1), sinFaceA(slices + 1), cosFaceA(slices + 1);
    std::vector<float> sinB(stacks + 1), cosB(stacks + 1), sinNormB(stacks + 1), cosNormB(stacks + 1);
    std::vector<float> sinFaceB(stacks + 1), cosFaceB(stacks + 1);
    for (int i = 0; i < slices; ++i)
    {
        const float angle = static_cast<float>(2 * pi * i / slices);
        sinA[i] = static_cast<float>(std::sin(double(angle)));
        cosA[i] = static_cast<float>(std::cos(double(angle)));
        const float face = static_cast<float>(2 * pi * (i - 0.5) / slices);
        sinFaceA[i] = static_cast<float>(std::sin(double(face)));
        cosFaceA[i] = static_cast<float>(std::cos(double(face)));
    }
    sinA[slices] = sinA[0];
    cosA[slices] = cosA[0];
    sinFaceA[slices] = sinFaceA[0];
    cosFaceA[slices] = cosFaceA[0];
    for (int j = 0; j <= stacks; ++j)
    {
        const float angle = static_cast<float>(pi * j / stacks);
        sinNormB[j] = sign * static_cast<float>(std::sin(double(angle)));
        cosNormB[j] = sign * static_cast<float>(std::cos(double(angle)));
        sinB[j] = static_cast<float>(radius * std::sin(double(angle)));
        cosB[j] = static_cast<float>(radius * std::cos(double(angle)));
        const float face = static_cast<float>(pi * (j - 0.5) / stacks);
        sinFaceB[j] = sign * static_cast<float>(std::sin(double(face)));
        cosFaceB[j] = sign * static_cast<float>(std::cos(double(face)));
    }
    sinB[0] = 0.0f; // both poles come to a point
    sinB[stacks] = 0.0f;

    for (int j = 0; j < stacks; ++j)
    {
        std::vector<SphereVertex> strip;
        strip.reserve(2 * static_cast<std::size_t>(slices + 1));
        // The first vertex of each pair carries the smooth normal of its own row; the second the
        // smooth normal of its row, or the flat normal of the face between the rows.
        const int firstRow = style.outside ? j + 1 : j;
        const int secondRow = style.outside ? j : j + 1;
        for (int i = 0; i <= slices; ++i)
        {
            const float s = 1.0f - static_cast<float>(i) / static_cast<float>(slices);
            for (int k = 0; k < 2; ++k)
            {
                const int row = k == 0 ? firstRow : secondRow;
                SphereVertex v{};
                if (style.normals == Normals::Smooth)
                {
                    v.setsNormal = true;
                    v.normal[0] = sinA[i] * sinNormB[row];
                    v.normal[1] = cosA[i] * sinNormB[row];
                    v.normal[2] = cosNormB[row];
                }
                else if (style.normals == Normals::Flat && k == 1)
                {
                    v.setsNormal = true;
                    v.normal[0] = sinFaceA[i] * sinFaceB[j + 1];
                    v.normal[1] = cosFaceA[i] * sinFaceB[j + 1];
                    v.normal[2] = cosFaceB[j + 1];
                }
                if (style.textured)
                {
                    v.texCoord[0] = s;
                    v.texCoord[1] = 1.0f - static_cast<float>(row) / static_cast<float>(stacks);
                }
                v.position[0] = sinB[row] * sinA[i];
                v.position[1] = sinB[row] * cosA[i];
                v.position[2] = cosB[row];
                strip.push_back(v);
            }
        }
        strips.push_back(std::move(strip));
    }
    return strips;
}

double radiusInPixels(const float modelview[16], const float projection[16], int width, int height,
                      double radius)
{
    const float* p = projection;
    if (p[3] != 0.0f || p[7] != 0.0f || p[11] != -1.0f || p[15] != 0.0f || width <= 0 || height <= 0)
        return 0.0;
    // The model-view may turn and move (a rotation keeps lengths); anything else cannot be told.
    const float* m = modelview;
    for (int c = 0; c < 3; ++c)
        if (!(std::fabs(double(m[c * 4]) * m[c * 4] + double(m[c * 4 + 1]) * m[c * 4 + 1] +
                        double(m[c * 4 + 2]) * m[c * 4 + 2] - 1.0) < 1e-4))
            return 0.0;
    // The nearest depth of the sphere, and the larger of the two pixel scales at depth 1; twice that,
    // for the stretch of a perspective picture towards its edges.
    const double nearest = -double(m[14]) - radius;
    if (!(nearest > 0.0))
        return 0.0;
    const double scale = std::fmax(std::fabs(double(p[0])) * width, std::fabs(double(p[5])) * height) / 2.0;
    return 2.0 * radius * scale / nearest;
}

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
