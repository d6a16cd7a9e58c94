// The BMP reader without GL: what it takes, what it turns away, and that no file leads it astray.
#include "bmp_bytes.h"
#include "render/bmp_reader.h"
#include "special_files.h"

#include <chrono>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sstream>

namespace
{

bmp::Image readBytes(const std::vector<std::uint8_t>& bytes, bmp::Allocator allocate = bmp::allocateNoThrow)
{
    return bmp::readMemory(bytes.data(), bytes.size(), glMaxSide, allocate);
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
    ++allocations;
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
        {"wider than GL takes", glMaxSide + 4, 4, 24, 0},
        {"taller than GL takes", 4, glMaxSide + 1, 24, 0},
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

TEST(BmpReader, EverySideUpToWhatGlTakesIsAccepted)
{
    bmp::Header header;
    header.bitCount = 24;
    header.width = 16384;
    header.height = 8192;
    EXPECT_EQ(bmp::acceptedPixelBytes(header, 16384), 16384u * 8192u * 3u);
    EXPECT_EQ(bmp::acceptedPixelBytes(header, 8192), 0u) << "a GL with a smaller limit";
    header.height = 16384;
    EXPECT_EQ(bmp::acceptedPixelBytes(header, 16384), 16384u * 16384u * 3u);
    header.width = 4;
    header.height = 1;
    EXPECT_EQ(bmp::acceptedPixelBytes(header, 4), 12u);
    EXPECT_EQ(bmp::acceptedPixelBytes(header, 3), 0u);
}

// Headers and a claim of how many bytes follow them, without holding those bytes: claims of hundreds of
// MiB cost nothing to test.
class ClaimingSource final : public bmp::Source
{
  public:
    ClaimingSource(std::int32_t width, std::int32_t height, std::uint64_t pixelBytesHeld)
        : headers_(bmpBytes({width, height, 24, 0, {'B', 'M'}})), held_(pixelBytesHeld)
    {
    }
    std::size_t read(std::uint8_t* into, std::size_t size) override
    {
        const std::size_t fromHeaders = std::min(size, headers_.size() - at_);
        std::memcpy(into, headers_.data() + at_, fromHeaders);
        at_ += fromHeaders;
        const auto zeros = static_cast<std::size_t>(std::min<std::uint64_t>(size - fromHeaders, held_));
        std::memset(into + fromHeaders, 0, zeros);
        held_ -= zeros;
        return fromHeaders + zeros;
    }
    std::uint64_t remaining() const override
    {
        return headers_.size() - at_ + held_;
    }

  private:
    std::vector<std::uint8_t> headers_;
    std::size_t at_ = 0;
    std::uint64_t held_;
};

// A file may lack as much of its pixel block as it holds, or 32 MiB, whichever is more; beyond that it
// is turned away before anything is allocated. Within the rule the reader goes on to allocate, which
// allocateNothing refuses, so the claims here cost no memory.
TEST(BmpReader, ClaimsAreWeighedAgainstWhatTheFileHolds)
{
    const std::uint64_t MiB = 1024 * 1024;
    const struct
    {
        const char* what;
        std::int32_t width, height;
        std::uint64_t held;
        bmp::Status status;
    } cases[] = {
        {"a 60-byte file claiming 192 MiB", 8192, 8192, 6, bmp::Status::pixelDataShort},
        {"384 MiB sky cut at half", 16384, 8192, 192 * MiB, bmp::Status::allocationFailed},
        {"384 MiB sky cut a byte before half", 16384, 8192, 192 * MiB - 1, bmp::Status::pixelDataShort},
        {"24 MiB sky, headers only", 4096, 2048, 0, bmp::Status::allocationFailed},
        // 4096 x 2731 x 3 bytes are 32 MiB + 4096.
        {"missing exactly 32 MiB", 4096, 2731, 4096, bmp::Status::allocationFailed},
        {"missing 32 MiB and a byte", 4096, 2731, 4095, bmp::Status::pixelDataShort},
        {"whole 384 MiB sky", 16384, 8192, 384 * MiB, bmp::Status::allocationFailed},
    };
    for (const auto& c : cases)
    {
        ClaimingSource source(c.width, c.height, c.held);
        allocations = 0;
        const bmp::Image image = bmp::read(source, glMaxSide, allocateNothing);
        EXPECT_EQ(image.status, c.status) << c.what;
        EXPECT_EQ(allocations, c.status == bmp::Status::pixelDataShort ? 0 : 1) << c.what;
        if (c.status == bmp::Status::pixelDataShort)
        {
            EXPECT_EQ(image.width, 0) << c.what;
            EXPECT_EQ(source.remaining(), c.held) << c.what << ": pixels were read";
        }
    }
    // The same for a real 60-byte file in memory.
    BmpLayout layout;
    layout.width = 8192;
    layout.height = 8192;
    allocations = 0;
    EXPECT_EQ(readBytes(bmpBytes(layout, pattern(6)), allocateCounting).status, bmp::Status::pixelDataShort);
    EXPECT_EQ(allocations, 0);
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
    EXPECT_EQ(bmp::readFile("no-such-dir/no-such-file.bmp", glMaxSide).status, bmp::Status::openFailed);

    const std::vector<std::uint8_t> bytes = bmpBytes({}, pattern(24));
    TempFile file("reader-file.bmp", bytes);
    const bmp::Image fromFile = bmp::readFile(file.path(), glMaxSide);
    ASSERT_EQ(fromFile.status, bmp::Status::ok);
    EXPECT_EQ(std::memcmp(fromFile.pixels.get(), bytes.data() + 54, 24), 0);

    // What a file cannot back is weighed by its size on disk, before any pixel is read.
    BmpLayout layout;
    layout.width = 8192;
    layout.height = 8192;
    TempFile liar("reader-liar.bmp", bmpBytes(layout, pattern(6)));
    allocations = 0;
    EXPECT_EQ(bmp::readFile(liar.path(), glMaxSide, allocateCounting).status, bmp::Status::pixelDataShort);
    EXPECT_EQ(allocations, 0);
}

// Paths that are not regular files are refused at once, as if missing: a FIFO without a writer would
// block the opening, and a device may never end.
TEST(BmpReader, OnlyRegularFilesAreRead)
{
    const NotRegularFiles paths;
    ASSERT_EQ(paths.all().size(), 6u);
    for (const std::string& path : paths.all())
    {
        SCOPED_TRACE(path);
        allocations = 0;
        auto status = std::async(std::launch::async, [&path] {
            return bmp::readFile(path.c_str(), glMaxSide, allocateCounting).status;
        });
        if (status.wait_for(std::chrono::seconds(1)) == std::future_status::timeout)
        {
            // A writer releases a reader stuck opening the FIFO, so the test fails instead of hanging.
            ::close(::open(paths.all().front().c_str(), O_WRONLY | O_NONBLOCK));
            ADD_FAILURE() << "the read did not return within a second";
        }
        EXPECT_EQ(status.get(), bmp::Status::openFailed);
        EXPECT_EQ(allocations, 0);
    }
    // A symbolic link to a regular file is still read.
    TempFile file("link-target.bmp", bmpBytes({}, pattern(24)));
    const std::string link = paths.directory() + "/link.bmp";
    std::filesystem::create_symlink(file.path(), link);
    EXPECT_EQ(bmp::readFile(link.c_str(), glMaxSide).status, bmp::Status::ok);
}

TEST(BmpReader, FailureLinesNameTheFileAsGiven)
{
    const auto line = [](bmp::Status status) {
        std::ostringstream out;
        bmp::reportFailure(out, status, "dir/x y.bmp", 16384);
        return out.str();
    };
    EXPECT_EQ(line(bmp::Status::ok), "");
    EXPECT_EQ(line(bmp::Status::openFailed), "Failed to open dir/x y.bmp for reading!\n");
    EXPECT_EQ(line(bmp::Status::fileHeaderShort), "Failed to read BITMAPFILEHEADER for dir/x y.bmp!\n");
    EXPECT_EQ(line(bmp::Status::infoHeaderShort), "Failed to read BITMAPINFOHEADER for dir/x y.bmp!\n");
    EXPECT_EQ(line(bmp::Status::allocationFailed), "Failed to allocate memory for dir/x y.bmp!\n");
    EXPECT_EQ(line(bmp::Status::pixelDataShort), "Failed to read pixel data for dir/x y.bmp!\n");
    EXPECT_EQ(
        line(bmp::Status::rejected),
        "Unsupported BMP layout in dir/x y.bmp (need 24-bit uncompressed, bottom-up, width a multiple of "
        "4, sides of at most 16384)!\n");
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
        const bmp::Image fromFile = bmp::readFile(path.c_str(), glMaxSide);
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
