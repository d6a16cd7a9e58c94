// The GLUT parts the browser's GLUT lacks or does differently: pop-up menus as an HTML menu, a
// press and a release for each wheel notch, the position a drag moved to, the end of the page's
// program, and the options and callbacks a browser has no use for.
#define VELMIR_WEB_LAYER
#include "web/include/velmir_web_gl.h"

#include "app/program_end.h"
#include "app/x11_window.h"

#include <cstdint>
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
    if (!userMouse)
        return;
    // The browser reports a wheel notch as a press only; desktop GLUT sends a press and a release.
    if (button == 3 || button == 4)
    {
        if (state == GLUT_DOWN)
        {
            userMouse(button, GLUT_DOWN, x, y);
            userMouse(button, GLUT_UP, x, y);
        }
        return;
    }
    userMouse(button, state, x, y);
}

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

    void velmirMainLoop(void)
    {
        // What the browser's glutMainLoop does, but with the runtime kept alive for the callbacks: its own
        // would let the runtime end after the first frame.
        glutReshapeWindow(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
        glutPostRedisplay();
        emscripten_exit_with_live_runtime();
    }

    void velmirSwapBuffers(void)
    {
        ++framesShown;
        glutSwapBuffers();
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
