// The hooks through which the simulation, which knows no GL, has GL resources made and released.
#pragma once

struct GLUquadric;

// The GL side of resource lifetimes. The simulation stays free of GL: the renderer fills these in
// once a GL context exists (installRenderHooks), and an empty entry does nothing, which GL-free
// tests rely on.
struct RenderHooks
{
    void (*loadSharedResources)() = nullptr;      // first body created: textures and the shared quadric
    void (*releaseSharedQuadric)() = nullptr;     // last body destroyed
    void (*deleteQuadric)(GLUquadric*) = nullptr; // the simulation's sky quadric, at its end
};
extern RenderHooks renderHooks;
