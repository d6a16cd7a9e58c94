// Opening a regular file on Linux (and in the browser's file system).
#include "render/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::FILE* openRegularFile(const char* fileName, std::uint64_t& size)
{
    // Opening a FIFO for reading waits for a writer, and a device may never end: look before opening,
    // so such a path is not even opened ...
    struct stat info;
    if (::stat(fileName, &info) != 0 || !S_ISREG(info.st_mode))
        return nullptr;
    // ... and open without waiting, in case the path was swapped for one since, then look again at
    // what was actually opened. O_NONBLOCK changes nothing for the reads of a regular file.
    const int fd = ::open(fileName, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    std::FILE* file = nullptr;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || !(file = ::fdopen(fd, "rb")))
    {
        ::close(fd);
        return nullptr;
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return file;
}
