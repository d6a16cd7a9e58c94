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

// How much of the pixel block a file may lack. A header may claim up to about 12 EiB of pixels and an
// overcommitting machine grants far more than it has, so a claim is weighed against what the file
// holds before anything is allocated: the missing part may be as large as the part that is there, or
// 32 MiB, whichever is more. A lying header thus costs at most twice the file plus 32 MiB, while a
// file cut short in transfer still loads when at least half of it arrived, and any small one (every
// texture up to a 4096 x 2048 sky) loads however little of its pixels it holds.
inline constexpr std::uint64_t maxMissingPixelBytes = std::uint64_t{32} * 1024 * 1024;

enum class Status
{
    ok,
    openFailed,
    fileHeaderShort,
    infoHeaderShort,
    rejected,         // readable headers, but not the form we can upload safely
    pixelDataShort,   // the file holds too little of the pixel block its header claims
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
// positive width and height of at most maxSide each (the largest texture side the GL takes), rows of
// a multiple of 4 bytes (GL's default unpack alignment; with anything else GL would step past the end
// of each row and of the buffer), 24 bits per pixel and no compression.
std::uint64_t acceptedPixelBytes(const Header& header, std::int32_t maxSide);

// Whether a source that still holds `held` bytes after the headers is enough for a pixel block of
// `pixelBytes` (see maxMissingPixelBytes).
bool holdsEnough(std::uint64_t pixelBytes, std::uint64_t held);

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
    // How many bytes are left to read.
    virtual std::uint64_t remaining() const = 0;

  protected:
    ~Source() = default;
};

// Returns null when the memory cannot be had; must not throw.
using Allocator = std::uint8_t* (*)(std::size_t size);
std::uint8_t* allocateNoThrow(std::size_t size);

// The headers, the checks and the one-block pixel read. A pixel block that is short within the bounds
// of holdsEnough is not an error: the bytes that are missing are zeros.
Image read(Source& source, std::int32_t maxSide, Allocator allocate = allocateNoThrow);
Image readMemory(const std::uint8_t* data, std::size_t size, std::int32_t maxSide,
                 Allocator allocate = allocateNoThrow);
// Only regular files (or symbolic links to them) are read: a FIFO, a socket, a device or a directory is
// turned away as openFailed without being opened in a way that could block, and never read.
Image readFile(const char* fileName, std::int32_t maxSide, Allocator allocate = allocateNoThrow);

// Writes the one line that reports a failed read (nothing for Status::ok), ending with std::endl.
// maxSide is the limit the file was read with; the line for a rejected layout names it.
void reportFailure(std::ostream& out, Status status, const char* fileName, std::int32_t maxSide);

} // namespace bmp
