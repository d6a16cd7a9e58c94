// Lines wider than a pixel as thin quads: WebGL draws every line one pixel wide.
#pragma once

#include <array>
#include <optional>

namespace web
{

using Clip = std::array<float, 4>; // x, y, z, w after the projection

// The four corners, in clip coordinates and in strip order (a0, a1, b0, b1), of a quad `width`
// pixels wide around the segment a-b in a viewport of the given size. The segment is first cut at
// the near plane, as GL clips a line; nothing is left when it lies wholly in front of that plane,
// or when it covers no distance on the screen.
std::optional<std::array<Clip, 4>> wideLineQuad(Clip a, Clip b, float width, float viewportWidth,
                                                float viewportHeight);

} // namespace web
