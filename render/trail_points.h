// A body's trail on screen: its points in the history colour, sent from their contiguous storage a run
// at a time, with the stretches that lie outside the view volume left out.
#pragma once

class Color;
class Trail;
class ViewVolume;

// The history colour of a body's colorIndex; an index outside the table gives white rather than a
// read past the table.
const Color& historyColorFor(int colorIndex);

// Draws the trail's points (world coordinates, under the current model-view matrix) 2 pixels wide in
// `color`, unlit and untextured, and leaves the GL state as it found it. Complete chunks whose box
// `volume` excludes are not sent; the incomplete last chunk always is.
void drawTrailPoints(const Trail& trail, const Color& color, const ViewVolume& volume);
