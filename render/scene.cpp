// The frame: global GL state, projection and the order in which a scene is drawn.
#include "render/scene.h"

#include "render/body_drawing.h"
#include "render/color.h"
#include "render/sky.h"
#include "sim/simulation.h"
#include "window/bounds2d.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

void initGL()
{
    glClearColor(BLACK.r(), BLACK.g(), BLACK.b(), BLACK.a());
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f); // white: textures show their own colours under GL_MODULATE
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

void Simulation::drawScene()
{
    glLoadIdentity();
    updateLookAt(); // before anything is drawn: the sky and the bodies use this frame's camera
    drawSky(*this);
    camera_.applyTransform();
    const ViewVolume volume = ViewVolume::current();
    for (std::uint32_t k = 0; k < objects_.count(); ++k)
        drawBody(*objects_.at(k), showHistories_, showMotionVectors_, volume);
}
