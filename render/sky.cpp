// Loading and drawing the sky sphere, and the copy of its picture that later frames put back instead.
#include "render/sky.h"

#include "render/sphere_lists.h"
#include "render/view_volume.h"
#include "sim/simulation.h"

#include <GL/glu.h>
#include <cmath>
#include <cstdint>
#include <cstring>

#ifndef GL_BGRA_EXT
#define GL_BGRA_EXT 0x80E1 // the same value as GL 1.2's GL_BGRA
#endif

namespace
{
// Counts loadSky calls: an image loaded again may come back under the same texture name.
std::uint32_t skyLoads = 0;

// The sky sphere itself at the camera's angles: textured, or only its depth.
void drawSkySphere(Simulation& scene, bool depthOnly = false)
{
    glPushMatrix();
#ifdef VELMIR_BROWSER_GL
    // The browser's layer keeps no enable or colour-buffer group: the depth pass puts back by hand
    // what it changes (the program writes every colour channel).
    const bool textured = glIsEnabled(GL_TEXTURE_2D);
    glPushAttrib(GL_LIGHTING_BIT);
#else
    glPushAttrib(depthOnly ? GL_LIGHTING_BIT | GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT : GL_LIGHTING_BIT);
#endif
    {
        glDisable(GL_LIGHTING);
        if (depthOnly)
        {
            // The same triangles give the same depth; the colours come from the kept picture.
            glDisable(GL_TEXTURE_2D);
            glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        }
        else
            scene.skyTexture().bind();
        glRotatef(scene.camera().pitch(), 1.0f, 0.0f, 0.0f);
        glRotatef(-scene.camera().yaw(), 0.0f, 1.0f, 0.0f);
        glRotatef(-90.0f, 1.0f, 0.0f, 0.0f); // the sky's poles on the world y axis, like the bodies'
        if (scene.skyQuadric())              // null until loadSky has run
            drawSphere(scene.skyQuadric(), scene.maxCameraDistance());
    }
    glPopAttrib();
#ifdef VELMIR_BROWSER_GL
    if (depthOnly)
    {
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        if (textured)
            glEnable(GL_TEXTURE_2D);
    }
#endif
    glPopMatrix();
}

// Everything the sky's pixels depend on, compared byte for byte. Only 4-byte members: no padding.
struct SkyKey
{
    GLfloat modelview[16]; // the matrix the sky is drawn under, before its own turns
    GLfloat projection[16];
    GLint viewport[4];
    GLfloat color[4]; // textures are modulated by it
    float pitch;
    float yaw;
    float radius;
    GLuint texture;
    std::uint32_t loads;
    std::int32_t textured; // GL_TEXTURE_2D enabled
};

SkyKey keyOf(Simulation& scene)
{
    SkyKey key;
    std::memset(&key, 0, sizeof key);
    glGetFloatv(GL_MODELVIEW_MATRIX, key.modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, key.projection);
    glGetIntegerv(GL_VIEWPORT, key.viewport);
    glGetFloatv(GL_CURRENT_COLOR, key.color);
    key.pitch = scene.camera().pitch();
    key.yaw = scene.camera().yaw();
    key.radius = scene.maxCameraDistance();
    key.texture = scene.skyTexture().textureName();
    key.loads = skyLoads;
    key.textured = glIsEnabled(GL_TEXTURE_2D) == GL_TRUE;
    return key;
}

bool operator==(const SkyKey& a, const SkyKey& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The sky's picture in a texture of its own, put back with one window-sized quad whose texels fall one
// to one on the pixels. In a software GL that costs a fraction of the sphere: no 4096 × 2048 texture is
// filtered. The copy holds colours only; the depth is drawn again when it matters (see needsSkyDepth).
class SkyCopy
{
  public:
    bool shows(const SkyKey& key) const
    {
        return held_ && key_ == key;
    }

    // Called after the sky for `key` was drawn in full. The picture is copied the second time in a row
    // the same key is drawn: a camera that turns every frame never pays for a copy it cannot reuse.
    void drawn(const SkyKey& key)
    {
        const bool again = drawnBefore_ && last_ == key;
        last_ = key;
        drawnBefore_ = true;
        if (again && !shows(key))
            copy(key);
    }

    void put() const
    {
        const GLint* v = key_.viewport;
        const GLfloat s = static_cast<GLfloat>(v[2]) / static_cast<GLfloat>(width_);
        const GLfloat t = static_cast<GLfloat>(v[3]) / static_cast<GLfloat>(height_);
        // Put back by hand rather than with GL_ENABLE_BIT, which the browser's layer does not keep.
        const bool depthTest = glIsEnabled(GL_DEPTH_TEST);
        const bool textured = glIsEnabled(GL_TEXTURE_2D);
        glPushAttrib(GL_TEXTURE_BIT);
        glDisable(GL_DEPTH_TEST); // colours only: the depth buffer keeps its cleared value
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glBegin(GL_QUADS);
        glTexCoord2f(0.0f, 0.0f);
        glVertex2f(-1.0f, -1.0f);
        glTexCoord2f(s, 0.0f);
        glVertex2f(1.0f, -1.0f);
        glTexCoord2f(s, t);
        glVertex2f(1.0f, 1.0f);
        glTexCoord2f(0.0f, t);
        glVertex2f(-1.0f, 1.0f);
        glEnd();
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        // The browser's layer keeps no texture environment; the program's is GL_MODULATE.
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glPopAttrib();
        if (!textured)
            glDisable(GL_TEXTURE_2D);
        if (depthTest)
            glEnable(GL_DEPTH_TEST);
    }

  private:
    static GLsizei powerOfTwoAtLeast(GLint side)
    {
        GLsizei p = 1;
        while (p < side)
            p *= 2;
        return p;
    }

    void copy(const SkyKey& key)
    {
        const GLint* v = key.viewport;
        GLint maxSide = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
        if (v[2] <= 0 || v[3] <= 0 || v[2] > maxSide || v[3] > maxSide)
            return; // nothing to copy, or a window larger than any texture: the sphere each frame
#ifdef VELMIR_BROWSER_GL
        glPushAttrib(GL_TEXTURE_BIT); // WebGL reads from the buffer being drawn: no read buffer to choose
#else
        glPushAttrib(GL_TEXTURE_BIT | GL_PIXEL_MODE_BIT);
#endif
        if (texture_ == 0)
            glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        if (width_ < v[2] || height_ < v[3])
        {
            // GL 1.1 textures have power-of-two sides; the picture takes the lower left corner.
            width_ = powerOfTwoAtLeast(v[2]);
            height_ = powerOfTwoAtLeast(v[3]);
#ifdef VELMIR_BROWSER_GL
            // WebGL copies only into a texture with no more channels than the canvas, which has no alpha.
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width_, height_, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
#else
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width_, height_, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE, nullptr);
#endif
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        }
#ifndef VELMIR_BROWSER_GL
        glReadBuffer(GL_BACK);
#endif
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, v[0], v[1], v[2], v[3]);
        glPopAttrib();
        key_ = key;
        held_ = true;
    }

