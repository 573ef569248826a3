// Cost of simulating runs: the Lamm solver alone and whole runs with their scan files (in
// memory, no disk). The target: a 3-hour, 60-scan, two-species run in one cell well under a minute.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>

#include "simulator/LammSolver.h"
#include "simulator/RotorSchedule.h"
#include "simulator/SimulatedRun.h"

using namespace morvane;

namespace {

// One species, 3 hours at 50000 rpm after a 300 rpm/s start, read out every 180 s.
void BM_LammSolverThreeHours(benchmark::State& state)
{
    const double s = static_cast<double>(state.range(0)) / 10; // Svedbergs
    const RotorSchedule rotor(50000, 300);
    int64_t steps = 0;
    for (auto _ : state) {
        LammSolver solver({ s, 6e-7 * std::sqrt(4.4 / std::max(s, 0.1)), 1.0 }, 5.9, 7.2, rotor);
        for (double t = 600; t <= 11220; t += 180)
            solver.AdvanceTo(t);
        steps = solver.StepsTaken();
        benchmark::DoNotOptimize(solver.ConcentrationAt(6.5));
    }
    state.counters["steps"] = static_cast<double>(steps);
}
BENCHMARK(BM_LammSolverThreeHours)->Arg(0)->Arg(44)->Arg(68)->Arg(300)->Unit(benchmark::kMillisecond);

SimRun TwoSpeciesOneCell()
{
    SimRun run = DemoRun(); // 4.4 S and 6.8 S, 60 scans from 600 s every 180 s
    run.cells.resize(1);
    return run;
}

void ProduceAll(const SimRun& run, benchmark::State& state)
{
    size_t bytes = 0;
    for (auto _ : state) {
        RunSimulator simulator(run);
        SimScan scan;
        while (simulator.NextScan(scan))
            bytes += scan.text.size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

// The required figure: a 3-hour, 60-scan, two-species run in one cell.
void BM_RunTwoSpeciesOneCell(benchmark::State& state) { ProduceAll(TwoSpeciesOneCell(), state); }
BENCHMARK(BM_RunTwoSpeciesOneCell)->Unit(benchmark::kMillisecond);

// The demo: the same sample in absorbance and interference.
void BM_RunDemo(benchmark::State& state) { ProduceAll(DemoRun(), state); }
BENCHMARK(BM_RunDemo)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
