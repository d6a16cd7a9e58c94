// The reference frames: the sky and the spheres straight from GLU every frame; the trails and the arrows
// are the program's own. And the frame with one speed-up at a time taken out.
#include "tools/bench/reference_drawing.h"

#include "render/body_drawing.h"
#include "render/color.h"
#include "render/shared_resources.h"
#include "render/sky.h"
#include "render/trail_points.h"
#include "sim/simulation.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

// The sky sphere straight from GLU under the current matrix (no camera translation yet).
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

// A body's sphere straight from GLU, whole, under the world matrix.
void drawReferenceSphere(const SpaceObject& body)
{
    glPushMatrix();
    {
        const Vector3& position = body.position();
        glTranslatef(position.x(), position.y(), position.z());
        glRotatef(body.tilt() - 90.0f, 1.0f, 0.0f, 0.0f);
        glRotatef(body.spinAngle(), 0.0f, 0.0f, 1.0f);
        bindObjectTexture(body.textureIndex());
        if (sharedQuadric)
            gluSphere(sharedQuadric, body.radius(), 50, 50);
    }
    glPopMatrix();
}
void drawRecipeScene(Simulation& scene, const Recipe& recipe)
{
    glLoadIdentity();
    scene.updateLookAt();
    if (recipe.sky == ReferenceSky::Glu)
        drawReferenceSky(scene);
    else
        drawSky(scene);
    if (recipe.sky == ReferenceSky::KeptAndDepth)
    {
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glDisable(GL_TEXTURE_2D);
        drawReferenceSky(scene);
        glEnable(GL_TEXTURE_2D);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    }
    scene.camera().applyTransform();
    const ViewVolume volume = recipe.boxTest ? ViewVolume::current() : ViewVolume();
    for (std::uint32_t k = 0; k < scene.objectCount(); ++k)
    {
        const SpaceObject& body = scene.object(k);
        if (recipe.culledSpheres)
        {
            drawBody(body, scene.showHistories(), scene.showMotionVectors(), volume);
            continue;
        }
        if (scene.showHistories())
            drawTrailPoints(body.history(), historyColorFor(body.colorIndex()), volume);
        if (scene.showMotionVectors())
            drawMotionArrows(body);
        drawReferenceSphere(body);
    }
}

void recipeDisplay(const Recipe& recipe)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawRecipeScene(simulation, recipe);
    glutSwapBuffers();
}

void drawReferenceScene(Simulation& scene)
{
    drawRecipeScene(scene, Recipe{});
}

void referenceDisplay()
{
    recipeDisplay(Recipe{});
}
