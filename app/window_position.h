// Where the window is placed on the screen. No GL.
#pragma once

struct WindowPosition
{
    int x;
    int y;
};

// Where a window of the given size sits centred on the screen; each operand halved on its own.
WindowPosition centredWindowPosition(int screenWidth, int screenHeight, int width, int height);
