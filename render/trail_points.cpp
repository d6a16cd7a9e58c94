// Trail points through a vertex array: one glDrawArrays for the whole trail.
#include "render/trail_points.h"

#include "render/attribute_groups.h"
#include "render/color.h"
#include "sim/trail.h"

#include <GL/gl.h>
#include <cstddef>
#include <cstdint>

static_assert(sizeof(Vector3) == 3 * sizeof(float), "trail points are handed to GL as packed float triples");

const Color& historyColorFor(int colorIndex)
{
    if (colorIndex < 0 || colorIndex >= historyColorCount)
        return WHITE;
    return historyColors[colorIndex];
}

void drawTrailPoints(const Trail& trail, const Color& color)
{
    // Nothing to draw, so no state to change and put back (software GL pays for every restore).
    if (trail.empty())
        return;
    {
        const AttributeGroups saved{GL_POINT_BIT, GL_CURRENT_BIT, GL_TEXTURE_BIT, GL_LIGHTING_BIT};
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glPointSize(2.0f);
        glColor3fv(color.data());
        // Beyond what one glDrawArrays can address; 24 GiB of points is not reached in practice.
        if (trail.size() <= static_cast<std::size_t>(INT32_MAX))
        {
            // The array state is the client's: its own push and pop, not the server attribute groups.
            glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
            {
                glEnableClientState(GL_VERTEX_ARRAY);
                glVertexPointer(3, GL_FLOAT, sizeof(Vector3), trail.data());
                glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(trail.size()));
            }
            glPopClientAttrib();
        }
        // Mesa keeps glColor in its immediate-mode state until something flushes it, and its
        // glPopAttrib only restores the current colour if that flush came first. glDrawArrays does not
        // flush it, so the trail's colour would outlive the pop and tint the next sphere. Reading the
        // colour flushes it. (A correct GL needs no help here; this costs one state read.)
        GLfloat flushed[4];
        glGetFloatv(GL_CURRENT_COLOR, flushed);
    }
}
