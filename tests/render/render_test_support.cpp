// Scratch files, feedback recording and pixel read-back for the drawing tests.
#include "render_test_support.h"

#include "render/scene.h"
#include "render/shared_resources.h"
#include "render/texture.h"
#include "sim/simulation.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace
{
void put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}
} // namespace

std::ostream& operator<<(std::ostream& os, Rgb c)
{
    return os << '(' << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ')';
}

void writeBmp(const std::string& path, int width, int height, const std::function<Rgb(int, int)>& pixel)
{
    const std::size_t size = 54 + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
    std::vector<std::uint8_t> file(size, 0);
    file[0] = 'B';
    file[1] = 'M';
    put32(file, 2, static_cast<std::uint32_t>(size));
    put32(file, 10, 54);
    put32(file, 14, 40);
    put32(file, 18, static_cast<std::uint32_t>(width));
    put32(file, 22, static_cast<std::uint32_t>(height));
    file[26] = 1;  // planes
    file[28] = 24; // bits per pixel
    std::size_t at = 54;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const Rgb c = pixel(x, y);
            file[at++] = c.b;
            file[at++] = c.g;
            file[at++] = c.r;
        }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(size));
}

void writeSolidBmp(const std::string& path, Rgb colour)
{
    writeBmp(path, 4, 4, [colour](int, int) { return colour; });
}

void writePatternedTextures(int skyShade)
{
    for (int i = 0; i < textureCount; ++i)
        writeBmp(textureFileNames[i], 16, 16, [i](int x, int y) {
            return Rgb{static_cast<std::uint8_t>(16 * x), static_cast<std::uint8_t>(16 * y),
                       static_cast<std::uint8_t>(20 * i)};
        });
    writeBmp("skybox.bmp", 8, 8, [skyShade](int x, int y) {
        return Rgb{static_cast<std::uint8_t>(8 * x), 0, static_cast<std::uint8_t>(skyShade * y)};
    });
}

std::vector<FeedbackPrimitive> recordFeedback(const std::function<void()>& draw)
{
    constexpr float scale = 1.0f / 64.0f; // world coordinates within +-64 stay inside the clip volume
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_4D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    // A 2 x 2 viewport makes window x = ndc x + 1; the depth range makes window z = (ndc z + 1) / 2.
    glViewport(0, 0, 2, 2);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glScalef(scale, scale, scale);
    draw();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    const GLint used = glRenderMode(GL_RENDER);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    EXPECT_GE(used, 0) << "feedback buffer overflowed";

    std::vector<FeedbackPrimitive> out;
    auto vertexAt = [&](GLint i) {
        const GLfloat* v = &buffer[static_cast<std::size_t>(i)];
        FeedbackVertex fv{Vector3((v[0] - 1.0f) / scale, (v[1] - 1.0f) / scale, (2.0f * v[2] - 1.0f) / scale),
                          {v[4], v[5], v[6], v[7]},
                          {v[8], v[9], v[10], v[11]}};
        return fv;
    };
    constexpr GLint vertexSize = 12; // x y z w, r g b a, s t r q
    for (GLint i = 0; i < used;)
    {
        const GLenum token = static_cast<GLenum>(buffer[static_cast<std::size_t>(i++)]);
        FeedbackPrimitive p{token, {}};
        GLint n = 0;
        if (token == GL_POINT_TOKEN)
            n = 1;
        else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN)
        {
            p.token = GL_LINE_TOKEN;
            n = 2;
        }
        else if (token == GL_POLYGON_TOKEN)
            n = static_cast<GLint>(buffer[static_cast<std::size_t>(i++)]);
        else
        {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
        for (GLint k = 0; k < n; ++k, i += vertexSize)
            p.vertices.push_back(vertexAt(i));
        out.push_back(p);
    }
    return out;
}

std::vector<FeedbackPrimitive> primitivesOf(const std::vector<FeedbackPrimitive>& all, GLenum token)
{
    std::vector<FeedbackPrimitive> out;
    for (const FeedbackPrimitive& p : all)
        if (p.token == token)
            out.push_back(p);
    return out;
}

Frame Frame::grab()
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    Frame f;
    f.width_ = viewport[2];
    f.height_ = viewport[3];
    f.data_.resize(static_cast<std::size_t>(f.width_) * static_cast<std::size_t>(f.height_) * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(viewport[0], viewport[1], f.width_, f.height_, GL_RGB, GL_UNSIGNED_BYTE, f.data_.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return f;
}

Frame Frame::grabWithDepths()
{
    Frame f = grab();
    f.depths_.resize(static_cast<std::size_t>(f.width_) * static_cast<std::size_t>(f.height_));
    glReadPixels(0, 0, f.width_, f.height_, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, f.depths_.data());
    return f;
}

testing::AssertionResult alike(const Frame& drawn, const Frame& reference)
{
    const std::size_t pixels = reference.bytes().size() / 3;
    const bool depths = !drawn.depths().empty() && !reference.depths().empty();
    if (drawn.bytes().size() != reference.bytes().size())
        return testing::AssertionFailure() << "pictures of different sizes";
    std::size_t differing = 0;
    int largestStep = 0;
    std::uint32_t largestDepthStep = 0;
    for (std::size_t i = 0; i < pixels; ++i)
    {
        int step = 0;
        for (std::size_t c = 0; c < 3; ++c)
            step = std::max(step, std::abs(drawn.bytes()[3 * i + c] - reference.bytes()[3 * i + c]));
        const std::uint32_t a = depths ? drawn.depths()[i] : 0, b = depths ? reference.depths()[i] : 0;
        const std::uint32_t depthStep = a > b ? a - b : b - a;
        differing += step > 0 || depthStep > 0;
        largestStep = std::max(largestStep, step);
        largestDepthStep = std::max(largestDepthStep, depthStep);
    }
    if (differing <= pixels / 10000 && largestStep <= 8 && largestDepthStep <= 0xFFFFFFFFu / 8192)
        return testing::AssertionSuccess() << differing << " pixels differ";
    return testing::AssertionFailure()
           << differing << " of " << pixels << " pixels differ, by up to " << largestStep << " levels and "
           << largestDepthStep << " of " << 0xFFFFFFFFu << " in depth";
}

Rgb Frame::at(int x, int y) const
{
    const std::size_t i =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 3;
    return Rgb{data_[i], data_[i + 1], data_[i + 2]};
}

bool Frame::near(int x, int y, Rgb colour, int tolerance) const
{
    const Rgb c = at(x, y);
    return std::abs(c.r - colour.r) <= tolerance && std::abs(c.g - colour.g) <= tolerance &&
           std::abs(c.b - colour.b) <= tolerance;
}

int Frame::count(Rgb colour, int tolerance) const
{
    int n = 0;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            n += near(x, y, colour, tolerance) ? 1 : 0;
    return n;
}

void RenderTest::SetUpTestSuite()
{
    GlContextTest::SetUpTestSuite();
    initGL();
    installRenderHooks();
}

void RenderTest::SetUp()
{
    reshape(width, height);
    nextObjectId = 0;
    frameCount = 0;
}
