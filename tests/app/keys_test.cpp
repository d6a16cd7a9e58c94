// The keys and the menus in-process: the key table, the commands, and the program's own callbacks.
#include "app/frame_loop.h"
#include "app/input.h"
#include "app/keys.h"
#include "capture_cout.h"
#include "gl_context.h"
#include "sim/simulation.h"

#include <GL/freeglut.h>
#include <cctype>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
std::vector<std::pair<std::string, int>> menuEntries; // label and value, as buildMenus adds them
using KeysAndMenus = GlContextTest;                   // the callbacks draw and post redisplays in a window
} // namespace

// These replace freeglut's for the whole test binary (the executable's definitions come first): they
// note what the menus hold and mark each picture shown in the standard output, among the step lines.
extern "C" void glutAddMenuEntry(const char* label, int value)
{
    menuEntries.emplace_back(label, value);
    reinterpret_cast<void (*)(const char*, int)>(dlsym(RTLD_NEXT, "glutAddMenuEntry"))(label, value);
}
extern "C" void glutSwapBuffers()
{
    std::cout << "shown\n";
    reinterpret_cast<void (*)()>(dlsym(RTLD_NEXT, "glutSwapBuffers"))();
}

TEST(KeyTable, TenSlowerOrFasterKeysScaleTimeExactly)
{
    for (const unsigned char key : {',', '<', '.', '>'})
    {
        float scale = 1.0f; // as the program starts
        for (int i = 0; i < 10; ++i)
            scale = timeScaleAfter(commandForKey(key), scale); // as handleKey does
        EXPECT_EQ(scale, key == ',' || key == '<' ? 0.0009765625f : 1024.0f) << key;
    }
    EXPECT_EQ(timeScaleAfter(commandForKey('T'), 0.5f), 0.5f);
}

TEST(KeyTable, LettersActInEitherCaseAndOtherKeysDoNothing)
{
    int keysWithACommand = 0;
    for (int key = 0; key < 256; ++key)
    {
        const auto k = static_cast<unsigned char>(key);
        keysWithACommand += commandForKey(k) != Command::None ? 1 : 0;
        const auto upper = static_cast<unsigned char>(std::toupper(key));
        EXPECT_EQ(commandForKey(k), commandForKey(upper)) << k;
    }
    // SPACE, "," "<" "." ">", and C H M N P S T X Z in both cases.
    EXPECT_EQ(keysWithACommand, 23);
}

TEST(KeyTable, NextAndPreviousTargetKeysWalkAllNineBodiesAndWrap)
{
    Simulation scene;
    for (int i = 0; i < 9; ++i)
        scene.addObject(new SpaceObject(0, 0, 1.0f, 1.0f, zeroVector, zeroVector, 0.0f, 0.0f));
    float scale = 1.0f;
    for (const unsigned char key : {'N', 'n', 'P', 'p'})
        for (unsigned i = 1; i <= 9; ++i)
        {
            applyCommand(commandForKey(key), scene, scale, nullptr);
            const bool next = std::toupper(key) == 'N';
            ASSERT_EQ(scene.targetIndex(), next ? i % 9 : (9 - i) % 9)
                << key << " goes to the " << (next ? "next" : "previous") << " target";
        }
}

TEST_F(KeysAndMenus, OnlyResumeClearAndTheMenusRestartTheClock)
{
    const auto restartsClock = [](auto&& act) {
        lastTick = -1;
        act();
        return lastTick != -1;
    };
    for (const bool running : {false, true})
    {
        SCOPED_TRACE(running ? "running" : "paused");
        const CaptureCout quiet; // the help, the hand steps' lines, the pictures shown
        for (int code = 0; code < 256; ++code)
        {
            const auto key = static_cast<unsigned char>(code);
            if (key == ' ')
                continue; // below
            EXPECT_EQ(restartsClock([&] { keyboardCallback(key, 0, 0); }), key == 'C' || key == 'c')
                << "whether key " << key << " restarts the clock";
        }
        for (const int value : {0, 1, 2, 7}) // clear, histories, motion, none; 3 is Exit
            EXPECT_TRUE(restartsClock([&] { menuCallback(value); })) << "main menu value " << value;
        for (int mode = LookAtFree; mode <= LookAtAntiAcceleration; ++mode)
            EXPECT_TRUE(restartsClock([&] { cameraModeMenuCallback(mode); })) << "camera mode " << mode;
        EXPECT_EQ(restartsClock([] { keyboardCallback(' ', 0, 0); }), !running) // resumes, then pauses
            << "SPACE restarts the clock on resume, and only then";
    }
}

TEST_F(KeysAndMenus, StepKeyDrawsTenStepsOfOneHundredthWithoutTimeScaleOrClock)
{
    std::string tenShownSteps;
    for (int i = 0; i < 10; ++i)
        tenShownSteps += "Frame " + std::to_string(i) + ", last dt=0.01\nshown\n";
    timeScale = 8.0f;
    for (const bool running : {false, true})
    {
        SCOPED_TRACE(running ? "running" : "paused");
        if (running)
            keyboardCallback(' ', 0, 0);
        frameCount = 0;
        const CaptureCout out;
        keyboardCallback('T', 0, 0); // the clock: OnlyResumeClearAndTheMenusRestartTheClock
        EXPECT_EQ(out.text(), tenShownSteps) << "T: ten steps of 0.01, each drawn and shown, unscaled";
        EXPECT_EQ(timeScale, 8.0f);
    }
    keyboardCallback(' ', 0, 0);
    timeScale = 1.0f;
}

TEST_F(KeysAndMenus, CameraModeEntriesSetTheirModesInOrder)
{
    const char* const labels[] = {"&Look At", "Look At Object In &Velocity",
                                  "Look At Object In &Acceleration", "Look At Object A&nti Velocity",
                                  "Look At Object An&ti Acceleration"};
    menuEntries.clear();
    buildMenus();
    ASSERT_EQ(menuEntries.size(), 9u); // the submenu's five, then the main menu's four
    for (int mode = LookAtFree; mode <= LookAtAntiAcceleration; ++mode)
    {
        const auto& [label, value] = menuEntries[static_cast<std::size_t>(mode)];
        EXPECT_EQ(label, labels[mode]) << "camera mode entry " << mode;
        cameraModeMenuCallback(value);
        EXPECT_EQ(simulation.lookAtMode(), mode)
            << "the look-at mode that the entry \"" << label << "\" sets";
    }
    cameraModeMenuCallback(LookAtFree);
}
