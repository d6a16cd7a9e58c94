// The Windows program from its zip, under Wine on a virtual screen: its picture against the Linux
// program's, its window's place, the clock behind its step lines, help, a missing texture, and both
// ways to end it.
// GoogleTest before Xlib, whose macros (None, Bool) would break its templates.
// clang-format off
#include <gtest/gtest.h>
#include <X11/Xlib.h>
// clang-format on

#include "frame_log.h"
#include "program_harness.h"
#include "render/texture_files.h"
#include "temp_directory.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace
{
// Quiet, and without the .NET and browser engine installers a fresh prefix would offer.
const std::vector<std::pair<std::string, std::string>> wineEnvironment{
    {"WINEPREFIX", VELMIR_WINE_PREFIX}, {"WINEDEBUG", "-all"}, {"WINEDLLOVERRIDES", "mscoree,mshtml="}};

// Runs a shell command with Wine's environment; its exit status and what it printed, stderr included.
int runWithWine(const std::string& command, const std::string& display, std::string& output)
{
    std::string line = "DISPLAY=" + display;
    for (const auto& [name, value] : wineEnvironment)
        line += " " + name + "='" + value + "'";
    line += " " + command + " 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(line.c_str(), "r"), pclose);
    if (!pipe)
        return -1;
    std::array<char, 4096> buffer;
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0;)
        output.append(buffer.data(), n);
    const int status = pclose(pipe.release());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Once per run: the zip unpacked as a user would, one virtual screen and a fresh Wine prefix on it.
class WineSuite : public ::testing::Environment
{
  public:
    void SetUp() override
    {
        unpacked_ = std::make_unique<TempDirectory>();
        const std::string unpack =
            "cd '" + unpacked_->path() + "' && cmake -E tar xf '" VELMIR_WINDOWS_ZIP "'";
        folder = unpacked_->path() + "/" + fs::path(VELMIR_WINDOWS_ZIP).stem().string();
        if (unpacked_->path().empty() || std::system(unpack.c_str()) != 0 ||
            !fs::exists(folder + "/velmir.exe"))
        {
            problem = "no velmir.exe unpacked from " VELMIR_WINDOWS_ZIP;
            return;
        }
        screen = std::make_unique<VirtualScreen>(1366, 768);
        std::error_code ignored;
        fs::remove_all(VELMIR_WINE_PREFIX, ignored);
        const auto start = Clock::now();
        std::string output;
        if (runWithWine("wineboot --init", screen->name(), output) != 0)
            problem = "Wine cannot start here: wineboot --init said\n" + output;
        std::printf("figure: a fresh Wine prefix took %.1f s\n",
                    std::chrono::duration<double>(Clock::now() - start).count());
    }
    void TearDown() override
    {
        // Wine's own processes of this prefix (its server, the desktop's) end before their screen does.
        if (screen)
        {
            std::string ignored;
            runWithWine("wineserver -k", screen->name(), ignored);
            runWithWine("wineserver -w", screen->name(), ignored);
        }
        screen.reset();
        unpacked_.reset();
    }

    static inline std::unique_ptr<VirtualScreen> screen;
    static inline std::string folder;  // velmir.exe, its textures and README.txt
    static inline std::string problem; // why nothing can run, if so

  private:
    static inline std::unique_ptr<TempDirectory> unpacked_;
};
[[maybe_unused]] const auto* const suite = ::testing::AddGlobalTestEnvironment(new WineSuite);

class Windows : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_EQ(WineSuite::problem, "");
    }

    // velmir.exe from the unpacked zip, started under Wine in `directory`.
    std::unique_ptr<Program> startWindows(const std::string& directory)
    {
        return std::make_unique<Program>(*WineSuite::screen,
                                         std::vector<std::string>{"wine", WineSuite::folder + "/velmir.exe"},
                                         directory, wineEnvironment);
    }
};

// The Linux program's text as a Windows program writes it: standard output is in text mode there, and
// every line ends in CR LF.
std::string windowsText(const std::string& text)
{
    std::string result;
    for (const char c : text)
        result += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return result;
}

// The program's window appeared; if not, whether Wine is still trying or how the program ended (a
// DLL it cannot find ends it with status 53 and no word).
::testing::AssertionResult windowAppears(Program& program)
{
    if (program.waitForWindow() != 0)
        return ::testing::AssertionSuccess();
    const int status = program.waitForExit(std::chrono::milliseconds(0));
    return ::testing::AssertionFailure()
           << "no window; the program "
           << (status == -2 ? "still runs" : "ended with status " + std::to_string(status))
           << ", having written \"" << program.output() << "\"";
}

