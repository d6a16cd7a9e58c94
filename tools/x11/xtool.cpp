// velmir-xtool: find, photograph or close a window on the current X display.
//   velmir-xtool find NAME [SECONDS]   prints the window id once a window of that name is viewable
//   velmir-xtool shot ID FILE.png      saves the window's contents
//   velmir-xtool close ID              asks the window to close, as a close button would
// Exit status 3: the X display cannot be opened.
#include "x11_util.h"

#include <X11/Xlib.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(stderr, "usage: %s find NAME [SECONDS] | shot ID FILE.png | close ID\n", argv[0]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display)
    {
        std::fprintf(stderr, "%s: cannot open the X display\n", argv[0]);
        return 3; // apart from "not found", so scripts can tell a missing display
    }
    const std::string command = argv[1];
    int status = 2;
    if (command == "find")
    {
        const double seconds = argc > 3 ? std::atof(argv[3]) : 10.0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        status = 1;
        do
        {
            if (const unsigned long w = x11util::findWindow(display, argv[2]))
            {
                std::printf("%lu\n", w);
                status = 0;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        } while (std::chrono::steady_clock::now() < deadline);
    }
    else if (command == "shot" && argc > 3)
    {
        status =
            x11util::savePng(x11util::capture(display, std::strtoul(argv[2], nullptr, 0)), argv[3]) ? 0 : 1;
    }
    else if (command == "close")
    {
        x11util::requestClose(display, std::strtoul(argv[2], nullptr, 0));
        status = 0;
    }
    XCloseDisplay(display);
    return status;
}
