// The sky sphere: a large textured sphere centred on the eye.
#pragma once

class Simulation;

// Draws the simulation's sky under the current model-view matrix, which must hold no camera
// translation yet: the sky turns with the camera's angles only, so it looks infinitely far away.
// Draws nothing until the sky is loaded (Simulation::loadSky, defined alongside).
void drawSky(Simulation& scene);
