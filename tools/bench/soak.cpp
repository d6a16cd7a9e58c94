// Soak: the real program for minutes at a high time scale on a private X server, probed from outside
// as a user would. Per period it reports how long the "H" key takes to be answered (the help text on
// standard output), the program's resident memory and the steps it took; at the end, the exit status
// when the window is closed. The standard output is drained as fast as the program writes it.
#include "resident.h"
#include "spawn.h"
#include "x11_util.h"

#include <X11/Xlib.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Options
{
    double seconds = 600.0;
    double period = 60.0;
    double probeInterval = 5.0;
    int doublings = 14; // "." presses: time scale 2^14 = 16384
    double answerTarget = 0.5;
};

// Counts lines and help texts in the program's standard output, on a thread of its own.
class OutputWatch
{
  public:
    explicit OutputWatch(int fd) : fd_(fd), thread_([this] { run(); })
    {
    }
    ~OutputWatch()
    {
        thread_.join(); // ends when the program closes its end
        close(fd_);
    }
    OutputWatch(const OutputWatch&) = delete;
    OutputWatch& operator=(const OutputWatch&) = delete;

    std::uint64_t helps() const
    {
        return helps_.load();
    }
    std::uint64_t lines() const
    {
        return lines_.load();
    }

  private:
    void run()
    {
        static const char marker[] = "Key Commands:";
        const std::size_t markerLength = sizeof marker - 1;
        std::vector<char> buffer(markerLength + (1 << 20));
        std::size_t carried = 0; // the tail of the last read, where a marker may have begun
        for (;;)
        {
            const ssize_t n = read(fd_, buffer.data() + carried, buffer.size() - carried);
            if (n <= 0)
                return;
            const std::size_t size = carried + static_cast<std::size_t>(n);
            lines_ += static_cast<std::uint64_t>(std::count(buffer.begin() + static_cast<long>(carried),
                                                            buffer.begin() + static_cast<long>(size), '\n'));
            const char* at = buffer.data();
            const char* end = buffer.data() + size;
            while (const void* found = memmem(at, static_cast<std::size_t>(end - at), marker, markerLength))
            {
                ++helps_;
                at = static_cast<const char*>(found) + markerLength;
            }
            carried = std::min(markerLength - 1, static_cast<std::size_t>(end - at));
            std::memmove(buffer.data(), end - carried, carried);
        }
    }

    int fd_;
    std::atomic<std::uint64_t> helps_{0};
    std::atomic<std::uint64_t> lines_{0};
    std::thread thread_;
};

pid_t startProgram(const std::string& display, int& stdoutRead)
{
    x11util::ChildCommand program;
    program.argv = {VELMIR_SOAK_BINARY};
    program.display = display;
    program.directory = VELMIR_SOAK_RUN_DIR;
    return x11util::spawnWithPipe(program, stdoutRead);
}

