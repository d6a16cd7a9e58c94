// Spheres compiled once into GL display lists and replayed, instead of recomputed every frame; the
// bodies' spheres without the triangles that cannot show.
#pragma once

struct GLUquadric;

// Draws what gluSphere(quadric, radius, 50, 50) draws, from a display list compiled on the first call
// for that quadric and radius (up to 64 of them); the same vertices reach GL, so the pixels are the same.
void drawSphere(GLUquadric* quadric, float radius);
// Deletes the lists compiled from a quadric that is about to be deleted.
void forgetSpheres(GLUquadric* quadric);
// Draws a body's sphere with the same colour and depth in every pixel as drawSphere(sharedQuadric,
// radius), leaving out the triangles that cannot show from where it is seen: those hidden behind the
// near side and those that cover no pixel centre. Where that cannot be told for sure (the sphere
// reaches the near plane, an unusual projection or fragment state), the display list is drawn whole.
void drawBodySphere(float radius);
