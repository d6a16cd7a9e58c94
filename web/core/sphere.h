// The browser's GLU spheres without GL (the browser's GLU has no quadrics): a quadric sphere's
// vertices as GLU generates them, its size on the screen, and how few facets a small one needs.
#pragma once

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

} // namespace mesh

namespace web
{

// The slices (and, in proportion, stacks) a sphere needs for its outline to stay within a tenth of a
// pixel of GLU's with `slices`, when its radius covers `radiusPixels` on the screen: a few standard
// counts, never more than asked for. A sphere of unknown size (zero or less, or not a number) keeps
// every slice.
int slicesFor(double radiusPixels, int slices);

} // namespace web
