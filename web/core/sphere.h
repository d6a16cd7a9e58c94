// What the browser's GLU spheres do beyond GLU's: how few facets a small one needs.
#pragma once

#include "render/sphere_geometry.h"

namespace web
{

// The slices (and, in proportion, stacks) a sphere needs for its outline to stay within a tenth of a
// pixel of GLU's with `slices`, when its radius covers `radiusPixels` on the screen: a few standard
// counts, never more than asked for. A sphere of unknown size (zero or less, or not a number) keeps
// every slice.
int slicesFor(double radiusPixels, int slices);

} // namespace web
