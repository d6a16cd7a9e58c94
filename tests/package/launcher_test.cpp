// The launcher of an unpacked copy of the package, started from an unrelated, empty directory, as a
// user who types `velmir` anywhere: it must find the program and the textures itself, so the window
// shows the textured sun (drawn white when its texture is missing). How long that took is printed.
#include "picture.h"
#include "program_harness.h"
#include "temp_directory.h"

#include <chrono>
#include <cmath>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace
{
// The spread (standard deviation) of the green channel over the sun's warm pixels near the centre:
// about zero for a disc of one colour, large for the mottled texture.
double warmSpread(const x11util::Image& image, int radius = 120)
{
    double sum = 0, squares = 0, count = 0;
    const int cx = image.width / 2, cy = image.height / 2;
    for (int y = std::max(0, cy - radius); y < std::min(image.height, cy + radius); ++y)
        for (int x = std::max(0, cx - radius); x < std::min(image.width, cx + radius); ++x)
        {
            const std::uint8_t* p = image.pixel(x, y);
            if (p[0] > 120 && p[0] > p[2] + 80)
            {
                sum += p[1];
                squares += double(p[1]) * p[1];
                count += 1;
            }
        }
    return count ? std::sqrt(std::max(0.0, squares / count - (sum / count) * (sum / count))) : 0.0;
}
} // namespace

TEST(PackagedLauncher, ShowsTheTexturedSunFromAnyDirectory)
{
    VirtualScreen screen(1280, 800);
    const TempDirectory elsewhere;
    ASSERT_FALSE(elsewhere.path().empty());
    const auto start = std::chrono::steady_clock::now();
    Program program(screen, VELMIR_UNPACKED "/usr/games/velmir", elsewhere.path());
    ASSERT_NE(program.waitForWindow(), 0u);

    // Screenshots until the sun is there and textured; the limit is only there to end a broken run.
    long warm = 0;
    double spread = 0;
    while (std::chrono::steady_clock::now() - start < 60s)
    {
        const x11util::Image image = program.screenshot();
        warm = warmPixelsNearCentre(image);
        spread = warmSpread(image);
        if (warm > 1000 && spread > 8)
            break;
        program.readFor(100ms);
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    std::cout << "textured sun after " << elapsed.count() << " s: " << warm << " warm pixels, green spread "
              << spread << std::endl;
    EXPECT_GT(warm, 1000);
    EXPECT_GT(spread, 8);
    EXPECT_EQ(program.output(), ""); // no texture reported missing

    program.requestClose();
    EXPECT_EQ(program.waitForExit(10s), 0);
}
