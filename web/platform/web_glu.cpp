// GLU's quadric objects and spheres, which the browser's GLU lacks, drawn from the generated strips.
#include "web/core/gl_state.h"
#include "web/core/sphere.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

extern "C" void velmirRestoreClientVertexArray(void);

namespace
{
// Texture coordinates, normal and position of one vertex, as the arrays below read them.
constexpr int floatsPerVertex = 8;
constexpr std::size_t clientArrayBytes = 2u << 20; // the browser copies client arrays through this

// The strips as separate triangles, GL's own split of a strip (every other triangle turned back to
// keep the winding). The browser's immediate mode needs the same attributes on every vertex, so a
// vertex for which GLU sets no normal repeats the current one (GL's initial normal before the first).
std::vector<float> triangles(const std::vector<std::vector<web::SphereVertex>>& strips)
{
    std::vector<float> out;
    float normal[3] = {0.0f, 0.0f, 1.0f};
    std::vector<float> vertices;
    for (const auto& strip : strips)
    {
        vertices.clear();
        for (const web::SphereVertex& v : strip)
        {
            if (v.setsNormal)
                std::copy(v.normal, v.normal + 3, normal);
            vertices.insert(vertices.end(), {v.texCoord[0], v.texCoord[1], normal[0], normal[1], normal[2],
                                             v.position[0], v.position[1], v.position[2]});
        }
        for (std::size_t k = 0; k + 2 < strip.size(); ++k)
        {
            const std::size_t order[3] = {k % 2 ? k + 1 : k, k % 2 ? k : k + 1, k + 2};
            for (const std::size_t i : order)
                out.insert(out.end(), vertices.begin() + static_cast<std::ptrdiff_t>(i * floatsPerVertex),
                           vertices.begin() + static_cast<std::ptrdiff_t>((i + 1) * floatsPerVertex));
        }
    }
    return out;
}
} // namespace

struct GLUquadric
{
    web::QuadricStyle style;
    // The triangles of every sphere drawn with this style: the bodies share one quadric and each
    // keeps its radius, so a frame generates nothing. One array draw instead of thousands of
    // immediate-mode calls, each a call out of WebAssembly.
    std::map<std::tuple<double, int, int>, std::vector<float>> meshes;
};

extern "C"
{

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
        quadric->meshes.clear();
        quadric->style.normals = normals == GLU_FLAT   ? web::Normals::Flat
                                 : normals == GLU_NONE ? web::Normals::None
                                                       : web::Normals::Smooth;
    }

    void gluQuadricOrientation(GLUquadric* quadric, GLenum orientation)
    {
        quadric->meshes.clear();
        quadric->style.outside = orientation != GLU_INSIDE;
    }

    void gluQuadricTexture(GLUquadric* quadric, GLboolean texture)
    {
        quadric->meshes.clear();
        quadric->style.textured = texture != GL_FALSE;
    }

    void gluSphere(GLUquadric* quadric, GLdouble radius, GLint slices, GLint stacks)
    {
        std::vector<float>& mesh = quadric->meshes[{radius, slices, stacks}];
        if (mesh.empty())
            mesh = triangles(web::sphereStrips(radius, slices, stacks, quadric->style));
        if (mesh.empty())
            return;
        const bool textured = quadric->style.textured;
        const bool normals = quadric->style.normals != web::Normals::None;
        glEnableClientState(GL_VERTEX_ARRAY);
        if (textured)
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        if (normals)
            glEnableClientState(GL_NORMAL_ARRAY);
        constexpr GLsizei stride = floatsPerVertex * sizeof(float);
        const std::size_t count = mesh.size() / floatsPerVertex;
        for (const web::DrawRange& range : web::splitDraw(GL_TRIANGLES, 0, count, stride, clientArrayBytes))
        {
            const float* base = mesh.data() + range.first * floatsPerVertex;
            glTexCoordPointer(2, GL_FLOAT, stride, base);
            glNormalPointer(GL_FLOAT, stride, base + 2);
            glVertexPointer(3, GL_FLOAT, stride, base + 5);
            glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(range.count));
        }
        if (textured)
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        if (normals)
            glDisableClientState(GL_NORMAL_ARRAY);
        velmirRestoreClientVertexArray(); // as the program's own client state has it
    }

} // extern "C"
