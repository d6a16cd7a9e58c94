// The frame: global GL state, projection, display and reshape (the scene itself is drawn by
// Simulation::drawScene, defined alongside).
#pragma once

// Sets the GL state every drawing routine relies on. Called once the window exists, before anything
// is loaded or drawn.
void initGL();
// The display callback: clear, draw the global simulation's scene, swap.
void display();
// The reshape callback: windowBounds, the viewport and the perspective projection follow the window.
void reshape(int width, int height);
