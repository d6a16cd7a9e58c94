// Frames drawn the way they were before the speed-ups (the sky and every sphere sent anew from GLU,
// whole), and frames with one speed-up at a time taken out: the baselines the benchmark weighs each
// speed-up with, and the reference the draw-path tests compare the program's pictures with.
#pragma once

class Simulation;
class SpaceObject;

enum class ReferenceSky
{
    Kept,         // the program's drawSky: its picture kept and put back while the camera is still
    KeptAndDepth, // the same, the sphere's depth drawn again every frame (not only when something is far)
    Glu,          // the sphere from GLU every frame
};

// How each part of a frame is drawn. The default is the frame before the speed-ups; the trails and the
// arrows are always the program's own.
struct Recipe
{
    ReferenceSky sky = ReferenceSky::Glu;
    bool culledSpheres = false; // the bodies' spheres as the program draws them, GL culling back faces
    bool boxTest = false;       // trail chunks and bodies wholly outside the view volume not sent
};
// Every speed-up in: what the program's own Simulation::drawScene draws, the same way.
constexpr Recipe programRecipe{ReferenceSky::Kept, true, true};

// What Simulation::drawScene draws, the parts drawn as `recipe` says.
void drawRecipeScene(Simulation& scene, const Recipe& recipe);
// What display() does around it: clear, the scene, swap.
void recipeDisplay(const Recipe& recipe);

// The frame before the speed-ups.
void drawReferenceScene(Simulation& scene);
void referenceDisplay();

// The two parts the program now draws otherwise, as they were drawn before: the sky sphere straight from
// GLU under the current matrix (no camera translation yet), and a body's sphere straight from GLU, whole,
// under the world matrix.
void drawReferenceSky(Simulation& scene);
void drawReferenceSphere(const SpaceObject& body);
