// The keyboard commands of the real program: help, hand steps, pause and time scale, display keys.
#include "frame_log.h"
#include "picture.h"
#include "program_harness.h"

#include <cctype>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace
{
std::string stepLines(unsigned first, unsigned count)
{
    std::string text;
    for (unsigned n = first; n < first + count; ++n)
        text += "Frame " + std::to_string(n) + ", last dt=0.01\n";
    return text;
}

// Simulated seconds per wall-clock second, from the log lines printed during `window`.
double simulatedRate(StartedProgram& s, std::chrono::milliseconds window)
{
    s.newOutput();
    const auto start = Clock::now();
    s.program.readFor(window);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    double simulated = 0.0;
    for (const FrameLine& line : frameLines(s.newOutput()))
        simulated += line.dt;
    return simulated / seconds;
}
} // namespace

TEST(Keyboard, HelpIsPrintedExactlyAndUnknownKeysDoNothing)
{
    StartedProgram s;
    const x11util::Image before = s.program.settledScreenshot();

    const std::string& help = helpText;
    s.program.key("H");
    ASSERT_TRUE(s.program.waitForOutput("mode)\n", 20s));
    s.program.sync();
    EXPECT_EQ(s.newOutput(), help);
    s.program.key("h");
    ASSERT_TRUE(s.program.waitForOutput(help + help, 20s));
    EXPECT_EQ(s.newOutput(), help);

    // Keys without a command: no output, no step, no change to the picture, and the program lives on.
    s.program.key("q");
    s.program.key("F1");
    s.program.key("Up");
    const x11util::Image after = s.program.settledScreenshot();
    EXPECT_EQ(s.newOutput(), "");
    EXPECT_TRUE(s.program.running());
    EXPECT_EQ(differingPixels(before, after, 0), 0);

    s.program.requestClose();
    EXPECT_EQ(s.program.waitForExit(10s), 0);
}

TEST(Keyboard, StepKeyTakesTenStepsOfOneHundredthPerPress)
{
    StartedProgram s;
    const x11util::Image before = s.program.settledScreenshot();
    s.program.key("T");
    ASSERT_TRUE(s.program.waitForOutput("Frame 9,", 10s));
    const x11util::Image afterOne = s.program.settledScreenshot();
    EXPECT_EQ(s.newOutput(), stepLines(0, 10));
    EXPECT_GT(differingPixels(before, afterOne), 0) << "the bodies moved";

    // The time scale does not apply to hand steps.
    s.program.key("period period period");
    s.program.key("t");
    ASSERT_TRUE(s.program.waitForOutput("Frame 19,", 10s));
    EXPECT_GT(differingPixels(afterOne, s.program.settledScreenshot()), 0);
    EXPECT_EQ(s.newOutput(), stepLines(10, 10));

    // Still paused: nothing more happens on its own.
    s.program.readFor(500ms);
    EXPECT_EQ(s.newOutput(), "");
}

TEST(Keyboard, SpaceRunsAndStopsTheClockAndPeriodAndCommaScaleSimulatedTime)
{
    StartedProgram s;
    s.program.key("space");
    ASSERT_TRUE(s.program.waitForOutput("Frame ", 10s));
    s.program.sync();

    const double base = simulatedRate(s, 1500ms);
    EXPECT_GT(base, 0.5);
    EXPECT_LT(base, 1.5);

    // Types `keys`, lets the new scale settle and returns the new rate over the previous one.
    double rate = base;
    const auto rateRatioAfter = [&](const std::string& keys) {
        s.program.key(keys);
        s.program.sync();
        const double previous = rate;
        rate = simulatedRate(s, 1500ms);
        return rate / previous;
    };
    const double fast = rateRatioAfter("period period period period period period");
    EXPECT_GT(fast, 40.0);
    EXPECT_LT(fast, 90.0);
    const double half = rateRatioAfter("comma");
    EXPECT_GT(half, 0.3);
    EXPECT_LT(half, 0.75);
    // The shifted characters on a US layout do the same.
    const double quarter = rateRatioAfter("less");
    EXPECT_GT(quarter, 0.3);
    EXPECT_LT(quarter, 0.75);
    const double again = rateRatioAfter("greater");
    EXPECT_GT(again, 1.4);
    EXPECT_LT(again, 3.0);

    // Back to 1, then stop: once the pause is handled, no more lines.
    s.program.key("comma comma comma comma comma");
    s.program.key("space");
    s.program.sync();
    s.newOutput();
    s.program.readFor(1500ms);
    EXPECT_EQ(s.newOutput(), "") << "lines after the pause";

    // Every step of the frame loop is shorter than the hand step, however fast the clock ran. A line
    // gives dt to six significant digits, so a step just under 0.01 reads 0.01 there.
    std::vector<std::string> other;
    const std::vector<FrameLine> lines = frameLines(s.program.output(), &other);
    ASSERT_GT(lines.size(), 100u);
    for (std::size_t i = 0; i < lines.size(); ++i)
    {
        ASSERT_LE(lines[i].dt, 0.01) << "frame " << lines[i].frame;
        ASSERT_GE(lines[i].dt, 0.0) << "frame " << lines[i].frame;
        ASSERT_EQ(lines[i].frame, i) << "frames are numbered without gaps";
    }
    for (const std::string& line : other)
        EXPECT_EQ(line.rfind("Failed to open ", 0), 0u) << line;

    // The 1.5 s pause is not simulated when the clock resumes: the first call of the frame loop (its
    // steps share one dt) covers only the moments since the resume.
    s.program.key("space");
    ASSERT_TRUE(s.program.waitForOutput("Frame " + std::to_string(lines.size()) + ",", 20s));
    s.program.sync(); // the first call's lines are complete
    const std::vector<FrameLine> afterResume = frameLines(s.newOutput());
    ASSERT_FALSE(afterResume.empty());
    double resumed = 0.0;
    for (std::size_t i = 0; i < afterResume.size() && afterResume[i].dt == afterResume[0].dt; ++i)
        resumed += afterResume[i].dt;
    EXPECT_LT(resumed, 1.0);

    // Closing the window while the clock runs ends the process normally.
    s.program.requestClose();
    EXPECT_EQ(s.program.waitForExit(10s), 0);
}

