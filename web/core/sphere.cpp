#include "web/core/sphere.h"

#include <cmath>

namespace mesh
{

std::vector<std::vector<SphereVertex>> sphereStrips(double radius, int slices, int stacks, const Style& style)
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

} // namespace mesh

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
