#include "web/core/coverage.h"

#include <cstdio>
#include <set>
#include <utility>

namespace web
{

namespace
{
GapHandler& handler()
{
    static GapHandler h;
    return h;
}
} // namespace

bool tracksCapability(std::uint32_t cap)
{
    return cap == gl::Lighting || cap == gl::Texture2D;
}

bool passesCapability(std::uint32_t cap)
{
    return cap == gl::DepthTest || cap == gl::Blend || cap == gl::CullFace || cap == gl::ScissorTest;
}

bool isLine(std::uint32_t mode)
{
    return mode == gl::Lines || mode == gl::LineLoop || mode == gl::LineStrip;
}

bool widensLines(std::uint32_t mode)
{
    return mode == gl::Lines;
}

void setGapHandler(GapHandler h)
{
    handler() = std::move(h);
}

void reportGap(const char* call, const std::string& detail)
{
    if (handler())
    {
        handler()(call, detail);
        return;
    }
    static std::set<std::string> warned;
    if (warned.insert(call).second)
        std::fprintf(stderr,
                     "velmir web layer: %s: %s; the browser draws this differently from the desktop\n", call,
                     detail.c_str());
}

std::string hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

} // namespace web
