// Centring the window on the screen.
#include "app/window_position.h"

WindowPosition centredWindowPosition(int screenWidth, int screenHeight, int width, int height)
{
    return WindowPosition{screenWidth / 2 - width / 2, screenHeight / 2 - height / 2};
}
