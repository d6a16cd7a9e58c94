// The frame: global GL state, projection, the sky sphere and the order in which a scene is drawn.
#include "render/scene.h"

#include "app/bounds2d.h"
#include "render/body_drawing.h"
#include "render/color.h"
#include "sim/simulation.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

namespace
{
void deleteQuadric(GLUquadric* quadric)
{
    gluDeleteQuadric(quadric);
}
} // namespace

void initGL()
{
    glClearColor(BLACK.r(), BLACK.g(), BLACK.b(), BLACK.a());
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f); // white: textures show their own colours under GL_MODULATE

    // The simulation knows nothing of GL and calls these when its first body is made and its last
    // one (or the sky) goes. They may only do GL work once a context exists, and this is the first
    // point where one does, so they are connected here rather than at static initialisation.
    renderHooks.loadSharedResources = loadSharedResources;
    renderHooks.releaseSharedQuadric = releaseSharedQuadric;
    renderHooks.deleteQuadric = deleteQuadric;
}

void display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    simulation.drawScene();
    glutSwapBuffers();
}

void reshape(int width, int height)
{
    windowBounds.setWidth(static_cast<float>(width));
    windowBounds.setHeight(static_cast<float>(height));
    // Window systems never report a negative size, but GL rejects one, so it is kept out.
    const GLsizei viewportWidth = width > 0 ? static_cast<GLsizei>(windowBounds.width()) : 0;
    const GLsizei viewportHeight = height > 0 ? static_cast<GLsizei>(windowBounds.height()) : 0;
    glViewport(static_cast<GLint>(windowBounds.x()), static_cast<GLint>(windowBounds.y()), viewportWidth,
               viewportHeight);

    // A minimised window reports a zero side; width / height would then be 0, infinite or NaN and
    // make the projection matrix invalid. Any finite aspect will do for a window with no pixels.
    float aspect = 1.0f;
    if (width > 0 && height > 0)
        aspect = static_cast<float>(width) / static_cast<float>(height);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, aspect, simulation.minCameraDistance(), simulation.maxCameraDistance());
    glMatrixMode(GL_MODELVIEW);
}

void Simulation::loadSky()
{
    skyTexture_.load("skybox.bmp");
    skyQuadric_ = gluNewQuadric();
    gluQuadricTexture(skyQuadric_, GL_TRUE);
}

void Simulation::drawScene()
{
    glLoadIdentity();
    updateLookAt(); // before anything is drawn: the sky and the bodies use this frame's camera

    // The sky is centred on the eye (drawn before the camera's translation) and only turns with the
    // camera's angles, so it looks infinitely far away.
    glPushMatrix();
    glPushAttrib(GL_LIGHTING_BIT);
    {
        glDisable(GL_LIGHTING);
        skyTexture_.bind();
        glRotatef(camera_.pitch(), 1.0f, 0.0f, 0.0f);
        glRotatef(-camera_.yaw(), 0.0f, 1.0f, 0.0f);
        glRotatef(-90.0f, 1.0f, 0.0f, 0.0f); // the sky's poles on the world y axis, like the bodies'
        if (skyQuadric_)                     // null until loadSky has run
            gluSphere(skyQuadric_, maxCameraDistance_, 50, 50);
    }
    glPopAttrib();
    glPopMatrix();

    camera_.applyTransform();

    for (std::uint32_t k = 0; k < objects_.count(); ++k)
        objects_.at(k)->draw(showHistories_, showMotionVectors_);
}
