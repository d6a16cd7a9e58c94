// The GLUT mouse callbacks: each hands its event to the GL-free handler and requests the redraw.
#include "camera/mouse.h"
#include "sim/simulation.h"
#include "window/bounds2d.h"

#include <GL/freeglut.h>

static_assert(MouseLeftButton == GLUT_LEFT_BUTTON && MouseDown == GLUT_DOWN && MouseUp == GLUT_UP,
              "the GL-free mouse handlers repeat GLUT's numbers");

void mouseCallback(int button, int state, int x, int y)
{
    handleMouseButton(simulation, windowBounds, button, state, x, y);
    glutPostRedisplay();
}

void motionCallback(int x, int y)
{
    if (handleMouseMotion(simulation, windowBounds, x, y))
        glutPostRedisplay();
}
