// The resident set of a process, as the kernel reports it: what the benchmarks and the soak watch grow.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/types.h>

// Kibibytes resident for `pid` (0: this process); -1 if it cannot be read.
inline long residentKiB(pid_t pid = 0)
{
    const std::string path = pid ? "/proc/" + std::to_string(pid) + "/status" : "/proc/self/status";
    std::FILE* f = std::fopen(path.c_str(), "r");
    long kib = -1;
    char line[256];
    while (f && std::fgets(line, sizeof line, f))
        if (std::strncmp(line, "VmRSS:", 6) == 0)
            kib = std::atol(line + 6);
    if (f)
        std::fclose(f);
    return kib;
}
