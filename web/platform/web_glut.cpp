// The GLUT parts the browser's GLUT lacks or does differently: pop-up menus as an HTML menu, the
// wheel in notches as the desktop counts them, keys only from where the page's focus is, the arrow
// keys turning the camera, the program's state told to the page, a window the page sizes, the
// position a drag moved to, the end of the page's program, and the options and callbacks a browser
// has no use for.
#define VELMIR_WEB_LAYER
#include "app/frame_loop.h"
#include "app/program_end.h"
#include "app/x11_window.h"
#include "camera/mouse.h"
#include "render/texture_files.h"
#include "sim/simulation.h"
#include "web/include/velmir_web_gl.h"
#include "window/bounds2d.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <emscripten.h>
#include <string>
#include <vector>

namespace
{
struct MenuEntry
{
    std::string label;
    int value;   // passed to the callback
    int subMenu; // 0: an entry, else the id of the menu it opens
};
struct Menu
{
    void (*callback)(int);
    std::vector<MenuEntry> entries;
};
std::vector<Menu> menus; // id = index + 1, as freeglut numbers them
int currentMenu = 0;
int rightButtonMenu = 0;
void (*userMouse)(int, int, int, int) = nullptr;
void (*userMotion)(int, int) = nullptr;
// Frames shown. Not the program's frameCount, which counts gravity steps (the "Frame" of its log):
// the page's frame rate and the browser test's waits need the frames, and only the browser build
// needs them counted.
unsigned framesShown = 0;

void appendJsonString(std::string& out, const std::string& text)
{
    out += '"';
    for (const char c : text)
    {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) >= 0x20)
            out += c;
    }
    out += '"';
}

// The menu and its submenus as JSON: {"id":1,"entries":[{"label":"...","value":0,"sub":{...}}]}.
std::string menuJson(int id, int depth)
{
    std::string out = "{\"id\":" + std::to_string(id) + ",\"entries\":[";
    const Menu& menu = menus[static_cast<std::size_t>(id - 1)];
    for (std::size_t i = 0; i < menu.entries.size(); ++i)
    {
        const MenuEntry& e = menu.entries[i];
        out += i ? ",{\"label\":" : "{\"label\":";
        appendJsonString(out, e.label);
        out += ",\"value\":" + std::to_string(e.value);
        if (e.subMenu > 0 && e.subMenu <= static_cast<int>(menus.size()) && depth < 8)
            out += ",\"sub\":" + menuJson(e.subMenu, depth + 1);
        out += '}';
    }
    return out + "]}";
}

EM_JS(void, velmirShowMenu, (const char* json, int x, int y), {
    if (Module.showMenu)
        Module.showMenu(JSON.parse(UTF8ToString(json)), x, y);
});

void mouseTrampoline(int button, int state, int x, int y)
{
    // As on the desktop, the button a menu is attached to opens the menu and reaches no callback.
    if (button == GLUT_RIGHT_BUTTON && rightButtonMenu != 0)
    {
        if (state == GLUT_DOWN)
            velmirShowMenu(menuJson(rightButtonMenu, 0).c_str(), x, y);
        return;
    }
    if (userMouse)
        userMouse(button, state, x, y);
}

// The wheel as the desktop reports it: one notch per wheel click's worth of scrolling, however the
// browser cuts it into events. A mouse wheel click is 120 CSS pixels in Chromium and 6 lines in
// Firefox (on Linux; a line counted as 20 pixels, about what Firefox scrolls for one, so a click
// is 120 pixels in both); a touchpad sends many events of a few pixels, and scrolling as far as one
// click zooms as far as one click. What is left over from whole notches is kept for the next
// event; a notch is given from half a click on, so a click a browser makes a little shorter (100
// pixels elsewhere, or a zoomed page) still zooms once. The browser's GLUT would read the legacy
// events instead and make every event, however small, a whole notch: its listeners are removed.
// Only a wheel over the picture zooms, as only a pointer over a desktop window reaches the program.
// clang-format off
EM_JS(void, velmirListenToWheel, (), {
    window.removeEventListener('mousewheel', GLUT.onMouseWheel, true);
    window.removeEventListener('DOMMouseScroll', GLUT.onMouseWheel, true);
    var canvas = Module['canvas'];
    var pixelsPerNotch = 120;
    var pixelsPerLine = 20;
    var notches = 0;
    function onWheel(event) {
        event.preventDefault();
        var unit = event.deltaMode == 1 ? pixelsPerLine : event.deltaMode == 2 ? window.innerHeight : 1;
        notches -= (event.deltaY * unit) / pixelsPerNotch; // positive: away from the user, zooming in
        var whole = Math.sign(notches) * Math.floor(Math.abs(notches) + 0.5);
        if (whole == 0)
            return;
        notches -= whole;
        var box = canvas.getBoundingClientRect();
        _velmirWheelNotches(whole, ((event.clientX - box.left) * canvas.width / box.width) | 0,
                            ((event.clientY - box.top) * canvas.height / box.height) | 0);
    }
    canvas.addEventListener('wheel', onWheel, {passive: false});
    __ATEXIT__.push(function() { canvas.removeEventListener('wheel', onWheel); });
});
// clang-format on

