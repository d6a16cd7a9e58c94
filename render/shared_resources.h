// The GL resources every body shares (the eleven textures, one quadric), and the hooks through which
// the simulation, which knows no GL, has GL resources made and released.
#pragma once

struct GLUquadric;

// One quadric for every body's sphere; exists while at least one body does (null otherwise).
extern GLUquadric* sharedQuadric;

// Loads the eleven body textures in index order and creates sharedQuadric. Runs when the first
// body is created; needs a current GL context.
void loadSharedResources();
// Deletes sharedQuadric when the last body goes. The textures stay loaded until process exit.
void releaseSharedQuadric();

// Binds the body texture of that index. An index outside the table binds texture 0, which has no
// image: the sphere shows the current colour, white, as a body whose texture file is missing does.
void bindObjectTexture(int textureIndex);

// Has the simulation call the functions above when its first body is made and its last one goes, and
// delete its sky quadric through GLU. Called once the GL context exists, before the first body: a body
// made earlier gets no textures and no quadric.
void installRenderHooks();
