// Keyboard commands and the pop-up menu.
#pragma once

void keyboardCallback(unsigned char key, int x, int y);
void buildMenus();
void menuCallback(int value);
void cameraModeMenuCallback(int value);
