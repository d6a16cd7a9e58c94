// Drawing one body: its trail, its two motion arrows and its textured sphere (SpaceObject::draw,
// defined alongside).
#pragma once

class SpaceObject;

// The velocity and acceleration arrows from the body's centre, under the current (world) matrix.
void drawMotionArrows(const SpaceObject& body);
