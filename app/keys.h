// The table of keys and the menu values, and what their commands do to the simulation and the time
// scale. No GL: the window's part (the frame loop, the picture) is app/input.cpp's.
#pragma once

class Simulation;

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

// What `command` does to the scene and the time scale: everything but the window's part. PauseOrResume
// only toggles the pause (the caller installs or removes the frame loop); ClearHistories leaves the
// clock alone (the caller restarts it, as for the menu entry). A hand step calls `afterHandStep`
// after each of its ten steps, so that each state can be drawn and shown; it may be null.
void applyCommand(Command command, Simulation& scene, float& timeScale, void (*afterHandStep)());

// The main menu's entries, by the values the menu callback receives.
enum MenuValue
{
    MenuClearHistories = 0,
    MenuToggleHistories = 1,
    MenuToggleMotion = 2,
    MenuExit = 3,
};
// What a main-menu choice does to the scene; false for Exit, which the caller carries out.
bool applyMenuChoice(int value, Simulation& scene);
