// Loading and drawing the sky sphere, and the copy of its picture that later frames put back instead.
//
// What the kept picture saves: the sky is a 50 × 50 sphere filtered from a 4096 × 2048 texture over the
// whole window, the largest part of a still frame in a software GL (at 1920 × 1080 on llvmpipe about
// half of it; in the browser's software WebGL about half too). While the camera stands still the
// sky's picture does not change, so it is copied into a texture and later frames put it back with one
// window-sized quad whose texels fall one to one on the pixels.
//
// When it is bypassed: the sphere is drawn whenever the sky's picture differs from the kept one (the
// camera turned, the window changed size, the sky was loaded again). The copy is made the second time
// in a row the same picture is drawn, so a camera that turns every frame (a drag, a look-at mode) draws
// the sphere every frame and never pays for a copy it cannot reuse. The copy holds colours only: when
// something drawn later may lie as far away as the sky, the sphere's depth is drawn as well
// (needsSkyDepth).
#include "render/sky.h"

#include "render/attribute_groups.h"
#include "render/texture_files.h"
#include "sim/simulation.h"

#include <GL/glu.h>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace
{
// Counts loadSky calls: an image loaded again may come back under the same texture name.
std::uint32_t skyLoads = 0;

// Everything the sky's picture is made from, and so the key the kept picture is compared by:
// drawSkySphere draws from these values alone, sets the colour, texturing and lighting it needs itself
// and otherwise relies only on the frame's fixed state (initGL: depth test on, GL_MODULATE), so a new
// input can only reach the drawing as a new member here, and is then compared too. Only 4-byte members,
// compared byte for byte: there is no padding.
struct SkyView
{
    GLfloat modelview[16]; // the matrix the sky is drawn under, before its own turns
    GLfloat projection[16];
    GLint viewport[4];
    float pitch; // degrees
    float yaw;
    float radius;
    GLuint texture;
    std::uint32_t loads;

    bool operator==(const SkyView& other) const
    {
        return std::memcmp(this, &other, sizeof other) == 0;
    }
};

SkyView viewOf(Simulation& scene)
{
    SkyView view;
    std::memset(&view, 0, sizeof view);
    glGetFloatv(GL_MODELVIEW_MATRIX, view.modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, view.projection);
    glGetIntegerv(GL_VIEWPORT, view.viewport);
    view.pitch = scene.camera().pitch();
    view.yaw = scene.camera().yaw();
    view.radius = scene.maxCameraDistance();
    view.texture = scene.skyTexture().textureName();
    view.loads = skyLoads;
    return view;
}

enum class Pass
{
    Picture,   // colours and depth
    DepthOnly, // the same triangles give the same depth; the colours come from the kept picture
};

// The sky sphere as `view` has it, under the current matrices and viewport, which `view` holds (drawSky
// reads it just before).
void drawSkySphere(const SkyView& view, GLUquadric* quadric, Pass pass)
{
    const AttributeGroups saved{GL_CURRENT_BIT, GL_LIGHTING_BIT, GL_TEXTURE_BIT};
    glPushMatrix();
    {
        glDisable(GL_LIGHTING);
        if (pass == Pass::DepthOnly)
        {
            glDisable(GL_TEXTURE_2D);
            glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        }
        else
        {
            // White under GL_MODULATE: the texture's own colours, and a white sky without an image.
            glColor3f(1.0f, 1.0f, 1.0f);
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, view.texture);
        }
        glRotatef(view.pitch, 1.0f, 0.0f, 0.0f);
        glRotatef(-view.yaw, 0.0f, 1.0f, 0.0f);
        glRotatef(-90.0f, 1.0f, 0.0f, 0.0f); // the sky's poles on the world y axis, like the bodies'
        gluSphere(quadric, view.radius, 50, 50);
        if (pass == Pass::DepthOnly)
            glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE); // the program writes every channel
    }
    glPopMatrix();
}

// The sky's picture in a texture of its own, put back with one window-sized quad. In a software GL
// that costs a fraction of the sphere: no 4096 × 2048 texture is filtered.
class SkyCopy
{
  public:
    bool shows(const SkyView& view) const
    {
        return held_ && view_ == view;
    }

    // Called after the sky for `view` was drawn in full. The picture is copied the second time in a row
    // the same view is drawn.
    void drawn(const SkyView& view)
    {
        const bool again = drawnBefore_ && last_ == view;
        last_ = view;
        drawnBefore_ = true;
        if (again && !shows(view))
            copy(view);
    }

    void put() const
    {
        const GLint* v = view_.viewport;
        const GLfloat s = static_cast<GLfloat>(v[2]) / static_cast<GLfloat>(width_);
        const GLfloat t = static_cast<GLfloat>(v[3]) / static_cast<GLfloat>(height_);
        const AttributeGroups saved{GL_TEXTURE_BIT};
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture_);
        // The texels as they are: a software rasteriser copies them straight, where modulating by white
        // costs a multiply a pixel (a fifth of a far-out frame at 1920x1080).
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        // Colours only: the depth buffer keeps its cleared value. The frame's depth test is on (initGL).
        glDisable(GL_DEPTH_TEST);
        {
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
        }
        // Set back by hand too: the browser's attribute groups do not hold the texture environment.
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glEnable(GL_DEPTH_TEST);
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }

  private:
    static GLsizei powerOfTwoAtLeast(GLint side)
    {
        GLsizei p = 1;
        while (p < side)
            p *= 2;
        return p;
    }

    void copy(const SkyView& view)
    {
        const GLint* v = view.viewport;
        GLint maxSide = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
        if (v[2] <= 0 || v[3] <= 0 || v[2] > maxSide || v[3] > maxSide)
            return; // nothing to copy, or a window larger than any texture: the sphere each frame
        const AttributeGroups saved{GL_TEXTURE_BIT};
        if (texture_ == 0)
            glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        if (width_ < v[2] || height_ < v[3])
        {
            // GL 1.1 textures have power-of-two sides; the picture takes the lower left corner. RGB: the
            // window has no alpha to keep (and WebGL copies into no more channels than the canvas has).
            width_ = powerOfTwoAtLeast(v[2]);
            height_ = powerOfTwoAtLeast(v[3]);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, width_, height_, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        }
        // From the buffer being drawn: the back buffer, GL's read buffer in a double-buffered window.
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, v[0], v[1], v[2], v[3]);
        view_ = view;
        held_ = true;
    }

    GLuint texture_ = 0;
    GLsizei width_ = 0;
    GLsizei height_ = 0;
    bool held_ = false; // the texture shows view_
    SkyView view_{};
    bool drawnBefore_ = false;
    SkyView last_{}; // the view of the most recent full drawing
};
SkyCopy skyCopy;

