// GLU's quadric objects and spheres, which the browser's GLU lacks, drawn from the generated strips.
#define VELMIR_WEB_LAYER
#define GL_GLEXT_PROTOTYPES
#include "web/core/sphere.h"
#include "web/include/velmir_web_gl.h"

#include <GL/glext.h>
#include <algorithm>
#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

namespace
{
// Texture coordinates, normal and position of one vertex, as the arrays below read them.
constexpr int floatsPerVertex = 8;

// Indices are 16-bit (all WebGL 1 takes without an extension), so a sphere with more
// vertices than that is cut into groups of whole strips, each drawn from its own first vertex.
struct IndexGroup
{
    std::size_t firstVertex = 0;
    std::size_t firstIndex = 0;
    std::size_t indices = 0;
};

// The strips as indexed triangles: each strip's vertices once, and GL's own split of a strip into
// triangles (every other one turned back to keep the winding), so a software WebGL transforms each
// vertex once rather than once for each of its triangles. The browser's immediate mode needs the
// same attributes on every vertex, so a vertex for which GLU sets no normal repeats the current one
// (GL's initial normal before the first).
struct IndexedTriangles
{
    std::vector<float> vertices;
    std::vector<std::uint16_t> indices;
    std::vector<IndexGroup> groups;
};

IndexedTriangles indexedTriangles(const std::vector<std::vector<mesh::SphereVertex>>& strips)
{
    IndexedTriangles out;
    float normal[3] = {0.0f, 0.0f, 1.0f};
    for (const auto& strip : strips)
    {
        const std::size_t count = out.vertices.size() / floatsPerVertex;
        if (out.groups.empty() || count - out.groups.back().firstVertex + strip.size() > 65536)
            out.groups.push_back({count, out.indices.size(), 0});
        const std::size_t base = count - out.groups.back().firstVertex;
        for (const mesh::SphereVertex& v : strip)
        {
            if (v.setsNormal)
                std::copy(v.normal, v.normal + 3, normal);
            out.vertices.insert(out.vertices.end(), {v.texCoord[0], v.texCoord[1], normal[0], normal[1], normal[2],
                                                     v.position[0], v.position[1], v.position[2]});
        }
        for (std::size_t k = 0; k + 2 < strip.size(); ++k)
        {
            const std::size_t order[3] = {k % 2 ? k + 1 : k, k % 2 ? k : k + 1, k + 2};
            for (const std::size_t i : order)
                out.indices.push_back(static_cast<std::uint16_t>(base + i));
        }
        out.groups.back().indices = out.indices.size() - out.groups.back().firstIndex;
    }
    return out;
}

// The radius in pixels, at most, of a sphere of `radius` about the model-view's origin.
double radiusInPixels(double radius)
{
    GLfloat modelview[16], projection[16];
    GLint viewport[4];
    velmirGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    velmirGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    return mesh::radiusInPixels(modelview, projection, viewport[2], viewport[3], radius);
}
} // namespace

// One sphere's triangles, in buffers of GL's own once made: sent once, not with every frame.
struct SphereMesh
{
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    std::vector<IndexGroup> groups;
};

struct GLUquadric
{
    mesh::Style style;
    // Every sphere drawn with this style: the bodies share one quadric and each keeps its radius and
    // the few facet counts it has been drawn with, so a frame generates and uploads nothing.
    std::map<std::tuple<double, int, int>, SphereMesh> meshes;

    void forgetMeshes()
    {
        for (auto& entry : meshes)
        {
            glDeleteBuffers(1, &entry.second.vertexBuffer);
            glDeleteBuffers(1, &entry.second.indexBuffer);
        }
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
        quadric->style.normals = normals == GLU_FLAT   ? mesh::Normals::Flat
                                 : normals == GLU_NONE ? mesh::Normals::None
                                                       : mesh::Normals::Smooth;
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
        // A sphere a few pixels across gets fewer, larger facets: its outline moves by less than a
        // tenth of a pixel, and a software WebGL sets up a fraction of the triangles.
        const int fewer = web::slicesFor(radiusInPixels(radius), slices);
        if (fewer < slices)
        {
            stacks = std::max(1, stacks * fewer / slices);
            slices = fewer;
        }
        SphereMesh& mesh = quadric->meshes[{radius, slices, stacks}];
        if (mesh.vertexBuffer == 0)
        {
            const IndexedTriangles data =
                indexedTriangles(mesh::sphereStrips(radius, slices, stacks, quadric->style));
            glGenBuffers(1, &mesh.vertexBuffer);
            glGenBuffers(1, &mesh.indexBuffer);
            glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
            glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(data.vertices.size() * sizeof(float)),
                         data.vertices.data(), GL_STATIC_DRAW);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
            glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                         static_cast<GLsizeiptr>(data.indices.size() * sizeof(std::uint16_t)), data.indices.data(),
                         GL_STATIC_DRAW);
            mesh.groups = data.groups;
        }
        else
        {
            glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
            glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
        }
        if (!mesh.groups.empty())
        {
            // With buffers bound, the array pointers and the indices are offsets into them.
            constexpr GLsizei stride = floatsPerVertex * sizeof(float);
            const auto offset = [](std::size_t bytes) { return reinterpret_cast<const void*>(bytes); };
            const bool textured = quadric->style.textured;
            const bool normals = quadric->style.normals != mesh::Normals::None;
            glEnableClientState(GL_VERTEX_ARRAY);
            if (textured)
                glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            if (normals)
                glEnableClientState(GL_NORMAL_ARRAY);
            for (const IndexGroup& group : mesh.groups)
            {
                const std::size_t first = group.firstVertex * stride;
                glTexCoordPointer(2, GL_FLOAT, stride, offset(first));
                glNormalPointer(GL_FLOAT, stride, offset(first + 2 * sizeof(float)));
                glVertexPointer(3, GL_FLOAT, stride, offset(first + 5 * sizeof(float)));
                glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(group.indices), GL_UNSIGNED_SHORT,
                               offset(group.firstIndex * sizeof(std::uint16_t)));
            }
            if (textured)
                glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            if (normals)
                glDisableClientState(GL_NORMAL_ARRAY);
        }
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        velmirRestoreClientVertexArray(); // as the program's own client state has it
    }

} // extern "C"
