// A fresh directory under the system's temporary directory, removed with its contents with the object.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

class TempDirectory
{
  public:
    enum Use
    {
        Aside,             // the working directory stays where it is
        AsWorkingDirectory // the working directory while the object lives (files are read by name)
    };

    explicit TempDirectory(Use use = Aside)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmir-test-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return;
        path_ = pattern;
        if (use == AsWorkingDirectory)
        {
            previous_ = std::filesystem::current_path().string();
            std::filesystem::current_path(path_);
        }
    }
    ~TempDirectory()
    {
        std::error_code ignored;
        if (!previous_.empty())
            std::filesystem::current_path(previous_, ignored);
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    // Empty if the directory could not be made.
    const std::string& path() const
    {
        return path_;
    }

    // Writes `bytes` to the file `name` in the directory and returns the file's path.
    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) const
    {
        const std::string file = (std::filesystem::path(path_) / name).string();
        std::ofstream(file, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return file;
    }

  private:
    std::string path_;
    std::string previous_;
};
