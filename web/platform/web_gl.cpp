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
} // namespace

#ifdef __EMSCRIPTEN__
// The emulation gives every shader it makes a default colour, also one without a colour attribute
// (location -1), which WebGL refuses with a warning that Firefox prints. The call goes to whatever
// the context's own function is when it is made, so anything that wraps it later still sees it.
EM_JS(void, velmirSkipMissingAttributes, (), {
    GLctx.vertexAttrib4fv = function(index, values)
    {
        if (index >= 0)
            Object.getPrototypeOf(this).vertexAttrib4fv.call(this, index, values);
    };
});
#endif

extern "C"
{

    void velmirPrepareContext(void)
    {
#ifdef __EMSCRIPTEN__
        velmirSkipMissingAttributes();
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

} // extern "C"
