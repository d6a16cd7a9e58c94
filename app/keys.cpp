// The table of keys and the time-scale arithmetic of its commands.
#include "app/keys.h"

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
