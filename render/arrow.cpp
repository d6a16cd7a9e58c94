// The arrow primitive: a line turned from +z onto its direction, and its cone head.
#include "render/arrow.h"

#include "render/attribute_groups.h"

#include <GL/gl.h>
#include <cmath>

namespace
{
// The arrow under the caller's saved state.
void drawArrowInSavedState(const Vector4& direction, const Color& color, const Vector4& origin, bool withHead)
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
    glPopMatrix();
}
} // namespace

void drawArrow(const Vector4& direction, const Color& color, const Vector4& origin, bool withHead)
{
    const AttributeGroups saved{GL_CURRENT_BIT, GL_LINE_BIT, GL_POLYGON_BIT, GL_LIGHTING_BIT, GL_TEXTURE_BIT};
    drawArrowInSavedState(direction, color, origin, withHead);
}
