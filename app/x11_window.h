// What freeglut leaves undone for the program's X11 window. No GL calls.
#pragma once

// For the window just created (the current GLX drawable): sets WM_CLASS to ("velmir", "Velmir") and
// _NET_WM_PID, by which docks and task bars match the window to its desktop entry.
void nameWindowForDesktop();

// Ends the program through endProgram() when any client destroys the window just created (freeglut
// itself ignores that and would keep running with no window, or die of the first X error its drawing
// then causes). A close from the window manager is freeglut's own: it ends the process itself.
void endProgramWithWindow();
