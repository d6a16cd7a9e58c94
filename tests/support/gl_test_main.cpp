// Entry point of the GL test binaries: GoogleTest's, kept apart so the window is made lazily.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <chrono>
#include <dlfcn.h>
#include <thread>

// Xvfb now and then refuses a connection outright: in a loop of 300 xdpyinfo runs against an idle
// Xvfb here, one said "unable to open display", with no other client about. freeglut ends the test
// process on that ("failed to open display"), failing a test that never ran. The test binaries'
// connections go through this instead, which asks again for a few seconds before giving up. It
// replaces Xlib's function for freeglut too, because the executable's definition comes first.
extern "C" Display* XOpenDisplay(const char* name)
{
    using Open = Display* (*)(const char*);
    static const Open xlibOpen = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "XOpenDisplay"));
    for (int attempt = 1;; ++attempt)
    {
        if (Display* display = xlibOpen(name))
            return display;
        if (attempt == 50)
            return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
