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

// The window positions (x, y pairs) of `count` points (x, y, z, `stride` floats apart) as GL places
// them; false, and nothing useful in `window`, when a point is not beyond the near plane.
bool windowPositions(const Sight& sight, const float* points, std::size_t count, std::size_t stride,
                     std::vector<double>& window);

// Whether a triangle with these window corners surely covers no pixel centre, so GL makes no fragment
// of it: its bounding box misses every centre by more than GL's rounding of the corners.
bool missesEveryPixelCentre(const double* a, const double* b, const double* c);

} // namespace mesh
