// Spheres compiled once into GL display lists and replayed, instead of recomputed every frame.
#pragma once

struct GLUquadric;

// Draws what gluSphere(quadric, radius, 50, 50) draws, from a display list compiled on the first call
// for that quadric and radius (up to 64 of them); the same vertices reach GL, so the pixels are the same.
void drawSphere(GLUquadric* quadric, float radius);
// Deletes the lists compiled from a quadric that is about to be deleted.
void forgetSpheres(GLUquadric* quadric);
// Draws a body's sphere as drawSphere(sharedQuadric, radius) draws it, leaving out the quads that no pixel
// can show from where it is seen.
void drawBodySphere(float radius);
