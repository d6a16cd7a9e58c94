// Process, pipe and X plumbing for the end-to-end tests.
#include "program_harness.h"

#include "frame_log.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{
using Clock = std::chrono::steady_clock;

[[noreturn]] void execOrDie(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// Forks a child that gets the write end of a new pipe and must end in exec; returns the child's pid
// and hands the parent the read end.
template <class Child> pid_t forkWithPipe(int& readEnd, Child child)
{
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe");
    const pid_t pid = fork();
    if (pid == 0)
    {
        close(fds[0]);
        child(fds[1]);
    }
    close(fds[1]);
    readEnd = fds[0];
    return pid;
}

int waitStatus(pid_t pid, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;)
    {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (r < 0)
            return -1;
        if (Clock::now() >= deadline)
            return -2;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
} // namespace

VirtualScreen::VirtualScreen(int width, int height)
{
    int displayFd = -1;
    pid_ = forkWithPipe(displayFd, [&](int writeEnd) {
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        dup2(devnull, 2);
        execOrDie({"Xvfb", "-displayfd", std::to_string(writeEnd), "-screen", "0",
                   std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp"});
    });
    // Xvfb writes the display number it chose once it accepts connections.
    std::string number;
    pollfd p{displayFd, POLLIN, 0};
    const auto deadline = Clock::now() + std::chrono::seconds(15);
    char c;
    while (Clock::now() < deadline && poll(&p, 1, 100) >= 0)
    {
        if (!(p.revents & (POLLIN | POLLHUP)))
            continue;
        if (read(displayFd, &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    close(displayFd);
    if (number.empty())
        throw std::runtime_error("Xvfb did not start");
    name_ = ":" + number;
    // Xvfb now and then refuses one connection outright (about one in 300 here); ask again.
    for (int attempt = 0; attempt < 50 && !display_; ++attempt)
    {
        if (attempt > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        display_ = XOpenDisplay(name_.c_str());
    }
    if (!display_)
        throw std::runtime_error("cannot open " + name_);
}

VirtualScreen::~VirtualScreen()
{
    if (display_)
        XCloseDisplay(display_);
    if (pid_ > 0)
    {
        kill(pid_, SIGTERM);
        if (waitStatus(pid_, std::chrono::seconds(5)) == -2)
        {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
}

Program::Program(const VirtualScreen& screen, const std::string& binary, const std::string& workingDirectory)
    : Program(screen, std::vector<std::string>{binary}, workingDirectory)
{
}

Program::Program(const VirtualScreen& screen, const std::vector<std::string>& command,
                 const std::string& workingDirectory,
                 const std::vector<std::pair<std::string, std::string>>& environment)
    : screen_(screen)
{
    pid_ = forkWithPipe(stdoutFd_, [&](int writeEnd) {
        dup2(writeEnd, 1);
        if (chdir(workingDirectory.c_str()) != 0)
            _exit(126);
        setenv("DISPLAY", screen.name().c_str(), 1);
        for (const auto& [name, value] : environment)
            setenv(name.c_str(), value.c_str(), 1);
        execOrDie(command);
    });
    fcntl(stdoutFd_, F_SETFL, fcntl(stdoutFd_, F_GETFL) | O_NONBLOCK);
}

Program::~Program()
{
    if (running())
    {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (stdoutFd_ >= 0)
        close(stdoutFd_);
}

void Program::drain()
{
    char buffer[65536];
    for (;;)
    {
        const ssize_t n = read(stdoutFd_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        output_.append(buffer, static_cast<std::size_t>(n));
    }
}

const std::string& Program::output()
{
    drain();
    return output_;
}

bool Program::waitForOutput(const std::string& text, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;)
    {
        drain();
        if (output_.find(text) != std::string::npos)
            return true;
        if (Clock::now() >= deadline)
            return false;
        pollfd p{stdoutFd_, POLLIN, 0};
        poll(&p, 1, 20);
    }
}

void Program::readFor(std::chrono::milliseconds duration)
{
    const auto deadline = Clock::now() + duration;
    while (Clock::now() < deadline)
    {
        drain();
        pollfd p{stdoutFd_, POLLIN, 0};
        poll(&p, 1, 10);
    }
    drain();
}

unsigned long Program::waitForWindow(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!window_ && Clock::now() < deadline)
    {
        window_ = x11util::findWindow(screen_.display(), "Velmir");
        if (!window_)
            readFor(std::chrono::milliseconds(50));
    }
    return window_;
}

int Program::xdotool(const std::vector<std::string>& arguments)
{
    const pid_t pid = fork();
    if (pid == 0)
    {
        setenv("DISPLAY", screen_.name().c_str(), 1);
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 2);
        std::vector<std::string> argv{"xdotool"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        execOrDie(argv);
    }
    const int status = waitStatus(pid, std::chrono::seconds(20));
    drain();
    return status;
}

void Program::key(const std::string& keys)
{
    const std::string w = std::to_string(window_);
    xdotool({"mousemove", "--window", w, "320", "240", "windowfocus", "--sync", w});
    // Several keys may be given, separated by spaces, each its own argument for xdotool.
    std::vector<std::string> arguments{"key", "--delay", "30"};
    std::size_t start = 0;
    while (start < keys.size())
    {
        const std::size_t end = std::min(keys.find(' ', start), keys.size());
        if (end > start)
            arguments.push_back(keys.substr(start, end - start));
        start = end + 1;
    }
    xdotool(arguments);
}

x11util::Image Program::screenshot()
{
    drain();
    XSync(screen_.display(), False);
    return x11util::capture(screen_.display(), window_);
}

const std::string helpText = "Key Commands:\n"
                             "-----------------\n"
                             "SPACE - toggles the simulation's paused state\n"
                             "  T   - steps the simulation a few steps\n"
                             "  Z   - zooms the camera out\n"
                             "  X   - zooms the camera in\n"
                             "  N   - snaps the camera to the next target\n"
                             "  C   - clears all objects' orbit histories\n"
                             "  M   - toggles display of objects' motion vectors\n"
                             "  P   - snaps the camera to the previous target\n"
                             "  S   - toggles drawing of all objects' orbit histories\n"
                             "  .   - increases the simulation's time scale\n"
                             "  ,   - decreases the simulation's tiem scale\n"
                             "  H   - prints this helpful information\n"
                             "\n"
                             "* To rotate the view, click and drag with the LEFT mouse button (but\n"
                             "  only in \"Look At\" mode)\n";

std::size_t Program::helpTextsFrom(std::size_t position) const
{
    std::size_t count = 0;
    for (std::size_t at = output_.find(helpText, position); at != std::string::npos;
         at = output_.find(helpText, at + helpText.size()))
        ++count;
    return count;
}

void Program::waitForDamage(std::chrono::milliseconds timeout)
{
    Display* display = screen_.display();
    const auto deadline = Clock::now() + timeout;
    XEvent event;
    while (!XCheckTypedEvent(display, damageEventBase_ + XDamageNotify, &event))
    {
        if (Clock::now() >= deadline || !running())
            throw std::runtime_error("no frame drawn");
        drain();
        pollfd p{ConnectionNumber(display), POLLIN, 0};
        poll(&p, 1, 10);
    }
}

void Program::sync()
{
    Display* display = screen_.display();
    if (!damage_)
    {
        int errorBase = 0;
        if (!XDamageQueryExtension(display, &damageEventBase_, &errorBase))
            throw std::runtime_error("the X server has no DAMAGE extension");
        damage_ = XDamageCreate(display, window_, XDamageReportNonEmpty);
    }
    drain();
    const std::size_t mark = output_.size();
    const auto waitForHelpTexts = [&](std::size_t count) {
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (helpTextsFrom(mark) < count)
        {
            if (Clock::now() >= deadline || !running())
                throw std::runtime_error("the help key went unanswered");
            pollfd p{stdoutFd_, POLLIN, 0};
            poll(&p, 1, 20);
            drain();
        }
    };
    key("H");
    waitForHelpTexts(1); // everything typed before it is handled, though perhaps not yet drawn
    // Forget the frames reported so far, then empty the damage: a frame reported from now on was drawn
    // after that input was handled. (A report comes when the damage turns from empty to not empty, so
    // reports after the emptying must be kept.) The second key makes sure a frame comes, should the
    // one after the first have been drawn already.
    XSync(display, False);
    XEvent event;
    while (XCheckTypedEvent(display, damageEventBase_ + XDamageNotify, &event))
    {
    }
    XDamageSubtract(display, damage_, 0, 0);
    XSync(display, False);
    key("H");
    waitForDamage(std::chrono::seconds(20));
    waitForHelpTexts(2);
    for (int i = 0; i < 2; ++i)
        output_.erase(output_.rfind(helpText), helpText.size());
}

x11util::Image Program::settledScreenshot()
{
    sync();
    return screenshot();
}

void Program::leftDrag(int x0, int y0, int x1, int y1, int steps)
{
    const std::string w = std::to_string(window_);
    xdotool({"mousemove", "--window", w, std::to_string(x0), std::to_string(y0), "mousedown", "1"});
    for (int i = 1; i <= steps; ++i)
    {
        const int x = x0 + (x1 - x0) * i / steps;
        const int y = y0 + (y1 - y0) * i / steps;
        xdotool({"mousemove", "--window", w, std::to_string(x), std::to_string(y)});
    }
    xdotool({"mouseup", "1"});
}

void Program::wheel(int button, int x, int y)
{
    const std::string w = std::to_string(window_);
    xdotool(
        {"mousemove", "--window", w, std::to_string(x), std::to_string(y), "click", std::to_string(button)});
}

std::vector<Program::MenuWindow> Program::viewablePopups()
{
    std::vector<MenuWindow> result;
    Display* display = screen_.display();
    XSync(display, False);
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return result;
    for (unsigned int i = 0; i < count; ++i)
    {
        XWindowAttributes a;
        if (children[i] == window_ || !XGetWindowAttributes(display, children[i], &a) ||
            a.map_state != IsViewable)
            continue;
        result.push_back(MenuWindow{children[i], a.x, a.y, a.width, a.height});
    }
    if (children)
        XFree(children);
    return result;
}

namespace
{
// The first popup in `now` that is neither in `before` nor `except`.
Program::MenuWindow newPopup(const std::vector<Program::MenuWindow>& before,
                             const std::vector<Program::MenuWindow>& now, unsigned long except)
{
    for (const Program::MenuWindow& m : now)
    {
        bool old = m.id == except;
        for (const Program::MenuWindow& b : before)
            old = old || b.id == m.id;
        if (!old)
            return m;
    }
    return {};
}
} // namespace

Program::MenuWindow Program::openMenu(int x, int y)
{
    const std::vector<MenuWindow> before = viewablePopups();
    const std::string w = std::to_string(window_);
    xdotool({"mousemove", "--window", w, std::to_string(x), std::to_string(y), "mousedown", "3"});
    MenuWindow menu;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!menu.id && Clock::now() < deadline)
    {
        readFor(std::chrono::milliseconds(30));
        menu = newPopup(before, viewablePopups(), 0);
    }
    // The menu opens on the press and ignores the release.
    xdotool({"mouseup", "3"});
    return menu;
}

namespace
{
std::vector<std::string> pointAt(const Program::MenuWindow& menu, int index, int entries)
{
    const int x = menu.x + menu.width / 2;
    const int y = menu.y + (2 * index + 1) * menu.height / (2 * entries);
    return {"mousemove", std::to_string(x), std::to_string(y)};
}
} // namespace

Program::MenuWindow Program::hoverForSubmenu(const MenuWindow& parent, int index, int entries)
{
    const std::vector<MenuWindow> before = viewablePopups();
    xdotool(pointAt(parent, index, entries));
    MenuWindow submenu;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!submenu.id && Clock::now() < deadline)
    {
        readFor(std::chrono::milliseconds(30));
        submenu = newPopup(before, viewablePopups(), parent.id);
    }
    return submenu;
}

void Program::chooseMenuEntry(const MenuWindow& menu, int index, int entries)
{
    xdotool(pointAt(menu, index, entries));
    // Let the menu see the pointer on the entry before the click.
    readFor(std::chrono::milliseconds(100));
    xdotool({"click", "1"});
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (!viewablePopups().empty() && running() && Clock::now() < deadline)
        readFor(std::chrono::milliseconds(30));
}

void Program::requestClose()
{
    x11util::requestClose(screen_.display(), window_);
}

void Program::destroyWindow()
{
    XDestroyWindow(screen_.display(), window_);
    XFlush(screen_.display());
}

int Program::waitForExit(std::chrono::milliseconds timeout)
{
    if (exitStatus_ != -3)
        return exitStatus_;
    const auto deadline = Clock::now() + timeout;
    for (;;)
    {
        drain();
        int status = 0;
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_)
        {
            drain();
            exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return exitStatus_;
        }
        if (Clock::now() >= deadline)
            return -2;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool Program::running()
{
    return pid_ > 0 && exitStatus_ == -3 && waitForExit(std::chrono::milliseconds(0)) == -2;
}

StartedProgram::StartedProgram() : program(screen, VELMIR_BINARY, VELMIR_RUN_DIR)
{
    if (program.waitForWindow() == 0)
        throw std::runtime_error("no window");
    program.sync(); // past the start-up: the event loop answers
    mark_ = program.output().size();
}

std::string StartedProgram::newOutput()
{
    const std::string& all = program.output();
    const std::size_t end = completeLength(all);
    std::string text = all.substr(mark_, end - mark_);
    mark_ = end;
    return text;
}

long differingPixels(const x11util::Image& a, const x11util::Image& b, int tolerance)
{
    if (a.width != b.width || a.height != b.height)
        return -1;
    long count = 0;
    for (std::size_t i = 0; i + 2 < a.rgb.size(); i += 3)
        for (int c = 0; c < 3; ++c)
            if (std::abs(int(a.rgb[i + c]) - int(b.rgb[i + c])) > tolerance)
            {
                ++count;
                break;
            }
    return count;
}
