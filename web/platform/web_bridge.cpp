// The page's way into the program, and the program's word back to it. The page (page/*.js) owns
// every DOM event and calls the exported functions below with plain arguments: a key, a special key,
// a mouse button or motion, wheel notches, a menu choice, a turn of the camera, the window's size.
// Each reaches the callback the program registered with GLUT (web_glut.cpp keeps them), as a desktop
// window system would deliver it. The program's state goes back to the page, typed, whenever it
// changed (velmirPageState in web_library.js).
#define VELMIR_WEB_LAYER
#include "web/include/velmir_web_gl.h"

#include "app/frame_loop.h"
#include "camera/mouse.h"
#include "render/texture_files.h"
#include "sim/simulation.h"
#include "web/platform/web_bridge.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#else
#define EMSCRIPTEN_KEEPALIVE // built natively, the tests call the bridge directly
#endif

namespace
{
// Frames shown. Not the program's frameCount, which counts gravity steps (the "Frame" of its log):
// the page's frame rate and the browser test's waits need the frames.
unsigned framesShown = 0;
int buttonsHeld = 0; // a bit for each mouse button the page reported pressed and not yet released

// What the page tells its visitors about the program: whether it runs, shows trails and arrows, the
// camera mode, the body followed and the time scale.
struct PageState
{
    bool running = false;
    bool trails = false;
    bool arrows = false;
    int mode = -1;
    std::uint32_t body = 0;
    float timeScale = 0.0f;
    bool operator==(const PageState& o) const
    {
        return running == o.running && trails == o.trails && arrows == o.arrows && mode == o.mode &&
               body == o.body && timeScale == o.timeScale;
    }
};
PageState stateSent;
bool stateEverSent = false;

// A body by its texture's file name without the extension ("mars").
std::string bodyName(std::uint32_t key)
{
    if (key >= simulation.objectCount())
        return "";
    const int texture = simulation.object(key).textureIndex();
    if (texture < 0 || texture >= textureCount)
        return "";
    const std::string name = textureFileNames[texture];
    return name.substr(0, name.rfind('.'));
}

// The program's state to the page, if it changed since it was last sent.
void tellPageState()
{
    PageState now;
    now.running = !simulation.isPaused();
    now.trails = simulation.showHistories();
    now.arrows = simulation.showMotionVectors();
    now.mode = simulation.lookAtMode();
    now.body = simulation.targetIndex();
    now.timeScale = timeScale;
    if (stateEverSent && now == stateSent)
        return;
    stateSent = now;
    stateEverSent = true;
    velmirPageState(now.running, now.trails, now.arrows, now.mode, bodyName(now.body).c_str(),
                    static_cast<double>(now.timeScale));
}
} // namespace

void frameShown()
{
    ++framesShown;
    tellPageState();
}

extern "C"
{

    // A key that GLUT reports as a character (its code, 1 to 255), at a window position.
    EMSCRIPTEN_KEEPALIVE void velmirKey(int key, int x, int y)
    {
        if (programInput.keyboard && key > 0 && key < 256)
            programInput.keyboard(static_cast<unsigned char>(key), x, y);
        tellPageState();
    }

    // A key that GLUT reports by number (GLUT_KEY_F1, GLUT_KEY_PAGE_UP ...).
    EMSCRIPTEN_KEEPALIVE void velmirSpecialKey(int key, int x, int y)
    {
        if (programInput.special)
            programInput.special(key, x, y);
        tellPageState();
    }

    // A mouse button (GLUT_LEFT_BUTTON, GLUT_MIDDLE_BUTTON, GLUT_RIGHT_BUTTON) pressed (GLUT_DOWN) or
    // released (GLUT_UP). The right button opens the menu when one is attached: the page opens it, and
    // the button reaches no callback.
    EMSCRIPTEN_KEEPALIVE void velmirMouseButton(int button, int state, int x, int y)
    {
        if (button < 0 || button > 2)
            return;
        if (state != GLUT_DOWN)
            buttonsHeld &= ~(1 << button); // a release ends a drag, whoever hears of it
        if (button == GLUT_RIGHT_BUTTON && programInput.rightButtonMenu != 0)
            return;
        if (state == GLUT_DOWN)
            buttonsHeld |= 1 << button;
        if (programInput.mouse)
            programInput.mouse(button, state, x, y);
    }

    // The pointer moved to a window position: a drag while a button is held, else a passive move.
    EMSCRIPTEN_KEEPALIVE void velmirMouseMotion(int x, int y)
    {
        void (*callback)(int, int) = buttonsHeld ? programInput.motion : programInput.passiveMotion;
        if (callback)
            callback(x, y);
    }

    // Whole wheel notches at a window position: positive away from the user (button 3), negative towards
    // (button 4), each a press and then a release as desktop GLUT reports a notch.
    EMSCRIPTEN_KEEPALIVE void velmirWheelNotches(int notches, int x, int y)
    {
        const int button = notches > 0 ? MouseWheelForward : MouseWheelBackward;
        for (int i = 0; programInput.mouse && i < std::abs(notches); ++i)
        {
            programInput.mouse(button, GLUT_DOWN, x, y);
            programInput.mouse(button, GLUT_UP, x, y);
        }
    }

    // An entry of the page's menu chosen: the callback of the menu it belongs to, with its value.
    EMSCRIPTEN_KEEPALIVE void velmirChooseMenuEntry(int menu, int value)
    {
        chooseMenuEntry(menu, value);
        tellPageState();
    }

    // One press of an arrow key on the picture: the camera turns by turnDegrees (right, up: positive)
    // through the rotation a drag ends in, and only where a drag turns it (the "Look At" mode), not
    // during a drag of the mouse's own.
    EMSCRIPTEN_KEEPALIVE void velmirTurnCamera(int right, int up)
    {
        constexpr float turnDegrees = 5.0f;
        if (simulation.lookAtMode() != LookAtFree || leftButtonState == MouseDown)
            return;
        simulation.rotateCamera(static_cast<float>(right) * turnDegrees,
                                static_cast<float>(up) * turnDegrees);
        glutPostRedisplay();
    }

    // Called by the page whenever the space it gives the picture changes: the window's new size in pixels.
    EMSCRIPTEN_KEEPALIVE void velmirResizeWindow(int width, int height)
    {
        velmirSetCanvasSize(width, height);
        glutPostRedisplay(); // as a window system redraws after a reshape
    }

    // Frames shown so far; the page measures the frame rate from it.
    EMSCRIPTEN_KEEPALIVE unsigned velmirFrameCount(void)
    {
        return framesShown;
    }

    // Whether the frame loop runs, that is whether the program has an idle callback installed: paused,
    // it has none, and the page says so rather than show the rate of the frames it draws on request.
    EMSCRIPTEN_KEEPALIVE int velmirFrameLoopRuns(void)
    {
        return velmirIdleCallbackSet();
    }

} // extern "C"
