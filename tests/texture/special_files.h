// Paths that exist but are not regular files, for the tests that the reader refuses them at once.
#pragma once

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

// A fresh directory holding a FIFO nobody writes to, a socket, a subdirectory and symbolic links to a
// FIFO and to endless devices; removed with the object.
class NotRegularFiles
{
  public:
    NotRegularFiles()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmir-special-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return;
        directory_ = pattern;
        const std::string fifo = directory_ + "/fifo.bmp";
        if (mkfifo(fifo.c_str(), 0600) == 0)
            paths_.push_back(fifo);
        std::filesystem::create_symlink(fifo, directory_ + "/link-to-fifo.bmp");
        paths_.push_back(directory_ + "/link-to-fifo.bmp");
        std::filesystem::create_directory(directory_ + "/directory.bmp");
        paths_.push_back(directory_ + "/directory.bmp");
        std::filesystem::create_symlink("/dev/zero", directory_ + "/link-to-zero.bmp");
        paths_.push_back(directory_ + "/link-to-zero.bmp");
        paths_.push_back("/dev/urandom");

        socket_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string socketPath = directory_ + "/socket.bmp";
        if (socket_ >= 0 && socketPath.size() < sizeof address.sun_path)
        {
            std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
            if (::bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
                paths_.push_back(socketPath);
        }
    }
    ~NotRegularFiles()
    {
        if (socket_ >= 0)
            ::close(socket_);
        std::error_code ignored;
        if (!directory_.empty())
            std::filesystem::remove_all(directory_, ignored);
    }
    NotRegularFiles(const NotRegularFiles&) = delete;
    NotRegularFiles& operator=(const NotRegularFiles&) = delete;

    const std::string& directory() const
    {
        return directory_;
    }
    // FIFO first, then the others.
    const std::vector<std::string>& all() const
    {
        return paths_;
    }

  private:
    std::string directory_;
    std::vector<std::string> paths_;
    int socket_ = -1;
};
