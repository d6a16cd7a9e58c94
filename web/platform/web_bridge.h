// What the GLUT replacement (web_glut.cpp) and the page's bridge (web_bridge.cpp) share, and the
// calls into the page's JavaScript that both make (web_library.js).
#pragma once

// The program's input callbacks as it registered them with GLUT, and the menu on its right button:
// the page's input reaches them through the bridge, never through the browser's own GLUT.
struct ProgramInput
{
    void (*keyboard)(unsigned char, int, int) = nullptr;
    void (*special)(int, int, int) = nullptr;
    void (*mouse)(int, int, int, int) = nullptr;
    void (*motion)(int, int) = nullptr;
    void (*passiveMotion)(int, int) = nullptr;
    int rightButtonMenu = 0; // the menu the right button opens, 0 if none
};
extern ProgramInput programInput;

// An entry of a menu chosen: that menu's callback called with the entry's value, as GLUT does.
void chooseMenuEntry(int menu, int value);

// A frame put on show: counted, and the program's state told to the page if it changed.
void frameShown();

extern "C"
{
    // web_library.js: what the program tells the page (Module's on* hooks in page/*.js) ...
    void velmirPageState(int running, int trails, int arrows, int mode, const char* body, double timeScale);
    void velmirPageMenuEntry(int menu, const char* label, int value, int subMenu);
    void velmirPageMenuAttached(int menu);
    void velmirPageWindowOpens(void);
    void velmirPageProgramEnding(void);
    // ... and what only the browser's GLUT and runtime know or do.
    void velmirSetCanvasSize(int width, int height);
    void velmirSetInitialWindowSize(int width, int height);
    int velmirIdleCallbackSet(void);
    void velmirDropBrowserInput(void);
    void velmirWarmUpThenDraw(void);
}
