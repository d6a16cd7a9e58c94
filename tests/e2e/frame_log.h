// Reading the per-step log lines ("Frame <n>, last dt=<dt>") out of the program's output.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

struct FrameLine
{
    std::uint64_t frame = 0;
    double dt = 0.0;
};

// The log lines in `text`, in order. `other` receives every complete line that is not a log line;
// a final line without its newline yet is ignored.
inline std::vector<FrameLine> frameLines(const std::string& text, std::vector<std::string>* other = nullptr)
{
    std::vector<FrameLine> result;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start))
    {
        const std::string line = text.substr(start, end - start);
        static const std::string prefix = "Frame ";
        static const std::string middle = ", last dt=";
        const std::size_t m = line.find(middle);
        if (line.compare(0, prefix.size(), prefix) == 0 && m != std::string::npos)
        {
            FrameLine f;
            std::istringstream(line.substr(prefix.size(), m - prefix.size())) >> f.frame;
            std::istringstream(line.substr(m + middle.size())) >> f.dt;
            result.push_back(f);
        }
        else if (other)
        {
            other->push_back(line);
        }
    }
    return result;
}

// Everything up to the last complete line: what a reader can judge without a half-written line.
inline std::size_t completeLength(const std::string& text)
{
    const std::size_t lastNewline = text.rfind('\n');
    return lastNewline == std::string::npos ? 0 : lastNewline + 1;
}
