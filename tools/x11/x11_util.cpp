// X11 helpers for the headless demonstration and the end-to-end tests.
#include "x11_util.h"

#include "spawn.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace x11util
{

namespace
{
unsigned long search(Display* display, Window window, const std::string& name)
{
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable)
    {
        char* windowName = nullptr;
        if (XFetchName(display, window, &windowName) && windowName)
        {
            const bool match = name == windowName;
            XFree(windowName);
            if (match)
                return window;
        }
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    unsigned long found = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count))
    {
        for (unsigned int i = 0; i < count && !found; ++i)
            found = search(display, children[i], name);
        if (children)
            XFree(children);
    }
    return found;
}

int channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!((mask >> shift) & 1u))
        ++shift;
    const unsigned long max = mask >> shift;
    return static_cast<int>(((pixel & mask) >> shift) * 255u / max);
}
} // namespace

unsigned long findWindow(Display* display, const std::string& name)
{
    return search(display, DefaultRootWindow(display), name);
}

void requestClose(Display* display, unsigned long window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

Image capture(Display* display, unsigned long window)
{
    Image image;
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes))
        return image;
    XImage* x = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                          static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!x)
        return image;
    image.width = attributes.width;
    image.height = attributes.height;
    image.rgb.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
    for (int y = 0; y < image.height; ++y)
        for (int xx = 0; xx < image.width; ++xx)
        {
            const unsigned long p = XGetPixel(x, xx, y);
            std::uint8_t* out = const_cast<std::uint8_t*>(image.pixel(xx, y));
            out[0] = static_cast<std::uint8_t>(channel(p, x->red_mask));
            out[1] = static_cast<std::uint8_t>(channel(p, x->green_mask));
            out[2] = static_cast<std::uint8_t>(channel(p, x->blue_mask));
        }
    XDestroyImage(x);
    return image;
}

bool savePng(const Image& image, const std::string& path)
{
    return image.width > 0 &&
           stbi_write_png(path.c_str(), image.width, image.height, 3, image.rgb.data(), image.width * 3) != 0;
}

int startPrivateServer(std::string& display, int width, int height)
{
    constexpr int numberDescriptor = 3; // where the server writes its display number
    ChildCommand xvfb;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    xvfb.argv = {"Xvfb",      "-displayfd", std::to_string(numberDescriptor), "-screen", "0", screen,
                 "-nolisten", "tcp"};
    xvfb.pipeDescriptor = numberDescriptor;
    xvfb.quiet = true;
    int fd = -1;
    const pid_t pid = spawnWithPipe(xvfb, fd);
    if (pid < 0)
        return -1;
    // Xvfb writes the display number once it accepts connections, and the newline in a write of its
    // own: closing the pipe before that newline would make it fail and exit.
    std::string number;
    char c = 0;
    while (number.size() < 16 && read(fd, &c, 1) == 1 && c != '\n')
        number += c;
    close(fd);
    if (number.empty() || c != '\n')
    {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    display = ":" + number;
    return pid;
}

} // namespace x11util
