// Pictures of the orbit trails from fixed views, to tell how alike a thinned trail and the whole one look.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class Simulation;

struct TrailView
{
    const char* name;
    std::uint32_t target; // body the camera follows
    float distance;
    float pitch; // degrees
};
// The whole system from far out, the innermost planet from close in, the moon.
extern const TrailView trailViews[3];

// Counts ids and steps from 0 again, creates the initial system in `sim` with every history limited to
// `budget` points, and takes `steps` steps of 0.0099 s with the log silenced.
void runInitialSystem(Simulation& sim, std::size_t budget, std::uint64_t steps);
// Takes `steps` more steps, log silenced.
void advance(Simulation& sim, std::uint64_t steps);

// The scene from the view (trails on, arrows off), as the back buffer holds it over the viewport.
std::vector<std::uint8_t> viewPixels(Simulation& sim, const TrailView& view);
// The pixels the trails light from the view: the scene with trails against the scene without.
std::vector<bool> trailPixels(Simulation& sim, const TrailView& view);

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
