// Runs the real program on a private virtual X screen and drives it as a user would.
#pragma once

#include "x11_util.h"

#include <chrono>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

// A private Xvfb display, ended with the object.
class VirtualScreen
{
  public:
    VirtualScreen(int width = 1920, int height = 1080);
    ~VirtualScreen();
    VirtualScreen(const VirtualScreen&) = delete;
    VirtualScreen& operator=(const VirtualScreen&) = delete;

    const std::string& name() const
    {
        return name_;
    }
    Display* display() const
    {
        return display_;
    }

  private:
    pid_t pid_ = -1;
    std::string name_;
    Display* display_ = nullptr;
};

// The program under test, its standard output read through a pipe.
class Program
{
  public:
    // Starts `binary` in `workingDirectory` on `screen`.
    Program(const VirtualScreen& screen, const std::string& binary, const std::string& workingDirectory);
    // Starts `command` (a program and its arguments) so, with `environment` added to the test's own.
    Program(const VirtualScreen& screen, const std::vector<std::string>& command,
            const std::string& workingDirectory,
            const std::vector<std::pair<std::string, std::string>>& environment = {});
    ~Program(); // kills the program if it still runs
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Waits for the window to be viewable; 0 if it never appears.
    unsigned long waitForWindow(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    unsigned long window() const
    {
        return window_;
    }

    // Everything read from standard output so far (reads what is available first).
    const std::string& output();
    // Reads until the output contains `text` or the time is up; true if it appeared.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout);
    // Reads for `duration`, whatever arrives.
    void readFor(std::chrono::milliseconds duration);

    // xdotool with DISPLAY set to the program's screen; returns its exit status.
    int xdotool(const std::vector<std::string>& arguments);
    // Focuses the window and types keys, separated by spaces (xdotool key names: space, period, H, ...).
    void key(const std::string& keys);

    x11util::Image screenshot();
    // Waits until the program has handled all input sent so far and drawn a frame after it; what it
    // printed in response is then all in output(). The barrier is the help key ("H" changes nothing
    // but the output): its text proves the input before it handled, and the frame drawn after that
    // is seen through the X DAMAGE extension. The barrier's own help text is taken out of output().
    void sync();
    // A screenshot that shows the effect of all input sent so far (after sync()).
    x11util::Image settledScreenshot();
    void requestClose();
    // Destroys the window outright (XDestroyWindow), as some desktop tools do, without asking.
    void destroyWindow();

    // Pointer input in window coordinates. A drag presses the left button at (x0, y0), moves to
    // (x1, y1) in `steps` motion events and releases it there.
    void leftDrag(int x0, int y0, int x1, int y1, int steps = 8);
    // X buttons 4 (up) and 5 (down) are the wheel.
    void wheel(int button, int x = 320, int y = 240);

    // The pop-up menus. A menu is a top-level window of its own that the program maps when it opens.
    struct MenuWindow
    {
        unsigned long id = 0;
        int x = 0, y = 0, width = 0, height = 0; // root coordinates
    };
    // Presses the right button at (x, y) in the window and returns the menu that opened (id 0 if none).
    MenuWindow openMenu(int x = 100, int y = 100);
    // Rests the pointer on entry `index` of `entries` and returns the menu (other than `parent`) that
    // opens in response, i.e. the submenu of that entry (id 0 if none within the timeout).
    MenuWindow hoverForSubmenu(const MenuWindow& parent, int index, int entries);
    // Clicks entry `index` of a menu with `entries` equal entries.
    void chooseMenuEntry(const MenuWindow& menu, int index, int entries);
    // Viewable top-level windows other than the program's main window.
    std::vector<MenuWindow> viewablePopups();

    // Waits for the process to end; its exit status, or -1 on a signal, or -2 on timeout.
    int waitForExit(std::chrono::milliseconds timeout);
    bool running();
    pid_t pid() const
    {
        return pid_;
    }

  private:
    void drain();
    void waitForDamage(std::chrono::milliseconds timeout);
    std::size_t helpTextsFrom(std::size_t position) const;

    const VirtualScreen& screen_;
    pid_t pid_ = -1;
    int stdoutFd_ = -1;
    std::string output_;
    unsigned long window_ = 0;
    int exitStatus_ = -3;
    unsigned long damage_ = 0; // X DAMAGE object on the window, made by the first sync()
    int damageEventBase_ = 0;
};

// What the help key prints, exactly.
extern const std::string helpText;

// The real program on a screen of its own, started in the run directory (where its textures are),
// with its start-up output (texture messages, if any) already read. Throws if no window appears.
struct StartedProgram
{
    StartedProgram();

    // What the program printed since the last call (or since start-up), complete lines only.
    std::string newOutput();

    VirtualScreen screen;
    Program program;

  private:
    std::size_t mark_ = 0;
};

// Counts pixels whose colour differs from the other image's by more than `tolerance` in any channel.
long differingPixels(const x11util::Image& a, const x11util::Image& b, int tolerance = 8);
