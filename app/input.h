// Keyboard commands, the pop-up menu and the help text.
#pragma once

void keyboardCallback(unsigned char key, int x, int y);
void buildMenus();
void menuCallback(int value);
void cameraModeMenuCallback(int value);
void printHelp();
