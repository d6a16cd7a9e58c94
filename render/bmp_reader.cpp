// Reading the one BMP form the textures use, without GL.
#include "render/bmp_reader.h"

#include "render/regular_file.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <ostream>

namespace bmp
{
namespace
{

std::uint32_t le32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

std::uint16_t le16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::int32_t le32Signed(const std::uint8_t* p)
{
    // Two's complement without relying on an implementation-defined narrowing.
    const std::uint32_t u = le32(p);
    return u <= 0x7fffffffu ? static_cast<std::int32_t>(u) : -static_cast<std::int32_t>(~u) - 1;
}

// A regular file, read from its start; its size is known before anything is read.
class FileSource final : public Source
{
  public:
    FileSource(std::FILE* file, std::uint64_t size) : file_(file), left_(size)
    {
    }
    std::size_t read(std::uint8_t* into, std::size_t size) override
    {
        const std::size_t n = std::fread(into, 1, size, file_);
        left_ -= n < left_ ? n : left_;
        return n;
    }
    std::uint64_t remaining() const override
    {
        return left_;
    }

  private:
    std::FILE* file_;
    std::uint64_t left_;
};

class MemorySource final : public Source
{
  public:
    MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), left_(size)
    {
    }
    std::size_t read(std::uint8_t* into, std::size_t size) override
    {
        const std::size_t n = size < left_ ? size : left_;
        if (n > 0)
            std::memcpy(into, data_, n);
        data_ += n;
        left_ -= n;
        return n;
    }
    std::uint64_t remaining() const override
    {
        return left_;
    }

  private:
    const std::uint8_t* data_;
    std::size_t left_;
};

} // namespace

Header decodeHeader(const std::uint8_t (&headers)[pixelOffset])
{
    const std::uint8_t* info = headers + fileHeaderSize;
    Header h;
    h.width = le32Signed(info + 4);
    h.height = le32Signed(info + 8);
    h.bitCount = le16(info + 14);
    h.compression = le32(info + 16);
    return h;
}

std::uint64_t acceptedPixelBytes(const Header& header, std::int32_t maxSide)
{
    if (header.width <= 0 || header.height <= 0 || header.width > maxSide || header.height > maxSide ||
        header.bitCount != 24 || header.compression != 0)
        return 0;
    const std::uint64_t rowBytes = std::uint64_t(header.width) * 3;
    if (rowBytes % 4 != 0)
        return 0;
    // Both factors are below 2^33 and 2^31, so the product cannot wrap in 64 bits.
    return rowBytes * std::uint64_t(header.height);
}

bool holdsEnough(std::uint64_t pixelBytes, std::uint64_t held)
{
    const std::uint64_t missing = pixelBytes > held ? pixelBytes - held : 0;
    return missing <= maxMissingPixelBytes || missing <= held;
}

std::uint8_t* allocateNoThrow(std::size_t size)
{
    return new (std::nothrow) std::uint8_t[size];
}

Image read(Source& source, std::int32_t maxSide, Allocator allocate)
{
    Image image;
    std::uint8_t headers[pixelOffset];
    if (source.read(headers, fileHeaderSize) != fileHeaderSize)
    {
        image.status = Status::fileHeaderShort;
        return image;
    }
    if (source.read(headers + fileHeaderSize, infoHeaderSize) != infoHeaderSize)
    {
        image.status = Status::infoHeaderShort;
        return image;
    }
    const Header header = decodeHeader(headers);
    const std::uint64_t bytes = acceptedPixelBytes(header, maxSide);
    if (bytes == 0)
    {
        image.status = Status::rejected;
        return image;
    }
    if (!holdsEnough(bytes, source.remaining()))
    {
        image.status = Status::pixelDataShort;
        return image;
    }
    image.width = header.width;
    image.height = header.height;
    // Where size_t is narrower than the block (a 32-bit platform), no allocation could hold it.
    if (bytes > std::numeric_limits<std::size_t>::max())
    {
        image.status = Status::allocationFailed;
        return image;
    }
    const auto size = static_cast<std::size_t>(bytes);
    image.pixels.reset(allocate(size));
    if (!image.pixels)
    {
        image.status = Status::allocationFailed;
        return image;
    }
    const std::size_t got = source.read(image.pixels.get(), size);
    // A file cut short still gives a whole image; what is missing is black, not leftover heap.
    std::memset(image.pixels.get() + got, 0, size - got);
    image.status = Status::ok;
    return image;
}

Image readMemory(const std::uint8_t* data, std::size_t size, std::int32_t maxSide, Allocator allocate)
{
    MemorySource source(data, size);
    return read(source, maxSide, allocate);
}

Image readFile(const char* fileName, std::int32_t maxSide, Allocator allocate)
{
    std::uint64_t size = 0;
    std::FILE* file = openRegularFile(fileName, size);
    if (!file)
        return Image{};
    FileSource source(file, size);
    Image image = read(source, maxSide, allocate);
    std::fclose(file);
    return image;
}

void reportFailure(std::ostream& out, Status status, const char* fileName, std::int32_t maxSide)
{
    const char* before = nullptr;
    const char* after = "!";
    switch (status)
    {
    case Status::ok:
        return;
    case Status::openFailed:
        before = "Failed to open ";
        after = " for reading!";
        break;
    case Status::fileHeaderShort:
        before = "Failed to read BITMAPFILEHEADER for ";
        break;
    case Status::infoHeaderShort:
        before = "Failed to read BITMAPINFOHEADER for ";
        break;
    case Status::rejected:
        out << "Unsupported BMP layout in " << fileName
            << " (need 24-bit uncompressed, bottom-up, width a multiple of 4, sides of at most " << maxSide
            << ")!" << std::endl;
        return;
    case Status::pixelDataShort:
        before = "Failed to read pixel data for ";
        break;
    case Status::allocationFailed:
        before = "Failed to allocate memory for ";
        break;
    }
    out << before << fileName << after << std::endl;
}

} // namespace bmp
