// Drawing one body (history points, motion arrows, textured sphere) and the resources bodies share.
#include "render/body_drawing.h"
#include "render/color.h"
#include "render/texture.h"
#include "sim/space_object.h"

#include <GL/glu.h>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

GLUquadric* sharedQuadric = nullptr;
DrawPaths drawPaths;

namespace
{
// The history and the arrows push their attribute groups one by one, and GL restores each on its pop.
// Mesa 22 (llvmpipe among them) does not: its glPopAttrib restores a group only if it changed
// since the most recent push of any group, so a change to a group pushed beneath another one is
// forgotten (a history left texturing off and the colour yellow for every later sphere). One more
// push of all the groups at once, innermost, makes every change fall under the push Mesa tracks;
// with a correct GL the separate pops then restore the same values again.
constexpr GLbitfield historyAttributes = GL_POINT_BIT | GL_CURRENT_BIT | GL_TEXTURE_BIT | GL_LIGHTING_BIT;
constexpr GLbitfield arrowAttributes =
    GL_CURRENT_BIT | GL_LINE_BIT | GL_POLYGON_BIT | GL_LIGHTING_BIT | GL_TEXTURE_BIT;
} // namespace

void loadSharedResources()
{
    for (int i = 0; i < textureCount; ++i)
        objectTextures[i].load(textureFileNames[i]);
    sharedQuadric = gluNewQuadric();
    gluQuadricDrawStyle(sharedQuadric, GLU_FILL);
    gluQuadricNormals(sharedQuadric, GLU_FLAT);
    gluQuadricOrientation(sharedQuadric, GLU_OUTSIDE);
    gluQuadricTexture(sharedQuadric, GL_TRUE);
}

void releaseSharedQuadric()
{
    gluDeleteQuadric(sharedQuadric);
    sharedQuadric = nullptr; // a body drawn after this must not reach a freed quadric
}

void drawArrow(const Vector4& direction, const Color& color, const Vector4& origin, bool withHead)
{
    const Vector4 reference(unitZ, 0.0f);
    Vector4 axis = cross(reference, direction);
    const float length = direction.length();
    // A zero vector (a body at rest, any body before the first step) or a NaN/infinite one has no
    // direction: drawing it would hand NaNs to GL.
    if (!(length > 0.0f) || !std::isfinite(length))
        return;
    // Rounding can push the cosine a hair past +-1, where acos gives NaN.
    float cosine = dot(reference, direction) / length;
    if (cosine > 1.0f)
        cosine = 1.0f;
    if (cosine < -1.0f)
        cosine = -1.0f;
    float angle = std::acos(cosine) * 180.0f / 3.1415927f;

    // GL normalises the axis itself, but an implementation may take a very short axis for no
    // rotation at all (Mesa does below 1e-4), which would turn short or nearly z-parallel arrows
    // towards +z. A unit axis gives the same rotation everywhere. Along the z axis the cross product
    // vanishes: +z needs no turn, and -z is reached by half a turn about x.
    const float axisLength = axis.length();
    if (axisLength > 0.0f)
    {
        axis = Vector4(axis.x() / axisLength, axis.y() / axisLength, axis.z() / axisLength, 0.0f);
    }
    else
    {
        axis = Vector4(1.0f, 0.0f, 0.0f, 0.0f);
        angle = cosine < 0.0f ? 180.0f : 0.0f;
    }

    glPushMatrix();
    glPushAttrib(GL_CURRENT_BIT);
    glPushAttrib(GL_LINE_BIT);
    glPushAttrib(GL_POLYGON_BIT);
    glPushAttrib(GL_LIGHTING_BIT);
    glPushAttrib(GL_TEXTURE_BIT);
    glPushAttrib(arrowAttributes); // Mesa's lost changes: see historyAttributes
    {
        glTranslatef(origin.x(), origin.y(), origin.z());
        glRotatef(angle, axis.x(), axis.y(), axis.z());
        // From here the arrow runs along local +z.
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glLineWidth(2.0f);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

        glBegin(GL_LINES);
        glColor3fv(color.data()); // stays current for the head
        glVertex3f(0.0f, 0.0f, 0.0f);
        glVertex3f(0.0f, 0.0f, length);
        glEnd();

        // The head never grows beyond 0.03, and shrinks with arrows shorter than 0.18.
        float headSize = 0.03f;
        if (length / 6.0f < 0.03f)
            headSize = length / 6.0f;

        if (withHead)
        {
            // A cone 3 * headSize long whose tip is the line's end; the 21st rim vertex repeats
            // the first and closes it.
            glBegin(GL_TRIANGLE_FAN);
            glVertex3f(0.0f, 0.0f, length);
            for (int i = 0; i <= 20; ++i)
            {
                const float t = static_cast<float>(i) * 6.2831855f / 20.0f;
                glVertex3f(std::cos(t) * headSize, std::sin(t) * headSize, length - 3.0f * headSize);
            }
            glEnd();
        }
    }
    glPopAttrib();
    glPopAttrib();
    glPopAttrib();
    glPopAttrib();
    glPopAttrib();
    glPopAttrib();
    glPopMatrix();
}

