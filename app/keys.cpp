// The table of keys and the menu values, and what their commands do.
#include "app/keys.h"

#include "app/help.h"
#include "sim/simulation.h"

Command commandForKey(unsigned char key)
{
    switch (key)
    {
    case ' ':
        return Command::PauseOrResume;
    case ',':
    case '<':
        return Command::SlowDown;
    case '.':
    case '>':
        return Command::SpeedUp;
    case 'C':
    case 'c':
        return Command::ClearHistories;
    case 'H':
    case 'h':
        return Command::PrintHelp;
    case 'M':
    case 'm':
        return Command::ToggleMotionVectors;
    case 'N':
    case 'n':
        return Command::NextTarget;
    case 'P':
    case 'p':
        return Command::PreviousTarget;
    case 'S':
    case 's':
        return Command::ToggleHistories;
    case 'T':
    case 't':
        return Command::StepByHand;
    case 'X':
    case 'x':
        return Command::ZoomIn;
    case 'Z':
    case 'z':
        return Command::ZoomOut;
    default:
        return Command::None;
    }
}

float timeScaleAfter(Command command, float timeScale)
{
    if (command == Command::SlowDown)
        return timeScale / 2.0f;
    if (command == Command::SpeedUp)
        return timeScale * 2.0f;
    return timeScale;
}

void applyCommand(Command command, Simulation& scene, float& timeScale, void (*afterHandStep)())
{
    timeScale = timeScaleAfter(command, timeScale);
    switch (command)
    {
    case Command::PauseOrResume:
        scene.togglePaused();
        break;
    case Command::ClearHistories:
        scene.clearAllHistories();
        break;
    case Command::PrintHelp:
        printHelp();
        break;
    case Command::ToggleMotionVectors:
        scene.toggleMotionVectors();
        break;
    case Command::NextTarget:
        scene.nextTarget();
        break;
    case Command::PreviousTarget:
        scene.previousTarget();
        break;
    case Command::ToggleHistories:
        scene.toggleHistories();
        break;
    case Command::StepByHand:
        // Ten steps of 0.01 s, whatever the time scale and the pause state.
        for (int i = 0; i < 10; ++i)
        {
            scene.step(0.01f);
            if (afterHandStep)
                afterHandStep();
        }
        break;
    case Command::ZoomIn:
        scene.zoomCamera(0.1f);
        break;
    case Command::ZoomOut:
        scene.zoomCamera(-0.1f);
        break;
    case Command::SlowDown: // the time scale, above
    case Command::SpeedUp:
    case Command::None:
        break;
    }
}

bool applyMenuChoice(int value, Simulation& scene)
{
    switch (value)
    {
    case MenuClearHistories:
        scene.clearAllHistories();
        break;
    case MenuToggleHistories:
        scene.toggleHistories();
        break;
    case MenuToggleMotion:
        scene.toggleMotionVectors();
        break;
    case MenuExit:
        return false;
    default:
        break;
    }
    return true;
}
