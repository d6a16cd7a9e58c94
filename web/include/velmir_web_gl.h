/* Included ahead of every program source in the browser build. The GL calls that WebGL lacks or
   answers differently go to the shadow layer in web/platform/ instead of the browser's GL. */
#pragma once

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glut.h>

#ifdef __cplusplus
extern "C"
{
#endif
    void velmirPushAttrib(GLbitfield mask);
    void velmirPopAttrib(void);
    void velmirPushClientAttrib(GLbitfield mask);
    void velmirPopClientAttrib(void);
    void velmirGetDoublev(GLenum pname, GLdouble* params);
    void velmirGetFloatv(GLenum pname, GLfloat* params);
    void velmirColor3f(GLfloat r, GLfloat g, GLfloat b);
    void velmirColor3fv(const GLfloat* v);
    void velmirColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
    void velmirEnable(GLenum cap);
    void velmirDisable(GLenum cap);
    void velmirLineWidth(GLfloat width);
    void velmirPointSize(GLfloat size);
    void velmirPolygonMode(GLenum face, GLenum mode);
    void velmirBindTexture(GLenum target, GLuint texture);
    void velmirEnableClientState(GLenum array);
    void velmirDisableClientState(GLenum array);
    void velmirVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
    void velmirDrawArrays(GLenum mode, GLint first, GLsizei count);
    void velmirBegin(GLenum mode);
    void velmirEnd(void);
    void velmirVertex3f(GLfloat x, GLfloat y, GLfloat z);
    void velmirVertex3fv(const GLfloat* v);
    void velmirTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                          GLint border, GLenum format, GLenum type, const GLvoid* pixels);
    void velmirMouseFunc(void (*callback)(int button, int state, int x, int y));
    void velmirSwapBuffers(void);
    void velmirMainLoop(void);
#ifdef __cplusplus
}
#endif

#define glPushAttrib velmirPushAttrib
#define glPopAttrib velmirPopAttrib
#define glPushClientAttrib velmirPushClientAttrib
#define glPopClientAttrib velmirPopClientAttrib
#define glGetDoublev velmirGetDoublev
#define glGetFloatv velmirGetFloatv
#define glColor3f velmirColor3f
#define glColor3fv velmirColor3fv
#define glColor4f velmirColor4f
#define glEnable velmirEnable
#define glDisable velmirDisable
#define glLineWidth velmirLineWidth
#define glPointSize velmirPointSize
#define glPolygonMode velmirPolygonMode
#define glBindTexture velmirBindTexture
#define glEnableClientState velmirEnableClientState
#define glDisableClientState velmirDisableClientState
#define glVertexPointer velmirVertexPointer
#define glDrawArrays velmirDrawArrays
#define glBegin velmirBegin
#define glEnd velmirEnd
#define glVertex3f velmirVertex3f
#define glVertex3fv velmirVertex3fv
#define glTexImage2D velmirTexImage2D
#define glutMouseFunc velmirMouseFunc
#define glutSwapBuffers velmirSwapBuffers
#define glutMainLoop velmirMainLoop
