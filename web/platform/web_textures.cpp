// A texture read again while the program runs. The page starts the program with small versions of
// its texture files and writes each full one over its small one as it arrives; the program then reads
// it as at its start, through its own loading: the bodies' shared textures, and the sky, whose kept
// picture is drawn anew from a sky loaded again.
#include "web/include/velmir_web_gl.h"

#include "render/texture.h"
#include "sim/simulation.h"

#include <GL/freeglut.h>
#include <cstring>
#include <emscripten.h>

extern "C"
{

    // Whether the file is one of the program's textures (and was read again).
    EMSCRIPTEN_KEEPALIVE int velmirReloadTexture(const char* fileName)
    {
        if (std::strcmp(fileName, textureFileNames[textureCount]) == 0)
        {
            simulation.loadSky();
        }
        else
        {
            int i = 0;
            while (i < textureCount && std::strcmp(fileName, textureFileNames[i]) != 0)
                ++i;
            if (i == textureCount)
                return 0;
            objectTextures[i].load(textureFileNames[i]);
        }
        glutPostRedisplay();
        return 1;
    }

} // extern "C"
