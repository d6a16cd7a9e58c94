// Frames drawn the way they were before the speed-ups (the sky and every sphere sent anew from GLU,
// nothing culled), and frames with one speed-up at a time taken out: the baselines the benchmark
// weighs each speed-up with, and the reference the draw-path tests compare the program's pictures with.
#pragma once

#include <functional>

class Simulation;
class SpaceObject;

enum class ReferenceTrails
{
    Culled,            // the program's: through a vertex array, chunks outside the view left out
    OneDrawArraysCall, // the whole trail in one glDrawArrays
    OnePointPerCall,   // one glVertex3fv per trail point, between glBegin and glEnd
};

enum class ReferenceSky
{
    Kept,        // the program's drawSky: its picture kept and put back while the camera is still
    KeptAndDepth, // the same, the sphere's depth drawn again every frame (not only when something is far)
    DisplayList, // the sphere from its display list every frame
    Glu,         // the sphere from GLU every frame
};

enum class ReferenceSpheres
{
    Selected,          // the program's: without the triangles that cannot show
    DisplayList,       // every triangle, from the display lists
    Glu,               // every triangle, from GLU
    CulledDisplayList, // from the display lists, GL culling the back faces
    CulledGlu,         // from GLU, GL culling the back faces
};

// How each part of a frame is drawn. The default is the frame before the speed-ups.
struct Recipe
{
    ReferenceSky sky = ReferenceSky::Glu;
    ReferenceSpheres spheres = ReferenceSpheres::Glu;
    ReferenceTrails trails = ReferenceTrails::OnePointPerCall;
    bool cullBodies = false; // spheres and arrows wholly outside the view left out
};
// Every speed-up in: draws what the program's own Simulation::drawScene draws, the same way.
constexpr Recipe programRecipe{ReferenceSky::Kept, ReferenceSpheres::Selected, ReferenceTrails::Culled, true};

// What Simulation::drawScene draws, the parts drawn as `recipe` says.
void drawRecipeScene(Simulation& scene, const Recipe& recipe);
// What display() does around it: clear, the scene, swap.
void recipeDisplay(const Recipe& recipe);

// The frame before the speed-ups, its trails sent one of the old ways.
void drawReferenceScene(Simulation& scene, ReferenceTrails trails);
void referenceDisplay(ReferenceTrails trails);

// The two parts that the program now sends otherwise: the sky sphere straight from GLU under the current
// matrix (no camera translation yet), and a body's sphere straight from GLU under the world matrix (or,
// under the same matrix and texture, from `sphere`, given the radius).
void drawReferenceSky(Simulation& scene);
void drawReferenceSphere(const SpaceObject& body, const std::function<void(float)>& sphere = nullptr);
