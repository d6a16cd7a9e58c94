// The fixed-function state the program saves with glPushAttrib, kept on our side: WebGL has no such
// call, so the browser build restores the saved groups itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace web
{

// GL's values for the names the layer's logic needs, here because the logic is built without GL's
// headers (web/platform/web_gl.cpp checks each against them at compile time).
namespace gl
{
// Attribute groups.
constexpr std::uint32_t CurrentBit = 0x00000001;
constexpr std::uint32_t PointBit = 0x00000002;
constexpr std::uint32_t LineBit = 0x00000004;
constexpr std::uint32_t PolygonBit = 0x00000008;
constexpr std::uint32_t LightingBit = 0x00000040;
constexpr std::uint32_t TextureBit = 0x00040000;
// Line primitives.
constexpr std::uint32_t Lines = 0x0001;
constexpr std::uint32_t LineLoop = 0x0002;
constexpr std::uint32_t LineStrip = 0x0003;
// Capabilities.
constexpr std::uint32_t Lighting = 0x0B50;
constexpr std::uint32_t Texture2D = 0x0DE1;
constexpr std::uint32_t DepthTest = 0x0B71;
constexpr std::uint32_t Blend = 0x0BE2;
constexpr std::uint32_t CullFace = 0x0B44;
constexpr std::uint32_t ScissorTest = 0x0C11;
// Polygon modes.
constexpr std::uint32_t Fill = 0x1B02;
} // namespace gl

struct ServerState
{
    float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float pointSize = 1.0f;
    float lineWidth = 1.0f;
    std::uint32_t polygonMode[2] = {gl::Fill, gl::Fill}; // front, back
    bool lighting = false;
    bool texture2D = false;
    std::uint32_t boundTexture2D = 0;

    // Copies the groups in mask from other.
    void assignGroups(const ServerState& other, std::uint32_t mask);
};

// GL's attribute stack over the state above: push saves the groups in the mask, pop puts
// back exactly those groups and leaves every other change in place. A pop on an empty stack
// changes nothing (GL reports a stack underflow and does the same).
class GroupStack
{
  public:
    void push(std::uint32_t mask, const ServerState& current)
    {
        entries_.push_back({mask, current});
    }
    // Returns false on an empty stack.
    bool pop(ServerState& current)
    {
        if (entries_.empty())
            return false;
        const Entry entry = entries_.back();
        entries_.pop_back();
        current.assignGroups(entry.saved, entry.mask);
        return true;
    }
    std::size_t depth() const
    {
        return entries_.size();
    }

  private:
    struct Entry
    {
        std::uint32_t mask;
        ServerState saved;
    };
    std::vector<Entry> entries_;
};

// Turns a BGR image into RGB for an upload as GL_RGB: WebGL has no BGR format. Rows are padded to
// `alignment` bytes (GL's unpack alignment) and the padding is kept, so the same alignment reads
// the result.
std::vector<std::uint8_t> bgrToRgb(const std::uint8_t* pixels, int width, int height, int alignment);
// The same into opaque RGBA, rows without padding (any alignment reads rows of whole pixels).
std::vector<std::uint8_t> bgrToRgba(const std::uint8_t* pixels, int width, int height, int alignment);

} // namespace web
