// Frames drawn the way they were before the speed-ups (the sky and every sphere sent anew from GLU,
// nothing culled): the baseline the benchmark measures against and the reference the draw-path test
// compares the program's pictures with.
#pragma once

#include <functional>

class Simulation;
class SpaceObject;

enum class ReferenceTrails
{
    OnePointPerCall,   // one glVertex3fv per trail point, between glBegin and glEnd
    OneDrawArraysCall, // the whole trail in one glDrawArrays
};

// What Simulation::drawScene draws, with no body and no trail chunk left out.
void drawReferenceScene(Simulation& scene, ReferenceTrails trails);
// What display() does around it: clear, the scene, swap.
void referenceDisplay(ReferenceTrails trails);

// The two parts that the program now sends otherwise: the sky sphere straight from GLU under the current
// matrix (no camera translation yet), and a body's sphere straight from GLU under the world matrix (or,
// under the same matrix and texture, from `sphere`, given the radius).
void drawReferenceSky(Simulation& scene);
void drawReferenceSphere(const SpaceObject& body, const std::function<void(float)>& sphere = nullptr);
