// Reading the one BMP form the textures use, without GL: 24-bit, uncompressed, pixels at offset 54.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>

namespace bmp
{

// The two headers as they lie before the pixel data; the pixel-data offset of the file header is not
// consulted, the pixels always start right after them.
inline constexpr std::size_t fileHeaderSize = 14;
inline constexpr std::size_t infoHeaderSize = 40;
inline constexpr std::size_t pixelOffset = fileHeaderSize + infoHeaderSize;

// Largest pixel block we agree to hold: 256 MiB, ten times the sky texture. A header may claim up to
// about 12 EiB and an overcommitting machine grants far more than it has, so the claim is checked
// before anything is allocated instead of relying on the allocation to fail.
inline constexpr std::uint64_t maxPixelBytes = std::uint64_t{256} * 1024 * 1024;

enum class Status
{
    ok,
    openFailed,
    fileHeaderShort,
    infoHeaderShort,
    rejected,         // readable headers, but not the form we can upload safely
    allocationFailed, // width and height are kept, no pixels
};

// The fields of the info header that decide whether we take a file.
struct Header
{
    std::int32_t width = 0;
    std::int32_t height = 0; // negative for top-down files, which we do not take
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
};

Header decodeHeader(const std::uint8_t (&headers)[pixelOffset]);

// Size in bytes of the pixel block of an accepted header, or 0 if the header is outside the form we read:
// positive width and height, rows of a multiple of 4 bytes (GL's default unpack alignment; with anything
// else GL would step past the end of each row and of the buffer), 24 bits per pixel, no compression, and
// at most maxPixelBytes.
std::uint64_t acceptedPixelBytes(const Header& header);

struct Image
{
    Status status = Status::openFailed;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::unique_ptr<std::uint8_t[]> pixels; // width * height * 3 bytes, bottom row first, BGR triples
};

// Where the bytes come from: a file for the program, memory for tests and the fuzzer.
class Source
{
  public:
    // Reads up to size bytes, returning how many were read; fewer only at the end of the data.
    virtual std::size_t read(std::uint8_t* into, std::size_t size) = 0;

  protected:
    ~Source() = default;
};

// Returns null when the memory cannot be had; must not throw.
using Allocator = std::uint8_t* (*)(std::size_t size);
std::uint8_t* allocateNoThrow(std::size_t size);

// The headers, the checks and the one-block pixel read. A short pixel block is not an error: the
// bytes that are missing are zeros.
Image read(Source& source, Allocator allocate = allocateNoThrow);
Image readMemory(const std::uint8_t* data, std::size_t size, Allocator allocate = allocateNoThrow);
Image readFile(const char* fileName, Allocator allocate = allocateNoThrow);

// Writes the one line that reports a failed read (nothing for Status::ok), ending with std::endl.
void reportFailure(std::ostream& out, Status status, const char* fileName);

} // namespace bmp
