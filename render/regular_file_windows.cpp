// Opening a regular file on Windows. Its named pipes live outside the folders and its opens do not
// wait for a writer; what remains to refuse are devices (CON, NUL, COM1, ... exist in every folder)
// and folders, which the look at what was opened catches.
#include "render/regular_file.h"

#include <sys/stat.h>

std::FILE* openRegularFile(const char* fileName, std::uint64_t& size)
{
    std::FILE* file = std::fopen(fileName, "rb");
    if (!file)
        return nullptr;
    struct _stat64 info;
    if (::_fstat64(::_fileno(file), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG)
    {
        std::fclose(file);
        return nullptr;
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return file;
}
