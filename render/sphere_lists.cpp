// Spheres compiled once into GL display lists and replayed.
#include "render/sphere_lists.h"

#include <GL/glu.h>
#include <cstring>
#include <vector>

namespace
{
struct CompiledSphere
{
    GLUquadric* quadric;
    float radius;
    GLuint list;
};
std::vector<CompiledSphere> compiled;

// Radii are compared bit for bit: a list holds vertices computed for one exact radius.
bool sameRadius(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}
} // namespace

void drawSphere(GLUquadric* quadric, float radius)
{
#ifdef __EMSCRIPTEN__
    // The browser's GL layer has no display lists.
    gluSphere(quadric, radius, 50, 50);
    return;
#endif
    for (const CompiledSphere& c : compiled)
        if (c.quadric == quadric && sameRadius(c.radius, radius))
        {
            glCallList(c.list);
            return;
        }
    const GLuint list = glGenLists(1);
    if (list == 0)
    {
        gluSphere(quadric, radius, 50, 50);
        return;
    }
    glNewList(list, GL_COMPILE);
    gluSphere(quadric, radius, 50, 50);
    glEndList();
    compiled.push_back({quadric, radius, list});
    glCallList(list);
}

void forgetSpheres(GLUquadric* quadric)
{
    for (std::size_t i = compiled.size(); i-- > 0;)
        if (compiled[i].quadric == quadric)
        {
            glDeleteLists(compiled[i].list, 1);
            compiled.erase(compiled.begin() + static_cast<std::ptrdiff_t>(i));
        }
}
