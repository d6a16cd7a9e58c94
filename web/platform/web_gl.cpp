// The shadow layer: the fixed-function calls WebGL lacks or answers differently, kept on our side
// and passed on to the browser's GL in the form it accepts. Compiled without the forced include's
// renames, so the gl* names here are the browser's own. The native layer tests build it too, over
// the desktop's GL.
#define VELMIR_WEB_LAYER
#include "web/core/coverage.h"
#include "web/core/gl_state.h"
#include "web/core/wide_line.h"
#include "web/include/velmir_web_gl.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

// The layer's logic is built without GL's headers and spells GL's values itself.
static_assert(web::gl::CurrentBit == GL_CURRENT_BIT && web::gl::PointBit == GL_POINT_BIT &&
              web::gl::LineBit == GL_LINE_BIT && web::gl::PolygonBit == GL_POLYGON_BIT &&
              web::gl::LightingBit == GL_LIGHTING_BIT && web::gl::TextureBit == GL_TEXTURE_BIT);
static_assert(web::gl::Lines == GL_LINES && web::gl::LineLoop == GL_LINE_LOOP &&
              web::gl::LineStrip == GL_LINE_STRIP);
static_assert(web::gl::Lighting == GL_LIGHTING && web::gl::Texture2D == GL_TEXTURE_2D &&
              web::gl::DepthTest == GL_DEPTH_TEST && web::gl::Blend == GL_BLEND &&
              web::gl::CullFace == GL_CULL_FACE && web::gl::ScissorTest == GL_SCISSOR_TEST &&
              web::gl::Fill == GL_FILL);

namespace
{
web::ServerState server;
web::GroupStack serverStack;
GLint unpackAlignment = 4; // GL's default; the program never changes it

// Vertices of a glBegin(GL_LINES) that must come out wider than one pixel, with their colours.
bool collectingWideLines = false;
struct LineVertex
{
    float position[3];
    float color[4];
};
std::vector<LineVertex> lineVertices;

void applyEnable(GLenum cap, bool on)
{
    if (on)
        glEnable(cap);
    else
        glDisable(cap);
}

// Sends GL what differs between the state it has and the state it must have.
void applyServer(const web::ServerState& was, const web::ServerState& now)
{
    if (std::equal(was.color, was.color + 4, now.color) == false)
        glColor4f(now.color[0], now.color[1], now.color[2], now.color[3]);
    if (was.pointSize != now.pointSize)
        glPointSize(now.pointSize);
    if (was.lighting != now.lighting)
        applyEnable(GL_LIGHTING, now.lighting);
    if (was.texture2D != now.texture2D)
        applyEnable(GL_TEXTURE_2D, now.texture2D);
    if (was.boundTexture2D != now.boundTexture2D)
        glBindTexture(GL_TEXTURE_2D, now.boundTexture2D);
    // Line width and polygon mode live only here: WebGL draws 1-pixel lines and filled polygons.
}

void multiply(const GLfloat m[16], const float v[4], float out[4])
{
    for (int r = 0; r < 4; ++r)
        out[r] = m[r] * v[0] + m[4 + r] * v[1] + m[8 + r] * v[2] + m[12 + r] * v[3];
}

// The collected lines as quads of the current width, drawn in clip coordinates under identity
// matrices so that the width is measured in pixels, as GL measures a line's.
void drawWideLines()
{
    GLfloat modelview[16], projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    auto toClip = [&](const float p[3]) {
        const float world[4] = {p[0], p[1], p[2], 1.0f};
        float eye[4];
        web::Clip clip;
        multiply(modelview, world, eye);
        multiply(projection, eye, clip.data());
        return clip;
    };

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glBegin(GL_TRIANGLES);
    for (std::size_t i = 0; i + 1 < lineVertices.size(); i += 2)
    {
        const LineVertex& a = lineVertices[i];
        const LineVertex& b = lineVertices[i + 1];
        const auto quad = web::wideLineQuad(toClip(a.position), toClip(b.position), server.lineWidth,
                                            static_cast<float>(viewport[2]), static_cast<float>(viewport[3]));
        if (!quad)
            continue;
        static const int order[6] = {0, 1, 2, 2, 1, 3};
        for (int k : order)
        {
            const float* c = k < 2 ? a.color : b.color;
            glColor4f(c[0], c[1], c[2], c[3]);
            const web::Clip& v = (*quad)[static_cast<std::size_t>(k)];
            glVertex4f(v[0], v[1], v[2], v[3]);
        }
    }
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glColor4f(server.color[0], server.color[1], server.color[2], server.color[3]);
}

// Reports what the layer cannot serve as the desktop's GL does (web/core/coverage.h).
void checkCapability(const char* call, GLenum cap)
{
    if (!web::tracksCapability(cap) && !web::passesCapability(cap))
        web::reportGap(call, "the capability " + web::hex(cap) + " is not tracked");
}

void checkWidth(GLenum mode)
{
    if (web::isLine(mode) && server.lineWidth > 1.0f && !web::widensLines(mode))
        web::reportGap("glBegin",
                       "primitive " + web::hex(mode) + " is drawn one pixel wide, not at the line width");
}

void setColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    server.color[0] = r;
    server.color[1] = g;
    server.color[2] = b;
    server.color[3] = a;
    if (!collectingWideLines)
        glColor4f(r, g, b, a);
}

