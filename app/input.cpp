// Turns keys and menu choices into commands on the simulation, the camera and the frame loop.
#include "app/input.h"

#include "app/frame_loop.h"
#include "app/help.h"
#include "app/keys.h"
#include "render/scene.h"
#include "sim/simulation.h"

#include <GL/freeglut.h>
#include <cstdlib>

namespace
{
enum MenuValue
{
    MenuClearHistories = 0,
    MenuToggleHistories = 1,
    MenuToggleMotion = 2,
    MenuExit = 3,
};

// SPACE: pauses or resumes the simulation, and with it the frame loop.
void pauseOrResume()
{
    simulation.togglePaused();
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

// Ten hand steps of 0.01 s, each drawn and shown, whatever the time scale and the pause state.
void stepByHand()
{
    for (int i = 0; i < 10; ++i)
    {
        simulation.step(0.01f);
        display();
    }
}

void handleKey(unsigned char key)
{
    const Command command = commandForKey(key);
    timeScale = timeScaleAfter(command, timeScale);
    switch (command)
    {
    case Command::PauseOrResume:
        pauseOrResume();
        break;
    case Command::ClearHistories:
        menuCallback(MenuClearHistories); // also restarts the clock, as the menu entry does
        break;
    case Command::PrintHelp:
        printHelp();
        break;
    case Command::ToggleMotionVectors:
        simulation.toggleMotionVectors();
        break;
    case Command::NextTarget:
        simulation.nextTarget();
        break;
    case Command::PreviousTarget:
        simulation.previousTarget();
        break;
    case Command::ToggleHistories:
        simulation.toggleHistories();
        break;
    case Command::StepByHand:
        stepByHand();
        break;
    case Command::ZoomIn:
        simulation.zoomCamera(0.1f);
        break;
    case Command::ZoomOut:
        simulation.zoomCamera(-0.1f);
        break;
    case Command::SlowDown: // the time scale, above
    case Command::SpeedUp:
    case Command::None:
        break;
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
    switch (value)
    {
    case MenuClearHistories:
        simulation.clearAllHistories();
        break;
    case MenuToggleHistories:
        simulation.toggleHistories();
        break;
    case MenuToggleMotion:
        simulation.toggleMotionVectors();
        break;
    case MenuExit:
        std::exit(0);
    default:
        break;
    }
    glutPostRedisplay();
    restartClock(); // time spent in the menu is not simulated
}

void cameraModeMenuCallback(int value)
{
    simulation.lookAtMode() = value;
    glutPostRedisplay();
    restartClock();
}
