// The frame: global GL state, projection, display and reshape.
#pragma once

// Sets the GL state every drawing routine relies on; called once the window exists.
void initGL();
// The display callback: clear, draw the scene, swap.
void display();
// The reshape callback: viewport, projection and windowBounds follow the window's size.
void reshape(int width, int height);