namespace
{
// A colorIndex outside the table draws its history in white rather than reading past the table.
const Color& historyColorFor(int colorIndex)
{
    if (colorIndex < 0 || colorIndex >= historyColorCount)
        return WHITE;
    return historyColors[colorIndex];
}

// A textureIndex outside the table binds texture 0, which has no image: the sphere shows the
// current colour, white, as a body whose texture file is missing does.
void bindObjectTexture(int textureIndex)
{
    if (textureIndex < 0 || textureIndex >= textureCount)
    {
        glBindTexture(GL_TEXTURE_2D, 0);
        return;
    }
    objectTextures[textureIndex].bind();
}
} // namespace

namespace
{
static_assert(sizeof(Vector3) == 3 * sizeof(float),
              "history points are handed to GL as packed float triples");

// The view volume as six planes in the current model-view frame, each widened a little so that the
// test only ever errs towards drawing: a few pixels sideways (a 2-pixel point or line whose centre
// lies just outside still touches the window) and a small fraction in depth (GL clips in single
// precision, this test runs in double).
class ViewVolume
{
  public:
    // From the current projection, model-view matrix and viewport. Without a usable viewport or
    // with a matrix that is not finite nothing is ever culled.
    static ViewVolume current()
    {
        ViewVolume volume;
        GLdouble projection[16];
        GLdouble modelview[16];
        GLint viewport[4];
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glGetIntegerv(GL_VIEWPORT, viewport);
        if (viewport[2] <= 0 || viewport[3] <= 0)
            return volume;

        // Rows of projection * modelview; GL stores matrices column by column.
        double row[4][4];
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c)
            {
                double sum = 0.0;
                for (int k = 0; k < 4; ++k)
                    sum += projection[k * 4 + r] * modelview[c * 4 + k];
                if (!std::isfinite(sum))
                    return volume;
                row[r][c] = sum;
            }

        constexpr double marginPixels = 4.0;
        constexpr double depthSlack = 1e-3;
        const double widen[3] = {1.0 + 2.0 * marginPixels / viewport[2],
                                 1.0 + 2.0 * marginPixels / viewport[3], 1.0 + depthSlack};
        // For each axis a: -widen * w <= clip_a <= widen * w.
        for (int axis = 0; axis < 3; ++axis)
            for (int c = 0; c < 4; ++c)
            {
                volume.planes_[2 * axis][c] = widen[axis] * row[3][c] + row[axis][c];
                volume.planes_[2 * axis + 1][c] = widen[axis] * row[3][c] - row[axis][c];
            }
        volume.usable_ = true;
        return volume;
    }

    // True only if the whole box is outside: some plane has even the box's farthest corner in its
    // direction behind it.
    bool excludes(const Box& box) const
    {
        if (!usable_)
            return false;
        for (const auto& plane : planes_)
        {
            const double x = plane[0] > 0.0 ? box.high.x() : box.low.x();
            const double y = plane[1] > 0.0 ? box.high.y() : box.low.y();
            const double z = plane[2] > 0.0 ? box.high.z() : box.low.z();
            if (plane[0] * x + plane[1] * y + plane[2] * z + plane[3] < 0.0)
                return true;
        }
        return false;
    }

  private:
    bool usable_ = false;
    double planes_[6][4] = {};
};

// A box with a NaN corner compares false everywhere and would look outside: such chunks are always drawn.
bool isFinite(const Box& box)
{
    return std::isfinite(box.low.x()) && std::isfinite(box.low.y()) && std::isfinite(box.low.z()) &&
           std::isfinite(box.high.x()) && std::isfinite(box.high.y()) && std::isfinite(box.high.z());
}

// Sends points [first, first + count) of the history the chosen way. Immediate mode is bracketed by
// the caller's glBegin/glEnd.
class PointSink
{
  public:
    PointSink(const Vector3* points, bool vertexArrays) : points_(points), vertexArrays_(vertexArrays)
    {
    }
    void send(std::size_t first, std::size_t count) const
    {
        if (count == 0)
            return;
        if (vertexArrays_)
        {
            glDrawArrays(GL_POINTS, static_cast<GLint>(first), static_cast<GLsizei>(count));
            return;
        }
        for (std::size_t i = first; i < first + count; ++i)
            glVertex3fv(points_[i].data());
    }

  private:
    const Vector3* points_;
    bool vertexArrays_;
};

