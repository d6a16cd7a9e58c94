// The mouse: left-button drags turn the camera, the wheel zooms.
#pragma once

#include "sim/vector.h"

extern int leftButtonState;      // GLUT_DOWN while the left button is held
extern Vector4 lastDragPoint;    // trackball point of the last press or applied drag
extern Vector4 currentDragPoint; // trackball point of the drag being handled

void mouseCallback(int button, int state, int x, int y);
void motionCallback(int x, int y);
