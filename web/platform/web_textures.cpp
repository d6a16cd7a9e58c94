// A texture read again while the program runs. The page starts the program with small versions of
// its texture files and writes each full one over its small one as it arrives; the program then reads
// it as at its start, through its own loading: the bodies' shared textures, and the sky, whose kept
// picture is drawn anew from a sky loaded again.
//
// The full sky is 24 MB of pixels: read, swapped to RGB and handed to WebGL in one go, that kept the
// page's main thread busy for a tenth of a second. So a large one is first read here, as the program
// reads it, and handed to WebGL in bands over several tasks (velmirStageTexture); the program's own
// reading then finds it there and sends nothing again. Until then the program draws with the small one.
#include "web/include/velmir_web_gl.h"

#include "render/bmp_reader.h"
#include "render/texture.h"
#include "sim/simulation.h"

#include <GL/freeglut.h>
#include <cstdint>
#include <cstring>
#include <emscripten.h>
#include <sys/stat.h>
#include <utility>

namespace
{
// Staged only above this many bytes of pixels: the bodies' textures (1.5 MB) go in one task as before.
constexpr std::uint64_t stagedFromBytes = std::uint64_t{4} << 20;
bmp::Image stagedImage; // the pixels the staged texture is sent from, until all are sent
int stagedIndex = -1;    // whose texture is staged; the others are read meanwhile, as ever

int textureIndex(const char* fileName)
{
    int i = 0;
    while (i <= textureCount && std::strcmp(fileName, textureFileNames[i]) != 0)
        ++i;
    return i <= textureCount ? i : -1; // textureCount: the sky
}

void forgetStaged()
{
    velmirUnstageTexture();
    stagedImage = bmp::Image{};
    stagedIndex = -1;
}
} // namespace

extern "C"
{

    // Called with a texture file just written, before velmirReloadTexture: whether it is staged, and
    // velmirPrepareTextureStep is to be called (a task each) until it answers 0. One is staged at a
    // time: while it is, another large one is read the ordinary way.
    EMSCRIPTEN_KEEPALIVE int velmirPrepareTexture(const char* fileName)
    {
        const int i = textureIndex(fileName);
        if (i == stagedIndex)
            forgetStaged(); // written again before its reading: its bands are of the old file
        struct stat file;
        if (i < 0 || stagedIndex >= 0 || stat(fileName, &file) != 0 || std::uint64_t(file.st_size) <= stagedFromBytes)
            return 0; // not read twice for nothing
        GLint maxSide = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
        bmp::Image image = bmp::readFile(fileName, maxSide);
        if (image.status != bmp::Status::ok || !image.pixels ||
            std::uint64_t(image.width) * std::uint64_t(image.height) * 3 <= stagedFromBytes)
            return 0;
        stagedImage = std::move(image);
        stagedIndex = i;
        velmirStageTexture(stagedImage.pixels.get(), stagedImage.width, stagedImage.height);
        return 1;
    }

    EMSCRIPTEN_KEEPALIVE int velmirPrepareTextureStep(void)
    {
        if (velmirStageTextureStep())
            return 1;
        stagedImage = bmp::Image{}; // all sent: the program's own reading reuses the memory
        return 0;
    }

    // Whether the file is one of the program's textures (and was read again).
    EMSCRIPTEN_KEEPALIVE int velmirReloadTexture(const char* fileName)
    {
        const int i = textureIndex(fileName);
        if (i == textureCount)
            simulation.loadSky();
        else if (i >= 0)
            objectTextures[i].load(textureFileNames[i]);
        if (i < 0)
            return 0;
        if (i == stagedIndex)
            forgetStaged(); // taken by the reading above, or never finished
        glutPostRedisplay();
        return 1;
    }

} // extern "C"
