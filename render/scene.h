// The frame: global GL state, projection, display and reshape (the sky and the scene are drawn by
// Simulation::loadSky and Simulation::drawScene, defined alongside).
#pragma once

// Sets the GL state every drawing routine relies on and connects the bodies' shared-resource
// lifetimes to GL. Called once the window exists, before anything is loaded or drawn.
void initGL();
// The display callback: clear, draw the global simulation's scene, swap.
void display();
// The reshape callback: windowBounds, the viewport and the perspective projection follow the window.
void reshape(int width, int height);
