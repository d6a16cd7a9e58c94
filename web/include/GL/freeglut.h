/* The freeglut names the program uses, on top of the browser's GLUT: the standard interface and the
   extensions to it that the browser build provides itself (see web/platform/web_glut.cpp). */
#pragma once

#include <GL/glut.h>

#define GLUT_ACTION_EXIT 0
#define GLUT_ACTION_GLUTMAINLOOP_RETURNS 1
#define GLUT_ACTION_CONTINUE_EXECUTION 2
#define GLUT_ACTION_ON_WINDOW_CLOSE 0x01F9

#ifdef __cplusplus
extern "C" {
#endif
void glutSetOption(GLenum optionFlag, int value);
#ifdef __cplusplus
}
#endif
