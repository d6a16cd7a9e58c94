// A quadric sphere's vertices as GLU generates them: for drawing parts of it, and for a platform whose
// GL has no GLU quadrics.
#pragma once

#include <cstddef>
#include <vector>

namespace mesh
{

enum class Normals
{
    None,
    Flat,
    Smooth,
};

struct Style
{
    Normals normals = Normals::Smooth;
    bool outside = true;
    bool textured = false;
};

struct SphereVertex
{
    // GLU sets a normal only where its style asks for one; elsewhere the previous normal stays current.
    bool setsNormal;
    float normal[3];
    float texCoord[2];
    float position[3];
};

// One strip per stack, from the +z pole down, each vertex pair going round the z axis: the vertices
// GLU sends as a GL_QUAD_STRIP, in its order (the same order makes a GL_TRIANGLE_STRIP with the
// same triangles). Slices and stacks are clamped as GLU clamps them; a sphere GLU refuses (fewer
// than 2 slices, no stack, a negative radius) has no strips.
std::vector<std::vector<SphereVertex>> sphereStrips(double radius, int slices, int stacks,
                                                    const Style& style);

// The radius in pixels, at most, of a sphere of `radius` about the model-view's origin under a
// perspective projection into a viewport `width` x `height`; 0 when it cannot be told (the sphere
// reaches the eye's plane, or the projection is not a plain perspective one).
double radiusInPixels(const float modelview[16], const float projection[16], int width, int height,
                      double radius);

// Where a sphere is seen from: GL's matrices (column by column), the viewport (x, y, width, height) and
// the depth buffer's bits.
struct Sight
{
    const float* modelview;
    const float* projection;
    const int* viewport;
    int depthBits;
};

// Marks the quads of a sphere drawn from outside (`slices` x `stacks` about the model-view's origin, in
// the order of sphereStrips: stack by stack, slice by slice) that no pixel can show: each one faces away
// from the eye, and every pixel it could reach lies well inside the outline, where a face of the near
// side is nearer by a clear margin in the depth buffer. Leaving them out changes neither colour nor
// depth, as long as fragments pass the depth test only when nearer and write their depth. Returns how
// many are marked; none when that cannot be told for sure (the sphere reaches the near plane, the
// model-view stretches, the projection is not a perspective one, or the sphere is too small or too far
// for a clear margin).
std::size_t hiddenQuads(const Sight& sight, double radius, int slices, int stacks,
                        std::vector<unsigned char>& hidden);

// The pixel centres GL may count a window point as near: columns lowColumn..highColumn and rows
// lowRow..highRow (their centres at n + 1/2), the centres within a fiftieth of a pixel of it, more
// than GL's rounding (corners on a grid of 1/256 pixel, single precision).
struct CentreReach
{
    double lowColumn, highColumn, lowRow, highRow;
};

// The reach of each of `count` points (x, y, z, `stride` floats apart) where GL places them in the
// window; false, and nothing useful in `reach`, when a point is not beyond the near plane. With `only`,
// just the points it flags (one byte a point): the others are neither placed nor checked.
bool windowReach(const Sight& sight, const float* points, std::size_t count, std::size_t stride,
                 std::vector<CentreReach>& reach, const unsigned char* only = nullptr);

// Whether a triangle (or a quad: both its triangles) with corners of this reach surely covers no pixel
// centre, so GL makes no fragment of it: no column, or no row, of centres lies within its bounding box
// and the margin.
inline bool missesEveryPixelCentre(const CentreReach& a, const CentreReach& b, const CentreReach& c,
                                   const CentreReach& d)
{
    const auto max2 = [](double x, double y) { return x > y ? x : y; };
    const auto min2 = [](double x, double y) { return x < y ? x : y; };
    return max2(max2(a.highColumn, b.highColumn), max2(c.highColumn, d.highColumn)) <
               min2(min2(a.lowColumn, b.lowColumn), min2(c.lowColumn, d.lowColumn)) ||
           max2(max2(a.highRow, b.highRow), max2(c.highRow, d.highRow)) <
               min2(min2(a.lowRow, b.lowRow), min2(c.lowRow, d.lowRow));
}
inline bool missesEveryPixelCentre(const CentreReach& a, const CentreReach& b, const CentreReach& c)
{
    return missesEveryPixelCentre(a, b, c, c);
}

} // namespace mesh
