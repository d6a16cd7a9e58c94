// What freeglut leaves undone for the program's X11 window. No GL calls.
#pragma once

// For the window just created (the current GLX drawable): sets WM_CLASS to ("velmir", "Velmir") and
// _NET_WM_PID, by which docks and task bars match the window to its desktop entry, and ends the program
// with status 0 through exit() when any client destroys the window (freeglut itself ignores that and
// would keep running with no window, or die of the first X error its drawing then causes).
void adoptX11Window();
