// The program's X11 window beyond what freeglut does: its class and process id, and the end of the
// program when another client destroys it.
//
// freeglut reads DestroyNotify for its window and drops it. The event is caught here as Xlib converts
// it from the wire, on freeglut's own connection: no second connection, no polling, and nothing is
// missed while the program is paused and freeglut sleeps in select(). The X server sends a client the
// DestroyNotify before any error that the client's later requests on the dead window cause, so those
// errors are always recognised as the aftermath and ignored until the program ends.
#include "app/x11_window.h"

#include "app/program_end.h"

#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#include <X11/Xutil.h>
#include <unistd.h>

namespace
{
using WireToEvent = Bool (*)(Display*, XEvent*, xEvent*);

Window programWindow = 0;
bool freeglutCloses = false; // freeglut destroys the window itself on its way out (window manager's close)
bool windowDestroyed = false;
WireToEvent convertDestroyNotify = nullptr; // Xlib's own conversion, called first
XErrorHandler previousErrorHandler = nullptr;

// Runs as the next idle call: outside Xlib, where the end may run destructors that use the display.
void endAfterDestroy()
{
    endProgram();
}

void noteFreeglutCloses()
{
    freeglutCloses = true;
}

// Runs inside Xlib with the display locked: no Xlib calls here, only flags and a pointer for freeglut.
Bool noticeDestroyNotify(Display* display, XEvent* event, xEvent* wire)
{
    const Bool keep = convertDestroyNotify(display, event, wire);
    if (event->xdestroywindow.window == programWindow && !freeglutCloses && !windowDestroyed)
    {
        windowDestroyed = true;
        // freeglut calls the idle function after the events at hand, paused or not.
        glutIdleFunc(endAfterDestroy);
    }
    return keep;
}

int ignoreErrorsAfterDestroy(Display* display, XErrorEvent* error)
{
    // A frame drawn between the destruction and the exit names a window that no longer exists.
    if (windowDestroyed)
        return 0;
    return previousErrorHandler ? previousErrorHandler(display, error) : 0;
}
} // namespace

void nameWindowForDesktop()
{
    Display* display = glXGetCurrentDisplay();
    const Window window = glXGetCurrentDrawable();
    if (!display || !window)
        return;

    char name[] = "velmir";
    char className[] = "Velmir";
    XClassHint classHint{name, className};
    XSetClassHint(display, window, &classHint);
    // CARDINAL properties of format 32 travel as longs in Xlib, whatever the size of long.
    const long pid = static_cast<long>(getpid());
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    XFlush(display);
}

void endProgramWithWindow()
{
    Display* display = glXGetCurrentDisplay();
    programWindow = glXGetCurrentDrawable();
    if (!display || !programWindow)
        return;

    glutCloseFunc(noteFreeglutCloses);
    convertDestroyNotify = XESetWireToEvent(display, DestroyNotify, noticeDestroyNotify);
    previousErrorHandler = XSetErrorHandler(ignoreErrorsAfterDestroy);
}
