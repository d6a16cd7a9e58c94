// The real program from outside: start-up, window placement, silence while paused, closing.
// GoogleTest before Xlib, whose macros (None, Bool) would break its templates.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
// clang-format on

#include "program_harness.h"
#include "temp_directory.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

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
    program.sync();
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
    const TempDirectory directory;
    ASSERT_FALSE(directory.path().empty());
    Program program(screen, VELMIR_BINARY, directory.path());
    ASSERT_NE(program.waitForWindow(), 0u);
    program.sync(); // the start-up is over once the event loop answers
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

// A texture name that is a FIFO nobody writes to is refused at once, as if missing: the program does not
// wait for a writer, so the window comes up and answers keys.
TEST(Startup, ATextureThatIsAFifoDoesNotHoldUpTheStart)
{
    VirtualScreen screen(1366, 768);
    const TempDirectory directory;
    ASSERT_FALSE(directory.path().empty());
    for (const auto& entry : std::filesystem::directory_iterator(VELMIR_RUN_DIR))
        if (entry.path().extension() == ".bmp" && entry.path().filename() != "moon.bmp")
            std::filesystem::create_symlink(entry.path(), std::filesystem::path(directory.path()) /
                                                              entry.path().filename());
    ASSERT_EQ(mkfifo((directory.path() + "/moon.bmp").c_str(), 0600), 0);

    // A program that waited for a writer would never get this far; how fast it gets here is no test's
    // business, so the limits are generous.
    Program program(screen, VELMIR_BINARY, directory.path());
    ASSERT_NE(program.waitForWindow(), 0u);
    EXPECT_TRUE(program.waitForOutput("Failed to open moon.bmp for reading!\n", 30s));
    program.sync(); // answers keys
    EXPECT_EQ(program.output(), "Failed to open moon.bmp for reading!\n");
    program.requestClose();
    EXPECT_EQ(program.waitForExit(10s), 0);
}

namespace
{
// A window property of 8- or 32-bit items as bytes or longs; empty if the window has none.
template <class Item> std::vector<Item> property(Display* display, unsigned long window, const char* name)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<Item> items;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 1024, False,
                           AnyPropertyType, &type, &format, &count, &after, &data) == Success &&
        data)
    {
        const Item* first = reinterpret_cast<const Item*>(data);
        items.assign(first, first + count);
        XFree(data);
    }
    return items;
}
} // namespace

// Docks match the window by its class and process; and a window destroyed by another client (not
// asked to close) ends the program as a close does, whether the clock runs or not.
TEST(Startup, TheWindowCarriesItsClassAndPidAndItsDestructionEndsTheProgram)
{
    for (const bool clockRuns : {false, true})
    {
        SCOPED_TRACE(clockRuns ? "running" : "paused");
        StartedProgram s;
        Display* display = s.screen.display();
        const std::vector<char> wmClass = property<char>(display, s.program.window(), "WM_CLASS");
        EXPECT_EQ(std::string(wmClass.begin(), wmClass.end()), std::string("velmir\0Velmir\0", 14));
        EXPECT_EQ(property<long>(display, s.program.window(), "_NET_WM_PID"),
                  std::vector<long>{static_cast<long>(s.program.pid())});

        if (clockRuns)
        {
            s.program.key("space");
            ASSERT_TRUE(s.program.waitForOutput("Frame ", 10s));
        }
        s.program.destroyWindow();
        EXPECT_EQ(s.program.waitForExit(10s), 0);
    }
}
