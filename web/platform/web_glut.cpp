// GLUT where the browser's own lacks what the program uses or does it differently: the input
// callbacks, kept for the page's input (web_bridge.cpp) rather than fed from the browser's own
// listeners; pop-up menus, which the page builds as HTML; a window the page sizes; a main loop that
// keeps the runtime alive; the end of the page's program; and the options a browser has no use for.
#define VELMIR_WEB_LAYER
#include "web/include/velmir_web_gl.h"

#include "app/program_end.h"
#include "app/x11_window.h"
#include "web/platform/web_bridge.h"

#include <emscripten.h>
#include <vector>

ProgramInput programInput;

namespace
{
std::vector<void (*)(int)> menuCallbacks; // menu id = index + 1, as freeglut numbers them
int currentMenu = 0;
} // namespace

void chooseMenuEntry(int menu, int value)
{
    if (menu < 1 || menu > static_cast<int>(menuCallbacks.size()))
        return;
    currentMenu = menu;
    if (menuCallbacks[static_cast<std::size_t>(menu - 1)])
        menuCallbacks[static_cast<std::size_t>(menu - 1)](value);
}

extern "C"
{

    void glutKeyboardFunc(void (*callback)(unsigned char, int, int))
    {
        programInput.keyboard = callback;
    }

    void glutSpecialFunc(void (*callback)(int, int, int))
    {
        programInput.special = callback;
    }

    void glutMouseFunc(void (*callback)(int, int, int, int))
    {
        programInput.mouse = callback;
    }

    void glutMotionFunc(void (*callback)(int, int))
    {
        programInput.motion = callback;
    }

    void glutPassiveMotionFunc(void (*callback)(int, int))
    {
        programInput.passiveMotion = callback;
    }

    int glutCreateMenu(void (*callback)(int))
    {
        menuCallbacks.push_back(callback);
        currentMenu = static_cast<int>(menuCallbacks.size());
        return currentMenu;
    }

    void glutAddMenuEntry(const char* label, int value)
    {
        if (currentMenu > 0)
            velmirPageMenuEntry(currentMenu, label, value, 0);
    }

    void glutAddSubMenu(const char* label, int subMenu)
    {
        if (currentMenu > 0 && subMenu > 0 && subMenu <= static_cast<int>(menuCallbacks.size()))
            velmirPageMenuEntry(currentMenu, label, 0, subMenu);
    }

    // As on the desktop, the button a menu is attached to opens the menu and reaches no callback.
    void glutAttachMenu(int button)
    {
        if (button != GLUT_RIGHT_BUTTON || currentMenu == 0)
            return;
        programInput.rightButtonMenu = currentMenu;
        velmirPageMenuAttached(currentMenu);
    }

    void velmirMainLoop(void)
    {
        // What the browser's glutMainLoop does, but with the runtime kept alive for the callbacks (its own
        // would let the runtime end after the first frame), the window at the size the page gives it (its
        // own reshapes to the canvas's size through a call that also leaves full screen), and input from
        // the page alone.
        velmirPrepareContext();
        velmirDropBrowserInput();
        velmirPageWindowOpens(); // the page sets the canvas's size
        // The program hears of the size at once; its first frame is asked for once the shaders are
        // made. Anything that asks for a frame meanwhile (a key) gets one at once.
        velmirSetCanvasSize(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
        velmirWarmUpThenDraw();
        emscripten_exit_with_live_runtime();
    }

    // Before the first frame, a task each: a band of a large texture main() uploaded
    // (velmirSendDeferredBand), or one shader made (velmirWarmShader); after the last, the first frame
    // asked for, and 0.
    EMSCRIPTEN_KEEPALIVE int velmirWarmUpStep(void)
    {
        static int variant = 0;
        if (velmirSendDeferredBand())
            return 1;
        if (velmirWarmShader(variant))
        {
            ++variant;
            return 1;
        }
        velmirStopDeferringUploads();
        glutPostRedisplay();
        return 0;
    }

    void velmirSwapBuffers(void)
    {
        glutSwapBuffers();
        frameShown();
    }

    // The page sizes the canvas (velmir-page.js), from before main() on: the browser's own would set it to
    // the desktop window's first size, and the page then back to its own, each time making WebGL a new
    // drawing buffer. The size asked for is kept, as GLUT keeps it.
    void glutInitWindowSize(int width, int height)
    {
        velmirSetInitialWindowSize(width, height);
    }

    // A page has no window to close and no pointer to leave it: nothing to set up for either.
    void glutSetOption(GLenum, int)
    {
    }

    void glutEntryFunc(void (*)(int))
    {
    }

} // extern "C"

// The program's end must be a process's end: no idle call, frame, output line or input handling after
// it. The browser's runtime is kept alive for the event loop (velmirMainLoop), and kept alive, a plain
// exit() would only unwind the current call; so the end is forced: the program's exit handlers and
// destructors run, and no timer or frame calls in again.
void endProgram()
{
    velmirPageProgramEnding(); // the page keeps the last picture on show
    emscripten_force_exit(0);
}

// In place of app/x11_window.cpp, which the browser build leaves out: a page's canvas has no X11
// class to carry and cannot be destroyed by another program.
void nameWindowForDesktop()
{
}

void endProgramWithWindow()
{
}
