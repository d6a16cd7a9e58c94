// BMP files built byte by byte for the reader's tests, and helpers to put them on disk.
#pragma once

#include "temp_directory.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

// The largest texture side of Mesa's software renderer, where a test needs GL's limit without GL.
inline constexpr std::int32_t glMaxSide = 16384;

struct BmpLayout
{
    std::int32_t width = 4;
    std::int32_t height = 2;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    char signature[2] = {'B', 'M'};
};

inline void putLe(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The two headers as a writer of the plain 24-bit form puts them, followed by `pixels`.
inline std::vector<std::uint8_t> bmpBytes(const BmpLayout& layout,
                                          const std::vector<std::uint8_t>& pixels = {})
{
    std::vector<std::uint8_t> out(54 + pixels.size());
    out[0] = static_cast<std::uint8_t>(layout.signature[0]);
    out[1] = static_cast<std::uint8_t>(layout.signature[1]);
    putLe(out, 2, static_cast<std::uint32_t>(54 + pixels.size()), 4);
    putLe(out, 10, 54, 4);
    putLe(out, 14, 40, 4);
    putLe(out, 18, static_cast<std::uint32_t>(layout.width), 4);
    putLe(out, 22, static_cast<std::uint32_t>(layout.height), 4);
    putLe(out, 26, 1, 2);
    putLe(out, 28, layout.bitCount, 2);
    putLe(out, 30, layout.compression, 4);
    putLe(out, 34, static_cast<std::uint32_t>(pixels.size()), 4);
    if (!pixels.empty())
        std::memcpy(out.data() + 54, pixels.data(), pixels.size());
    return out;
}

// A file in a fresh temporary directory for the life of the object.
class TempFile
{
  public:
    TempFile(const std::string& name, const std::vector<std::uint8_t>& bytes)
        : path_(directory_.write(name, bytes))
    {
    }
    const char* path() const
    {
        return path_.c_str();
    }

  private:
    TempDirectory directory_;
    std::string path_;
};

// Every regular file below `dir`, sorted, so failures name the same file from run to run.
inline std::vector<std::filesystem::path> filesBelow(const std::filesystem::path& dir)
{
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec))
        return files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}
