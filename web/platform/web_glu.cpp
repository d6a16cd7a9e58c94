// GLU's quadric objects and spheres, which the browser's GLU lacks, drawn from the generated strips.
#include "web/core/sphere.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

struct GLUquadric
{
    web::QuadricStyle style;
    // The strips of every sphere drawn with this style: the bodies share one quadric and each keeps
    // its radius, so a frame generates nothing.
    std::map<std::tuple<double, int, int>, std::vector<std::vector<web::SphereVertex>>> strips;
};

extern "C" {

GLUquadric* gluNewQuadric(void)
{
    return new GLUquadric{};
}

void gluDeleteQuadric(GLUquadric* quadric)
{
    delete quadric;
}

void gluQuadricDrawStyle(GLUquadric*, GLenum)
{
    // Only filled spheres are drawn.
}

void gluQuadricNormals(GLUquadric* quadric, GLenum normals)
{
    quadric->strips.clear();
    quadric->style.normals = normals == GLU_FLAT ? web::Normals::Flat
                             : normals == GLU_NONE ? web::Normals::None
                                                   : web::Normals::Smooth;
}

void gluQuadricOrientation(GLUquadric* quadric, GLenum orientation)
{
    quadric->strips.clear();
    quadric->style.outside = orientation != GLU_INSIDE;
}

void gluQuadricTexture(GLUquadric* quadric, GLboolean texture)
{
    quadric->strips.clear();
    quadric->style.textured = texture != GL_FALSE;
}

void gluSphere(GLUquadric* quadric, GLdouble radius, GLint slices, GLint stacks)
{
    // A quad strip and a triangle strip over the same vertices make the same triangles; WebGL has only
    // the second. The browser's immediate mode needs the same attributes on every vertex, so a vertex
    // for which GLU sets no normal repeats the current one (GL's initial normal before the first).
    float normal[3] = {0.0f, 0.0f, 1.0f};
    auto& strips = quadric->strips[{radius, slices, stacks}];
    if (strips.empty())
        strips = web::sphereStrips(radius, slices, stacks, quadric->style);
    for (const auto& strip : strips)
    {
        glBegin(GL_TRIANGLE_STRIP);
        for (const web::SphereVertex& v : strip)
        {
            if (v.setsNormal)
                std::copy(v.normal, v.normal + 3, normal);
            if (quadric->style.normals != web::Normals::None)
                glNormal3f(normal[0], normal[1], normal[2]);
            if (quadric->style.textured)
                glTexCoord2f(v.texCoord[0], v.texCoord[1]);
            glVertex3f(v.position[0], v.position[1], v.position[2]);
        }
        glEnd();
    }
}

} // extern "C"