void sendHistory(const SpaceObject& body, const ViewVolume& volume)
{
    const Trail& history = body.history();
    const std::size_t size = history.size();
    if (size == 0)
        return;
    const Vector3* points = history.data();
    const PointSink sink(points, drawPaths.historyVertexArrays);

    if (!drawPaths.cullHistory)
    {
        sink.send(0, size);
        return;
    }
    // Runs of visible chunks go out in one call each; the incomplete last chunk is always sent.
    const std::vector<Box>& chunks = history.chunkBounds();
    std::size_t runStart = 0;
    std::size_t runEnd = 0;
    for (std::size_t c = 0; c < chunks.size(); ++c)
    {
        if (isFinite(chunks[c]) && volume.excludes(chunks[c]))
        {
            sink.send(runStart, runEnd - runStart);
            runStart = runEnd = (c + 1) * Trail::chunkSize;
        }
        else
            runEnd = (c + 1) * Trail::chunkSize;
    }
    sink.send(runStart, size - runStart);
}

void drawHistory(const SpaceObject& body, const ViewVolume& volume)
{
    if (!drawPaths.historyVertexArrays)
    {
        glBegin(GL_POINTS);
        sendHistory(body, volume);
        glEnd();
        return;
    }
    if (body.history().size() > static_cast<std::size_t>(INT32_MAX))
        return; // beyond what one glDrawArrays can address; 24 GiB of points is not reached in practice
    // The array state is the client's: its own push and pop, not the server attribute groups above.
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    {
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, sizeof(Vector3), body.history().data());
        sendHistory(body, volume);
    }
    glPopClientAttrib();
    // Mesa keeps glColor in its immediate-mode state until something flushes it, and its glPopAttrib
    // only restores the current colour if that flush came first. glEnd does it on the path above;
    // glDrawArrays does not, so the history colour would outlive the pop and tint the next sphere.
    // Reading the colour flushes it. (A correct GL needs no help here; this costs one state read.)
    GLfloat flushed[4];
    glGetFloatv(GL_CURRENT_COLOR, flushed);
}

// Whether the sphere and the two arrows may reach the window: a cube around the position that holds
// the sphere and the 10-unit arrows with their heads.
bool bodyMayShow(const ViewVolume& volume, const Vector3& position, float radius, bool showMotionVectors)
{
    if (!drawPaths.cullBodies)
        return true;
    float reach = std::fabs(radius);
    if (showMotionVectors)
        reach = std::max(reach, 10.5f);
    const Box box{Vector3(position.x() - reach, position.y() - reach, position.z() - reach),
                  Vector3(position.x() + reach, position.y() + reach, position.z() + reach)};
    return !isFinite(box) || !volume.excludes(box);
}
} // namespace

void SpaceObject::draw(bool showHistory, bool showMotionVectors) const
{
    const ViewVolume volume =
        drawPaths.cullHistory || drawPaths.cullBodies ? ViewVolume::current() : ViewVolume();
    glPushMatrix();
    {
        if (showHistory)
        {
            glPushAttrib(GL_POINT_BIT);
            glPushAttrib(GL_CURRENT_BIT);
            glPushAttrib(GL_TEXTURE_BIT);
            glPushAttrib(GL_LIGHTING_BIT);
            glPushAttrib(historyAttributes); // Mesa's lost changes: see historyAttributes
            {
                glDisable(GL_LIGHTING);
                glDisable(GL_TEXTURE_2D);
                glPointSize(2.0f);
                glColor3fv(historyColorFor(colorIndex_).data());
                // World coordinates: drawn before the body's own translation.
                drawHistory(*this, volume);
            }
            glPopAttrib();
            glPopAttrib();
            glPopAttrib();
            glPopAttrib();
            glPopAttrib();
        }

        const bool mayShow = bodyMayShow(volume, position_, radius_, showMotionVectors);
        if (showMotionVectors && mayShow)
        {
            // Fixed 10-unit arrows: they show directions, not magnitudes.
            const Vector4 origin(position_, 0.0f);
            drawArrow(Vector4(normalized(velocity_) * 10.0f, 0.0f), RED, origin, true);
            drawArrow(Vector4(normalized(acceleration_) * 10.0f, 0.0f), GREEN, origin, true);
        }

        // A sphere vertex is spun about the polar (z) axis, then tilted about x, then moved: with a
        // tilt of 0 the +z pole points along world +y.
        glTranslatef(position_.x(), position_.y(), position_.z());
        glRotatef(tilt_ - 90.0f, 1.0f, 0.0f, 0.0f);
        glRotatef(spinAngle_, 0.0f, 0.0f, 1.0f);
        bindObjectTexture(textureIndex_);
        // Only missing before the renderer's hooks are installed (a body built without GL).
        if (sharedQuadric && mayShow)
            gluSphere(sharedQuadric, radius_, 50, 50);
    }
    glPopMatrix();
}