int xdotool(const std::string& display, std::vector<std::string> arguments)
{
    const pid_t pid = fork();
    if (pid == 0)
    {
        setenv("DISPLAY", display.c_str(), 1);
        arguments.insert(arguments.begin(), "xdotool");
        std::vector<char*> argv;
        for (std::string& a : arguments)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double residentMiB(pid_t pid)
{
    return static_cast<double>(residentKiB(pid)) / 1024.0;
}

// Waits up to `seconds` for the process to end; its exit status, 128 + the signal that ended it, or -1
// if it still runs.
int waitForExit(pid_t pid, double seconds)
{
    const Clock::time_point start = Clock::now();
    for (;;)
    {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (secondsSince(start) >= seconds)
            return -1;
        usleep(20000);
    }
}

std::string latencies(std::vector<double> ms)
{
    if (ms.empty())
        return "no probe";
    std::sort(ms.begin(), ms.end());
    char out[96];
    std::snprintf(out, sizeof out, "%.0f (%.0f–%.0f)", ms[ms.size() / 2], ms.front(), ms.back());
    return out;
}

int soak(const Options& options)
{
    std::string display;
    const int server = x11util::startPrivateServer(display, 1280, 800);
    if (server <= 0)
    {
        std::fprintf(stderr, "soak: no private X server could be started\n");
        return 1;
    }
    Display* x = XOpenDisplay(display.c_str());
    int stdoutRead = -1;
    const pid_t program = x ? startProgram(display, stdoutRead) : -1;
    int result = 1;
    if (!x)
        std::fprintf(stderr, "soak: cannot open the private display %s\n", display.c_str());
    else if (program <= 0)
        std::fprintf(stderr, "soak: cannot start the program\n");
    if (program > 0)
    {
        OutputWatch watch(stdoutRead);
        unsigned long window = 0;
        for (int i = 0; i < 1500 && !window; ++i, usleep(20000))
            window = x11util::findWindow(x, "Velmir");
        if (window)
        {
            const std::string w = std::to_string(window);
            xdotool(display, {"mousemove", "--window", w, "320", "240", "windowfocus", "--sync", w});
            std::vector<std::string> keys{"key", "--delay", "20"};
            keys.insert(keys.end(), static_cast<std::size_t>(options.doublings), "period");
            keys.push_back("space");
            xdotool(display, keys);

            std::printf("Soak: time scale %.0f for %.0f s, a key every %.0f s, %s\n\n",
                        std::ldexp(1.0, options.doublings), options.seconds, options.probeInterval,
                        "answer = \"H\" sent until the help text is read back");
            std::printf(
                "| until s | keys answered | over the target | answer ms, median (min–max) | resident MiB | "
                "steps in the period |\n|---|---|---|---|---|---|\n");
            std::fflush(stdout);
            const Clock::time_point start = Clock::now();
            double worst = 0;
            int unanswered = 0;
            std::vector<double> period;
            std::uint64_t linesAtPeriodStart = watch.lines();
            double nextReport = options.period;
            int status = -1;
            while (secondsSince(start) < options.seconds && (status = waitForExit(program, 0)) == -1)
            {
                const Clock::time_point probe = Clock::now();
                const std::uint64_t before = watch.helps();
                xdotool(display, {"key", "H"});
                while (watch.helps() == before && secondsSince(probe) < 10.0)
                    usleep(1000);
                if (watch.helps() == before)
                    ++unanswered;
                else
                {
                    period.push_back(secondsSince(probe) * 1000.0);
                    worst = std::max(worst, period.back());
                }
                while (secondsSince(probe) < options.probeInterval)
                    usleep(20000);
                const double now = secondsSince(start);
                if (now + 1e-3 >= nextReport || now >= options.seconds)
                {
                    const std::uint64_t lines = watch.lines();
                    const auto over = std::count_if(period.begin(), period.end(), [&](double ms) {
                        return ms > options.answerTarget * 1000.0;
                    });
                    std::printf("| %.0f | %zu | %ld | %s | %.0f | %.2f M |\n", now, period.size(), long(over),
                                latencies(period).c_str(), residentMiB(program),
                                static_cast<double>(lines - linesAtPeriodStart) / 1e6);
                    std::fflush(stdout);
                    period.clear();
                    linesAtPeriodStart = lines;
                    nextReport += options.period;
                }
            }
            if (status == -1)
            {
                x11util::requestClose(x, window);
                XFlush(x);
                status = waitForExit(program, 60.0);
            }
            else
                std::printf("\nThe program ended before the window was closed.\n");
            std::printf("\nSlowest answer %.0f ms (target %.0f ms: %s), %d keys unanswered within 10 s; exit "
                        "status on closing the window: %d\n",
                        worst, options.answerTarget * 1000.0,
                        worst <= options.answerTarget * 1000.0 && unanswered == 0 ? "met" : "missed",
                        unanswered, status);
            result = status == 0 && unanswered == 0 ? 0 : 1;
        }
        else
            std::fprintf(stderr, "soak: the program's window never appeared\n");
        if (waitForExit(program, 0) == -1)
        {
            kill(program, SIGKILL);
            waitpid(program, nullptr, 0);
        }
    }
    if (x)
        XCloseDisplay(x);
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    return result;
}
} // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i)
    {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--minutes" && hasValue)
            options.seconds = 60.0 * std::atof(argv[++i]);
        else if (arg == "--seconds" && hasValue)
            options.seconds = std::atof(argv[++i]);
        else if (arg == "--period" && hasValue)
            options.period = std::atof(argv[++i]);
        else if (arg == "--probe" && hasValue)
            options.probeInterval = std::atof(argv[++i]);
        else
        {
            std::fprintf(stderr, "usage: %s [--minutes M | --seconds S] [--period S] [--probe S]\n", argv[0]);
            return 2;
        }
    }
    // A program killed by the soak must not take the soak with it through a broken pipe.
    std::signal(SIGPIPE, SIG_IGN);
    return soak(options);
}
