// The program's one GLUT window and its callbacks.
#pragma once

// Initialises GLUT, centres a window of the given size on the screen and creates it.
int createWindow(int* argc, char** argv, const char* title, int width, int height, unsigned int displayMode);

// Registers the callbacks in this order; a null pointer is passed on as null.
void registerCallbacks(void (*display)(), void (*reshape)(int, int), void (*idle)(),
                       void (*keyboard)(unsigned char, int, int), void (*special)(int, int, int),
                       void (*mouse)(int, int, int, int), void (*passiveMotion)(int, int),
                       void (*motion)(int, int), void (*entry)(int));
