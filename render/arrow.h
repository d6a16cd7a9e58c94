// The arrow: a line with an optional cone head, as the motion vectors are drawn.
#pragma once

#include "render/color.h"
#include "sim/vector.h"

// A line from origin along direction, as long as direction, in color, with an optional cone head
// at its tip. A direction that is zero or not finite has no direction to show and draws nothing.
void drawArrow(const Vector4& direction, const Color& color, const Vector4& origin, bool withHead);

