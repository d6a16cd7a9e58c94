// A body's trail on screen: its points in the history colour.
#pragma once

#include "render/view_volume.h"

class Color;
class Trail;

// The history colour of a body's colorIndex; an index outside the table gives white rather than a
// read past the table.
const Color& historyColorFor(int colorIndex);

// Draws the trail's points (world coordinates, under the current model-view matrix) 2 pixels wide in
// `color`, unlit and untextured, and leaves the GL state as it found it. Chunks whose box `volume`
// excludes are not sent (the default volume excludes nothing).
void drawTrailPoints(const Trail& trail, const Color& color, const ViewVolume& volume = ViewVolume());
