// The arrow: a line with an optional cone head, as the motion vectors are drawn.
#pragma once

#include "render/color.h"
#include "sim/vector.h"

#include <initializer_list>

// A line from origin along direction, as long as direction, in color, with an optional cone head
// at its tip. A direction that is zero or not finite has no direction to show and draws nothing.
void drawArrow(const Vector4& direction, const Color& color, const Vector4& origin, bool withHead);

struct Arrow
{
    Vector4 direction;
    Color color;
    Vector4 origin;
    bool withHead;
};
// The arrows one after the other as drawArrow draws each, with the GL state they change saved and
// restored once around them all instead of around each: the same pixels, half the state changes for
// a pair (software GL pays for every restore).
void drawArrows(std::initializer_list<Arrow> arrows);
