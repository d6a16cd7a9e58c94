#include "spawn.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace x11util
{

pid_t spawnWithPipe(const ChildCommand& command, int& readEnd)
{
    readEnd = -1;
    if (command.argv.empty())
        return -1;
    // Everything the child needs is made before the fork: the child only sets itself up and runs.
    std::vector<char*> argv;
    for (const std::string& word : command.argv)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0)
    {
        close(fds[0]);
        if (command.quiet)
        {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
        }
        if (fds[1] != command.pipeDescriptor)
        {
            dup2(fds[1], command.pipeDescriptor);
            close(fds[1]);
        }
        if (!command.display.empty())
            setenv("DISPLAY", command.display.c_str(), 1);
        if (!command.directory.empty() && chdir(command.directory.c_str()) != 0)
            _exit(126);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0)
    {
        close(fds[0]);
        return -1;
    }
    readEnd = fds[0];
    return pid;
}

} // namespace x11util
