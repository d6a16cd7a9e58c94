#include "web/core/sphere.h"

#include <cmath>

namespace web
{

std::vector<std::vector<SphereVertex>> sphereStrips(double radius, int slices, int stacks,
                                                    const QuadricStyle& style)
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
        sinA[i] = static_cast<float>(std::sin(angle));
        cosA[i] = static_cast<float>(std::cos(angle));
        const float face = static_cast<float>(2 * pi * (i - 0.5) / slices);
        sinFaceA[i] = static_cast<float>(std::sin(face));
        cosFaceA[i] = static_cast<float>(std::cos(face));
    }
    sinA[slices] = sinA[0];
    cosA[slices] = cosA[0];
    sinFaceA[slices] = sinFaceA[0];
    cosFaceA[slices] = cosFaceA[0];
    for (int j = 0; j <= stacks; ++j)
    {
        const float angle = static_cast<float>(pi * j / stacks);
        sinNormB[j] = sign * static_cast<float>(std::sin(angle));
        cosNormB[j] = sign * static_cast<float>(std::cos(angle));
        sinB[j] = static_cast<float>(radius * std::sin(angle));
        cosB[j] = static_cast<float>(radius * std::cos(angle));
        const float face = static_cast<float>(pi * (j - 0.5) / stacks);
        sinFaceB[j] = sign * static_cast<float>(std::sin(face));
        cosFaceB[j] = sign * static_cast<float>(std::cos(face));
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

} // namespace web
