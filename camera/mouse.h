// The mouse: left-button drags turn the camera, the wheel zooms.
#pragma once

#include "sim/vector.h"

class Bounds2D;
class Simulation;

// GLUT's button and state numbers, repeated here so that the handlers below need no GL headers
// (mouse_glut.cpp checks that they agree). freeglut reports the two wheel directions as buttons 3 and 4.
constexpr int MouseLeftButton = 0;
constexpr int MouseWheelForward = 3;
constexpr int MouseWheelBackward = 4;
constexpr int MouseDown = 0;
constexpr int MouseUp = 1;

extern int leftButtonState;      // GLUT_DOWN while the left button is held
extern Vector4 lastDragPoint;    // trackball point of the last press or applied drag
extern Vector4 currentDragPoint; // trackball point of the drag being handled

// GLUT callbacks: thin wrappers around the handlers below, on the global simulation and window.
void mouseCallback(int button, int state, int x, int y);
void motionCallback(int x, int y);

// A window position (pixels from the top-left corner) in the unit square, y up, as a Vector4 with
// z = w = 0. A window without area has no such mapping: every position then maps to its centre.
Vector4 imageClick(const Bounds2D& window, int x, int y);

// The work of the callbacks, free of GL so that it can be tested. Every button event is followed by a
// redraw; a motion event only when it turned the camera, which handleMouseMotion returns.
void handleMouseButton(Simulation& scene, const Bounds2D& window, int button, int state, int x, int y);
bool handleMouseMotion(Simulation& scene, const Bounds2D& window, int x, int y);
