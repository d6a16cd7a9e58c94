// Where the browser layer's cover of GL ends. The layer keeps only the state the program uses; a
// call beyond that is right on the desktop and silently wrong in the browser, so the layer reports it
// instead: one warning per call in the page, and a failure in the native tests, which turn checked
// mode on. The checklist in web/include/velmir_web_gl.h says the same in words.
#pragma once

#include "web/core/gl_state.h"

#include <cstdint>
#include <functional>
#include <string>

namespace web
{

// The attribute groups whose state the layer keeps and puts back on a pop.
constexpr std::uint32_t keptServerGroups =
    gl::CurrentBit | gl::PointBit | gl::LineBit | gl::PolygonBit | gl::LightingBit | gl::TextureBit;

// Capabilities the layer tracks (a pop of their group puts them back), and those the browser's GL
// has itself and that no group the layer keeps includes: every other one is a gap.
bool tracksCapability(std::uint32_t cap);
bool passesCapability(std::uint32_t cap);

// Whether a primitive between glBegin and glEnd comes out at a line width above one pixel: only
// GL_LINES. isLine says whether the width applies to the primitive at all.
bool isLine(std::uint32_t mode);
bool widensLines(std::uint32_t mode);

// Reports a call the layer does not serve as the desktop's GL does: `call` is GL's name for it,
// `detail` what goes wrong. Without a handler (the page) it prints one warning on standard error the
// first time each call reports; a handler set by checked mode receives every report instead.
using GapHandler = std::function<void(const std::string& call, const std::string& detail)>;
void setGapHandler(GapHandler handler);
void reportGap(const char* call, const std::string& detail);

// "0x00002000": the hexadecimal form the reports give GL's values in.
std::string hex(std::uint32_t value);

} // namespace web
