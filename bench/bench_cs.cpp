// Cost of the c(s) fit on a run of the size real interference runs reach: 226 scans of 1,759
// points (0.0008 cm apart from 5.8 cm to the bottom at 7.2 cm), 150 s values, f/f0 fitted; and of
// the update when one more scan arrives (the kept Lamm solutions carry on, f/f0 stays).
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>

#include "cs/CsChannel.h"
#include "cs/CsFit.h"
#include "follower/ChannelFollower.h"
#include "follower/ChannelSession.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

using namespace morvane::cs;

namespace {

struct LargeRun {
    CsData data;
    NoiseTerms noise;
    LargeRun()
    {
        SimRun run = DemoRun();
        run.cells.erase(run.cells.begin()); // the interference cell, with its offsets and jumps
        run.scans = 226;
        run.firstScanSeconds = 300;
        run.intervalSeconds = 60;
        run.radiusLowCm = 5.8;
        run.stepCm = 0.0008;
        testutil::TempDir dir;
        WriteRun(run, dir.path(), FileTimes::Copied);
        ChannelFollower follower;
        OpenChannel(follower, dir.path(), LaunchParameters::Defaults("0*.IP2"));
        std::vector<std::string> notes;
        morvane::cs::CsOptions at;
        at.meniscusCm = run.meniscusCm;
        at.bottomCm = run.bottomCm;
        ChannelData(*follower.Engine, at, data, notes);
        noise = DefaultNoise(*follower.Engine);
    }
};

const LargeRun& Large()
{
    static const LargeRun run;
    return run;
}

CsOptions Options()
{
    CsOptions o;
    o.resolution = 150;
    o.noise = Large().noise;
    return o;
}

void BM_CsFirstFit(benchmark::State& state)
{
    const CsData& data = Large().data;
    CsResult r;
    double cpu = 0; // of all threads: what the fit costs on a machine shared with other work
    for (auto _ : state) {
        const std::clock_t start = std::clock();
        CsFitter fitter(Options());
        r = fitter.Fit(data);
        benchmark::DoNotOptimize(r.rmsResidual);
        cpu = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    }
    state.counters["cpu_s_all_threads"] = cpu;
    state.counters["scans"] = r.scansUsed;
    state.counters["radii"] = r.radii;
    state.counters["lamm_sets"] = r.lammEvaluations;
    state.counters["ff0"] = r.frictionalRatio;
}
BENCHMARK(BM_CsFirstFit)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

// 225 scans fitted, then the 226th arrives.
void BM_CsUpdateOneScan(benchmark::State& state)
{
    const CsData& all = Large().data;
    CsData first = all;
    first.omega2t.pop_back();
    first.values.pop_back();
    for (auto _ : state) {
        state.PauseTiming();
        auto fitter = std::make_unique<CsFitter>(Options());
        fitter->Fit(first);
        state.ResumeTiming();
        benchmark::DoNotOptimize(fitter->Update(all).rmsResidual);
    }
}
BENCHMARK(BM_CsUpdateOneScan)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

BENCHMARK_MAIN();
