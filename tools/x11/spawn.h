// Starting a child process joined to the caller by a pipe: the program under test with its standard
// output read by the caller, or an X server that writes its display number down the pipe.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace x11util
{

struct ChildCommand
{
    std::vector<std::string> argv; // argv[0] is looked up on PATH unless it holds a '/'
    std::string display;           // the child's DISPLAY, when not empty
    std::string directory;         // the child's working folder, when not empty
    // The descriptor under which the child finds the pipe's write end: its standard output by default.
    int pipeDescriptor = 1;
    // Standard output and error to /dev/null (except the pipe's descriptor, when it is one of them).
    bool quiet = false;
};

// Starts the command and returns its process id, with the pipe's read end in `readEnd`; -1 if there
// is no child. A child that cannot enter its folder exits with 126, one that cannot run the command
// with 127.
pid_t spawnWithPipe(const ChildCommand& command, int& readEnd);

} // namespace x11util
