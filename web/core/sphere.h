// What the browser's GLU spheres do beyond GLU's: when their back faces may be culled, and how few
// facets a small one needs.
#pragma once

#include "render/sphere_geometry.h"

namespace web
{

// Whether GL may cull the back faces of a sphere of `radius` about the model-view's origin, drawn as
// GLU draws it from outside (counter-clockwise seen from outside), without changing what shows: the
// model-view turns and moves but neither scales nor mirrors, the projection does not mirror, and the
// whole sphere lies beyond the near plane, so no front face is clipped away to show a back face. The
// caller checks the fragments' state (depth test on, no blending). Matrices are column by column.
bool backFacesHidden(const float modelview[16], const float projection[16], double radius);

// The slices (and, in proportion, stacks) a sphere needs for its outline to stay within a tenth of a
// pixel of GLU's with `slices`, when its radius covers `radiusPixels` on the screen: a few standard
// counts, never more than asked for. A sphere of unknown size (zero or less, or not a number) keeps
// every slice.
int slicesFor(double radiusPixels, int slices);

} // namespace web
