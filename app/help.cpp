// The help text the "H" key prints.
#include "app/help.h"

#include <iostream>

void printHelp()
{
    static const char* const lines[] = {
        "Key Commands:",
        "-----------------",
        "SPACE - toggles the simulation's paused state",
        "  T   - steps the simulation a few steps",
        "  Z   - zooms the camera out",
        "  X   - zooms the camera in",
        "  N   - snaps the camera to the next target",
        "  C   - clears all objects' orbit histories",
        "  M   - toggles display of objects' motion vectors",
        "  P   - snaps the camera to the previous target",
        "  S   - toggles drawing of all objects' orbit histories",
        "  .   - increases the simulation's time scale",
        "  ,   - decreases the simulation's tiem scale",
        "  H   - prints this helpful information",
        "",
        "* To rotate the view, click and drag with the LEFT mouse button (but",
        "  only in \"Look At\" mode)",
    };
    for (const char* line : lines)
        std::cout << line << std::endl;
}
