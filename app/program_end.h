// The program's one way out, so that each platform decides what ending means.
#pragma once

// Ends the program with status 0; the destructors of the process-wide objects run (the bodies, the
// sky and the textures are released). The menu's Exit and the loss of the window call it. The
// desktop ends the process here; the browser build leaves this file's body out and defines its own
// (web/platform/web_glut.cpp), which also stops the page's event loop and keeps the last picture.
[[noreturn]] void endProgram();
