// The views a user's run reaches, as data: every frame table, long run and trail picture of the
// benchmark runs over this list. Each view is reached the same way every time: the initial system
// stepped without GL (steps of 0.0099 s, the log silenced) as far as a run at time scale 1024 takes it in
// the given wall-clock time, then the camera placed as the keys would place it. Only the program's
// long-standing interfaces are used, so that an older commit's program can be measured with this list.
#pragma once

#include "sim/simulation.h"

#include <cstdint>
#include <iostream>

struct BenchView
{
    const char* name;
    std::uint32_t target; // the body the camera follows (N pressed this many times)
    float distance;       // camera distance before any zoom
    int zoomOuts;         // then "Z" pressed this many times (10 % out each)
    double secondsAt1024; // the run's wall-clock time at time scale 1024 before the view
};

// (a) the whole system with the trails at their budget (each has just thinned itself once); (b) following
// the innermost planet zoomed in, trails at their budget, most of them passing outside the view; (c) the
// system after it has come apart (a minute at 1024), followed from forty "Z" out, where the trails are long
// lines that leave the view and pass the far plane.
inline constexpr BenchView benchViews[] = {
    {"(a) whole system from 1500", 0, 1500.0f, 0, 20.0},
    {"(b) following mercury from 50", 1, 50.0f, 0, 20.0},
    {"(c) come apart, following the sun 40 Z out", 0, 200.0f, 40, 60.0},
};
constexpr std::size_t benchViewCount = sizeof benchViews / sizeof benchViews[0];

inline std::uint64_t stepsAt1024(double wallSeconds)
{
    return static_cast<std::uint64_t>(wallSeconds * 1024.0 / 0.0099);
}

// Takes `steps` steps of 0.0099 s with the log silenced: a failed stream formats nothing.
inline void advanceQuietly(Simulation& sim, std::uint64_t steps)
{
    std::cout.setstate(std::ios::badbit);
    for (std::uint64_t i = 0; i < steps; ++i)
        sim.step(0.0099f);
    std::cout.clear();
}

// Places the camera as a fresh program's camera with the view's keys pressed.
inline void placeCamera(Simulation& sim, const BenchView& view)
{
    while (sim.targetIndex() != view.target)
        sim.nextTarget();
    sim.camera().pitch() = 45.0f;
    sim.camera().yaw() = 45.0f;
    sim.camera().distance() = view.distance;
    for (int i = 0; i < view.zoomOuts; ++i)
        sim.zoomCamera(-0.1f);
}

// Brings `sim` to the view: steps on from `stepsTaken` (the steps since the initial system was made, which
// it updates) as far as the view's time, then places the camera. Views come in order of time; a later one
// continues the same run.
inline void reachView(Simulation& sim, const BenchView& view, std::uint64_t& stepsTaken)
{
    const std::uint64_t steps = stepsAt1024(view.secondsAt1024);
    if (steps > stepsTaken)
    {
        advanceQuietly(sim, steps - stepsTaken);
        stepsTaken = steps;
    }
    placeCamera(sim, view);
}
