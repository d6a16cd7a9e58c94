// The reference frames: the sky and the spheres straight from GLU every frame, nothing culled, trails
// sent the old ways; the arrows are the program's own.
#include "tools/bench/reference_drawing.h"

#include "render/attribute_groups.h"
#include "render/body_drawing.h"
#include "render/color.h"
#include "render/shared_resources.h"
#include "render/trail_points.h"
#include "render/view_volume.h"
#include "sim/simulation.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

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

void drawReferenceSky(Simulation& scene)
{
    glPushMatrix();
    glPushAttrib(GL_LIGHTING_BIT);
    {
        glDisable(GL_LIGHTING);
        scene.skyTexture().bind();
        glRotatef(scene.camera().pitch(), 1.0f, 0.0f, 0.0f);
        glRotatef(-scene.camera().yaw(), 0.0f, 1.0f, 0.0f);
        glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
        if (scene.skyQuadric())
            gluSphere(scene.skyQuadric(), scene.maxCameraDistance(), 50, 50);
    }
    glPopAttrib();
    glPopMatrix();
}

void drawReferenceSphere(const SpaceObject& body, const std::function<void(float)>& sphere)
{
    glPushMatrix();
    {
        const Vector3& position = body.position();
        glTranslatef(position.x(), position.y(), position.z());
        glRotatef(body.tilt() - 90.0f, 1.0f, 0.0f, 0.0f);
        glRotatef(body.spinAngle(), 0.0f, 0.0f, 1.0f);
        bindObjectTexture(body.textureIndex());
        if (sharedQuadric)
        {
            if (sphere)
                sphere(body.radius());
            else
                gluSphere(sharedQuadric, body.radius(), 50, 50);
        }
    }
    glPopMatrix();
}

void drawReferenceScene(Simulation& scene, ReferenceTrails trails)
{
    glLoadIdentity();
    scene.updateLookAt();
    drawReferenceSky(scene);
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
        if (history)
            drawTrailPoints(body.history(), historyColorFor(body.colorIndex()), everything);
        if (scene.showMotionVectors())
            drawMotionArrows(body);
        drawReferenceSphere(body);
    }
}

void referenceDisplay(ReferenceTrails trails)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawReferenceScene(simulation, trails);
    glutSwapBuffers();
}
