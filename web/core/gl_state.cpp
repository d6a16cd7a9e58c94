#include "web/core/gl_state.h"

#include <algorithm>

namespace web
{

void ServerState::assignGroups(const ServerState& other, std::uint32_t mask)
{
    if (mask & gl::CurrentBit)
        std::copy(other.color, other.color + 4, color);
    if (mask & gl::PointBit)
        pointSize = other.pointSize;
    if (mask & gl::LineBit)
        lineWidth = other.lineWidth;
    if (mask & gl::PolygonBit)
        std::copy(other.polygonMode, other.polygonMode + 2, polygonMode);
    if (mask & gl::LightingBit)
        lighting = other.lighting;
    if (mask & gl::TextureBit)
    {
        texture2D = other.texture2D;
        boundTexture2D = other.boundTexture2D;
    }
}

std::vector<std::uint8_t> bgrToRgb(const std::uint8_t* pixels, int width, int height, int alignment)
{
    if (!pixels || width <= 0 || height <= 0)
        return {};
    const std::size_t a = alignment > 0 ? static_cast<std::size_t>(alignment) : 1;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    const std::size_t pitch = (rowBytes + a - 1) / a * a;
    // The last row needs no padding after it: GL reads none.
    std::vector<std::uint8_t> out(pixels, pixels + pitch * static_cast<std::size_t>(height - 1) + rowBytes);
    for (std::size_t row = 0; row < static_cast<std::size_t>(height); ++row)
        for (std::size_t i = row * pitch; i < row * pitch + rowBytes; i += 3)
            std::swap(out[i], out[i + 2]);
    return out;
}

std::vector<std::uint8_t> bgrToRgba(const std::uint8_t* pixels, int width, int height, int alignment)
{
    if (!pixels || width <= 0 || height <= 0)
        return {};
    const std::size_t a = alignment > 0 ? static_cast<std::size_t>(alignment) : 1;
    const std::size_t pitch = (static_cast<std::size_t>(width) * 3 + a - 1) / a * a;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    std::uint8_t* to = out.data();
    for (std::size_t row = 0; row < static_cast<std::size_t>(height); ++row)
        for (const std::uint8_t *from = pixels + row * pitch, *end = from + width * 3; from < end; from += 3, to += 4)
        {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            to[3] = 255;
        }
    return out;
}

} // namespace web
