// Pictures of the orbit trails from the benchmark's views, to tell how alike the trails the program
// draws (thinned, and only the chunks that may show) and whole ones look.
#pragma once

#include "views.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class Simulation;

// Counts ids and steps from 0 again, creates the initial system in `sim` with every history limited to
// `budget` points, and takes `steps` steps of 0.0099 s with the log silenced.
void runInitialSystem(Simulation& sim, std::size_t budget, std::uint64_t steps);

enum class TrailDrawing
{
    Program, // the program's own scene: trail chunks and bodies outside the view volume not sent
    Whole,   // every point and body sent
};

// The scene from the view (trails on, arrows off), as the back buffer holds it over the viewport.
std::vector<std::uint8_t> viewPixels(Simulation& sim, const BenchView& view, TrailDrawing drawing);
// The pixels the trails light from the view: the scene with trails against the scene without.
std::vector<bool> trailPixels(Simulation& sim, const BenchView& view, TrailDrawing drawing);

struct Agreement
{
    std::size_t litA = 0;
    std::size_t litB = 0;
    std::size_t litBoth = 0;
    double aInB() const
    {
        return litA ? static_cast<double>(litBoth) / static_cast<double>(litA) : 1.0;
    }
    double bInA() const
    {
        return litB ? static_cast<double>(litBoth) / static_cast<double>(litB) : 1.0;
    }
};
Agreement compareTrailPixels(const std::vector<bool>& a, const std::vector<bool>& b);
