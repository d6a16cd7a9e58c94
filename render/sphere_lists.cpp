// Spheres compiled once into GL display lists and replayed; the bodies' spheres without the triangles
// that cannot show.
#include "render/sphere_lists.h"

#include "render/shared_resources.h"

#include <GL/glu.h>

#ifdef VELMIR_BROWSER_GL

// The browser's GL layer has no display lists: the sphere comes from GLU every time (its GLU leaves out
// hidden faces itself).
void drawSphere(GLUquadric* quadric, float radius)
{
    gluSphere(quadric, radius, 50, 50);
}

void drawBodySphere(float radius)
{
    gluSphere(sharedQuadric, radius, 50, 50);
}

void forgetSpheres(GLUquadric*) {}
#else
#include "render/sphere_geometry.h"

#include <cstddef>
#include <cstdint>
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

namespace
{
constexpr int sphereSlices = 50;
constexpr int sphereStacks = 50;

// A body's sphere as vertex arrays: GLU's vertices for one radius, each once, row by row from the +z pole.
struct SphereArrays
{
    float radius;
    std::vector<float> vertices; // x, y, z, s, t
    float lastNormal[3];         // what GLU leaves current
    float lastTexCoord[2];
};
std::vector<SphereArrays> arrays;

const SphereArrays& arraysFor(float radius)
{
    for (const SphereArrays& a : arrays)
        if (sameRadius(a.radius, radius))
            return a;
    if (arrays.size() >= maxCompiled)
        arrays.erase(arrays.begin());
    mesh::Style style;
    style.normals = mesh::Normals::Flat;
    style.textured = true;
    const auto strips = mesh::sphereStrips(radius, sphereSlices, sphereStacks, style);
    SphereArrays a{radius, std::vector<float>(std::size_t(sphereSlices + 1) * (sphereStacks + 1) * 5), {}, {}};
    for (int j = 0; j < sphereStacks; ++j)
        for (int i = 0; i <= sphereSlices; ++i)
            for (int k = 0; k < 2; ++k) // the pair's first vertex is on row j + 1, its second on row j
            {
                const mesh::SphereVertex& v = strips[j][2 * i + k];
                float* out = &a.vertices[(std::size_t(j + 1 - k) * (sphereSlices + 1) + i) * 5];
                std::memcpy(out, v.position, sizeof v.position);
                std::memcpy(out + 3, v.texCoord, sizeof v.texCoord);
            }
    const mesh::SphereVertex& last = strips.back().back();
    std::memcpy(a.lastNormal, last.normal, sizeof a.lastNormal);
    std::memcpy(a.lastTexCoord, last.texCoord, sizeof a.lastTexCoord);
    arrays.push_back(std::move(a));
    return arrays.back();
}

// Whether a fragment is made exactly where a pixel's centre lies inside a filled triangle.
bool singleSampled()
{
    GLint polygonMode[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, polygonMode);
    GLint sampleBuffers = 0;
#ifdef GL_SAMPLE_BUFFERS
    glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
#endif
    return sampleBuffers == 0 && !glIsEnabled(GL_POLYGON_SMOOTH) && polygonMode[0] == GL_FILL &&
           polygonMode[1] == GL_FILL;
}

// Whether fragments of a nearer face always win over a farther one, whatever order they come in.
bool nearerFragmentsWin()
{
    GLint depthFunc = 0;
    GLboolean depthMask = GL_FALSE;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    if (!glIsEnabled(GL_DEPTH_TEST) || depthMask != GL_TRUE || (depthFunc != GL_LESS && depthFunc != GL_LEQUAL))
        return false;
    // Blending or an alpha test lets a far face show through a near one; lighting reads the normals these
    // arrays leave out; a culled front or a clip plane can take a near face away.
    for (GLenum capability : {GL_BLEND, GL_ALPHA_TEST, GL_LIGHTING, GL_CULL_FACE, GL_STENCIL_TEST})
        if (glIsEnabled(capability))
            return false;
    for (GLenum plane = GL_CLIP_PLANE0; plane <= GL_CLIP_PLANE5; ++plane)
        if (glIsEnabled(plane))
            return false;
    GLfloat range[2] = {0.0f, 0.0f};
    glGetFloatv(GL_DEPTH_RANGE, range);
    return range[0] == 0.0f && range[1] == 1.0f;
}
} // namespace

