#include "render/sphere_geometry.h"

#include <algorithm>
#include <array>
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
using Vec = std::array<double, 3>;

double dot(const Vec& a, const Vec& b)
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

Vec minus(const Vec& a, const Vec& b)
{
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

// A sphere of radius 1: its vertices' directions, row by row from the +z pole, and each quad's plane
// (outward unit normal, distance from the centre). Kept for the last size asked for.
struct UnitSphere
{
    int slices = 0;
    int stacks = 0;
    std::vector<Vec> directions;
    std::vector<std::array<double, 4>> planes;
};

const UnitSphere& unitSphere(int slices, int stacks)
{
    static UnitSphere unit;
    if (unit.slices == slices && unit.stacks == stacks)
        return unit;
    constexpr double pi = 3.14159265358979323846;
    unit.slices = slices;
    unit.stacks = stacks;
    unit.directions.clear();
    for (int row = 0; row <= stacks; ++row)
        for (int i = 0; i <= slices; ++i)
        {
            const double across = pi * row / stacks;
            const double round = 2 * pi * i / slices;
            unit.directions.push_back(
                {std::sin(across) * std::sin(round), std::sin(across) * std::cos(round), std::cos(across)});
        }
    unit.planes.clear();
    const auto at = [&](int row, int i) { return unit.directions[std::size_t(row) * (slices + 1) + i]; };
    for (int j = 0; j < stacks; ++j)
        for (int i = 0; i < slices; ++i)
        {
            // The diagonals span the quad, also where a pole folds it into a triangle.
            const Vec a = at(j, i), b = at(j + 1, i), c = at(j, i + 1), d = at(j + 1, i + 1);
            const Vec u = minus(d, a), v = minus(c, b);
            Vec n = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
            const double length = std::sqrt(dot(n, n));
            const double outward = dot(n, Vec{a[0] + b[0] + c[0] + d[0], a[1] + b[1] + c[1] + d[1],
                                             a[2] + b[2] + c[2] + d[2]}) < 0
                                       ? -1.0
                                       : 1.0;
            for (double& x : n)
                x *= outward / length;
            unit.planes.push_back({n[0], n[1], n[2], dot(n, a)});
        }
    return unit;
}
} // namespace

std::size_t hiddenQuads(const Sight& sight, double radius, int slices, int stacks,
                        std::vector<unsigned char>& hidden)
{
    hidden.assign(slices > 0 && stacks > 0 ? std::size_t(slices) * std::size_t(stacks) : 0, 0);
    const int width = sight.viewport[2];
    const int height = sight.viewport[3];
    if (slices < 2 || stacks < 1 || slices >= 240 || stacks >= 240 || !(radius > 0.0) || width <= 0 ||
        height <= 0 || sight.depthBits <= 0)
        return 0;
    const float* m = sight.modelview;
    const float* p = sight.projection;

    // The model-view turns, scales evenly and moves: the sphere stays a sphere in eye space.
    if (m[3] != 0.0f || m[7] != 0.0f || m[11] != 0.0f || m[15] != 1.0f)
        return 0;
    const Vec axes[3] = {{m[0], m[1], m[2]}, {m[4], m[5], m[6]}, {m[8], m[9], m[10]}};
    const double scale2 = dot(axes[0], axes[0]);
    for (int k = 0; k < 3; ++k)
        if (!(std::fabs(dot(axes[k], axes[k]) - scale2) <= 1e-5 * scale2) ||
            !(std::fabs(dot(axes[k], axes[(k + 1) % 3])) <= 1e-5 * scale2))
            return 0;
    // A perspective projection whose depth depends on the eye's distance alone.
    if (p[2] != 0.0f || p[3] != 0.0f || p[6] != 0.0f || p[7] != 0.0f || p[11] != -1.0f || p[15] != 0.0f ||
        !(p[14] < 0.0f) || !(p[10] < 1.0f))
        return 0;
    const double nearPlane = double(p[14]) / (double(p[10]) - 1.0);

    constexpr double pi = 3.14159265358979323846;
    const Vec centre = {m[12], m[13], m[14]};
    const double distance = std::sqrt(dot(centre, centre));
    const double eyeRadius = std::sqrt(scale2) * radius;
    if (!(-centre[2] - eyeRadius > 1.001 * nearPlane))
        return 0;
    // Every face lies outside this smaller sphere, so every ray that meets it enters through a near face.
    const double inner = eyeRadius * std::cos(pi / slices + pi / stacks);
    // Rays at most maxAngle off the centre meet the inner sphere a quarter of a pixel inside its
    // outline (a pixel spans at least 1 / pixelsPerRadian anywhere in a perspective picture).
    const double pixelsPerRadian =
        std::min(std::fabs(double(p[0])) * width, std::fabs(double(p[5])) * height) / 2.0;
    const double maxAngle = std::asin(std::min(1.0, inner / distance)) - 0.25 / pixelsPerRadian;
    if (!(maxAngle > 0.0))
        return 0;
    // Along such a ray the far side is at least `chord` beyond the near side; in the depth buffer that is
    // at least |p14| / 2 (1 / t1 - 1 / t2) >= |p14| / 2 chord / (distance + radius)^2.
    const double sine = std::sin(maxAngle);
    const double chord = 2.0 * std::sqrt(std::max(0.0, inner * inner - distance * distance * sine * sine));
    const double depthGap = std::fabs(double(p[14])) / 2.0 * chord / ((distance + eyeRadius) * (distance + eyeRadius));
    if (!(depthGap >= std::ldexp(64.0, -std::min(sight.depthBits, 32))))
        return 0;

    // The eye in the sphere's own coordinates, in units of its radius.
    const double toUnit = 1.0 / (scale2 * radius);
    const Vec eye = {-dot(axes[0], centre) * toUnit, -dot(axes[1], centre) * toUnit, -dot(axes[2], centre) * toUnit};
    const double eyeDistance = std::sqrt(dot(eye, eye));
    const double minCosine = std::cos(maxAngle);
    const UnitSphere& unit = unitSphere(slices, stacks);
    // Kept between calls: this runs for every body every frame.
    static std::vector<unsigned char> inside;
    inside.assign(unit.directions.size(), 0);
    for (std::size_t v = 0; v < inside.size(); ++v)
    {
        // The angle at the eye between the vertex and the centre.
        const Vec ray = minus(unit.directions[v], eye);
        inside[v] = -dot(ray, eye) >= minCosine * std::sqrt(dot(ray, ray)) * eyeDistance;
    }
    std::size_t count = 0;
    const auto in = [&](int row, int i) { return inside[std::size_t(row) * (slices + 1) + i] != 0; };
    for (int j = 0; j < stacks; ++j)
        for (int i = 0; i < slices; ++i)
        {
            const std::size_t q = std::size_t(j) * slices + i;
            const auto& plane = unit.planes[q];
            const bool facesAway = plane[0] * eye[0] + plane[1] * eye[1] + plane[2] * eye[2] < plane[3] - 1e-6;
            if (facesAway && in(j, i) && in(j + 1, i) && in(j, i + 1) && in(j + 1, i + 1))
            {
                hidden[q] = 1;
                ++count;
            }
        }
    return count;
}

