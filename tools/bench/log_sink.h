// Where the program's standard output goes while a benchmark runs: /dev/null, a pipe drained (and
// parsed) by a thread as a terminal or a log reader would, or nowhere at all (stream failed).
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

enum class LogTarget
{
    DevNull,
    Pipe,
    Suppressed, // std::cout in a failed state: the step formats nothing and makes no system call
};
const char* nameOf(LogTarget target);

// Redirects file descriptor 1 (and std::cout) while it lives. The drain thread adds up the dt of
// every "Frame n, last dt=x" line, so simulated time can be read from the log itself.
class LogSink
{
  public:
    explicit LogSink(LogTarget target);
    ~LogSink();
    LogSink(const LogSink&) = delete;
    LogSink& operator=(const LogSink&) = delete;

    // Waits until the drain thread has read `lines` lines (pipe only) and returns the sum of their dt.
    double simulatedSeconds(std::uint64_t lines);
    std::uint64_t lines() const
    {
        return lines_.load();
    }

  private:
    void drain(int fd);

    LogTarget target_;
    int savedStdout_ = -1;
    int pipeRead_ = -1;
    std::thread drainer_;
    std::atomic<std::uint64_t> lines_{0};
    std::atomic<double> seconds_{0.0};
};

// A FILE for the benchmark's own report, which must not go where the program's log goes.
std::FILE* reportStream();