void drawBodySphere(float radius)
{
    if (!sharedQuadric)
        return;
    // GLU draws nothing for a negative radius and NaNs for a NaN one; its own call says so.
    if (!(radius >= 0.0f))
    {
        drawSphere(sharedQuadric, radius);
        return;
    }
    GLfloat modelview[16], projection[16];
    GLint viewport[4], depthBits = 0;
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    const mesh::Sight sight{modelview, projection, viewport, depthBits};

    // Two kinds of triangles make no difference to the picture: those of quads hidden behind the near
    // side, and those too small or too thin to cover a pixel centre (most of a sphere a few pixels
    // across). Software GL sets up every triangle it is sent, so neither is sent. Finding the hidden
    // quads costs about as much as setting up a few hundred triangles: a sphere less than
    // minHidingPixels in radius has fewer than that covering pixel centres, and skips the search.
    constexpr double minHidingPixels = 8.0;
    const double pixels = mesh::radiusInPixels(modelview, projection, viewport[2], viewport[3], radius);
    static std::vector<unsigned char> hidden;
    const bool someHidden = !(pixels > 0.0 && pixels < minHidingPixels) &&
                            mesh::hiddenQuads(sight, radius, sphereSlices, sphereStacks, hidden) > 0 &&
                            nearerFragmentsWin();
    const SphereArrays& a = arraysFor(radius);
    const std::size_t vertexCount = a.vertices.size() / 5;
    const auto at = [](int row, int slice) { return std::uint16_t(row * (sphereSlices + 1) + slice); };
    // Only the corners of quads that are sent need a place in the window.
    static std::vector<unsigned char> corners;
    if (someHidden)
    {
        corners.assign(vertexCount, 0);
        for (int j = 0; j < sphereStacks; ++j)
            for (int i = 0; i < sphereSlices; ++i)
                if (!hidden[std::size_t(j) * sphereSlices + i])
                    for (const std::uint16_t v : {at(j, i), at(j, i + 1), at(j + 1, i), at(j + 1, i + 1)})
                        corners[v] = 1;
    }
    static std::vector<mesh::CentreReach> reach;
    const bool placed = singleSampled() && mesh::windowReach(sight, a.vertices.data(), vertexCount, 5, reach,
                                                             someHidden ? corners.data() : nullptr);
    if (!someHidden && !placed)
    {
        drawSphere(sharedQuadric, radius);
        return;
    }
    // Two triangles a quad at most, written in place: this runs for every body every frame.
    static std::vector<std::uint16_t> indices(std::size_t(sphereSlices) * sphereStacks * 6);
    std::uint16_t* next = indices.data();
    const auto send = [&](std::uint16_t p, std::uint16_t q, std::uint16_t r) {
        if (!placed || !mesh::missesEveryPixelCentre(reach[p], reach[q], reach[r]))
        {
            next[0] = p;
            next[1] = q;
            next[2] = r;
            next += 3;
        }
    };
    for (int j = 0; j < sphereStacks; ++j)
        for (int i = 0; i < sphereSlices; ++i)
            if (!someHidden || !hidden[std::size_t(j) * sphereSlices + i])
            {
                // The strip's quad s0 s1 s2 s3 (s0 on row j + 1, s1 on row j, s2 and s3 one slice on) as
                // Mesa cuts a GL_QUAD_STRIP: along s0-s3, each triangle ending on s3. Another cut, or
                // another vertex first, rounds the interpolated depth and texture coordinates differently.
                const std::uint16_t s0 = at(j + 1, i), s1 = at(j, i), s2 = at(j + 1, i + 1), s3 = at(j, i + 1);
                if (placed && mesh::missesEveryPixelCentre(reach[s0], reach[s1], reach[s2], reach[s3]))
                    continue; // most quads of a small sphere: neither triangle needs its own test
                send(s2, s0, s3);
                send(s0, s1, s3);
            }
    const auto count = static_cast<GLsizei>(next - indices.data());
    if (count > 0)
    {
        glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glVertexPointer(3, GL_FLOAT, 5 * sizeof(float), a.vertices.data());
        glTexCoordPointer(2, GL_FLOAT, 5 * sizeof(float), a.vertices.data() + 3);
        glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, indices.data());
        glPopClientAttrib();
    }
    // What GLU leaves current.
    glNormal3fv(a.lastNormal);
    glTexCoord2fv(a.lastTexCoord);
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
