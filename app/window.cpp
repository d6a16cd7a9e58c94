// Window creation, centring and callback registration.
#include "app/window.h"

#include "app/platform.h"
#include "app/window_position.h"
#include "app/x11_window.h"

#include <GL/freeglut.h>

int createWindow(int* argc, char** argv, const char* title, int width, int height, unsigned int displayMode)
{
    glutInit(argc, argv);
    // Closing the window must end the process through exit(), so the global objects are destroyed.
    glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_EXIT);
    glutInitDisplayMode(displayMode);
    glutInitWindowSize(width, height);
    const int screenWidth = readScreenWidth();
    const int screenHeight = readScreenHeight();
    const WindowPosition at = centredWindowPosition(screenWidth, screenHeight, width, height);
    glutInitWindowPosition(at.x, at.y);
    const int window = glutCreateWindow(title);
    nameWindowForDesktop();
    endProgramWithWindow();
    return window;
}

void registerCallbacks(void (*display)(), void (*reshape)(int, int), void (*idle)(),
                       void (*keyboard)(unsigned char, int, int), void (*special)(int, int, int),
                       void (*mouse)(int, int, int, int), void (*passiveMotion)(int, int),
                       void (*motion)(int, int), void (*entry)(int))
{
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutIdleFunc(idle);
    glutKeyboardFunc(keyboard);
    glutSpecialFunc(special);
    glutMouseFunc(mouse);
    glutPassiveMotionFunc(passiveMotion);
    glutMotionFunc(motion);
    glutEntryFunc(entry);
}