// The page's own canvas size (its drawing buffer, in device pixels) is the window's: the program's
// reshape hears of it as a desktop window system tells it of a new size.
EM_JS(void, velmirSetCanvasSize, (int width, int height), {
    var canvas = Module['canvas'];
    if (canvas.width != width)
        canvas.width = width;
    if (canvas.height != height)
        canvas.height = height;
    Browser.updateResizeListeners(); // the browser's GLUT calls the reshape callback
});

EM_JS(void, velmirSetInitialWindowSize, (int width, int height), {
    GLUT.initWindowWidth = width;
    GLUT.initWindowHeight = height;
});

EM_JS(void, velmirOpenWindow, (), {
    if (Module['onWindowOpen'])
        Module['onWindowOpen']();
});

EM_JS(int, velmirIdleCallbackSet, (), { return GLUT.idleFunc ? 1 : 0; });

// The browser's GLUT hands a motion callback the pointer's position before the move, not after it:
// a drag would lag one event behind and its last step would never arrive. The trampoline reads the
// position the move went to.
EM_JS(void, velmirSetMotionFunc, (std::intptr_t callback), { GLUT.motionFunc = callback; });
EM_JS(int, velmirPointerX, (), { return Browser.mouseX | 0; });
EM_JS(int, velmirPointerY, (), { return Browser.mouseY | 0; });

void motionTrampoline(int, int)
{
    if (userMotion)
        userMotion(velmirPointerX(), velmirPointerY());
}

// Keys reach the program from the picture, or from the page as a whole (nothing focused), as a
// desktop window has them. On any other control the page's own keys stay with it: Tab and Shift+Tab
// always move the focus, Space and Enter press the focused button or checkbox, the arrow keys move
// within the toolbar or scroll the output panel; only characters (N, S, "." ...) still reach the
// program from there, as a user who clicked a button and then types expects. Nothing reaches it from
// an open menu. The browser's GLUT would take every key on the window and cancel it: its listeners
// give way to these. With the picture focused, the arrow keys turn the camera (velmirTurnCamera).
// clang-format off
EM_JS(void, velmirListenToKeys, (), {
    window.removeEventListener('keydown', GLUT.onKeydown, true);
    window.removeEventListener('keyup', GLUT.onKeyup, true);
    var canvas = Module['canvas'];
    var turns = {ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, 1], ArrowDown: [0, -1]};
    function forProgram(event) {
        if (event.key === 'Tab')
            return false;
        var target = event.target;
        if (target === window || target === document || target === document.body ||
            target === document.documentElement || target === canvas)
            return true;
        if (target.closest && target.closest('[role="menu"]'))
            return false;
        return event.key.length === 1 && event.key !== ' ' && !event.ctrlKey && !event.altKey && !event.metaKey;
    }
    function onKeydown(event) {
        var turn = turns[event.key];
        if (turn && event.target === canvas && !event.shiftKey && !event.ctrlKey && !event.altKey && !event.metaKey) {
            event.preventDefault(); // the page does not scroll
            _velmirTurnCamera(turn[0], turn[1]);
            _velmirReportState(0);
            return;
        }
        if (!forProgram(event))
            return;
        var key = GLUT.getSpecialKey(event['keyCode']) === null ? GLUT.getASCIIKey(event) : null;
        if (key !== null && Module['onProgramKey'])
            Module['onProgramKey'](String.fromCharCode(key));
        GLUT.onKeydown(event);
        _velmirReportState(0);
    }
    function onKeyup(event) {
        if (forProgram(event))
            GLUT.onKeyup(event);
    }
    window.addEventListener('keydown', onKeydown, true);
    window.addEventListener('keyup', onKeyup, true);
    __ATEXIT__.push(function() {
        window.removeEventListener('keydown', onKeydown, true);
        window.removeEventListener('keyup', onKeyup, true);
    });
});
// clang-format on

