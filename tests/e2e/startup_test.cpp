// The real program from outside: start-up, window placement, silence while paused, closing.
// GoogleTest before Xlib, whose macros (None, Bool) would break its templates.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
// clang-format on

#include "program_harness.h"

#include <string>
#include <utility>

using namespace std::chrono_literals;

namespace
{
// Where the window's top-left corner lies on the screen.
std::pair<int, int> windowOrigin(const VirtualScreen& screen, unsigned long window)
{
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(screen.display(), window, DefaultRootWindow(screen.display()), 0, 0, &x, &y,
                          &child);
    return {x, y};
}
} // namespace

TEST(Startup, OpensACentredWindowAndStaysPausedAndSilent)
{
    VirtualScreen screen(1920, 1080);
    Program program(screen, VELMIR_BINARY, VELMIR_RUN_DIR);
    ASSERT_NE(program.waitForWindow(), 0u);

    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(screen.display(), program.window(), &attributes));
    EXPECT_EQ(attributes.width, 640);
    EXPECT_EQ(attributes.height, 480);
    EXPECT_EQ(windowOrigin(screen, program.window()), std::make_pair(640, 300));

    // With its textures present the program prints nothing, and nothing moves until it is resumed.
    program.readFor(1500ms);
    EXPECT_EQ(program.output(), "");
    const x11util::Image first = program.screenshot();
    program.readFor(500ms);
    EXPECT_EQ(differingPixels(first, program.screenshot()), 0);

    // Closing the window as a window manager would ends the process normally.
    program.requestClose();
    EXPECT_EQ(program.waitForExit(10s), 0);
    EXPECT_EQ(program.output(), "");
}

TEST(Startup, MissingTexturesAreReportedInTheOrderTheyLoad)
{
    VirtualScreen screen(1366, 768);
    const EmptyDirectory directory;
    ASSERT_FALSE(directory.path().empty());
    Program program(screen, VELMIR_BINARY, directory.path());
    ASSERT_NE(program.waitForWindow(), 0u);
    program.readFor(1000ms);
    // The sky loads with the timer, before the first body loads the eleven body textures.
    EXPECT_EQ(program.output(), "Failed to open skybox.bmp for reading!\n"
                                "Failed to open sun.bmp for reading!\n"
                                "Failed to open mercury.bmp for reading!\n"
                                "Failed to open venus.bmp for reading!\n"
                                "Failed to open earth.bmp for reading!\n"
                                "Failed to open mars.bmp for reading!\n"
                                "Failed to open jupiter.bmp for reading!\n"
                                "Failed to open saturn.bmp for reading!\n"
                                "Failed to open uranus.bmp for reading!\n"
                                "Failed to open neptune.bmp for reading!\n"
                                "Failed to open pluto.bmp for reading!\n"
                                "Failed to open moon.bmp for reading!\n");
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(screen.display(), program.window(), &attributes));
    EXPECT_EQ(windowOrigin(screen, program.window()), std::make_pair(363, 144));
    program.requestClose();
    EXPECT_EQ(program.waitForExit(10s), 0);
}
