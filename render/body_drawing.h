// Drawing one body: its trail, its two motion arrows and its textured sphere.
#pragma once

class SpaceObject;
class ViewVolume;

// SpaceObject::draw with the view volume handed in: a scene reads it from GL once per frame and
// hands the same volume to every body. Whatever lies wholly outside `volume` is not sent to GL (the
// sphere's texture is still bound); ViewVolume() excludes nothing.
void drawBody(const SpaceObject& body, bool showHistory, bool showMotionVectors, const ViewVolume& volume);

// The velocity and acceleration arrows from the body's centre, under the current (world) matrix.
void drawMotionArrows(const SpaceObject& body);