EM_JS(void, velmirSendState, (const char* json), {
    if (Module['onProgramState'])
        Module['onProgramState'](JSON.parse(UTF8ToString(json)));
});

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

// The camera mode by the words of the menu entry that chooses it: an entry of a submenu of the
// attached menu whose value is the mode.
std::string modeLabel(int mode)
{
    if (rightButtonMenu == 0)
        return "";
    for (const MenuEntry& e : menus[static_cast<std::size_t>(rightButtonMenu - 1)].entries)
    {
        if (e.subMenu <= 0 || e.subMenu > static_cast<int>(menus.size()))
            continue;
        for (const MenuEntry& choice : menus[static_cast<std::size_t>(e.subMenu - 1)].entries)
            if (choice.subMenu == 0 && choice.value == mode)
                return choice.label;
    }
    return "";
}

// A body by its texture's file name without the extension ("mars").
std::string bodyName(std::uint32_t key)
{
    if (key >= simulation.objectCount())
        return "";
    const int texture = simulation.object(key).textureIndex();
    if (texture < 0 || texture >= textureCount)
        return "";
    std::string name = textureFileNames[texture];
    return name.substr(0, name.rfind('.'));
}

void reportState(bool always)
{
    PageState now;
    now.running = !simulation.isPaused();
    now.trails = simulation.showHistories();
    now.arrows = simulation.showMotionVectors();
    now.mode = simulation.lookAtMode();
    now.body = simulation.targetIndex();
    now.timeScale = timeScale;
    if (!always && stateEverSent && now == stateSent)
        return;
    stateSent = now;
    stateEverSent = true;
    char scale[32];
    std::snprintf(scale, sizeof scale, "%.10g", static_cast<double>(now.timeScale));
    std::string json = std::string("{\"running\":") + (now.running ? "true" : "false") +
                       ",\"trails\":" + (now.trails ? "true" : "false") +
                       ",\"arrows\":" + (now.arrows ? "true" : "false") +
                       ",\"mode\":" + std::to_string(now.mode) + ",\"modeLabel\":";
    appendJsonString(json, modeLabel(now.mode));
    json += ",\"body\":";
    appendJsonString(json, bodyName(now.body));
    json += std::string(",\"timeScale\":") + scale + "}";
    velmirSendState(json.c_str());
}

// The emulation's shaders for the first frames, one a task (velmirWarmUpStep), then the first frame:
// made inside that frame, they kept the main thread busy for a tenth of a second in one go.
EM_JS(void, velmirWarmUpThenDraw, (), {
    var variant = 0;
    function next()
    {
        if (!ABORT && !runtimeExited && _velmirWarmUpStep(variant++))
            setTimeout(next, 0);
    }
    setTimeout(next, 0);
});

EM_JS(void, velmirProgramEnding, (), {
    if (Module.onProgramEnding)
        Module.onProgramEnding();
});
} // namespace

