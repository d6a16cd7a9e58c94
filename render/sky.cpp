// Loading and drawing the sky sphere.
#include "render/sky.h"

#include "sim/simulation.h"

#include <GL/glu.h>

void Simulation::loadSky()
{
    skyTexture_.load("skybox.bmp");
    skyQuadric_ = gluNewQuadric();
    gluQuadricTexture(skyQuadric_, GL_TRUE);
}

void drawSky(Simulation& scene)
{
    glPushMatrix();
    glPushAttrib(GL_LIGHTING_BIT);
    {
        glDisable(GL_LIGHTING);
        scene.skyTexture().bind();
        glRotatef(scene.camera().pitch(), 1.0f, 0.0f, 0.0f);
        glRotatef(-scene.camera().yaw(), 0.0f, 1.0f, 0.0f);
        glRotatef(-90.0f, 1.0f, 0.0f, 0.0f); // the sky's poles on the world y axis, like the bodies'
        if (scene.skyQuadric())              // null until loadSky has run
            gluSphere(scene.skyQuadric(), scene.maxCameraDistance(), 50, 50);
    }
    glPopAttrib();
    glPopMatrix();
}
