// The reference frames: the sky and the spheres straight from GLU every frame, nothing culled, trails
// sent the old ways; the arrows are the program's own. And the frame with one speed-up at a time out.
#include "tools/bench/reference_drawing.h"

#include "render/attribute_groups.h"
#include "render/body_drawing.h"
#include "render/color.h"
#include "render/shared_resources.h"
#include "render/sky.h"
#include "render/sphere_lists.h"
#include "render/trail_points.h"
#include "render/view_volume.h"
#include "sim/simulation.h"

#include <GL/freeglut.h>
#include <GL/glu.h>
#include <cmath>

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

void drawSkyWith(Simulation& scene, const std::function<void()>& sphere)
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
            sphere();
    }
    glPopAttrib();
    glPopMatrix();
}

// Whether a sphere of `radius` about the model-view's origin lies wholly beyond the near plane, so that
// culling its back faces cannot open a hole in it.
bool beyondNearPlane(float radius)
{
    GLfloat m[16], p[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    const double nearPlane = double(p[14]) / (double(p[10]) - 1.0);
    return -double(m[14]) - double(radius) > 1.001 * nearPlane;
}

void culled(const std::function<void(float)>& sphere, float radius)
{
    const bool cull = beyondNearPlane(radius);
    if (cull)
        glEnable(GL_CULL_FACE);
    sphere(radius);
    if (cull)
        glDisable(GL_CULL_FACE);
}

std::function<void(float)> sphereOf(ReferenceSpheres way)
{
    const auto list = [](float r) { drawSphere(sharedQuadric, r); };
    const auto glu = [](float r) { gluSphere(sharedQuadric, r, 50, 50); };
    switch (way)
    {
    case ReferenceSpheres::Selected:
        return drawBodySphere;
    case ReferenceSpheres::DisplayList:
        return list;
    case ReferenceSpheres::Glu:
        return glu;
    case ReferenceSpheres::CulledDisplayList:
        return [list](float r) { culled(list, r); };
    case ReferenceSpheres::CulledGlu:
        return [glu](float r) { culled(glu, r); };
    }
    return glu;
}

bool mayShow(const ViewVolume& volume, const SpaceObject& body, bool arrows)
{
    const float reach = arrows ? std::fmax(std::fabs(body.radius()), 10.5f) : std::fabs(body.radius());
    const Vector3& p = body.position();
    return !volume.excludes({Vector3(p.x() - reach, p.y() - reach, p.z() - reach),
                             Vector3(p.x() + reach, p.y() + reach, p.z() + reach)});
}
} // namespace

void drawReferenceSky(Simulation& scene)
{
    drawSkyWith(scene, [&] { gluSphere(scene.skyQuadric(), scene.maxCameraDistance(), 50, 50); });
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

void drawRecipeScene(Simulation& scene, const Recipe& recipe)
{
    glLoadIdentity();
    scene.updateLookAt();
    switch (recipe.sky)
    {
    case ReferenceSky::Kept:
        drawSky(scene);
        break;
    case ReferenceSky::KeptAndDepth:
        drawSky(scene);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glDisable(GL_TEXTURE_2D);
        drawSkyWith(scene, [&] { gluSphere(scene.skyQuadric(), scene.maxCameraDistance(), 50, 50); });
        glEnable(GL_TEXTURE_2D);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        break;
    case ReferenceSky::DisplayList:
        drawSkyWith(scene, [&] { drawSphere(scene.skyQuadric(), scene.maxCameraDistance()); });
        break;
    case ReferenceSky::Glu:
        drawReferenceSky(scene);
        break;
    }
    scene.camera().applyTransform();
    const ViewVolume everything;
    const ViewVolume volume = recipe.cullBodies || recipe.trails == ReferenceTrails::Culled ? ViewVolume::current()
                                                                                            : everything;
    const std::function<void(float)> sphere = sphereOf(recipe.spheres);
    for (std::uint32_t k = 0; k < scene.objectCount(); ++k)
    {
        const SpaceObject& body = scene.object(k);
        if (scene.showHistories())
        {
            if (recipe.trails == ReferenceTrails::OnePointPerCall)
                drawTrailOnePointPerCall(body);
            else
                drawTrailPoints(body.history(), historyColorFor(body.colorIndex()),
                                recipe.trails == ReferenceTrails::Culled ? volume : everything);
        }
        const bool shows = !recipe.cullBodies || mayShow(volume, body, scene.showMotionVectors());
        if (scene.showMotionVectors() && shows)
            drawMotionArrows(body);
        if (shows)
            drawReferenceSphere(body, sphere);
        else
            drawReferenceSphere(body, [](float) {}); // the texture stays bound, as the program leaves it
    }
}

void recipeDisplay(const Recipe& recipe)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawRecipeScene(simulation, recipe);
    glutSwapBuffers();
}

void drawReferenceScene(Simulation& scene, ReferenceTrails trails)
{
    Recipe recipe;
    recipe.trails = trails;
    drawRecipeScene(scene, recipe);
}

void referenceDisplay(ReferenceTrails trails)
{
    Recipe recipe;
    recipe.trails = trails;
    recipeDisplay(recipe);
}
