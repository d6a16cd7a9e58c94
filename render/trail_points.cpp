// Trail points, one vertex call each, in the body's history colour; stretches outside the view unsent.
#include "render/trail_points.h"

#include "render/attribute_groups.h"
#include "render/color.h"
#include "render/view_volume.h"
#include "sim/trail.h"

#include <GL/gl.h>
#include <cstddef>

const Color& historyColorFor(int colorIndex)
{
    if (colorIndex < 0 || colorIndex >= historyColorCount)
        return WHITE;
    return historyColors[colorIndex];
}

void drawTrailPoints(const Trail& trail, const Color& color, const ViewVolume& volume)
{
    if (trail.empty())
        return;
    const AttributeGroups saved{GL_POINT_BIT, GL_CURRENT_BIT, GL_TEXTURE_BIT, GL_LIGHTING_BIT};
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glPointSize(2.0f);
    glColor3fv(color.data());
    glBegin(GL_POINTS);
    // A software GL transforms and clips every point it is sent, so a chunk wholly outside the view
    // volume is skipped; the incomplete last chunk has no box and is always sent.
    const std::vector<Box>& chunks = trail.chunkBounds();
    for (std::size_t c = 0; c < chunks.size(); ++c)
        if (!volume.excludes(chunks[c]))
            for (std::size_t i = c * Trail::chunkSize; i < (c + 1) * Trail::chunkSize; ++i)
                glVertex3fv(trail[i].data());
    for (std::size_t i = chunks.size() * Trail::chunkSize; i < trail.size(); ++i)
        glVertex3fv(trail[i].data());
    glEnd();
}
