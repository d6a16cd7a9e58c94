// What all bodies share for drawing (the textures and one quadric) and the arrow primitive.
#pragma once

#include "render/color.h"
#include "sim/vector.h"

struct GLUquadric;

// One quadric for every body's sphere; exists while at least one body does (null otherwise).
extern GLUquadric* sharedQuadric;

// Loads the eleven body textures in index order and creates sharedQuadric. Runs when the first
// body is created; needs a current GL context.
void loadSharedResources();
// Deletes sharedQuadric when the last body goes. The textures stay loaded until process exit.
void releaseSharedQuadric();

// A line from origin along direction, as long as direction, in color, with an optional cone head
// at its tip. A direction that is zero or not finite has no direction to show and draws nothing.
void drawArrow(const Vector4& direction, const Color& color, const Vector4& origin, bool withHead);

// How a body's drawing reaches GL. Every combination gives the same pixels; the defaults are the
// fastest. The others stay so that the two ways can be compared in one process (tests, benchmarks).
struct DrawPaths
{
    // History points from their contiguous storage with one glDrawArrays per visible run, instead of
    // one glVertex3fv per point.
    bool historyVertexArrays = true;
    // History points in chunks whose bounding boxes lie wholly outside the view volume are not sent.
    bool cullHistory = true;
    // A body whose sphere and arrows lie wholly outside the view volume sends neither (its texture is
    // still bound, as after a drawn body).
    bool cullBodies = true;
};
extern DrawPaths drawPaths;
