// libFuzzer target: any bytes through the BMP reader. A read or write outside a buffer is the
// sanitizers' to find; a broken promise about the result traps here.
#include "render/bmp_reader.h"

#include <cstddef>
#include <cstdint>
#include <new>

namespace
{

// The largest texture side of Mesa's software renderer, the GL the tests run on.
constexpr std::int32_t maxSide = 16384;

// A short input may still claim tens of MiB that the reader would zero-fill; refusing claims over 1 MiB
// keeps executions fast and drives the failed-allocation path as well.
std::size_t requested = 0;
std::uint8_t* allocateSmall(std::size_t size)
{
    requested = size;
    return size > (std::size_t{1} << 20) ? nullptr : new (std::nothrow) std::uint8_t[size];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    requested = 0;
    const bmp::Image image = bmp::readMemory(data, size, maxSide, allocateSmall);
    // However large the claim, what the reader asks for stays within twice the input plus the
    // missing part it tolerates.
    if (requested > 2 * size + bmp::maxMissingPixelBytes)
        __builtin_trap();
    switch (image.status)
    {
    case bmp::Status::ok: {
        if (!image.pixels || image.width <= 0 || image.height <= 0 || image.width % 4 != 0 ||
            image.width > maxSide || image.height > maxSide)
            __builtin_trap();
        // Touch every byte GL would read, to the last one.
        const std::size_t bytes = std::size_t(image.width) * std::size_t(image.height) * 3;
        unsigned sum = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            sum += image.pixels[i];
        // Pixels past the end of the input are zeros, so their sum is at most the input's.
        unsigned inputSum = 0;
        for (std::size_t i = bmp::pixelOffset; i < size; ++i)
            inputSum += data[i];
        if (sum > inputSum)
            __builtin_trap();
        break;
    }
    case bmp::Status::allocationFailed:
        if (image.pixels || image.width <= 0 || image.height <= 0)
            __builtin_trap();
        break;
    default:
        if (image.pixels || image.width != 0 || image.height != 0)
            __builtin_trap();
        break;
    }
    return 0;
}
