// The reference frames: the program's own sky, arrows and spheres, with trails sent the old ways.
#include "tools/bench/reference_drawing.h"

#include "render/attribute_groups.h"
#include "render/body_drawing.h"
#include "render/color.h"
#include "render/sky.h"
#include "render/trail_points.h"
#include "render/view_volume.h"
#include "sim/simulation.h"

#include <GL/freeglut.h>

namespace
{
void drawTrailOnePointPerCall(const SpaceObject& body)
{
    pushAttributeGroups({GL_POINT_BIT, GL_CURRENT_BIT, GL_TEXTURE_BIT, GL_LIGHTING_BIT});
    {
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glPointSize(2.0f);
        glColor3fv(historyColorFor(body.colorIndex()).data());
        glBegin(GL_POINTS);
        for (std::size_t i = 0; i < body.history().size(); ++i)
            glVertex3fv(body.history()[i].data());
        glEnd();
    }
    popAttributeGroups(4);
}
} // namespace

void drawReferenceScene(Simulation& scene, ReferenceTrails trails)
{
    glLoadIdentity();
    scene.updateLookAt();
    drawSky(scene);
    scene.camera().applyTransform();
    const ViewVolume everything;
    for (std::uint32_t k = 0; k < scene.objectCount(); ++k)
    {
        const SpaceObject& body = scene.object(k);
        bool history = scene.showHistories();
        if (history && trails == ReferenceTrails::OnePointPerCall)
        {
            drawTrailOnePointPerCall(body);
            history = false;
        }
        drawBody(body, history, scene.showMotionVectors(), everything);
    }
}

void referenceDisplay(ReferenceTrails trails)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawReferenceScene(simulation, trails);
    glutSwapBuffers();
}