namespace
{
// The centres n + 1/2 within a fiftieth of a pixel of `at`: n from ceil(at - 1/2 - margin) to
// floor(at - 1/2 + margin), from one rounding (at well within the range of long long).
void centresNear(double at, double& low, double& high)
{
    constexpr double margin = 0.02;
    const double shifted = at - 0.5;
    double below = static_cast<double>(static_cast<long long>(shifted));
    if (below > shifted)
        below -= 1.0;
    const double fraction = shifted - below; // in [0, 1)
    low = fraction <= margin ? below : below + 1.0;
    high = fraction >= 1.0 - margin ? below + 1.0 : below;
}
} // namespace

bool windowReach(const Sight& sight, const float* points, std::size_t count, std::size_t stride,
                 std::vector<CentreReach>& reach, const unsigned char* only)
{
    const float* m = sight.modelview;
    const float* p = sight.projection;
    // The near plane in eye space, as hiddenQuads finds it; only a perspective projection is handled.
    if (p[3] != 0.0f || p[7] != 0.0f || p[11] != -1.0f || p[15] != 0.0f || !(p[14] < 0.0f) || !(p[10] < 1.0f))
        return false;
    const double nearPlane = double(p[14]) / (double(p[10]) - 1.0);
    // Model-view and projection in one matrix (rows x, y and w of clip space), and the eye's depth:
    // sixteen products a point.
    double rows[3][4];
    const int clipRows[3] = {0, 1, 3};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
        {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += double(p[k * 4 + clipRows[r]]) * m[c * 4 + k];
            rows[r][c] = sum;
        }
    const double depth[4] = {-double(m[2]), -double(m[6]), -double(m[10]), -double(m[14])};
    const double halfWidth = sight.viewport[2] / 2.0;
    const double halfHeight = sight.viewport[3] / 2.0;
    const double left = sight.viewport[0] + halfWidth;
    const double bottom = sight.viewport[1] + halfHeight;
    const double nearEnough = 1.001 * nearPlane;
    reach.resize(count);
    for (std::size_t k = 0; k < count; ++k)
    {
        if (only && !only[k])
            continue;
        const float* v = points + k * stride;
        const double x = v[0], y = v[1], z = v[2];
        if (!(depth[0] * x + depth[1] * y + depth[2] * z + depth[3] > nearEnough))
            return false;
        const double w = rows[2][0] * x + rows[2][1] * y + rows[2][2] * z + rows[2][3];
        const double toWindow = 1.0 / w;
        const double column = left + (rows[0][0] * x + rows[0][1] * y + rows[0][2] * z + rows[0][3]) * toWindow * halfWidth;
        const double row = bottom + (rows[1][0] * x + rows[1][1] * y + rows[1][2] * z + rows[1][3]) * toWindow * halfHeight;
        // A point far outside the window (or not a number) counts as near every centre.
        if (std::fabs(column) < 1e9 && std::fabs(row) < 1e9)
        {
            centresNear(column, reach[k].lowColumn, reach[k].highColumn);
            centresNear(row, reach[k].lowRow, reach[k].highRow);
        }
        else
            reach[k] = {-1e18, 1e18, -1e18, 1e18};
    }
    return true;
}

} // namespace mesh
