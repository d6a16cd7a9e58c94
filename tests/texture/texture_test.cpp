// Texture2D in a real GL context: the lines it prints, what it uploads, and what it gives back.
#include "bmp_bytes.h"
#include "capture_cout.h"
#include "gl_context.h"
#include "render/texture.h"
#include "special_files.h"

#include <GL/gl.h>
#include <array>
#include <gtest/gtest.h>

namespace
{

using DovrelGraphicsLibrary::Texture;
using DovrelGraphicsLibrary::Texture2D;

std::size_t openDescriptors()
{
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

GLint boundLevelSize(GLenum which)
{
    GLint v = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, which, &v);
    return v;
}

GLint maxTextureSide()
{
    GLint v = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &v);
    return v;
}

GLint boundTexture()
{
    GLint v = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &v);
    return v;
}

class TextureTest : public GlContextTest
{
  protected:
    // Loads through the base class, as the drawing code may, and returns what was printed.
    static std::string load(Texture2D& texture, const char* fileName)
    {
        CaptureCout capture;
        static_cast<Texture&>(texture).load(fileName);
        return capture.text();
    }

    // What every failed load leaves: an empty image behind a valid, bound GL name.
    static void expectEmpty(const Texture2D& texture)
    {
        EXPECT_EQ(texture.width(), 0);
        EXPECT_EQ(texture.height(), 0);
        EXPECT_EQ(texture.pixels(), nullptr);
        EXPECT_NE(texture.textureName(), 0u);
        EXPECT_EQ(boundTexture(), GLint(texture.textureName()));
        EXPECT_EQ(boundLevelSize(GL_TEXTURE_WIDTH), 0);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
};

TEST_F(TextureTest, UnreadableFilesPrintTheirLineAndLeaveAnEmptyTexture)
{
    const std::vector<std::uint8_t> headers = bmpBytes({});
    TempFile tenBytes("ten.bmp", {headers.begin(), headers.begin() + 10});
    TempFile thirtyBytes("thirty.bmp", {headers.begin(), headers.begin() + 30});
    BmpLayout claimsMore;
    claimsMore.width = 8192;
    claimsMore.height = 8192;
    TempFile sixtyBytes("sixty.bmp", bmpBytes(claimsMore, std::vector<std::uint8_t>(6, 1)));
    // Paths that are not regular files read as missing, whatever they are.
    const NotRegularFiles special;
    std::vector<std::pair<std::string, std::string>> cases = {
        {"no-such-file.bmp", "Failed to open no-such-file.bmp for reading!\n"},
        {tenBytes.path(), "Failed to read BITMAPFILEHEADER for " + std::string(tenBytes.path()) + "!\n"},
        {thirtyBytes.path(),
         "Failed to read BITMAPINFOHEADER for " + std::string(thirtyBytes.path()) + "!\n"},
        {sixtyBytes.path(), "Failed to read pixel data for " + std::string(sixtyBytes.path()) + "!\n"},
    };
    for (const std::string& path : special.all())
        cases.emplace_back(path, "Failed to open " + path + " for reading!\n");
    for (const auto& [name, line] : cases)
    {
        SCOPED_TRACE(name);
        const std::size_t descriptors = openDescriptors();
        Texture2D texture;
        EXPECT_EQ(load(texture, name.c_str()), line);
        expectEmpty(texture);
        EXPECT_EQ(openDescriptors(), descriptors) << "the file was left open";
        texture.bind();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

TEST_F(TextureTest, RejectedFormsPrintOneLineAndLeaveAnEmptyTexture)
{
    const std::pair<const char*, BmpLayout> cases[] = {
        {"width-6.bmp", {6, 2, 24, 0, {'B', 'M'}}},
        {"top-down.bmp", {4, -2, 24, 0, {'B', 'M'}}},
        {"bits-32.bmp", {4, 2, 32, 0, {'B', 'M'}}},
        {"rle.bmp", {4, 2, 24, 1, {'B', 'M'}}},
        {"huge.bmp", {0x7ffffffc, 0x7fffffff, 24, 0, {'B', 'M'}}},
        {"wider-than-gl.bmp", {maxTextureSide() + 4, 4, 24, 0, {'B', 'M'}}},
    };
    for (const auto& [name, layout] : cases)
    {
        SCOPED_TRACE(name);
        TempFile file(name, bmpBytes(layout, std::vector<std::uint8_t>(64, 0x55)));
        Texture2D texture;
        EXPECT_EQ(load(texture, file.path()),
                  "Unsupported BMP layout in " + std::string(file.path()) +
                      " (need 24-bit uncompressed, bottom-up, width a multiple of 4, sides of at most " +
                      std::to_string(maxTextureSide()) + ")!\n");
        expectEmpty(texture);
    }
}

TEST_F(TextureTest, SidesAsLongAsTheGlTakesLoad)
{
    const GLint side = maxTextureSide();
    ASSERT_GE(side, 1024) << "every GL of the last twenty years takes at least this";
    for (const auto& [w, h] : {std::pair{side, 4}, std::pair{4, side}})
    {
        BmpLayout layout;
        layout.width = w;
        layout.height = h;
        TempFile file("gl-side.bmp",
                      bmpBytes(layout, std::vector<std::uint8_t>(std::size_t(side) * 12, 0x40)));
        Texture2D texture;
        EXPECT_EQ(load(texture, file.path()), "");
        EXPECT_EQ(boundLevelSize(GL_TEXTURE_WIDTH), w);
        EXPECT_EQ(boundLevelSize(GL_TEXTURE_HEIGHT), h);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

TEST_F(TextureTest, UploadsTheFirstFileRowAsTheBottomRowInTheColoursOfItsBgrTriples)
{
    // Blue-green-red triples; the first four pixels are the bottom row.
    const std::vector<std::uint8_t> bgr = {
        255, 0, 0, 0,  255, 0,  0, 0,   255, 255, 255, 255, // blue green red white
        0,   0, 0, 10, 20,  30, 0, 255, 255, 255, 0,   255, // black (30,20,10) yellow magenta
    };
    TempFile file("four-by-two.bmp", bmpBytes({}, bgr));
    Texture2D texture;
    EXPECT_EQ(load(texture, file.path()), "");
    ASSERT_EQ(texture.width(), 4);
    ASSERT_EQ(texture.height(), 2);
    ASSERT_NE(texture.pixels(), nullptr);
    EXPECT_EQ(std::memcmp(texture.pixels(), bgr.data(), bgr.size()), 0) << "the buffer is kept as read";
    EXPECT_EQ(boundTexture(), GLint(texture.textureName()));

    std::array<std::uint8_t, 4 * 2 * 3> rgb{};
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    const std::array<std::uint8_t, 4 * 2 * 3> expected = {
        0, 0, 255, 0,  255, 0,  255, 0,   0, 255, 255, 255, //
        0, 0, 0,   30, 20,  10, 255, 255, 0, 255, 0,   255, //
    };
    EXPECT_EQ(rgb, expected);

    GLint mag = 0, min = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
    EXPECT_EQ(mag, GL_LINEAR);
    EXPECT_EQ(min, GL_LINEAR);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureTest, HeadersOnlyFileUploadsZerosOfTheHeaderSize)
{
    BmpLayout layout;
    layout.width = 4;
    layout.height = 4;
    TempFile file("headers-only.bmp", bmpBytes(layout));
    Texture2D texture;
    EXPECT_EQ(load(texture, file.path()), "");
    EXPECT_EQ(boundLevelSize(GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(boundLevelSize(GL_TEXTURE_HEIGHT), 4);
    std::array<std::uint8_t, 48> rgb;
    rgb.fill(0xEE);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    EXPECT_EQ(rgb, (std::array<std::uint8_t, 48>{}));
}

TEST_F(TextureTest, FileWithoutSignatureLoads)
{
    BmpLayout layout;
    layout.signature[0] = 'P';
    layout.signature[1] = 'K';
    TempFile file("no-signature.bmp", bmpBytes(layout, std::vector<std::uint8_t>(24, 9)));
    Texture2D texture;
    EXPECT_EQ(load(texture, file.path()), "");
    EXPECT_EQ(texture.width(), 4);
    EXPECT_EQ(boundLevelSize(GL_TEXTURE_WIDTH), 4);
}

TEST_F(TextureTest, ReloadingGivesUpTheFirstNameAndBuffer)
{
    TempFile file("reload.bmp", bmpBytes({}, std::vector<std::uint8_t>(24, 200)));
    Texture2D texture;
    load(texture, file.path());
    const GLuint first = texture.textureName();
    ASSERT_NE(texture.pixels(), nullptr);

    EXPECT_EQ(load(texture, "missing-on-reload.bmp"), "Failed to open missing-on-reload.bmp for reading!\n");
    // GL may hand out the freed name again; if it did not, the first texture must be gone.
    EXPECT_TRUE(texture.textureName() == first || glIsTexture(first) == GL_FALSE);
    expectEmpty(texture);

    load(texture, file.path());
    EXPECT_EQ(texture.width(), 4);
    EXPECT_EQ(texture.pixels()[0], 200);
}

TEST_F(TextureTest, DestructionDeletesTheGlTexture)
{
    TempFile file("destroyed.bmp", bmpBytes({}, std::vector<std::uint8_t>(24, 1)));
    GLuint name = 0;
    {
        Texture2D texture;
        EXPECT_EQ(texture.textureName(), 0u);
        load(texture, file.path());
        name = texture.textureName();
        ASSERT_EQ(glIsTexture(name), GL_TRUE);
    }
    EXPECT_EQ(glIsTexture(name), GL_FALSE);
}

// The whole upload path on hostile files: whatever the reader keeps, GL reads only inside it.
TEST_F(TextureTest, EveryCorpusFileUploadsWithoutErrors)
{
    auto files = filesBelow(VELMIR_FUZZ_CORPUS_DIR);
    const auto suite = filesBelow(VELMIR_BMPSUITE_DIR);
    files.insert(files.end(), suite.begin(), suite.end());
    Texture2D texture;
    for (const std::filesystem::path& path : files)
    {
        SCOPED_TRACE(path.string());
        const std::string out = load(texture, path.c_str());
        EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), out.empty() ? 0 : 1);
        EXPECT_EQ(boundLevelSize(GL_TEXTURE_WIDTH), texture.width());
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

} // namespace
