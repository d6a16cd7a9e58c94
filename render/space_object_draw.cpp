// Drawing one body (history points, motion arrows, textured sphere) and the resources bodies share.
#include "render/body_drawing.h"
#include "render/color.h"
#include "render/texture.h"
#include "sim/space_object.h"

#include <GL/glu.h>
#include <cmath>
#include <cstddef>

GLUquadric* sharedQuadric = nullptr;

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

void SpaceObject::draw(bool showHistory, bool showMotionVectors) const
{
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
                glBegin(GL_POINTS);
                for (std::size_t i = 0; i < history_.size(); ++i)
                    glVertex3fv(history_[i].data());
                glEnd();
            }
            glPopAttrib();
            glPopAttrib();
            glPopAttrib();
            glPopAttrib();
            glPopAttrib();
        }

        if (showMotionVectors)
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
        if (sharedQuadric)
            gluSphere(sharedQuadric, radius_, 50, 50);
    }
    glPopMatrix();
}
