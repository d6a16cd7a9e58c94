// Placeholder frame until the scene drawing lands: clears and swaps.
#include "render/scene.h"

#include "app/bounds2d.h"
#include "sim/simulation.h"

#include <GL/freeglut.h>

void initGL()
{
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColor3f(1.0f, 1.0f, 1.0f);
}

void display()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
}

void reshape(int width, int height)
{
    windowBounds.setWidth(static_cast<float>(width));
    windowBounds.setHeight(static_cast<float>(height));
    glViewport(0, 0, width, height);
}

void Simulation::loadSky()
{
}

void Simulation::drawScene()
{
}
