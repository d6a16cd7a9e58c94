// Spheres compiled once into GL display lists and replayed.
#include "render/sphere_lists.h"

#include <GL/glu.h>

#ifdef VELMIR_BROWSER_GL
// The browser's GL layer has no display lists: the sphere comes from GLU every time.
void drawSphere(GLUquadric* quadric, float radius)
{
    gluSphere(quadric, radius, 50, 50);
}

void forgetSpheres(GLUquadric*) {}
#else
#include <cstddef>
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
// The program has eleven radii at most; the bound keeps radii that change all the time from filling memory.
constexpr std::size_t maxCompiled = 64;

// Radii are compared bit for bit: a list holds vertices computed for one exact radius.
bool sameRadius(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}
} // namespace

void drawSphere(GLUquadric* quadric, float radius)
{
    for (const CompiledSphere& c : compiled)
        if (c.quadric == quadric && sameRadius(c.radius, radius))
        {
            glCallList(c.list);
            return;
        }
    const GLuint list = compiled.size() < maxCompiled ? glGenLists(1) : 0;
    if (list == 0) // drawn as it comes
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
#endif
