// The fixed-function state the program saves with glPushAttrib/glPushClientAttrib, kept on our side:
// WebGL has neither call, so the browser build restores the saved groups itself.
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
constexpr std::uint32_t EnableBit = 0x00002000;
constexpr std::uint32_t TextureBit = 0x00040000;
constexpr std::uint32_t ClientVertexArrayBit = 0x00000002; // of the client groups
// Primitives.
constexpr std::uint32_t Points = 0x0000;
constexpr std::uint32_t Lines = 0x0001;
constexpr std::uint32_t LineLoop = 0x0002;
constexpr std::uint32_t LineStrip = 0x0003;
constexpr std::uint32_t Triangles = 0x0004;
constexpr std::uint32_t TriangleStrip = 0x0005;
// Capabilities and client arrays.
constexpr std::uint32_t Lighting = 0x0B50;
constexpr std::uint32_t Texture2D = 0x0DE1;
constexpr std::uint32_t DepthTest = 0x0B71;
constexpr std::uint32_t Blend = 0x0BE2;
constexpr std::uint32_t CullFace = 0x0B44;
constexpr std::uint32_t ScissorTest = 0x0C11;
constexpr std::uint32_t Fog = 0x0B60;
constexpr std::uint32_t VertexArray = 0x8074;
// Types and polygon modes.
constexpr std::uint32_t Short = 0x1402;
constexpr std::uint32_t Float = 0x1406;
constexpr std::uint32_t Double = 0x140A;
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

struct VertexPointer
{
    int size = 4;
    std::uint32_t type = gl::Float;
    int stride = 0;
    const void* pointer = nullptr;

    // Bytes from one vertex to the next: a stride of 0 means tightly packed.
    std::size_t step() const;
};

struct ClientState
{
    bool vertexArray = false;
    VertexPointer vertexPointer;

    void assignGroups(const ClientState& other, std::uint32_t mask);
};

// GL's attribute stack over one of the states above: push saves the groups in the mask, pop puts
// back exactly those groups and leaves every other change in place. A pop on an empty stack
// changes nothing (GL reports a stack underflow and does the same).
template <class State> class GroupStack
{
  public:
    void push(std::uint32_t mask, const State& current)
    {
        entries_.push_back({mask, current});
    }
    // Returns false on an empty stack.
    bool pop(State& current)
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
        State saved;
    };
    std::vector<Entry> entries_;
};

// Turns a BGR image into RGB for an upload as GL_RGB: WebGL has no BGR format. Rows are padded to
// `alignment` bytes (GL's unpack alignment) and the padding is kept, so the same alignment reads
// the result.
std::vector<std::uint8_t> bgrToRgb(const std::uint8_t* pixels, int width, int height, int alignment);

// A draw of [first, first + count) cut into draws of at most maxBytes of vertex data each. Points,
// lines and triangles are cut at whole primitives; other modes are never cut.
struct DrawRange
{
    std::size_t first;
    std::size_t count;
};
std::vector<DrawRange> splitDraw(std::uint32_t mode, std::size_t first, std::size_t count,
                                 std::size_t vertexBytes, std::size_t maxBytes);

} // namespace web