// A large texture handed to WebGL ahead of the program's own upload, a band of rows a call (see
// velmirStageTexture). The pixels are the caller's until the last band is sent; what is kept of them
// after that is a hash, against which the program's upload is checked: the caller frees them before the
// program reads the file again, whose 24 MB then land in memory already in use instead of new pages.
struct StagedTexture
{
    const std::uint8_t* bgr = nullptr;
    GLsizei width = 0;
    GLsizei height = 0;
    GLuint texture = 0;
    GLsizei rowsSent = -1; // -1: the texture is not made yet
    std::uint64_t hash = 0;
};
StagedTexture staged;
// A band of about 4 MB of the file's pixels: a few milliseconds to swap and send, where the whole sky
// took tens. The page sends one a frame: in Chromium a band waits in its task for the GPU process to
// take in the ones before it once they fill the command buffer's transfer memory. Bands of 2 MB made
// the sky the last texture in, a dozen frames after its bytes. They go as opaque RGBA, which the GPU
// process takes as it is: as RGB, which it widens itself, the slowest band took 40 ms, not 34.
constexpr std::size_t stagedBandBytes = 4u << 20;

// Until the first frame is asked for, a large texture the program uploads (the sky's first, 6 MB) is
// copied and sent in bands, one a task, by the steps that warm the shaders up: sent at once, it made
// main() a single task of 60 to 110 ms in Chromium. Bound before then, it is sent whole.
#ifdef __EMSCRIPTEN__
bool deferringUploads = true;
#else
bool deferringUploads = false; // the native tests draw at once
#endif
std::vector<std::uint8_t> deferredPixels;
StagedTexture deferred; // its texture is the program's own

std::size_t bgrPitch(GLsizei width)
{
    const std::size_t a = static_cast<std::size_t>(unpackAlignment);
    return (static_cast<std::size_t>(width) * 3 + a - 1) / a * a;
}

// Rows' pixels (not their padding) into a running 64-bit hash, eight bytes at a time: a few milliseconds
// for the sky.
std::uint64_t hashRows(std::uint64_t hash, const std::uint8_t* rows, GLsizei width, GLsizei count)
{
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    for (GLsizei r = 0; r < count; ++r, rows += bgrPitch(width))
    {
        std::size_t i = 0;
        for (; i + 8 <= rowBytes; i += 8)
        {
            std::uint64_t word;
            std::memcpy(&word, rows + i, 8);
            hash = (hash ^ word) * 0x9e3779b97f4a7c15u;
            hash ^= hash >> 29;
        }
        for (; i < rowBytes; ++i)
            hash = (hash ^ rows[i]) * 0x100000001b3u;
    }
    return hash;
}

[[maybe_unused]] bool stagedMatches(GLint level, GLsizei width, GLsizei height, GLint border, GLenum format,
                                    GLenum type, const GLvoid* pixels)
{
    return staged.texture != 0 && staged.rowsSent == staged.height && level == 0 && border == 0 &&
           format == GL_BGR && type == GL_UNSIGNED_BYTE && width == staged.width && height == staged.height &&
           pixels && hashRows(0, static_cast<const std::uint8_t*>(pixels), width, height) == staged.hash;
}
} // namespace

#ifdef __EMSCRIPTEN__
// In web_library.js: what the layer asks of WebGL and the GL emulation directly.
extern "C"
{
    int velmirClearTexture(GLuint name);
    void velmirDrawAside(int aside);
    void velmirAdoptTexture(GLuint name, GLuint stagedName);
    void velmirSkipMissingAttributes(void);
    int velmirContextFitsDisplayMode(void);
}
#endif