extern "C"
{

    void velmirMouseFunc(void (*callback)(int, int, int, int))
    {
        userMouse = callback;
        glutMouseFunc(mouseTrampoline);
    }

    // Called by the page whenever the space it gives the picture changes: the window's new size in pixels.
    EMSCRIPTEN_KEEPALIVE void velmirResizeWindow(int width, int height)
    {
        velmirSetCanvasSize(width, height);
        glutPostRedisplay(); // as a window system redraws after a reshape
    }

    void velmirMainLoop(void)
    {
        // What the browser's glutMainLoop does, but with the runtime kept alive for the callbacks (its own
        // would let the runtime end after the first frame) and the window at the size the page gives it
        // (its own reshapes to the canvas's size through a call that also leaves full screen).
        velmirPrepareContext();
        velmirListenToWheel();
        velmirListenToKeys();
        velmirOpenWindow(); // the page sets the canvas's size
        // The program hears of the size at once, as before; its first frame is asked for once the
        // shaders are made. Anything that asks for a frame meanwhile (a key) gets one at once.
        velmirSetCanvasSize(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
        velmirWarmUpThenDraw();
        emscripten_exit_with_live_runtime();
    }

    // One shader made (velmirWarmShader), or, after the last, the first frame asked for; 0 then.
    EMSCRIPTEN_KEEPALIVE int velmirWarmUpStep(int variant)
    {
        if (velmirWarmShader(variant))
            return 1;
        glutPostRedisplay();
        return 0;
    }

    // Whole wheel notches at a window position: positive away from the user (button 3), negative towards
    // (button 4), each a press and then a release as desktop GLUT reports a notch.
    EMSCRIPTEN_KEEPALIVE void velmirWheelNotches(int notches, int x, int y)
    {
        const int button = notches > 0 ? 3 : 4;
        for (int i = 0; userMouse && i < std::abs(notches); ++i)
        {
            userMouse(button, GLUT_DOWN, x, y);
            userMouse(button, GLUT_UP, x, y);
        }
    }

    // Whether the frame loop runs, that is whether the program has an idle callback installed: paused,
    // it has none, and the page says so rather than show the rate of the frames it draws on request.
    EMSCRIPTEN_KEEPALIVE int velmirFrameLoopRuns(void)
    {
        return velmirIdleCallbackSet();
    }

    void velmirSwapBuffers(void)
    {
        ++framesShown;
        glutSwapBuffers();
        reportState(false);
    }

    // The program's state to the page's onProgramState, if it changed since it was last sent (always,
    // with a non-zero argument).
    EMSCRIPTEN_KEEPALIVE void velmirReportState(int always)
    {
        reportState(always != 0);
    }

    // One press of an arrow key on the picture: the camera turns as a short drag from the picture's
    // centre in that direction (right, up: positive) turns it, by turnDegrees whatever the picture's
    // size, and only where a drag turns it (the "Look At" mode). A drag from the centre turns by the
    // arc tangent of its length in half-widths (half-heights upwards).
    EMSCRIPTEN_KEEPALIVE void velmirTurnCamera(int right, int up)
    {
        constexpr double turnDegrees = 5.0;
        if (!userMouse || !userMotion || leftButtonState == MouseDown)
            return; // not during a drag of the mouse's own
        const double reach = std::tan(turnDegrees * 3.14159265358979323846 / 180.0);
        const double halfWidth = windowBounds.width() / 2.0, halfHeight = windowBounds.height() / 2.0;
        const int x = static_cast<int>(halfWidth), y = static_cast<int>(halfHeight);
        const int toX = x + static_cast<int>(std::lround(right * reach * halfWidth));
        const int toY = y - static_cast<int>(std::lround(up * reach * halfHeight));
        userMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, x, y);
        userMotion(toX, toY);
        userMouse(GLUT_LEFT_BUTTON, GLUT_UP, toX, toY);
    }

    // Frames shown so far; the page measures the frame rate from it.
    EMSCRIPTEN_KEEPALIVE unsigned velmirFrameCount(void)
    {
        return framesShown;
    }

    // Called by the page when an entry of the HTML menu is chosen.
    EMSCRIPTEN_KEEPALIVE void velmirChooseMenuEntry(int menu, int value)
    {
        if (menu < 1 || menu > static_cast<int>(menus.size()))
            return;
        currentMenu = menu;
        if (menus[static_cast<std::size_t>(menu - 1)].callback)
            menus[static_cast<std::size_t>(menu - 1)].callback(value);
        reportState(false);
    }

    // Replaces the browser's own, which would register the callback without the trampoline.
    void glutMotionFunc(void (*callback)(int, int))
    {
        userMotion = callback;
        velmirSetMotionFunc(callback ? reinterpret_cast<std::intptr_t>(&motionTrampoline) : 0);
    }

    int glutCreateMenu(void (*callback)(int))
    {
        menus.push_back({callback, {}});
        currentMenu = static_cast<int>(menus.size());
        return currentMenu;
    }

    void glutAddMenuEntry(const char* label, int value)
    {
        if (currentMenu > 0)
            menus[static_cast<std::size_t>(currentMenu - 1)].entries.push_back({label, value, 0});
    }

    void glutAddSubMenu(const char* label, int subMenu)
    {
        if (currentMenu > 0)
            menus[static_cast<std::size_t>(currentMenu - 1)].entries.push_back({label, 0, subMenu});
    }

    void glutAttachMenu(int button)
    {
        if (button != GLUT_RIGHT_BUTTON || currentMenu == 0)
            return;
        rightButtonMenu = currentMenu;
        glutMouseFunc(mouseTrampoline); // the menu needs the button even without a mouse callback
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
// destructors run, the browser's GLUT drops its listeners, and no timer or frame calls in again.
void endProgram()
{
    velmirProgramEnding(); // the page keeps the last picture on show
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
