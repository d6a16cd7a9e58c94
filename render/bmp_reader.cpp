// Reading the one BMP form the textures use, without GL.
#include "render/bmp_reader.h"

#include <cstdio>
#include <cstring>
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

class FileSource final : public Source
{
  public:
    explicit FileSource(std::FILE* file) : file_(file)
    {
    }
    std::size_t read(std::uint8_t* into, std::size_t size) override
    {
        return std::fread(into, 1, size, file_);
    }

  private:
    std::FILE* file_;
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

std::uint64_t acceptedPixelBytes(const Header& header)
{
    if (header.width <= 0 || header.height <= 0 || header.bitCount != 24 || header.compression != 0)
        return 0;
    const std::uint64_t rowBytes = std::uint64_t(header.width) * 3;
    if (rowBytes % 4 != 0)
        return 0;
    // Both factors are below 2^33 and 2^31, so the product cannot wrap in 64 bits.
    const std::uint64_t bytes = rowBytes * std::uint64_t(header.height);
    return bytes <= maxPixelBytes ? bytes : 0;
}

std::uint8_t* allocateNoThrow(std::size_t size)
{
    return new (std::nothrow) std::uint8_t[size];
}

Image read(Source& source, Allocator allocate)
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
    const std::uint64_t bytes = acceptedPixelBytes(header);
    if (bytes == 0)
    {
        image.status = Status::rejected;
        return image;
    }
    image.width = header.width;
    image.height = header.height;
    const auto size = static_cast<std::size_t>(bytes); // at most maxPixelBytes
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

Image readMemory(const std::uint8_t* data, std::size_t size, Allocator allocate)
{
    MemorySource source(data, size);
    return read(source, allocate);
}

Image readFile(const char* fileName, Allocator allocate)
{
    std::FILE* file = std::fopen(fileName, "rb");
    if (!file)
        return Image{};
    FileSource source(file);
    Image image = read(source, allocate);
    std::fclose(file);
    return image;
}

void reportFailure(std::ostream& out, Status status, const char* fileName)
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
        before = "Unsupported BMP layout in ";
        after = " (need 24-bit uncompressed, bottom-up, width a multiple of 4, at most 256 MiB)!";
        break;
    case Status::allocationFailed:
        before = "Failed to allocate memory for ";
        break;
    }
    out << before << fileName << after << std::endl;
}

} // namespace bmp