bool drawn(const x11util::Image& image)
{
    return image.width > 0 && std::any_of(image.rgb.begin(), image.rgb.end(), [](auto c) { return c > 100; });
}

// The paused program's picture, once it has drawn one and it stays: two shots in a row the same.
x11util::Image stillPicture(Program& program)
{
    x11util::Image previous;
    const auto deadline = Clock::now() + 30s;
    while (Clock::now() < deadline)
    {
        x11util::Image shot = program.screenshot();
        if (drawn(shot) && shot.rgb == previous.rgb)
            return shot;
        previous = std::move(shot);
        program.readFor(100ms);
    }
    throw std::runtime_error("no still picture");
}

// Per-pixel agreement, over the whole picture or a square of half-side `half` at its centre, as the
// browser build is held to the desktop's: rasterisers may differ in filtering and edges, not in what
// is where.
struct Agreement
{
    double meanAbs = 0;  // mean absolute difference per channel, of 255
    double within16 = 0; // share of pixels whose largest channel difference is at most 16
    double within48 = 0;
};
Agreement agreement(const x11util::Image& a, const x11util::Image& b, int half = 0)
{
    Agreement result;
    if (a.width != b.width || a.height != b.height || a.width == 0)
        return Agreement{255, 0, 0};
    const int x0 = half ? a.width / 2 - half : 0, x1 = half ? a.width / 2 + half : a.width;
    const int y0 = half ? a.height / 2 - half : 0, y1 = half ? a.height / 2 + half : a.height;
    double total = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
        {
            int largest = 0;
            for (int c = 0; c < 3; ++c)
            {
                const int d = std::abs(int(a.pixel(x, y)[c]) - int(b.pixel(x, y)[c]));
                total += d;
                largest = std::max(largest, d);
            }
            result.within16 += largest <= 16;
            result.within48 += largest <= 48;
        }
    const double pixels = double(x1 - x0) * (y1 - y0);
    result.meanAbs = total / (3 * pixels);
    result.within16 /= pixels;
    result.within48 /= pixels;
    return result;
}

void expectSamePicture(const x11util::Image& windows, const x11util::Image& linux)
{
    const Agreement whole = agreement(windows, linux), sun = agreement(windows, linux, 40);
    std::printf("figure: Windows vs Linux picture: mean difference %.2f, %.2f %% within 16; the sun's "
                "%.2f, %.2f %% within 48\n",
                whole.meanAbs, 100 * whole.within16, sun.meanAbs, 100 * sun.within48);
    EXPECT_TRUE(whole.meanAbs < 3 && whole.within16 > 0.95 && sun.meanAbs < 6 && sun.within48 > 0.95)
        << "whole: " << whole.meanAbs << ", " << whole.within16 << "; sun: " << sun.meanAbs << ", "
        << sun.within48;
}

// The Linux program's still picture in `directory`, on the suite's screen.
x11util::Image linuxPicture(const std::string& directory)
{
    Program linux(*WineSuite::screen, VELMIR_BINARY, directory);
    if (!linux.waitForWindow())
        throw std::runtime_error("no Linux window");
    const x11util::Image picture = linux.settledScreenshot();
    linux.requestClose();
    linux.waitForExit(10s);
    return picture;
}

// Where the window's client area lies on the screen.
std::pair<int, int> clientOrigin(unsigned long window)
{
    Display* display = WineSuite::screen->display();
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    return {x, y};
}

// Keys reach a Wine window without a window manager only once it was clicked.
void clickIn(Program& program)
{
    program.xdotool({"mousemove", "--window", std::to_string(program.window()), "320", "240", "click", "1"});
}
} // namespace

TEST(WindowsZip, HoldsTheProgramItsTwelveTexturesAndAReadmeInOneFolder)
{
    std::set<std::string> expected{"velmir.exe", "README.txt"};
    expected.insert(std::begin(textureFileNames), std::end(textureFileNames));
    std::set<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(WineSuite::folder).parent_path()))
        if (!entry.is_directory())
            found.insert(fs::relative(entry.path(), fs::path(WineSuite::folder).parent_path()).string());
    std::set<std::string> inFolder;
    for (const std::string& name : expected)
        inFolder.insert(fs::path(WineSuite::folder).filename().string() + "/" + name);
    EXPECT_EQ(found, inFolder);
}

