// The page's way into the program, built natively: each input reaches the program's callbacks as
// desktop GLUT delivers it, the arrow keys turn the camera through the rotation a drag ends in, and
// the program's state reaches the page once per change. The page's side and the GLUT replacement
// around the bridge are recorded here.
#define VELMIR_WEB_LAYER
#include "camera/mouse.h"
#include "sim/simulation.h"
#include "web/include/velmir_web_gl.h"
#include "web/platform/web_bridge.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

extern "C"
{
    void velmirKey(int key, int x, int y);
    void velmirMouseButton(int button, int state, int x, int y);
    void velmirMouseMotion(int x, int y);
    void velmirWheelNotches(int notches, int x, int y);
    void velmirChooseMenuEntry(int menu, int value);
    void velmirTurnCamera(int right, int up);
}

namespace
{
std::vector<std::string> heard; // what reached the program's callbacks, in order
std::vector<std::string> told;  // what the page was told of the state
int redisplays = 0;
void note(const std::string& what)
{
    heard.push_back(what);
}
} // namespace

// What the bridge reaches around itself: the frame loop's time scale, the GLUT replacement and the
// page's JavaScript.
float timeScale = 1.0f;
ProgramInput programInput;
void chooseMenuEntry(int menu, int value)
{
    note("menu " + std::to_string(menu) + " " + std::to_string(value));
    simulation.lookAtMode() = value; // as the camera mode menu's callback does
}
extern "C"
{
    void glutPostRedisplay(void)
    {
        ++redisplays;
    }
    void velmirPageState(int running, int, int, int mode, const char*, double scale)
    {
        told.push_back("running " + std::to_string(running) + " mode " + std::to_string(mode) + " scale " +
                       std::to_string(scale));
    }
    void velmirSetCanvasSize(int, int)
    {
    }
    int velmirIdleCallbackSet(void)
    {
        return 0;
    }
}

class Bridge : public testing::Test
{
  protected:
    void SetUp() override
    {
        heard.clear();
        told.clear();
        redisplays = 0;
        programInput = ProgramInput{};
        programInput.keyboard = [](unsigned char key, int x, int y) {
            note("key " + std::to_string(key) + " " + std::to_string(x) + "," + std::to_string(y));
        };
        programInput.mouse = [](int button, int state, int x, int y) {
            note("button " + std::to_string(button) + (state == GLUT_DOWN ? " down " : " up ") +
                 std::to_string(x) + "," + std::to_string(y));
        };
        programInput.motion = [](int x, int y) {
            note("drag " + std::to_string(x) + "," + std::to_string(y));
        };
        programInput.passiveMotion = [](int x, int y) {
            note("move " + std::to_string(x) + "," + std::to_string(y));
        };
        simulation.lookAtMode() = LookAtFree;
        leftButtonState = MouseUp;
    }
};

TEST_F(Bridge, InputReachesTheCallbacksAsDesktopGlutDeliversIt)
{
    velmirKey('n', 3, 4);
    velmirKey(0, 0, 0);   // not a key GLUT reports
    velmirKey(300, 0, 0); // nor is this
    velmirMouseMotion(5, 6);
    velmirMouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 7, 8);
    velmirMouseMotion(9, 10);
    velmirMouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 9, 10);
    velmirMouseMotion(11, 12);
    velmirWheelNotches(2, 20, 30);
    velmirWheelNotches(-1, 20, 30);
    const std::vector<std::string> expected = {
        "key 110 3,4",         "move 5,6",          "button 0 down 7,8",   "drag 9,10",
        "button 0 up 9,10",    "move 11,12",        "button 3 down 20,30", "button 3 up 20,30",
        "button 3 down 20,30", "button 3 up 20,30", "button 4 down 20,30", "button 4 up 20,30"};
    EXPECT_EQ(heard, expected);
}

TEST_F(Bridge, TheRightButtonOpensTheMenuAloneOnceOneIsAttached)
{
    velmirMouseButton(GLUT_RIGHT_BUTTON, GLUT_DOWN, 1, 2);
    programInput.rightButtonMenu = 2;
    velmirMouseButton(GLUT_RIGHT_BUTTON, GLUT_DOWN, 1, 2);
    velmirMouseButton(GLUT_RIGHT_BUTTON, GLUT_UP, 1, 2);
    velmirMouseMotion(3, 4); // no button held: a passive move
    EXPECT_EQ(heard, (std::vector<std::string>{"button 2 down 1,2", "move 3,4"}));
}

TEST_F(Bridge, ArrowKeysTurnTheCameraFiveDegreesInTheLookAtModeOnly)
{
    Camera& camera = simulation.camera();
    Simulation reference; // as a drag to the right and upwards ends: rotateCamera, 5 degrees each way
    reference.camera() = camera;
    reference.rotateCamera(5.0f, 0.0f);
    reference.rotateCamera(0.0f, 5.0f);
    velmirTurnCamera(1, 0);
    velmirTurnCamera(0, 1);
    EXPECT_FLOAT_EQ(camera.yaw(), reference.camera().yaw());
    EXPECT_FLOAT_EQ(camera.pitch(), reference.camera().pitch());
    EXPECT_FLOAT_EQ(std::abs(camera.yaw() - 45.0f) + std::abs(camera.pitch() - 45.0f), 10.0f)
        << "from the start's 45, 45";
    EXPECT_EQ(redisplays, 2);

    const float turnedYaw = camera.yaw();
    leftButtonState = MouseDown; // during a drag of the mouse's own
    velmirTurnCamera(1, 0);
    leftButtonState = MouseUp;
    simulation.lookAtMode() = LookAtVelocity; // where a drag does not turn it either
    velmirTurnCamera(1, 0);
    EXPECT_FLOAT_EQ(camera.yaw(), turnedYaw);
    EXPECT_EQ(redisplays, 2);
}

TEST_F(Bridge, ThePageHearsOfTheStateOncePerChange)
{
    velmirKey('q', 0, 0); // the first report always goes
    const std::size_t first = told.size();
    velmirKey('q', 0, 0);
    velmirChooseMenuEntry(1, LookAtVelocity);
    velmirChooseMenuEntry(1, LookAtVelocity);
    timeScale = 2.0f;
    velmirKey('q', 0, 0);
    timeScale = 1.0f;
    ASSERT_LE(first, 1u);
    EXPECT_EQ(told.size(), first + 2) << "one report for the mode, one for the time scale";
    EXPECT_EQ(heard[2], "menu 1 1");
    EXPECT_NE(told.back().find("mode 1 scale 2"), std::string::npos) << told.back();
}
