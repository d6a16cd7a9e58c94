// A quadric sphere generated as GLU generates it, for a platform whose GL has no GLU quadrics.
#pragma once

#include <vector>

namespace web
{

enum class Normals
{
    None,
    Flat,
    Smooth,
};

struct QuadricStyle
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
                                                    const QuadricStyle& style);

} // namespace web
