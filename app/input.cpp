// Turns keys and menu choices into commands on the simulation, the camera and the frame loop.
#include "app/input.h"

#include "app/frame_loop.h"
#include "app/keys.h"
#include "app/program_end.h"
#include "render/scene.h"
#include "sim/simulation.h"

#include <GL/freeglut.h>

namespace
{
// The window's part of a key's command; the simulation's part is applyCommand's.
void handleKey(unsigned char key)
{
    const Command command = commandForKey(key);
    applyCommand(command, simulation, timeScale, display); // a hand step draws and shows each state
    if (command == Command::PauseOrResume)
    {
        if (simulation.isPaused())
        {
            glutIdleFunc(nullptr);
        }
        else
        {
            glutIdleFunc(idleCallback);
            restartClock(); // the first call covers only the time since the resume
        }
    }
    else if (command == Command::ClearHistories)
    {
        restartClock(); // as the menu entry does
    }
}
} // namespace

void keyboardCallback(unsigned char key, int, int)
{
    handleKey(key);
    glutPostRedisplay(); // every key, known or not
}

void buildMenus()
{
    const int cameraModeMenu = glutCreateMenu(cameraModeMenuCallback);
    glutAddMenuEntry("&Look At", LookAtFree);
    glutAddMenuEntry("Look At Object In &Velocity", LookAtVelocity);
    glutAddMenuEntry("Look At Object In &Acceleration", LookAtAcceleration);
    glutAddMenuEntry("Look At Object A&nti Velocity", LookAtAntiVelocity);
    glutAddMenuEntry("Look At Object An&ti Acceleration", LookAtAntiAcceleration);

    glutCreateMenu(menuCallback);
    glutAddSubMenu("&Camera Mode", cameraModeMenu);
    glutAddMenuEntry("Toggle Orbit &History Display", MenuToggleHistories);
    glutAddMenuEntry("Toggle &Motion Display", MenuToggleMotion);
    glutAddMenuEntry("C&lear All Object Histories", MenuClearHistories);
    glutAddMenuEntry("E&xit", MenuExit);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
}

void menuCallback(int value)
{
    if (!applyMenuChoice(value, simulation))
        endProgram();
    glutPostRedisplay();
    restartClock(); // time spent in the menu is not simulated
}

void cameraModeMenuCallback(int value)
{
    simulation.lookAtMode() = value;
    glutPostRedisplay();
    restartClock();
}
