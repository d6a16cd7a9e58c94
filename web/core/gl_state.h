// The fixed-function state the program saves with glPushAttrib/glPushClientAttrib, kept on our side:
// WebGL has neither call, so the browser build restores the saved groups itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace web
{

// Attribute group bits, with GL's values, for the groups the program pushes.
enum AttribBits : std::uint32_t
{
    CurrentBit = 0x00000001,
    PointBit = 0x00000002,
    LineBit = 0x00000004,
    PolygonBit = 0x00000008,
    LightingBit = 0x00000040,
    TextureBit = 0x00040000,
    ClientVertexArrayBit = 0x00000002, // of the client groups
};

struct ServerState
{
    float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float pointSize = 1.0f;
    float lineWidth = 1.0f;
    std::uint32_t polygonMode[2] = {0x1B02, 0x1B02}; // front, back: GL_FILL
    bool lighting = false;
    bool texture2D = false;
    std::uint32_t boundTexture2D = 0;

    // Copies the groups in mask from other.
    void assignGroups(const ServerState& other, std::uint32_t mask);
};

struct VertexPointer
{
    int size = 4;
    std::uint32_t type = 0x1406; // GL_FLOAT
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
