// Drawing one body: its trail, its two motion arrows and its textured sphere (SpaceObject::draw,
// defined alongside, reads the view volume itself; a scene reads it once for all its bodies).
#pragma once

#include "render/view_volume.h"

class SpaceObject;

// The velocity and acceleration arrows from the body's centre, under the current (world) matrix.
void drawMotionArrows(const SpaceObject& body);

// The body under the current (world) matrix: its trail's chunks that `volume` does not exclude, and its
// arrows and sphere unless `volume` excludes a cube holding both.
void drawBody(const SpaceObject& body, bool showHistory, bool showMotionVectors, const ViewVolume& volume);