    GLuint texture_ = 0;
    GLsizei width_ = 0;
    GLsizei height_ = 0;
    bool held_ = false; // the texture shows key_
    SkyKey key_{};
    bool drawnBefore_ = false;
    SkyKey last_{}; // the key of the most recent full drawing
};
SkyCopy skyCopy;

// Whether the sky's depth can decide anything this frame: whether some trail point, arrow or sphere that
// may be drawn (one the view volume does not exclude) lies as far from the eye as `limit`. The sky's
// facets come no nearer the eye than its radius times cos 4.1° (0.9974 of it; a 50 × 50 sphere's facets
// span at most 7.2° by 3.6°), so anything nearer than 0.99 of the radius lies in front of the sky at
// every pixel by hundreds of units, far more than the depth buffer's steps there, and passes the depth
// test against the sky's depth exactly when it passes against the cleared depth. A body ejected towards
// the sky makes the depth count again. Not-a-number anywhere fails the comparison and counts as far.
bool needsSkyDepth(Simulation& scene, double limit)
{
    glPushMatrix();
    scene.camera().applyTransform();
    GLdouble m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    const ViewVolume volume = ViewVolume::current();
    glPopMatrix();
    // A box counts by its centre and half its diagonal: no point of it lies farther from the eye.
    const auto far = [&](const Box& box) {
        if (volume.excludes(box))
            return false;
        const double low[3] = {box.low.x(), box.low.y(), box.low.z()};
        const double high[3] = {box.high.x(), box.high.y(), box.high.z()};
        double centre[3];
        double half = 0.0;
        for (int a = 0; a < 3; ++a)
        {
            centre[a] = (low[a] + high[a]) / 2.0;
            half += (high[a] - low[a]) * (high[a] - low[a]) / 4.0;
        }
        double eye[3];
        for (int r = 0; r < 3; ++r)
            eye[r] = m[r] * centre[0] + m[4 + r] * centre[1] + m[8 + r] * centre[2] + m[12 + r];
        return !(std::sqrt(eye[0] * eye[0] + eye[1] * eye[1] + eye[2] * eye[2]) + std::sqrt(half) < limit);
    };
    for (std::uint32_t k = 0; k < scene.objectCount(); ++k)
    {
        const SpaceObject& body = scene.object(k);
        // The cube drawBody culls the sphere and its arrows with.
        float reach = std::fabs(body.radius());
        if (scene.showMotionVectors())
            reach = std::fmax(reach, 10.5f);
        const Vector3& p = body.position();
        if (far({Vector3(p.x() - reach, p.y() - reach, p.z() - reach),
                 Vector3(p.x() + reach, p.y() + reach, p.z() + reach)}))
            return true;
        if (!scene.showHistories())
            continue;
        const Trail& trail = body.history();
        for (const Box& box : trail.chunkBounds())
            if (far(box))
                return true;
        // The points after the last complete chunk have no box yet.
        for (std::size_t i = trail.chunkBounds().size() * Trail::chunkSize; i < trail.size(); ++i)
            if (far({trail[i], trail[i]}))
                return true;
    }
    return false;
}
} // namespace

void Simulation::loadSky()
{
    ++skyLoads;
    skyTexture_.load("skybox.bmp");
    if (!skyQuadric_) // loaded again: the quadric stays
    {
        skyQuadric_ = gluNewQuadric();
        gluQuadricTexture(skyQuadric_, GL_TRUE);
    }
}

void drawSky(Simulation& scene)
{
    if (scene.skyQuadric())
    {
        const SkyKey key = keyOf(scene);
        if (skyCopy.shows(key))
        {
            skyCopy.put();
            if (needsSkyDepth(scene, 0.99 * static_cast<double>(scene.maxCameraDistance())))
                drawSkySphere(scene, true);
            return;
        }
        drawSkySphere(scene);
        skyCopy.drawn(key);
        return;
    }
    drawSkySphere(scene);
}
