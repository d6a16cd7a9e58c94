// Small X11 helpers for driving the program from outside: find its window, photograph it, close it
// the way a window manager's close button does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

namespace x11util
{

// The first viewable window, depth-first from the root, whose WM_NAME is `name`; 0 if none.
unsigned long findWindow(Display* display, const std::string& name);

// Sends WM_PROTOCOLS / WM_DELETE_WINDOW, as a window manager does when the user closes a window.
void requestClose(Display* display, unsigned long window);

// Tightly packed 8-bit RGB, top row first.
struct Image
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    const std::uint8_t* pixel(int x, int y) const
    {
        return &rgb[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(x)) *
                    3];
    }
};

// The window's contents as they are on screen now; an empty image if it cannot be read.
Image capture(Display* display, unsigned long window);

bool savePng(const Image& image, const std::string& path);

// Starts a private Xvfb with one screen of width x height x 24 and no TCP; returns its process id and
// sets `display` (":N") once it accepts connections, or returns -1.
int startPrivateServer(std::string& display, int width, int height);

} // namespace x11util
