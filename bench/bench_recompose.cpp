// Recomposing a whole interference run: 999 scans of 1600 points, read, spliced with a paradigm's
// radii and written through a temporary file and a rename each.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "recompose/Recompose.h"
#include "testutil/ScanFileWriter.h"

namespace {

constexpr int Scans = 999;
constexpr int Points = 1600;

struct InterferenceRun {
    testutil::TempDir data, out;
    std::vector<std::string> paradigm;
    InterferenceRun()
    {
        testutil::RunSpec spec = testutil::LargeChannelSpec();
        spec.extension = "IP2";
        spec.scans = Scans;
        spec.points = Points;
        const std::vector<std::string> names = testutil::WriteRun(data.path(), spec);
        ReadFileLines(data / names.front(), paradigm);
    }
};

void BM_RecomposeRun(benchmark::State& state)
{
    static InterferenceRun run;
    for (auto _ : state) {
        const RecomposeResult result = RecomposeDirectory(run.data.path(), run.paradigm, run.out.path());
        if (!result.Complete() || result.FilesWritten != Scans)
            state.SkipWithError(result.ProblemsText().c_str());
    }
    state.SetItemsProcessed(state.iterations() * Scans);
}
BENCHMARK(BM_RecomposeRun)->Unit(benchmark::kMillisecond)->MinTime(3);

} // namespace

BENCHMARK_MAIN();
