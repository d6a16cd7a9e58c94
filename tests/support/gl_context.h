// A real GL context for tests: one hidden-by-nobody GLUT window under the test's X display.
#pragma once

#include <gtest/gtest.h>

// Reads back the state that drawing code must leave as it found it.
struct GlState
{
    int modelviewDepth;
    int projectionDepth;
    int attribDepth;
    float color[4];
    bool texture2D;
    bool depthTest;
    bool lighting;
    int matrixMode;
    float pointSize;
    float lineWidth;

    static GlState capture();
    bool operator==(const GlState& other) const;
};
void PrintTo(const GlState& state, std::ostream* os);

// Base fixture: the window is created once per test binary, in SetUpTestSuite, so that listing
// the tests needs no display.
class GlContextTest : public ::testing::Test
{
  protected:
    static void SetUpTestSuite();
    // Window size in pixels.
    static constexpr int width = 640;
    static constexpr int height = 480;
};
