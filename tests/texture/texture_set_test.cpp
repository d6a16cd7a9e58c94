// The textures the build paints: the reader takes every one, at its size, and none is a flat colour or
// shows a seam where longitude wraps.
#include "bmp_bytes.h"
#include "render/bmp_reader.h"
#include "render/texture.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{

struct Expected
{
    std::string name;
    int width, height;
};

std::vector<Expected> expectedSet()
{
    std::vector<Expected> set;
    for (int i = 0; i < textureCount; ++i)
        set.push_back({textureFileNames[i], 1024, 512});
    set.push_back({textureFileNames[textureCount], 4096, 2048});
    return set;
}

std::uint32_t le32(const std::vector<char>& b, std::size_t at)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v |= std::uint32_t(std::uint8_t(b[at + i])) << (8 * i);
    return v;
}

TEST(TextureSet, EveryFileIsAPlainBmpOurReaderTakes)
{
    for (const Expected& e : expectedSet())
    {
        const std::string path = std::string(VELMIR_RUN_DIR) + "/" + e.name;
        SCOPED_TRACE(path);
        std::vector<char> head(54);
        std::ifstream(path, std::ios::binary).read(head.data(), 54);
        const std::size_t pixelBytes = std::size_t(e.width) * std::size_t(e.height) * 3;
        EXPECT_EQ(std::string(head.data(), 2), "BM");
        EXPECT_EQ(le32(head, 2), 54 + pixelBytes) << "file size field";
        EXPECT_EQ(le32(head, 10), 54u) << "pixel offset";
        EXPECT_EQ(le32(head, 14), 40u) << "info header size";
        EXPECT_EQ(std::filesystem::file_size(path), 54 + pixelBytes);

        const bmp::Image image = bmp::readFile(path.c_str(), glMaxSide);
        ASSERT_EQ(image.status, bmp::Status::ok);
        EXPECT_EQ(image.width, e.width);
        EXPECT_EQ(image.height, e.height);
    }
}

TEST(TextureSet, NoFileIsFlatOrSeamed)
{
    for (const Expected& e : expectedSet())
    {
        const std::string path = std::string(VELMIR_RUN_DIR) + "/" + e.name;
        SCOPED_TRACE(path);
        const bmp::Image image = bmp::readFile(path.c_str(), glMaxSide);
        ASSERT_EQ(image.status, bmp::Status::ok);
        const std::uint8_t* p = image.pixels.get();
        const auto at = [&](int x, int y, int c) {
            return int(p[(std::size_t(y) * std::size_t(image.width) + std::size_t(x)) * 3 + std::size_t(c)]);
        };

        std::vector<bool> seen(std::size_t{1} << 24);
        std::size_t colours = 0;
        double sum = 0, sumSq = 0;
        const std::size_t count = std::size_t(image.width) * std::size_t(image.height);
        for (std::size_t i = 0; i < count; ++i)
        {
            const std::size_t rgb =
                std::size_t(p[3 * i]) | std::size_t(p[3 * i + 1]) << 8 | std::size_t(p[3 * i + 2]) << 16;
            colours += seen[rgb] ? 0 : 1;
            seen[rgb] = true;
            const double luma = 0.11 * p[3 * i] + 0.59 * p[3 * i + 1] + 0.3 * p[3 * i + 2];
            sum += luma;
            sumSq += luma * luma;
        }
        const double mean = sum / double(count);
        EXPECT_GE(colours, 500u);
        EXPECT_GT(std::sqrt(sumSq / double(count) - mean * mean), 3.0) << "brightness barely varies";

        // Across the wrap (last column to first) the picture changes no more than between neighbours.
        double wrap = 0, inside = 0;
        for (int y = 0; y < image.height; ++y)
            for (int c = 0; c < 3; ++c)
            {
                wrap += std::abs(at(image.width - 1, y, c) - at(0, y, c));
                for (int x = 1; x < image.width; ++x)
                    inside += std::abs(at(x, y, c) - at(x - 1, y, c));
            }
        inside /= double(image.width - 1);
        EXPECT_LE(wrap, 2.0 * inside + double(image.height)) << "a seam at longitude 0";
    }
}

} // namespace
