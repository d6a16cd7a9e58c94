// Paints the application icon from the sun's texture: the textured globe seen from the side, darker
// towards its rim, on a transparent background, as PNG files for the desktop's icon theme.
//
// Usage: icon SUN.bmp OUTPUT_DIR SIZE...   writes OUTPUT_DIR/SIZExSIZE/apps/velmir.png for each size
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>
#include <string>
#include <vector>

namespace
{
constexpr double pi = 3.14159265358979323846;

struct Texture
{
    int width = 0, height = 0;
    const unsigned char* rgb = nullptr; // top row first

    // Bilinear sample at longitude `lon` (radians, any value) and latitude `lat` (−π/2 … π/2).
    void sample(double lon, double lat, double out[3]) const
    {
        double u = lon / (2.0 * pi);
        u = (u - std::floor(u)) * width - 0.5;
        const double v = std::clamp((0.5 - lat / pi) * height - 0.5, 0.0, height - 1.0);
        const int x0 = static_cast<int>(std::floor(u)), y0 = static_cast<int>(v);
        const double fx = u - x0, fy = v - y0;
        const int y1 = std::min(y0 + 1, height - 1);
        for (int c = 0; c < 3; ++c)
        {
            auto at = [&](int x, int y) {
                x = ((x % width) + width) % width;
                return static_cast<double>(rgb[(static_cast<std::size_t>(y) * width + x) * 3 + c]);
            };
            out[c] = (at(x0, y0) * (1 - fx) + at(x0 + 1, y0) * fx) * (1 - fy) +
                     (at(x0, y1) * (1 - fx) + at(x0 + 1, y1) * fx) * fy;
        }
    }
};

// RGBA, straight alpha; each pixel averages 4 × 4 samples, so the rim is smooth at every size.
std::vector<unsigned char> paint(const Texture& texture, int size)
{
    constexpr int grid = 4;
    const double tilt = 0.35; // radians: the globe leans towards the viewer a little
    std::vector<unsigned char> out(static_cast<std::size_t>(size) * size * 4, 0);
    const double radius = size * 0.47, centre = size * 0.5;
    for (int py = 0; py < size; ++py)
        for (int px = 0; px < size; ++px)
        {
            double sum[3] = {0, 0, 0};
            int covered = 0;
            for (int sy = 0; sy < grid; ++sy)
                for (int sx = 0; sx < grid; ++sx)
                {
                    const double x = (px + (sx + 0.5) / grid - centre) / radius;
                    const double y = (centre - py - (sy + 0.5) / grid) / radius;
                    const double r2 = x * x + y * y;
                    if (r2 > 1.0)
                        continue;
                    const double z = std::sqrt(1.0 - r2);
                    // Turn the view direction by the tilt about the horizontal axis.
                    const double yt = y * std::cos(tilt) + z * std::sin(tilt);
                    const double zt = z * std::cos(tilt) - y * std::sin(tilt);
                    double colour[3];
                    texture.sample(std::atan2(x, zt), std::asin(std::clamp(yt, -1.0, 1.0)), colour);
                    const double limb = 0.55 + 0.45 * std::sqrt(z);
                    for (int c = 0; c < 3; ++c)
                        sum[c] += colour[c] * limb;
                    ++covered;
                }
            unsigned char* p = &out[(static_cast<std::size_t>(py) * size + px) * 4];
            if (covered == 0)
                continue;
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<unsigned char>(std::clamp(std::lround(sum[c] / covered), 0L, 255L));
            p[3] = static_cast<unsigned char>(std::lround(255.0 * covered / (grid * grid)));
        }
    return out;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
    {
        std::fprintf(stderr, "usage: %s SUN.bmp OUTPUT_DIR SIZE...\n", argv[0]);
        return 2;
    }
    int channels = 0;
    Texture texture;
    unsigned char* pixels = stbi_load(argv[1], &texture.width, &texture.height, &channels, 3);
    if (!pixels)
    {
        std::fprintf(stderr, "icon: cannot read %s: %s\n", argv[1], stbi_failure_reason());
        return 1;
    }
    texture.rgb = pixels;
    int status = 0;
    for (int i = 3; i < argc; ++i)
    {
        const int size = std::atoi(argv[i]);
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path dir = std::filesystem::path(argv[2]) / name / "apps";
        std::error_code error;
        std::filesystem::create_directories(dir, error);
        const std::string path = (dir / "velmir.png").string();
        const std::vector<unsigned char> image = paint(texture, size);
        if (size <= 0 || !stbi_write_png(path.c_str(), size, size, 4, image.data(), size * 4))
        {
            std::fprintf(stderr, "icon: cannot write %s\n", path.c_str());
            status = 1;
        }
    }
    stbi_image_free(pixels);
    return status;
}
