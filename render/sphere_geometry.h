// Sphere arithmetic without GL: a quadric sphere's vertices as GLU generates them (for the browser,
// whose GL has no GLU quadrics), its size on the screen, and when its back faces may be culled.
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

// Whether GL may cull the back faces of a sphere of `radius` about the model-view's origin, drawn as
// GLU draws it from outside (counter-clockwise seen from outside), without changing what shows: the
// model-view turns and moves but neither scales nor mirrors, the projection does not mirror, and the
// whole sphere lies beyond the near plane, so that the eye is outside it and no front face is clipped
// away to show a back face. Matrices are column by column.
bool backFacesHidden(const float modelview[16], const float projection[16], double radius);

} // namespace mesh
