// The gravity step on the initial system: the program's own Simulation::step, against a floor that
// is not the program's code: a separate loop over plain float arrays, written for this benchmark, that
// does the same sums in the same order and writes the same log line. Before measuring, both run the
// same steps and must land on the same positions to the bit; if the program's step ever changes, the
// benchmark says so instead of comparing it with a floor that no longer does the same work. Each log
// target is measured in the same run, so the ratios hold on a noisy machine.
#include "log_sink.h"
#include "sim/simulation.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace
{
constexpr float stepLength = 0.0099f;

// The floor: the same arithmetic in the same order over plain arrays, without the registry, the
// objects and their accessors.
class BareSimulation
{
  public:
    BareSimulation()
    {
        Simulation source;
        nextObjectId = 0; // registry keys are ids: a fresh system's run from 0
        createInitialSystem(source);
        count_ = source.objectCount();
        for (std::uint32_t k = 0; k < count_; ++k)
        {
            SpaceObject& o = source.object(k);
            mass_[k] = o.mass();
            radius_[k] = o.radius();
            spinRate_[k] = o.spinRate();
            spin_[k] = 0.0f;
            const float p[3] = {o.position().x(), o.position().y(), o.position().z()};
            const float v[3] = {o.velocity().x(), o.velocity().y(), o.velocity().z()};
            for (int c = 0; c < 3; ++c)
            {
                position_[k][c] = p[c];
                velocity_[k][c] = v[c];
            }
        }
    }
    void step(float dt)
    {
        for (std::uint32_t i = 0; i < count_; ++i)
        {
            float acc[3] = {0.0f, 0.0f, 0.0f};
            for (std::uint32_t j = 0; j < count_; ++j)
            {
                if (j == i)
                    continue;
                const float d[3] = {position_[j][0] - position_[i][0], position_[j][1] - position_[i][1],
                                    position_[j][2] - position_[i][2]};
                const float dd = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
                const float distance = std::sqrt(dd);
                if (radius_[j] + radius_[i] > distance)
                    continue;
                for (int c = 0; c < 3; ++c)
                    acc[c] += ((d[c] / distance * 1.0f) * mass_[j]) / dd;
            }
            for (int c = 0; c < 3; ++c)
                acceleration_[i][c] = acc[c];
        }
        for (std::uint32_t k = 0; k < count_; ++k)
        {
            if (frames_ % 20 == 0)
                history_[k].insert(history_[k].end(), position_[k], position_[k] + 3);
            for (int c = 0; c < 3; ++c)
            {
                velocity_[k][c] += acceleration_[k][c] * dt;
                position_[k][c] += velocity_[k][c] * dt;
            }
            spin_[k] = dt * spinRate_[k] + spin_[k];
        }
        const std::uint32_t n = frames_++;
        std::cout << "Frame " << n << ", last dt=" << dt << std::endl;
    }

  private:
    static constexpr int maxBodies = 16;
    std::uint32_t count_ = 0;
    float position_[maxBodies][3] = {};
    float velocity_[maxBodies][3] = {};
    float acceleration_[maxBodies][3] = {};
    float mass_[maxBodies] = {};
    float radius_[maxBodies] = {};
    float spin_[maxBodies] = {};
    float spinRate_[maxBodies] = {};
    std::vector<float> history_[maxBodies];
    std::uint32_t frames_ = 0;

    friend bool sameSums(int steps);
};

// Whether the floor still does the program's work: both run the same steps from the initial system.
bool sameSums(int steps)
{
    Simulation sim;
    nextObjectId = 0;
    frameCount = 0;
    createInitialSystem(sim);
    BareSimulation bare;
    {
        LogSink sink(LogTarget::Suppressed);
        for (int i = 0; i < steps; ++i)
        {
            sim.step(stepLength);
            bare.step(stepLength);
        }
    }
    for (std::uint32_t k = 0; k < sim.objectCount(); ++k)
    {
        const Vector3& p = sim.object(k).position();
        if (p.x() != bare.position_[k][0] || p.y() != bare.position_[k][1] || p.z() != bare.position_[k][2])
            return false;
    }
    return true;
}

template <class Stepper> void runSteps(benchmark::State& state, Stepper& stepper)
{
    LogSink sink(static_cast<LogTarget>(state.range(0)));
    for (auto _ : state)
        stepper.step(stepLength);
}

void BM_Step(benchmark::State& state)
{
    Simulation sim;
    nextObjectId = 0;
    frameCount = 0;
    createInitialSystem(sim);
    struct
    {
        Simulation& sim;
        void step(float dt)
        {
            sim.step(dt);
        }
    } stepper{sim};
    runSteps(state, stepper);
}

void BM_BareArrays(benchmark::State& state)
{
    BareSimulation sim;
    runSteps(state, sim);
}

// The figures as a table: median over the repetitions with min and max, and each variant's ratio to
// the bare loop measured with the same log target.
class TableReporter : public benchmark::BenchmarkReporter
{
  public:
    bool ReportContext(const Context&) override
    {
        return true;
    }
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times_[run.run_name.function_name][run.run_name.args].push_back(run.GetAdjustedRealTime());
    }
    void Finalize() override
    {
        std::FILE* out = reportStream();
        std::fprintf(out, "\n### Gravity step (initial system, 9 bodies), microseconds per step\n\n");
        std::fprintf(
            out, "| log to | Simulation::step | floor: the same sums over bare float arrays | step / floor "
                 "|\n|---|---|---|---|\n");
        for (int target = 0; target < 3; ++target)
        {
            const std::string arg = std::to_string(target);
            const Figure step = figure(times_["BM_Step"][arg]);
            const Figure bare = figure(times_["BM_BareArrays"][arg]);
            std::fprintf(out, "| %s | %s | %s | %.2f |\n", nameOf(static_cast<LogTarget>(target)),
                         step.text().c_str(), bare.text().c_str(), step.median / bare.median);
        }
        std::fflush(out);
    }

  private:
    struct Figure
    {
        double median = 0, min = 0, max = 0;
        std::string text() const
        {
            char buffer[96];
            std::snprintf(buffer, sizeof buffer, "%.3f (%.3f–%.3f)", median / 1000.0, min / 1000.0,
                          max / 1000.0);
            return buffer;
        }
    };
    static Figure figure(std::vector<double> ns)
    {
        Figure f;
        if (ns.empty())
            return f;
        std::sort(ns.begin(), ns.end());
        f.min = ns.front();
        f.max = ns.back();
        const std::size_t n = ns.size();
        f.median = n % 2 ? ns[n / 2] : (ns[n / 2 - 1] + ns[n / 2]) / 2.0;
        return f;
    }
    std::map<std::string, std::map<std::string, std::vector<double>>> times_;
};
} // namespace

// Arguments: the log target (0 /dev/null, 1 pipe, 2 no log).
BENCHMARK(BM_Step)->DenseRange(0, 2)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_BareArrays)->DenseRange(0, 2)->Unit(benchmark::kNanosecond);

int main(int argc, char** argv)
{
    reportStream(); // before any benchmark redirects standard output
    if (!sameSums(1000))
    {
        std::fprintf(reportStream(), "step benchmark: Simulation::step no longer does the floor's sums; "
                                     "update BareSimulation in tools/bench/step_bench.cpp\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TableReporter table;
    benchmark::RunSpecifiedBenchmarks(&table);
    benchmark::Shutdown();
    return 0;
}
