// Mapping mouse positions between rectangles and onto the virtual trackball.
#pragma once

#include "sim/vector.h"
#include "window/bounds2d.h"

// The square [-1, 1] x [-1, 1] onto which the window is mapped.
inline constexpr Bounds2D unitBounds{-1.0f, 1.0f, -1.0f, 1.0f};

// The point at the same relative place in `to` as `p` is in `from`.
Point2D mapToBounds(const Point2D& p, const Bounds2D& from, const Bounds2D& to);
Point2D mapToBounds(int x, int y, const Bounds2D& from, const Bounds2D& to);

// Lifts a point of the unit square onto the front half of the unit sphere.
Vector4 projectToSphere(Vector4 point);
