// GLU's quadric objects and spheres, which the browser's GLU lacks, drawn from the generated strips.
#define VELMIR_WEB_LAYER
#define GL_GLEXT_PROTOTYPES
#include "web/core/sphere.h"
#include "web/include/velmir_web_gl.h"

#include <GL/glext.h>
#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

namespace
{
// Texture coordinates, normal and position of one vertex, as the arrays below read them.
constexpr int floatsPerVertex = 8;

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

bool facesAwayHidden(double radius)
{
    GLfloat modelview[16], projection[16];
    velmirGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    velmirGetFloatv(GL_PROJECTION_MATRIX, projection);
    return web::backFacesHidden(modelview, projection, radius);
}
} // namespace

// One sphere's triangles, in a buffer of GL's own once made: sent once, not with every frame.
struct SphereMesh
{
    GLuint buffer = 0;
    GLsizei vertices = 0;
};

struct GLUquadric
{
    web::QuadricStyle style;
    // Every sphere drawn with this style: the bodies share one quadric and each keeps its radius, so
    // a frame generates and uploads nothing.
    std::map<std::tuple<double, int, int>, SphereMesh> meshes;

    void forgetMeshes()
    {
        for (auto& entry : meshes)
            glDeleteBuffers(1, &entry.second.buffer);
        meshes.clear();
    }
};

extern "C"
{

    GLUquadric* gluNewQuadric(void)
    {
        return new GLUquadric{};
    }

    void gluDeleteQuadric(GLUquadric* quadric)
    {
        if (quadric)
            quadric->forgetMeshes();
        delete quadric;
    }

    void gluQuadricDrawStyle(GLUquadric*, GLenum)
    {
        // Only filled spheres are drawn.
    }

    void gluQuadricNormals(GLUquadric* quadric, GLenum normals)
    {
        quadric->forgetMeshes();
        quadric->style.normals = normals == GLU_FLAT   ? web::Normals::Flat
                                 : normals == GLU_NONE ? web::Normals::None
                                                       : web::Normals::Smooth;
    }

    void gluQuadricOrientation(GLUquadric* quadric, GLenum orientation)
    {
        quadric->forgetMeshes();
        quadric->style.outside = orientation != GLU_INSIDE;
    }

    void gluQuadricTexture(GLUquadric* quadric, GLboolean texture)
    {
        quadric->forgetMeshes();
        quadric->style.textured = texture != GL_FALSE;
    }

    void gluSphere(GLUquadric* quadric, GLdouble radius, GLint slices, GLint stacks)
    {
        SphereMesh& mesh = quadric->meshes[{radius, slices, stacks}];
        if (mesh.buffer == 0)
        {
            const std::vector<float> data =
                triangles(web::sphereStrips(radius, slices, stacks, quadric->style));
            glGenBuffers(1, &mesh.buffer);
            glBindBuffer(GL_ARRAY_BUFFER, mesh.buffer);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.size() * sizeof(float)), data.data(),
                         GL_STATIC_DRAW);
            mesh.vertices = static_cast<GLsizei>(data.size() / floatsPerVertex);
        }
        else
            glBindBuffer(GL_ARRAY_BUFFER, mesh.buffer);
        if (mesh.vertices > 0)
        {
            // With a buffer bound, the array pointers are offsets into it.
            constexpr GLsizei stride = floatsPerVertex * sizeof(float);
            const auto offset = [](std::size_t floats) {
                return reinterpret_cast<const void*>(floats * sizeof(float));
            };
            const bool textured = quadric->style.textured;
            const bool normals = quadric->style.normals != web::Normals::None;
            glEnableClientState(GL_VERTEX_ARRAY);
            if (textured)
                glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            if (normals)
                glEnableClientState(GL_NORMAL_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, stride, offset(0));
            glNormalPointer(GL_FLOAT, stride, offset(2));
            glVertexPointer(3, GL_FLOAT, stride, offset(5));
            // A software WebGL sets up every triangle it is sent; seen from outside, the half that faces
            // away is hidden by the other half (up to a pixel of a near tie at the outline).
            const bool cull = quadric->style.outside && glIsEnabled(GL_DEPTH_TEST) && !glIsEnabled(GL_BLEND) &&
                              !glIsEnabled(GL_CULL_FACE) && facesAwayHidden(radius);
            if (cull)
                glEnable(GL_CULL_FACE);
            glDrawArrays(GL_TRIANGLES, 0, mesh.vertices);
            if (cull)
                glDisable(GL_CULL_FACE);
            if (textured)
                glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            if (normals)
                glDisableClientState(GL_NORMAL_ARRAY);
        }
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        velmirRestoreClientVertexArray(); // as the program's own client state has it
    }

} // extern "C"