namespace
{
bool clearTexture(GLuint texture)
{
#ifdef __EMSCRIPTEN__
    return velmirClearTexture(texture) != 0;
#else
    (void)texture;
    return false; // the native tests send black pixels
#endif
}

// Makes the texture (when it has no name yet) or sends it a band: whether more are to come.
bool sendBand(StagedTexture& t)
{
    glBindTexture(GL_TEXTURE_2D, 0); // sent to below; the program's binding is put back
    if (t.rowsSent < 0)
    {
        // Made without pixels and cleared on the GPU's side: a texture's first band sent to one made
        // without pixels makes WebGL clear it anyway, and Firefox warns of that; sending black
        // pixels instead cost as much as the bands.
        if (t.texture == 0)
            glGenTextures(1, &t.texture);
        glBindTexture(GL_TEXTURE_2D, t.texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, t.width, t.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        if (!clearTexture(t.texture))
        {
            const std::vector<std::uint8_t> black(std::size_t{4} * t.width * static_cast<std::size_t>(t.height));
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, t.width, t.height, 0, GL_RGBA, GL_UNSIGNED_BYTE, black.data());
        }
        t.rowsSent = 0;
    }
    else
    {
        const std::size_t pitch = bgrPitch(t.width);
        const GLsizei rows = std::min(t.height - t.rowsSent,
                                      static_cast<GLsizei>(std::max<std::size_t>(1, stagedBandBytes / pitch)));
        const std::uint8_t* band = t.bgr + pitch * static_cast<std::size_t>(t.rowsSent);
        t.hash = hashRows(t.hash, band, t.width, rows);
        const std::vector<std::uint8_t> rgba = web::bgrToRgba(band, t.width, rows, unpackAlignment);
        glBindTexture(GL_TEXTURE_2D, t.texture);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, t.rowsSent, t.width, rows, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        t.rowsSent += rows;
    }
    glBindTexture(GL_TEXTURE_2D, server.boundTexture2D);
    return t.rowsSent < t.height;
}

void dropDeferred()
{
    deferred = StagedTexture{};
    std::vector<std::uint8_t>().swap(deferredPixels);
}
} // namespace