TEST_F(Windows, StartsCentredWithTheLinuxPictureThenRunsOnTheCounterAndHelpsAndCloses)
{
    const x11util::Image linux = linuxPicture(VELMIR_RUN_DIR);

    const auto start = Clock::now();
    std::unique_ptr<Program> program = startWindows(WineSuite::folder);
    ASSERT_TRUE(windowAppears(*program));
    while (!drawn(program->screenshot()) && Clock::now() - start < 30s)
        program->readFor(10ms);
    std::printf("figure: start to first frame under Wine: %.2f s\n",
                std::chrono::duration<double>(Clock::now() - start).count());

    // The screen's metrics centre the window's frame on the 1366 x 768 screen at (363, 144): its
    // client area lies inside by the border, and below by the caption as well.
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(WineSuite::screen->display(), program->window(), &attributes));
    EXPECT_EQ(attributes.width, 640);
    EXPECT_EQ(attributes.height, 480);
    const auto [x, y] = clientOrigin(program->window());
    EXPECT_TRUE(x >= 363 && x <= 363 + 8 && y >= 144 && y <= 144 + 40) << x << ", " << y;

    expectSamePicture(stillPicture(*program), linux);
    EXPECT_EQ(program->output(), "") << "with every texture present it says nothing";

    clickIn(*program);
    program->key("H");
    ASSERT_TRUE(program->waitForOutput(windowsText(helpText), 20s)) << program->output();
    EXPECT_EQ(program->output(), windowsText(helpText));

    // Running on the performance counter, simulated time keeps to the wall clock's: it reaches a
    // second, and never gets ahead of the time since the key was sent. A frequency misread in either
    // direction breaks one or the other.
    const std::size_t mark = program->output().size();
    const auto sent = Clock::now();
    program->key("space");
    double simulated = 0, wall = 0;
    std::vector<FrameLine> lines;
    while (simulated < 1.0 && wall < 20.0)
    {
        program->readFor(20ms);
        wall = std::chrono::duration<double>(Clock::now() - sent).count();
        const std::string& all = program->output();
        lines = frameLines(all.substr(mark, completeLength(all) - std::min(mark, completeLength(all))));
        simulated = 0;
        for (const FrameLine& line : lines)
            simulated += line.dt;
        ASSERT_LE(simulated, wall + 0.001) << "simulated time ran ahead of the wall clock";
    }
    std::printf("figure: %zu steps for %.3f simulated s in %.3f wall s\n", lines.size(), simulated, wall);
    ASSERT_GE(simulated, 1.0) << "simulated time fell behind the wall clock";
    EXPECT_EQ(program->output().find("\r\n", mark), program->output().find('\n', mark) - 1);
    for (std::size_t i = 0; i < lines.size(); ++i)
    {
        ASSERT_EQ(lines[i].frame, i);
        ASSERT_LT(lines[i].dt, 0.01);
    }

    // Closing the window as a window manager would, while the clock runs.
    program->requestClose();
    EXPECT_EQ(program->waitForExit(20s), 0);
}

TEST_F(Windows, AMissingTextureIsReportedAndItsBodyDrawnWhiteAndExitEndsIt)
{
    const TempDirectory directory;
    ASSERT_FALSE(directory.path().empty());
    for (const auto& entry : fs::directory_iterator(WineSuite::folder))
        if (entry.path().extension() == ".bmp" && entry.path().filename() != "sun.bmp")
            fs::copy_file(entry.path(), fs::path(directory.path()) / entry.path().filename());
    const x11util::Image linux = linuxPicture(directory.path());

    std::unique_ptr<Program> program = startWindows(directory.path());
    ASSERT_TRUE(windowAppears(*program));
    const x11util::Image windows = stillPicture(*program);
    EXPECT_EQ(program->output(), windowsText("Failed to open sun.bmp for reading!\n"));
    expectSamePicture(windows, linux);
    const std::uint8_t* centre = windows.pixel(320, 240); // the sun, untextured
    EXPECT_TRUE(centre[0] > 240 && centre[1] > 240 && centre[2] > 240)
        << int(centre[0]) << " " << int(centre[1]) << " " << int(centre[2]);

    // The menu's last entry of five.
    clickIn(*program);
    const Program::MenuWindow menu = program->openMenu();
    ASSERT_NE(menu.id, 0u) << "no menu opened";
    program->chooseMenuEntry(menu, 4, 5);
    EXPECT_EQ(program->waitForExit(20s), 0);
}
