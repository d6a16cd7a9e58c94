// Runs the real program on a private virtual X screen and drives it as a user would.
#pragma once

#include "x11_util.h"

#include <chrono>
#include <string>
#include <sys/types.h>
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
    ~Program(); // kills the program if it still runs
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Waits for the window to be viewable; 0 if it never appears.
    unsigned long waitForWindow(std::chrono::milliseconds timeout = std::chrono::seconds(15));
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
    // Focuses the window and types keys (xdotool key names: space, period, comma, H, ...).
    void key(const std::string& keys);

    x11util::Image screenshot();
    void requestClose();

    // Waits for the process to end; its exit status, or -1 on a signal, or -2 on timeout.
    int waitForExit(std::chrono::milliseconds timeout);
    bool running();

  private:
    void drain();

    const VirtualScreen& screen_;
    pid_t pid_ = -1;
    int stdoutFd_ = -1;
    std::string output_;
    unsigned long window_ = 0;
    int exitStatus_ = -3;
};

// Counts pixels whose colour differs from the other image's by more than `tolerance` in any channel.
long differingPixels(const x11util::Image& a, const x11util::Image& b, int tolerance = 8);