TEST(Keyboard, DisplayKeysChangeThePictureInEitherCase)
{
    StartedProgram s;
    // Steps so that there are orbit histories and non-zero accelerations to show.
    s.program.key("T T T T T T");
    ASSERT_TRUE(s.program.waitForOutput("Frame 59,", 20s));
    const x11util::Image base = s.program.settledScreenshot();

    // Toggles come back to the same picture; lower case acts like upper case.
    for (const char* key : {"S", "M", "N"})
    {
        SCOPED_TRACE(key);
        s.program.key(key);
        const x11util::Image changed = s.program.settledScreenshot();
        EXPECT_GT(differingPixels(base, changed), 50);
        const std::string lower(1, static_cast<char>(std::tolower(key[0])));
        s.program.key(key[0] == 'N' ? "P" : key);
        EXPECT_EQ(differingPixels(base, s.program.settledScreenshot(), 0), 0);
        s.program.key(lower);
        EXPECT_EQ(differingPixels(changed, s.program.settledScreenshot(), 0), 0);
        s.program.key(key[0] == 'N' ? "p" : lower);
        EXPECT_EQ(differingPixels(base, s.program.settledScreenshot(), 0), 0);
    }

    // Zoom in, then out: the target's disc grows by about 1/0.9^2, and 0.9 x 1.1 is nearly back.
    const double area = static_cast<double>(warmPixelsNearCentre(base));
    ASSERT_GT(area, 500.0) << "the sun, the first target, is in the middle";
    s.program.key("X");
    const double zoomedIn = static_cast<double>(warmPixelsNearCentre(s.program.settledScreenshot()));
    EXPECT_GT(zoomedIn / area, 1.12);
    EXPECT_LT(zoomedIn / area, 1.40);
    s.program.key("Z");
    const double back = static_cast<double>(warmPixelsNearCentre(s.program.settledScreenshot()));
    EXPECT_NEAR(back / area, 1.0, 0.06);
    s.program.key("x");
    EXPECT_NEAR(static_cast<double>(warmPixelsNearCentre(s.program.settledScreenshot())) / zoomedIn, 1.0,
                0.06);
    s.program.key("z");
    EXPECT_NEAR(static_cast<double>(warmPixelsNearCentre(s.program.settledScreenshot())) / back, 1.0, 0.06);

    // Clearing leaves the picture that the histories switched off give.
    s.program.key("S");
    const x11util::Image noHistories = s.program.settledScreenshot();
    s.program.key("S");
    const x11util::Image withHistories = s.program.settledScreenshot();
    ASSERT_GT(differingPixels(noHistories, withHistories), 0);
    s.program.key("C");
    EXPECT_EQ(differingPixels(noHistories, s.program.settledScreenshot(), 0), 0);

    s.program.key("T T T");
    ASSERT_TRUE(s.program.waitForOutput("Frame 89,", 20s));
    s.program.key("s");
    const x11util::Image later = s.program.settledScreenshot();
    s.program.key("s");
    ASSERT_GT(differingPixels(later, s.program.settledScreenshot()), 0);
    s.program.key("c");
    EXPECT_EQ(differingPixels(later, s.program.settledScreenshot(), 0), 0);

    // None of these keys steps the simulation.
    s.newOutput();
    EXPECT_EQ(frameLines(s.program.output()).size(), 90u);
}
