/* The browser seam: how the program's GL, GLU and GLUT calls reach the browser.

   The program's own sources (app/, render/, camera/, sim/) are compiled for the browser unchanged,
   against Emscripten's GL emulation, WebGL underneath it, and its GLUT. A call takes one of three
   routes; a newcomer reading render/arrow.cpp sees plain GL, and this list says what happens to it.

   1. Renamed by macro. This header is included ahead of every program source (the -include option
      in web/CMakeLists.txt). The #defines at its end send the calls listed there to velmir*
      functions: the GL ones to web/platform/web_gl.cpp, which keeps the state WebGL lacks and then
      calls the browser's function of the same name; glutSwapBuffers and glutMainLoop to
      web/platform/web_glut.cpp (the frames counted and the state told to the page, a runtime that
      stays alive).
   2. Replaced at link time under the same name. web/platform/web_glu.cpp defines GLU's quadrics
      (gluNewQuadric, gluQuadric*, gluSphere, gluDeleteQuadric), which the browser's GLU lacks;
      its spheres are indexed triangles, and have fewer facets when only a few pixels across
      (outline within a tenth of a pixel): a software WebGL pays for every triangle;
      web/platform/web_glut.cpp defines GLUT's menus (glutCreateMenu, glutAddMenuEntry,
      glutAddSubMenu, glutAttachMenu), the input callbacks (glutKeyboardFunc, glutSpecialFunc,
      glutMouseFunc, glutMotionFunc, glutPassiveMotionFunc: the page's input reaches them through
      web/platform/web_bridge.cpp, and the browser's GLUT listens to nothing), glutSetOption,
      glutEntryFunc and glutInitWindowSize (which leaves the canvas at the size the page gave it).
      The program's calls keep their names; the linker takes ours instead of the browser's.
      web_glut.cpp also gives the program's endProgram() (app/program_end.h) its browser body,
      which forces the runtime's end: the browser keeps the runtime alive for its event loop, and a
      plain exit() would only leave the current call.
   3. A shadowed header. web/include/GL/freeglut.h stands in for freeglut's header: the browser's
      GLUT is plain GLUT, so it adds the freeglut names the program uses (glutSetOption and its
      GLUT_ACTION_* values) on top of <GL/glut.h>.

   Every other name goes to the browser unchanged; web/pass_through.txt lists each one the program
   calls, with the reason it behaves as on the desktop. The native test web_seam_names fails when the
   program calls a name that is on none of the three routes and not on that list, and when a name
   renamed here, defined by the layer or listed there has no caller in the program.

   What the layer supports, and what it does not. A call beyond it prints one warning naming the
   call in the page ("velmir web layer: ..." on the console), and fails the native layer tests,
   which run the layer in checked mode (web/core/coverage.h).
   - Attribute groups. glPushAttrib keeps GL_CURRENT_BIT (the colour), GL_POINT_BIT (the size),
     GL_LINE_BIT (the width), GL_POLYGON_BIT (the polygon mode), GL_LIGHTING_BIT (lighting on or
     off) and GL_TEXTURE_BIT (GL_TEXTURE_2D on or off and its binding). Any other group warns
     (GL_ENABLE_BIT, GL_DEPTH_BUFFER_BIT, GL_TRANSFORM_BIT, ...). Not kept within the kept groups:
     light parameters, shade model, texture environment and parameters, stipples, smoothing.
   - Capabilities. GL_LIGHTING and GL_TEXTURE_2D are tracked (a pop of their group puts them
     back); GL_DEPTH_TEST, GL_BLEND, GL_CULL_FACE and GL_SCISSOR_TEST go to WebGL unchanged (no
     kept group holds them); any other glEnable or glDisable warns.
   - Wide primitives. Lines wider than one pixel are drawn as quads between glBegin(GL_LINES) and
     glEnd only, square-ended; a wide GL_LINE_STRIP or GL_LINE_LOOP warns and comes out one pixel
     wide. Points of any size are the emulation's own. Polygon modes other than GL_FILL warn:
     WebGL fills every polygon.
   - Client arrays. The program draws from none; the layer's own spheres draw from buffers through
     the vertex, normal and texture coordinate arrays and switch all three off again.
   - Queries and uploads. glGetFloatv and glGetDoublev answer the current colour, the line width
     and the point size from the layer, matrices and the rest from the emulation; glGetIntegerv
     is WebGL's own. glTexImage2D takes GL_BGR (swapped to RGB here) and the internal formats 3
     and 4.
   - Menus. glutCreateMenu, glutAddMenuEntry, glutAddSubMenu and glutAttachMenu(GLUT_RIGHT_BUTTON)
     give the page the entries it builds its HTML menu from. Not provided: menus on other buttons, changing or removing
     entries, glutDestroyMenu, glutSetMenu, glutGetMenu, menu status callbacks.
   - Input. The page decides which keys, buttons, moves and wheel notches reach the program
     (page/velmir-input.js) and hands them to web_bridge.cpp, which calls the program's callbacks
     as desktop GLUT would: a wheel notch is button 3 (forward) or 4 (backward), a press and then a
     release. Not provided: glutGetModifiers, key-up callbacks, the window's entry callback.
   - Window size. The page decides the canvas's size (the space it gives the picture, in device
     pixels) and calls velmirResizeWindow whenever it changes, at start-up and in full screen too;
     the program's reshape callback then hears of it as on the desktop, and a redraw follows.
   - Context. velmirPrepareContext, called once before the first frame, keeps the emulation from
     setting attributes a shader does not have (WebGL would warn), and warns when the context the
     page made ahead of main() (velmir-page.js) lacks what the program's display mode asks for.
   - Load. Before the first frame, the emulation's shaders for what the first frames draw are made,
     one a task (velmirWarmShader); a large texture read again (the full sky) reaches WebGL in bands
     over several tasks before the program reads it (velmirStageTexture).
   - Window. The canvas is the window, sized by the page; glutSetOption and glutEntryFunc do nothing;
     glutMainLoop does not return but hands over to the browser's event loop; endProgram() ends the
     page's program.

   The layer's own files define VELMIR_WEB_LAYER before including this header: they need the
   declarations below, but GL's own names. */
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
    void velmirGetDoublev(GLenum pname, GLdouble* params);
    void velmirGetFloatv(GLenum pname, GLfloat* params);
    void velmirColor3f(GLfloat r, GLfloat g, GLfloat b);
    void velmirColor3fv(const GLfloat* v);
    void velmirEnable(GLenum cap);
    void velmirDisable(GLenum cap);
    void velmirLineWidth(GLfloat width);
    void velmirPointSize(GLfloat size);
    void velmirPolygonMode(GLenum face, GLenum mode);
    void velmirBindTexture(GLenum target, GLuint texture);
    void velmirBegin(GLenum mode);
    void velmirEnd(void);
    void velmirVertex3f(GLfloat x, GLfloat y, GLfloat z);
    void velmirVertex3fv(const GLfloat* v);
    void velmirTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                          GLint border, GLenum format, GLenum type, const GLvoid* pixels);
    void velmirSwapBuffers(void);
    void velmirMainLoop(void);
    void velmirPrepareContext(void);

    // Shared by the layer's files: after a draw of the layer's own (web_glu.cpp's spheres), leaves
    // the vertex array as GL starts with it, off and with no pointer, as the program expects it.
    void velmirRestoreClientVertexArray(void);

    // Shared by the layer's files. A large texture reaches WebGL ahead of the program's own upload of
    // it, in bands, so that no task carries all of it (web_textures.cpp stages a texture file read
    // again): velmirStageTexture names the pixels (BGR rows as a BMP holds them, which stay the
    // caller's, to be freed once all are sent), each velmirStageTextureStep makes the texture or sends
    // it a band and answers whether more are to come, and the program's glTexImage2D of the same
    // pixels (checked by a hash), once all are sent, takes the staged texture instead of sending them
    // again. velmirUnstageTexture drops a staged texture nobody took.
    void velmirStageTexture(const GLvoid* bgrPixels, GLsizei width, GLsizei height);
    int velmirStageTextureStep(void);
    void velmirUnstageTexture(void);
    // Until the first frame is asked for, a large texture the program uploads is kept and sent in
    // bands: velmirSendDeferredBand sends one (1), or finds none to send (0); velmirStopDeferringUploads
    // sends what is left and uploads at once from then on; velmirDeferUploads defers again (the
    // browser's start defers from the first call).
    int velmirSendDeferredBand(void);
    void velmirStopDeferringUploads(void);
    void velmirDeferUploads(void);

    // Makes the emulation's shader for one combination of state the program's first frames draw
    // with, by a draw that writes nothing, and leaves the state as it was; 0 when there is no such
    // combination (variant counts from 0). web_glut.cpp calls it one variant a task before the first
    // frame, which would otherwise make them all.
    int velmirWarmShader(int variant);
#ifdef __cplusplus
}
#endif

#ifndef VELMIR_WEB_LAYER
#define glPushAttrib velmirPushAttrib
#define glPopAttrib velmirPopAttrib
#define glGetDoublev velmirGetDoublev
#define glGetFloatv velmirGetFloatv
#define glColor3f velmirColor3f
#define glColor3fv velmirColor3fv
#define glEnable velmirEnable
#define glDisable velmirDisable
#define glLineWidth velmirLineWidth
#define glPointSize velmirPointSize
#define glPolygonMode velmirPolygonMode
#define glBindTexture velmirBindTexture
#define glBegin velmirBegin
#define glEnd velmirEnd
#define glVertex3f velmirVertex3f
#define glVertex3fv velmirVertex3fv
#define glTexImage2D velmirTexImage2D
#define glutSwapBuffers velmirSwapBuffers
#define glutMainLoop velmirMainLoop
#endif
