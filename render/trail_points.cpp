// Trail points, one vertex call each, in the body's history colour.
#include "render/trail_points.h"

#include "render/attribute_groups.h"
#include "render/color.h"
#include "sim/trail.h"

#include <GL/gl.h>
#include <cstddef>

const Color& historyColorFor(int colorIndex)
{
    if (colorIndex < 0 || colorIndex >= historyColorCount)
        return WHITE;
    return historyColors[colorIndex];
}

void drawTrailPoints(const Trail& trail, const Color& color)
{
    const AttributeGroups saved{GL_POINT_BIT, GL_CURRENT_BIT, GL_TEXTURE_BIT, GL_LIGHTING_BIT};
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glPointSize(2.0f);
    glColor3fv(color.data());
    glBegin(GL_POINTS);
    for (std::size_t i = 0; i < trail.size(); ++i)
        glVertex3fv(trail[i].data());
    glEnd();
}