// Whether the sky's depth can decide anything this frame: whether some trail point, arrow or sphere in
// view lies as far from the eye as `limit`. The sky's facets come no nearer the eye than its radius
// times cos 4.1° (0.9974 of it; a 50 × 50 sphere's facets span at most 7.2° by 3.6°), so anything
// nearer than 0.99 of the radius lies in front of the sky at every pixel by hundreds of units, far
// more than the depth buffer's steps there, and passes the depth test against the sky's depth exactly
// when it passes against the cleared depth. A body ejected towards the sky makes the depth count again
// while it is in view; one out of view (as some are, after a long run) does not. Not-a-number anywhere
// fails the comparisons and counts as far and in view.
bool needsSkyDepth(Simulation& scene, const SkyView& view, double limit)
{
    glPushMatrix();
    scene.camera().applyTransform();
    GLdouble m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    glPopMatrix();
    // The four sides of the view's pyramid in eye space, -w <= x, y <= w in clip space: the
    // projection's last row plus or minus its first or second (GL stores matrices column by column).
    const GLfloat* p = view.projection;
    double sides[4][4];
    for (int k = 0; k < 4; ++k)
    {
        const double sign = k % 2 ? -1.0 : 1.0;
        const int row = k / 2;
        for (int c = 0; c < 4; ++c)
            sides[k][c] = double(p[4 * c + 3]) + sign * double(p[4 * c + row]);
        const double length = std::sqrt(sides[k][0] * sides[k][0] + sides[k][1] * sides[k][1] +
                                        sides[k][2] * sides[k][2]);
        for (double& x : sides[k])
            x /= length;
    }
    // A box counts by its centre and half its diagonal, a ball that holds it: no point of it lies
    // farther from the eye, and it is out of view only if the ball lies wholly beyond one side, with a
    // hundredth of its distance to spare for the width of points and lines at the window's edge.
    const auto farInView = [&](const Box& box) {
        const double low[3] = {box.low.x(), box.low.y(), box.low.z()};
        const double high[3] = {box.high.x(), box.high.y(), box.high.z()};
        double centre[3];
        double half = 0.0;
        for (int a = 0; a < 3; ++a)
        {
            centre[a] = (low[a] + high[a]) / 2.0;
            half += (high[a] - low[a]) * (high[a] - low[a]) / 4.0;
        }
        half = std::sqrt(half);
        double eye[3];
        for (int r = 0; r < 3; ++r)
            eye[r] = m[r] * centre[0] + m[4 + r] * centre[1] + m[8 + r] * centre[2] + m[12 + r];
        const double distance = std::sqrt(eye[0] * eye[0] + eye[1] * eye[1] + eye[2] * eye[2]);
        if (distance + half < limit)
            return false;
        for (const auto& side : sides)
            if (side[0] * eye[0] + side[1] * eye[1] + side[2] * eye[2] + side[3] < -(half + 0.01 * distance))
                return false;
        return true;
    };
    for (std::uint32_t k = 0; k < scene.objectCount(); ++k)
    {
        const SpaceObject& body = scene.object(k);
        // The sphere, and the 10-unit motion arrows with their heads.
        float reach = std::fabs(body.radius());
        if (scene.showMotionVectors())
            reach = std::fmax(reach, 10.5f);
        const Vector3& c = body.position();
        if (farInView({Vector3(c.x() - reach, c.y() - reach, c.z() - reach),
                       Vector3(c.x() + reach, c.y() + reach, c.z() + reach)}))
            return true;
        if (!scene.showHistories())
            continue;
        const Trail& trail = body.history();
        for (const Box& box : trail.chunkBounds())
            if (farInView(box))
                return true;
        // The points after the last complete chunk have no box yet.
        for (std::size_t i = trail.chunkBounds().size() * Trail::chunkSize; i < trail.size(); ++i)
            if (farInView({trail[i], trail[i]}))
                return true;
    }
    return false;
}
} // namespace

void Simulation::loadSky()
{
    ++skyLoads;
    skyTexture_.load(skyTextureFileName);
    if (!skyQuadric_) // loaded again: the quadric stays
    {
        skyQuadric_ = gluNewQuadric();
        gluQuadricTexture(skyQuadric_, GL_TRUE);
    }
}

void drawSky(Simulation& scene)
{
    if (!scene.skyQuadric()) // null until loadSky has run
        return;
    const SkyView view = viewOf(scene);
    if (skyCopy.shows(view))
    {
        skyCopy.put();
        if (needsSkyDepth(scene, view, 0.99 * static_cast<double>(view.radius)))
            drawSkySphere(view, scene.skyQuadric(), Pass::DepthOnly);
        return;
    }
    drawSkySphere(view, scene.skyQuadric(), Pass::Picture);
    skyCopy.drawn(view);
}
