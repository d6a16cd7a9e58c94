// Redirecting the program's standard output for a measurement, and reading the log it writes.
#include "log_sink.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

const char* nameOf(LogTarget target)
{
    switch (target)
    {
    case LogTarget::DevNull:
        return "/dev/null";
    case LogTarget::Pipe:
        return "pipe";
    case LogTarget::Suppressed:
        return "no log";
    }
    return "?";
}

std::FILE* reportStream()
{
    // A copy of the original standard output, taken before any redirection.
    static std::FILE* stream = fdopen(dup(STDOUT_FILENO), "w");
    return stream;
}

LogSink::LogSink(LogTarget target) : target_(target)
{
    reportStream();
    std::cout.flush();
    std::fflush(stdout);
    if (target_ == LogTarget::Suppressed)
    {
        std::cout.setstate(std::ios::badbit);
        return;
    }
    savedStdout_ = dup(STDOUT_FILENO);
    if (target_ == LogTarget::DevNull)
    {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        close(null);
        return;
    }
    int fds[2];
    if (pipe(fds) != 0)
        std::abort();
    pipeRead_ = fds[0];
    dup2(fds[1], STDOUT_FILENO);
    close(fds[1]);
    drainer_ = std::thread([this] { drain(pipeRead_); });
}

LogSink::~LogSink()
{
    std::cout.flush();
    if (target_ == LogTarget::Suppressed)
    {
        std::cout.clear();
        return;
    }
    dup2(savedStdout_, STDOUT_FILENO); // closes the pipe's last write end: the drainer sees the end
    close(savedStdout_);
    if (drainer_.joinable())
        drainer_.join();
    if (pipeRead_ >= 0)
        close(pipeRead_);
}

void LogSink::drain(int fd)
{
    static const char marker[] = "last dt=";
    char buffer[1 << 16];
    std::string line;
    for (;;)
    {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return;
        for (ssize_t i = 0; i < n; ++i)
        {
            if (buffer[i] != '\n')
            {
                line.push_back(buffer[i]);
                continue;
            }
            const std::size_t at = line.find(marker);
            if (at != std::string::npos)
                seconds_.store(seconds_.load() + std::strtod(line.c_str() + at + sizeof marker - 1, nullptr));
            line.clear();
            lines_.fetch_add(1);
        }
    }
}

double LogSink::simulatedSeconds(std::uint64_t lines)
{
    std::cout.flush();
    if (target_ == LogTarget::Pipe)
        for (int waited = 0; lines_.load() < lines && waited < 10000; ++waited)
            usleep(1000); // at most 10 s: a reader that never catches up is reported as it stands
    return seconds_.load();
}
