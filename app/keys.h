// The table of keys: which command each key gives, and what the time-scale commands do. No GL.
#pragma once

enum class Command
{
    None, // a key without a command
    PauseOrResume,
    SlowDown,
    SpeedUp,
    ClearHistories,
    PrintHelp,
    ToggleMotionVectors,
    NextTarget,
    PreviousTarget,
    ToggleHistories,
    StepByHand,
    ZoomIn,
    ZoomOut,
};

// Letters give the same command in either case; "<" and ">" (shifted "," and "." on a US layout)
// the same as "," and ".".
Command commandForKey(unsigned char key);

// The time scale after `command`: halved by SlowDown, doubled by SpeedUp (exact in binary floating
// point, so ten of one undo ten of the other), unchanged by any other command.
float timeScaleAfter(Command command, float timeScale);
