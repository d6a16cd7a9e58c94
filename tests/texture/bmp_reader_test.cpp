// The BMP reader without GL: what it takes, what it turns away, and that no file leads it astray.
#include "bmp_bytes.h"
#include "render/bmp_reader.h"

#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <sstream>

namespace
{

bmp::Image readBytes(const std::vector<std::uint8_t>& bytes, bmp::Allocator allocate = bmp::allocateNoThrow)
{
    return bmp::readMemory(bytes.data(), bytes.size(), allocate);
}

// Hands out memory full of a marker byte, so that bytes the reader leaves alone are visible.
std::uint8_t* allocateDirty(std::size_t size)
{
    auto* p = new (std::nothrow) std::uint8_t[size];
    if (p)
        std::memset(p, 0xCD, size);
    return p;
}

int allocations = 0;
std::uint8_t* allocateCounting(std::size_t size)
{
    ++allocations;
    return bmp::allocateNoThrow(size);
}

std::uint8_t* allocateNothing(std::size_t)
{
    return nullptr;
}

std::vector<std::uint8_t> pattern(std::size_t size)
{
    std::vector<std::uint8_t> v(size);
    for (std::size_t i = 0; i < size; ++i)
        v[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return v;
}

} // namespace

TEST(BmpReader, ReadsThePixelBlockAsStored)
{
    const std::vector<std::uint8_t> pixels = pattern(4 * 2 * 3);
    const bmp::Image image = readBytes(bmpBytes({}, pixels));
    ASSERT_EQ(image.status, bmp::Status::ok);
    EXPECT_EQ(image.width, 4);
    EXPECT_EQ(image.height, 2);
    ASSERT_NE(image.pixels, nullptr);
    EXPECT_EQ(std::memcmp(image.pixels.get(), pixels.data(), pixels.size()), 0);
}

TEST(BmpReader, TakesPixelsAt54WithoutCheckingTheSignatureOrHeaderSize)
{
    BmpLayout layout;
    layout.signature[0] = 'X';
    layout.signature[1] = 'Y';
    std::vector<std::uint8_t> bytes = bmpBytes(layout, pattern(24));
    bytes[10] = 200; // a pixel-data offset that is not consulted
    bytes[14] = 124; // nor is the info header's own size
    const bmp::Image image = readBytes(bytes);
    ASSERT_EQ(image.status, bmp::Status::ok);
    EXPECT_EQ(image.pixels[0], pattern(24)[0]);
}

TEST(BmpReader, ShortHeadersAreReportedByTheHeaderThatIsCut)
{
    const std::vector<std::uint8_t> whole = bmpBytes({});
    for (std::size_t size : {0u, 1u, 10u, 13u})
        EXPECT_EQ(readBytes({whole.begin(), whole.begin() + static_cast<long>(size)}).status,
                  bmp::Status::fileHeaderShort)
            << size;
    for (std::size_t size : {14u, 30u, 53u})
    {
        const bmp::Image image = readBytes({whole.begin(), whole.begin() + static_cast<long>(size)});
        EXPECT_EQ(image.status, bmp::Status::infoHeaderShort) << size;
        EXPECT_EQ(image.width, 0);
        EXPECT_EQ(image.pixels, nullptr);
    }
}

TEST(BmpReader, MissingPixelBytesAreZeros)
{
    BmpLayout layout;
    layout.width = 4;
    layout.height = 4;
    const bmp::Image headersOnly = readBytes(bmpBytes(layout), allocateDirty);
    ASSERT_EQ(headersOnly.status, bmp::Status::ok);
    for (int i = 0; i < 48; ++i)
        ASSERT_EQ(headersOnly.pixels[i], 0) << i;

    layout.width = 8;
    const std::vector<std::uint8_t> part = pattern(40);
    const bmp::Image cut = readBytes(bmpBytes(layout, part), allocateDirty);
    ASSERT_EQ(cut.status, bmp::Status::ok);
    EXPECT_EQ(std::memcmp(cut.pixels.get(), part.data(), part.size()), 0);
    for (int i = 40; i < 8 * 4 * 3; ++i)
        ASSERT_EQ(cut.pixels[i], 0) << i;
}

TEST(BmpReader, RejectsWhatGlCannotTakeSafelyBeforeAllocating)
{
    struct Case
    {
        const char* what;
        std::int32_t width, height;
        std::uint16_t bitCount;
        std::uint32_t compression;
    };
    const std::uint32_t limitRows = static_cast<std::uint32_t>(bmp::maxPixelBytes / 12);
    const Case cases[] = {
        {"zero width", 0, 2, 24, 0},
        {"negative width", -4, 2, 24, 0},
        {"zero height", 4, 0, 24, 0},
        {"top-down", 4, -2, 24, 0},
        {"rows of 9 bytes", 3, 2, 24, 0},
        {"rows of 18 bytes", 6, 2, 24, 0},
        {"rows of 381 bytes", 127, 64, 24, 0},
        {"32-bit", 4, 2, 32, 0},
        {"8-bit palette", 4, 2, 8, 0},
        {"no bit count", 4, 2, 0, 0},
        {"RLE8", 4, 2, 24, 1},
        {"bit fields", 4, 2, 24, 3},
        {"JPEG", 4, 2, 24, 4},
        {"largest header", INT_MAX - 3, INT_MAX, 24, 0},
        {"wraps to 128 KiB in 32 bits", 65536, 21846, 24, 0},
        {"one row over the limit", 4, static_cast<std::int32_t>(limitRows + 1), 24, 0},
    };
    for (const Case& c : cases)
    {
        BmpLayout layout;
        layout.width = c.width;
        layout.height = c.height;
        layout.bitCount = c.bitCount;
        layout.compression = c.compression;
        allocations = 0;
        const bmp::Image image = readBytes(bmpBytes(layout, pattern(64)), allocateCounting);
        EXPECT_EQ(image.status, bmp::Status::rejected) << c.what;
        EXPECT_EQ(image.width, 0) << c.what;
        EXPECT_EQ(image.height, 0) << c.what;
        EXPECT_EQ(image.pixels, nullptr) << c.what;
        EXPECT_EQ(allocations, 0) << c.what;
    }
}

TEST(BmpReader, LargestAcceptedImagesAreTaken)
{
    bmp::Header header;
    header.width = 4;
    header.height = static_cast<std::int32_t>(bmp::maxPixelBytes / 12); // one row more is turned away
    header.bitCount = 24;
    EXPECT_EQ(bmp::acceptedPixelBytes(header), std::uint64_t(header.height) * 12);
    header.width = 4096;
    header.height = 2048;
    EXPECT_EQ(bmp::acceptedPixelBytes(header), 4096u * 2048u * 3u);
}

TEST(BmpReader, FailedAllocationKeepsTheSizeAndNoPixels)
{
    BmpLayout layout;
    layout.width = 1024;
    layout.height = 512;
    const bmp::Image image = readBytes(bmpBytes(layout, pattern(64)), allocateNothing);
    EXPECT_EQ(image.status, bmp::Status::allocationFailed);
    EXPECT_EQ(image.width, 1024);
    EXPECT_EQ(image.height, 512);
    EXPECT_EQ(image.pixels, nullptr);
}

TEST(BmpReader, FilesReadLikeMemory)
{
    EXPECT_EQ(bmp::readFile("no-such-dir/no-such-file.bmp").status, bmp::Status::openFailed);
    // A directory opens on this platform, but yields no bytes.
    EXPECT_EQ(bmp::readFile(std::filesystem::temp_directory_path().c_str()).status,
              bmp::Status::fileHeaderShort);

    const std::vector<std::uint8_t> bytes = bmpBytes({}, pattern(24));
    TempFile file("reader-file.bmp", bytes);
    const bmp::Image fromFile = bmp::readFile(file.path());
    ASSERT_EQ(fromFile.status, bmp::Status::ok);
    EXPECT_EQ(std::memcmp(fromFile.pixels.get(), bytes.data() + 54, 24), 0);
}

TEST(BmpReader, FailureLinesNameTheFileAsGiven)
{
    const auto line = [](bmp::Status status) {
        std::ostringstream out;
        bmp::reportFailure(out, status, "dir/x y.bmp");
        return out.str();
    };
    EXPECT_EQ(line(bmp::Status::ok), "");
    EXPECT_EQ(line(bmp::Status::openFailed), "Failed to open dir/x y.bmp for reading!\n");
    EXPECT_EQ(line(bmp::Status::fileHeaderShort), "Failed to read BITMAPFILEHEADER for dir/x y.bmp!\n");
    EXPECT_EQ(line(bmp::Status::infoHeaderShort), "Failed to read BITMAPINFOHEADER for dir/x y.bmp!\n");
    EXPECT_EQ(line(bmp::Status::allocationFailed), "Failed to allocate memory for dir/x y.bmp!\n");
    EXPECT_EQ(
        line(bmp::Status::rejected),
        "Unsupported BMP layout in dir/x y.bmp (need 24-bit uncompressed, bottom-up, width a multiple of "
        "4, at most 256 MiB)!\n");
}

// Every file of a corpus: read or turned away, never a byte outside the buffer (the sanitizer build
// checks that), and the same result from a file as from memory.
void checkCorpus(const std::vector<std::filesystem::path>& files)
{
    for (const std::filesystem::path& path : files)
    {
        SCOPED_TRACE(path.string());
        std::ifstream in(path, std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                              std::istreambuf_iterator<char>());
        const bmp::Image fromMemory = readBytes(bytes);
        const bmp::Image fromFile = bmp::readFile(path.c_str());
        ASSERT_EQ(fromMemory.status, fromFile.status);
        ASSERT_EQ(fromMemory.width, fromFile.width);
        ASSERT_EQ(fromMemory.height, fromFile.height);
        if (fromMemory.status == bmp::Status::ok)
        {
            ASSERT_GT(fromMemory.width, 0);
            ASSERT_GT(fromMemory.height, 0);
            ASSERT_EQ(fromMemory.width % 4, 0);
            const std::size_t size = std::size_t(fromMemory.width) * std::size_t(fromMemory.height) * 3;
            EXPECT_EQ(std::memcmp(fromMemory.pixels.get(), fromFile.pixels.get(), size), 0);
        }
        else
        {
            EXPECT_EQ(fromMemory.pixels, nullptr);
            EXPECT_EQ(fromMemory.width, 0);
        }
    }
}

TEST(BmpCorpus, FuzzSeedsAreReadOrRejectedCleanly)
{
    const auto files = filesBelow(VELMIR_FUZZ_CORPUS_DIR);
    ASSERT_GE(files.size(), 8u);
    checkCorpus(files);
}

TEST(BmpCorpus, BmpSuiteIsReadOrRejectedCleanly)
{
    const auto files = filesBelow(VELMIR_BMPSUITE_DIR);
    if (files.empty())
        GTEST_SKIP() << "no BMP Suite beside the source tree at " << VELMIR_BMPSUITE_DIR;
    checkCorpus(files);
}
