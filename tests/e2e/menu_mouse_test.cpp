// The pop-up menu on the right button and the mouse's drag and wheel, on the real program.
#include "frame_log.h"
#include "picture.h"
#include "program_harness.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>

using namespace std::chrono_literals;

namespace
{
constexpr int mainEntries = 5;       // Camera Mode, History, Motion, Clear, Exit
constexpr int cameraModeEntries = 5; // Look At, Velocity, Acceleration, Anti Velocity, Anti Acceleration

// The started program with the menu choices these tests make.
struct Started : StartedProgram
{
    void chooseMain(int entry)
    {
        const Program::MenuWindow menu = program.openMenu();
        ASSERT_NE(menu.id, 0u) << "the right button opens the menu";
        program.chooseMenuEntry(menu, entry, mainEntries);
    }

    void chooseCameraMode(int entry)
    {
        const Program::MenuWindow menu = program.openMenu();
        ASSERT_NE(menu.id, 0u) << "the right button opens the menu";
        const Program::MenuWindow submenu = program.hoverForSubmenu(menu, 0, mainEntries);
        ASSERT_NE(submenu.id, 0u) << "resting on Camera Mode opens its submenu";
        program.chooseMenuEntry(submenu, entry, cameraModeEntries);
    }

    std::size_t steps()
    {
        return frameLines(program.output()).size();
    }
};
} // namespace

TEST(Menu, EntriesActLikeTheirKeysAndTheLookAtModesRideWithTheTarget)
{
    Started s;
    s.program.key("N T T T"); // follow the first planet, which moves
    ASSERT_TRUE(s.program.waitForOutput("Frame 29,", 20s));
    const x11util::Image base = s.program.settledScreenshot();

    // Main entries: History, Motion, Clear, each giving the picture its key gives.
    s.program.key("S");
    const x11util::Image noHistories = s.program.settledScreenshot();
    s.program.key("S");
    s.chooseMain(1);
    EXPECT_EQ(differingPixels(noHistories, s.program.settledScreenshot(), 0), 0) << "Toggle Orbit History";
    s.chooseMain(1);
    EXPECT_EQ(differingPixels(base, s.program.settledScreenshot(), 0), 0);

    s.program.key("M");
    const x11util::Image noMotion = s.program.settledScreenshot();
    s.program.key("M");
    s.chooseMain(2);
    EXPECT_EQ(differingPixels(noMotion, s.program.settledScreenshot(), 0), 0) << "Toggle Motion Display";
    s.chooseMain(2);
    EXPECT_EQ(differingPixels(base, s.program.settledScreenshot(), 0), 0);

    s.chooseMain(3);
    EXPECT_EQ(differingPixels(noHistories, s.program.settledScreenshot(), 0), 0)
        << "Clear All Object Histories";

    // Riding with the moving target turns the view, differently for each of the four vectors.
    s.chooseCameraMode(1);
    const x11util::Image velocity = s.program.settledScreenshot();
    EXPECT_GT(differingPixels(noHistories, velocity), 1000) << "Look At Object In Velocity";
    s.chooseCameraMode(3);
    const x11util::Image antiVelocity = s.program.settledScreenshot();
    EXPECT_GT(differingPixels(velocity, antiVelocity), 1000) << "Look At Object Anti Velocity";
    s.chooseCameraMode(2);
    const x11util::Image acceleration = s.program.settledScreenshot();
    EXPECT_GT(differingPixels(velocity, acceleration), 1000) << "Look At Object In Acceleration";
    s.chooseCameraMode(4);
    EXPECT_GT(differingPixels(acceleration, s.program.settledScreenshot()), 1000)
        << "Look At Object Anti Acceleration";

    // Dragging has no effect while the camera rides with the target.
    s.chooseCameraMode(1);
    s.program.leftDrag(320, 240, 420, 300);
    EXPECT_EQ(differingPixels(velocity, s.program.settledScreenshot(), 0), 0);

    // Back in the free mode the camera keeps the angles it last had, and drags turn it again.
    s.chooseCameraMode(0);
    EXPECT_EQ(differingPixels(velocity, s.program.settledScreenshot(), 0), 0) << "Look At";
    s.program.leftDrag(320, 240, 420, 300);
    EXPECT_GT(differingPixels(velocity, s.program.settledScreenshot()), 1000);

    // The menu simulates nothing: all steps so far were taken by hand.
    s.program.sync();
    EXPECT_EQ(s.steps(), 30u);
    s.program.requestClose();
    EXPECT_EQ(s.program.waitForExit(10s), 0);
}

TEST(Menu, ExitEndsTheProgramWithStatusZero)
{
    Started s;
    s.program.key("space"); // running: the menu must end it all the same
    ASSERT_TRUE(s.program.waitForOutput("Frame ", 10s));
    s.chooseMain(4);
    EXPECT_EQ(s.program.waitForExit(10s), 0);
}

TEST(Mouse, LeftDragTurnsTheViewAndTheWheelZooms)
{
    Started s;
    s.program.key("T T");
    ASSERT_TRUE(s.program.waitForOutput("Frame 19,", 20s));
    const x11util::Image base = s.program.settledScreenshot();

    // Pressing and releasing without moving turns nothing.
    s.program.leftDrag(320, 240, 320, 240, 1);
    EXPECT_EQ(differingPixels(base, s.program.settledScreenshot(), 0), 0);

    // One notch of the wheel is a press and a release of one button: two zoom steps of 0.9 or 1.1.
    const double area = static_cast<double>(warmPixelsNearCentre(base));
    ASSERT_GT(area, 500.0) << "the sun, the first target, is in the middle";
    s.program.wheel(4);
    const double in = static_cast<double>(warmPixelsNearCentre(s.program.settledScreenshot()));
    EXPECT_GT(in / area, 1.35); // 1 / 0.81^2 = 1.52
    EXPECT_LT(in / area, 1.75);
    s.program.wheel(5);
    const double out = static_cast<double>(warmPixelsNearCentre(s.program.settledScreenshot()));
    EXPECT_NEAR(out / area, 1.0, 0.08); // 0.81 x 1.21 = 0.98

    // A drag turns the camera about the target: the sun stays in the middle, the rest moves.
    const x11util::Image beforeDrag = s.program.settledScreenshot();
    s.program.leftDrag(320, 240, 450, 200);
    const x11util::Image turned = s.program.settledScreenshot();
    EXPECT_GT(differingPixels(beforeDrag, turned), 5000);
    EXPECT_NEAR(static_cast<double>(warmPixelsNearCentre(turned, 60)) /
                    static_cast<double>(warmPixelsNearCentre(beforeDrag, 60)),
                1.0, 0.1);
    // Dragging back the same way returns close to the old view.
    s.program.leftDrag(450, 200, 320, 240);
    EXPECT_LT(differingPixels(beforeDrag, s.program.settledScreenshot()),
              differingPixels(beforeDrag, turned) / 2);

    EXPECT_EQ(s.steps(), 20u);
}
