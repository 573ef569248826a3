// Cost of the species fits and of the convergence measure on the demo's monomer-dimer mixture
// (absorbance cell, 60 scans to 11220 s), and of the fits on a run of the size real interference
// runs reach (226 scans of 1,759 points): what a window or the command line waits for.
#include <benchmark/benchmark.h>
#include <memory>

#include "follower/ChannelFollower.h"
#include "follower/ChannelSession.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "species/RunConvergence.h"
#include "species/SpeciesFit.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace {

const RealTimeGofS& Mixture()
{
    static std::unique_ptr<ChannelFollower> follower;
    if (!follower) {
        SimRun run = DemoRun();
        run.cells.resize(1);
        testutil::TempDir dir;
        RunSimulator simulator(run);
        WriteRunFiles(simulator, dir.path(), nullptr, nullptr);
        follower = std::make_unique<ChannelFollower>();
        OpenChannel(*follower, dir.path(), LaunchParameters::Defaults("0*.RA1"));
    }
    return *follower->Engine;
}

// The demo's interference cell as a real run records it: 226 scans of 1,759 points (0.0008 cm
// apart from 5.8 cm), a scan a minute from 300 s.
const RealTimeGofS& LargeRun()
{
    static std::unique_ptr<ChannelFollower> follower;
    if (!follower) {
        SimRun run = DemoRun();
        run.cells.erase(run.cells.begin());
        run.scans = 226;
        run.firstScanSeconds = 300;
        run.intervalSeconds = 60;
        run.radiusLowCm = 5.8;
        run.stepCm = 0.0008;
        testutil::TempDir dir;
        WriteRun(run, dir.path(), FileTimes::Copied);
        follower = std::make_unique<ChannelFollower>();
        OpenChannel(*follower, dir.path(), LaunchParameters::Defaults("0*.IP2"));
    }
    return *follower->Engine;
}

// Species in the newest set of the large run, Lamm-boundary model: range(0) species.
void BM_FitSpeciesLarge(benchmark::State& state)
{
    const RealTimeGofS& engine = LargeRun();
    SpeciesFitOptions options;
    options.Species = static_cast<int32_t>(state.range(0));
    int32_t iterations = 0;
    for (auto _ : state) {
        const SpeciesFitResult fit = FitSpecies(engine, options);
        iterations = fit.Iterations;
        benchmark::DoNotOptimize(fit.RmsResidual);
    }
    state.counters["iterations"] = iterations;
}
// CPU time of all threads: the starts of a fit run side by side.
BENCHMARK(BM_FitSpeciesLarge)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// Species in the newest set: range(0) species, range(1) 0 for the Lamm-boundary model, 1 Gaussian.
void BM_FitSpecies(benchmark::State& state)
{
    const RealTimeGofS& engine = Mixture();
    SpeciesFitOptions options;
    options.Species = static_cast<int32_t>(state.range(0));
    options.Model = state.range(1) == 0 ? SpeciesModel::LammBoundaries : SpeciesModel::Gaussian;
    int32_t iterations = 0;
    for (auto _ : state) {
        const SpeciesFitResult fit = FitSpecies(engine, options);
        iterations = fit.Iterations;
        benchmark::DoNotOptimize(fit.RmsResidual);
    }
    state.counters["iterations"] = iterations;
}
BENCHMARK(BM_FitSpecies)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Args({ 1, 0 })
    ->Args({ 2, 0 })
    ->Args({ 3, 0 })
    ->Args({ 2, 1 })
    ->Unit(benchmark::kMillisecond);

// The measure for all 57 sets: range(0) 0 without fits, 1 with a two-species fit of every set.
void BM_ConvergenceSeries(benchmark::State& state)
{
    const RealTimeGofS& engine = Mixture();
    SpeciesFitOptions options;
    options.Species = 2;
    for (auto _ : state)
        benchmark::DoNotOptimize(ConvergenceSeries(engine, {}, state.range(0) ? &options : nullptr).size());
}
BENCHMARK(BM_ConvergenceSeries)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
