// Process entry: the window, the callbacks, the start-up sequence and the event loop.
#include "app/frame_loop.h"
#include "app/input.h"
#include "app/window.h"
#include "camera/mouse.h"
#include "render/scene.h"
#include "render/shared_resources.h"
#include "sim/simulation.h"
#include "window/bounds2d.h"

#include <GL/freeglut.h>

int main(int argc, char** argv)
{
    // RGB, double-buffered, with a depth buffer.
    const unsigned int displayMode = GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH;
    createWindow(&argc, argv, "Velmir", static_cast<int>(windowBounds.width()),
                 static_cast<int>(windowBounds.height()), displayMode);
    registerCallbacks(display, reshape, nullptr, keyboardCallback, nullptr, mouseCallback, nullptr,
                      motionCallback, nullptr);
    initGL();
    installRenderHooks();
    initTimer();
    buildMenus();
    // Only now: the first body loads the body textures, which needs the GL context.
    createInitialSystem();
    glutMainLoop();
    return 0;
}
