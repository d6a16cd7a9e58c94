// Placeholder mouse callbacks.
#include "camera/mouse.h"

#include <GL/freeglut.h>

int leftButtonState = GLUT_UP;
Vector4 lastDragPoint{0.0f, 0.0f, 0.0f, 0.0f};
Vector4 currentDragPoint{0.0f, 0.0f, 0.0f, 0.0f};

void mouseCallback(int, int, int, int)
{
    glutPostRedisplay();
}
void motionCallback(int, int)
{
}