extern "C"
{

    void velmirPrepareContext(void)
    {
#ifdef __EMSCRIPTEN__
        velmirSkipMissingAttributes();
        if (!velmirContextFitsDisplayMode())
            web::reportGap("glutCreateWindow", "the page's WebGL context does not have the depth, stencil, alpha "
                                               "or antialiasing the display mode asks for");
#endif
    }

    void velmirRestoreClientVertexArray(void)
    {
        glDisableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(4, GL_FLOAT, 0, nullptr);
    }

    void velmirPushAttrib(GLbitfield mask)
    {
        if (const GLbitfield unkept = mask & ~web::keptServerGroups)
            web::reportGap("glPushAttrib",
                           "the groups " + web::hex(unkept) + " are not kept, nor restored by the pop");
        serverStack.push(mask, server);
    }

    void velmirPopAttrib(void)
    {
        const web::ServerState was = server;
        if (serverStack.pop(server))
            applyServer(was, server);
    }

    void velmirGetFloatv(GLenum pname, GLfloat* params)
    {
        switch (pname)
        {
        case GL_CURRENT_COLOR:
            std::copy(server.color, server.color + 4, params);
            return;
        case GL_LINE_WIDTH:
            params[0] = server.lineWidth;
            return;
        case GL_POINT_SIZE:
            params[0] = server.pointSize;
            return;
        default:
            glGetFloatv(pname, params);
        }
    }

    void velmirGetDoublev(GLenum pname, GLdouble* params)
    {
        // Matrices are the only multi-valued state the program reads this way; anything else is one value.
        GLfloat values[16] = {};
        velmirGetFloatv(pname, values);
        const int n =
            (pname == GL_MODELVIEW_MATRIX || pname == GL_PROJECTION_MATRIX || pname == GL_TEXTURE_MATRIX) ? 16
            : pname == GL_CURRENT_COLOR                                                                   ? 4
                                                                                                          : 1;
        for (int i = 0; i < n; ++i)
            params[i] = static_cast<GLdouble>(values[i]);
    }

    void velmirColor3f(GLfloat r, GLfloat g, GLfloat b)
    {
        setColor(r, g, b, 1.0f);
    }

    void velmirColor3fv(const GLfloat* v)
    {
        setColor(v[0], v[1], v[2], 1.0f);
    }

    void velmirEnable(GLenum cap)
    {
        checkCapability("glEnable", cap);
        if (cap == GL_LIGHTING)
            server.lighting = true;
        else if (cap == GL_TEXTURE_2D)
            server.texture2D = true;
        glEnable(cap);
    }

    void velmirDisable(GLenum cap)
    {
        checkCapability("glDisable", cap);
        if (cap == GL_LIGHTING)
            server.lighting = false;
        else if (cap == GL_TEXTURE_2D)
            server.texture2D = false;
        glDisable(cap);
    }

    void velmirLineWidth(GLfloat width)
    {
        if (width > 0.0f)
            server.lineWidth = width;
    }

    void velmirPointSize(GLfloat size)
    {
        if (size > 0.0f)
            server.pointSize = size;
        glPointSize(size);
    }

    void velmirPolygonMode(GLenum face, GLenum mode)
    {
        if (mode != GL_FILL)
            web::reportGap("glPolygonMode", "mode " + web::hex(mode) + " is drawn filled");
        if (face == GL_FRONT || face == GL_FRONT_AND_BACK)
            server.polygonMode[0] = mode;
        if (face == GL_BACK || face == GL_FRONT_AND_BACK)
            server.polygonMode[1] = mode;
    }

    void velmirBindTexture(GLenum target, GLuint texture)
    {
        if (target == GL_TEXTURE_2D)
            server.boundTexture2D = texture;
        if (target == GL_TEXTURE_2D && deferred.bgr && texture == deferred.texture)
        {
            while (sendBand(deferred)) // to be drawn with: all of it now
            {
            }
            dropDeferred();
        }
        glBindTexture(target, texture);
    }

    void velmirBegin(GLenum mode)
    {
        checkWidth(mode);
        collectingWideLines = mode == GL_LINES && server.lineWidth > 1.0f;
        if (collectingWideLines)
            lineVertices.clear();
        else
            glBegin(mode);
    }

    void velmirEnd(void)
    {
        if (!collectingWideLines)
        {
            glEnd();
            return;
        }
        collectingWideLines = false;
        drawWideLines();
    }

    void velmirVertex3f(GLfloat x, GLfloat y, GLfloat z)
    {
        if (!collectingWideLines)
        {
            glVertex3f(x, y, z);
            return;
        }
        LineVertex v{{x, y, z}, {server.color[0], server.color[1], server.color[2], server.color[3]}};
        lineVertices.push_back(v);
    }

    void velmirVertex3fv(const GLfloat* v)
    {
        velmirVertex3f(v[0], v[1], v[2]);
    }

    void velmirTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                          GLint border, GLenum format, GLenum type, const GLvoid* pixels)
    {
        // A texture given no pixels gets black ones. WebGL would clear it on its first use anyway (the kept
        // sky picture's, filled by copies from the canvas), and Firefox warns of that on every load.
        std::vector<std::uint8_t> black;
        if (!pixels && type == GL_UNSIGNED_BYTE && width > 0 && height > 0)
        {
            const std::size_t channels = format == GL_RGBA                              ? 4
                                         : format == GL_LUMINANCE_ALPHA                 ? 2
                                         : format == GL_LUMINANCE || format == GL_ALPHA ? 1
                                                                                        : 3;
            const std::size_t a = static_cast<std::size_t>(unpackAlignment);
            const std::size_t pitch = (static_cast<std::size_t>(width) * channels + a - 1) / a * a;
            black.assign(pitch * static_cast<std::size_t>(height), 0);
            pixels = black.data();
        }
#ifdef __EMSCRIPTEN__
        // The same image already staged: it is in WebGL, under another name, which this one now takes.
        if (target == GL_TEXTURE_2D && server.boundTexture2D != 0 &&
            stagedMatches(level, width, height, border, format, type, pixels))
        {
            velmirAdoptTexture(server.boundTexture2D, staged.texture);
            staged.texture = 0;
            return;
        }
#endif
        if (target == GL_TEXTURE_2D && deferred.bgr && server.boundTexture2D == deferred.texture)
            dropDeferred(); // given new pixels before the old ones were all sent
        if (deferringUploads && !deferred.bgr && target == GL_TEXTURE_2D && server.boundTexture2D != 0 &&
            level == 0 && border == 0 && format == GL_BGR && type == GL_UNSIGNED_BYTE && pixels && width > 0 &&
            height > 0 && bgrPitch(width) * static_cast<std::size_t>(height) > stagedBandBytes)
        {
            const auto* bgr = static_cast<const std::uint8_t*>(pixels);
            deferredPixels.assign(bgr, bgr + bgrPitch(width) * static_cast<std::size_t>(height));
            deferred = StagedTexture{deferredPixels.data(), width, height, server.boundTexture2D, -1, 0};
            return;
        }
        // WebGL wants the internal format spelt as the format, and has no BGR: the bytes are swapped here.
        if (internalFormat == 3)
            internalFormat = GL_RGB;
        else if (internalFormat == 4)
            internalFormat = GL_RGBA;
        if (format == GL_BGR && type == GL_UNSIGNED_BYTE)
        {
            const std::vector<std::uint8_t> rgb =
                web::bgrToRgb(static_cast<const std::uint8_t*>(pixels), width, height, unpackAlignment);
            glTexImage2D(target, level, GL_RGB, width, height, border, GL_RGB, type,
                         rgb.empty() ? nullptr : rgb.data());
            return;
        }
        glTexImage2D(target, level, internalFormat, width, height, border, format, type, pixels);
    }

    void velmirStageTexture(const GLvoid* bgrPixels, GLsizei width, GLsizei height)
    {
        velmirUnstageTexture();
        if (!bgrPixels || width <= 0 || height <= 0)
            return;
        staged.bgr = static_cast<const std::uint8_t*>(bgrPixels);
        staged.width = width;
        staged.height = height;
    }

    int velmirStageTextureStep(void)
    {
        if (!staged.bgr)
            return 0;
        if (sendBand(staged))
            return 1;
        staged.bgr = nullptr; // the caller's to free
        return 0;
    }

    int velmirSendDeferredBand(void)
    {
        if (!deferred.bgr)
            return 0;
        if (!sendBand(deferred))
            dropDeferred();
        return 1;
    }

    void velmirDeferUploads(void)
    {
        deferringUploads = true;
    }

    void velmirStopDeferringUploads(void)
    {
        deferringUploads = false;
        while (velmirSendDeferredBand())
        {
        }
    }

    void velmirUnstageTexture(void)
    {
        if (staged.texture != 0)
            glDeleteTextures(1, &staged.texture);
        staged = StagedTexture{};
    }

    int velmirWarmShader(int variant)
    {
        if (variant < 0 || variant >= 4)
            return 0;
        // Drawn with every write off: no pixel and no depth changes. Turned on again after, not put back
        // as queried: the program leaves every write on outside its sky's depth pass, and in Chromium
        // each query waited for the GPU process to finish all it was given (up to 30 ms a step).
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glDepthMask(GL_FALSE);
#ifdef __EMSCRIPTEN__
        velmirDrawAside(1);
#endif
        applyEnable(GL_LIGHTING, false);
        switch (variant)
        {
        case 0: // the sky and the bodies: textured spheres, drawn as the program's are (web_glu.cpp)
        {
            applyEnable(GL_TEXTURE_2D, true);
            // Kept: deleted, its buffers would leave the emulation's attribute arrays pointing at none
            // (WebGL warns at the next draw), as the program's own spheres never do.
            static GLUquadric* const sphere = [] {
                GLUquadric* q = gluNewQuadric();
                gluQuadricTexture(q, GL_TRUE);
                return q;
            }();
            gluSphere(sphere, 1.0, 4, 2);
            break;
        }
        case 1: // lines wider than a pixel: triangles with a colour a vertex (drawWideLines)
            applyEnable(GL_TEXTURE_2D, false);
            glBegin(GL_TRIANGLES);
            for (int k = 0; k < 3; ++k)
            {
                glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
                glVertex4f(0.0f, 0.0f, 0.0f, 1.0f);
            }
            glEnd();
            break;
        case 2: // untextured shapes in the current colour (the arrows' heads)
            applyEnable(GL_TEXTURE_2D, false);
            glBegin(GL_TRIANGLE_FAN);
            for (int k = 0; k < 3; ++k)
                glVertex3f(0.0f, 0.0f, 0.0f);
            glEnd();
            break;
        default: // the kept sky picture put back: a textured quad under GL_REPLACE
        {
            applyEnable(GL_TEXTURE_2D, true);
            GLint mode = GL_MODULATE;
            glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
            glBegin(GL_QUADS);
            for (int k = 0; k < 4; ++k)
            {
                glTexCoord2f(0.0f, 0.0f);
                glVertex2f(0.0f, 0.0f);
            }
            glEnd();
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, mode);
            break;
        }
        }
        applyEnable(GL_TEXTURE_2D, server.texture2D);
        applyEnable(GL_LIGHTING, server.lighting);
        glColor4f(server.color[0], server.color[1], server.color[2], server.color[3]);
#ifdef __EMSCRIPTEN__
        velmirDrawAside(0);
#endif
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glDepthMask(GL_TRUE);
        return 1;
    }

} // extern "C"
