// Recomposing a whole interference run: 999 scans of 1600 points, read, spliced with a paradigm's
// radii and written through a temporary file and a rename each.
#include <benchmark/benchmark.h>

#include <string>
#include <sys/resource.h>
#include <vector>

#include "recompose/Recompose.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

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

// User and system CPU seconds of the process so far: on a busy machine the wall time mostly
// tells how long the run waited for the processor and the disk.
void CpuSeconds(double& user, double& system)
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    user = static_cast<double>(usage.ru_utime.tv_sec) + 1e-6 * static_cast<double>(usage.ru_utime.tv_usec);
    system = static_cast<double>(usage.ru_stime.tv_sec) + 1e-6 * static_cast<double>(usage.ru_stime.tv_usec);
}

void BM_RecomposeRun(benchmark::State& state)
{
    static InterferenceRun run;
    double user0 = 0, system0 = 0, user1 = 0, system1 = 0;
    CpuSeconds(user0, system0);
    for (auto _ : state) {
        const RecomposeResult result = RecomposeDirectory(run.data.path(), run.paradigm, run.out.path());
        if (!result.Complete() || result.FilesWritten != Scans)
            state.SkipWithError(result.ProblemsText().c_str());
    }
    CpuSeconds(user1, system1);
    const auto n = static_cast<double>(state.iterations());
    state.counters["user_s"] = (user1 - user0) / n;
    state.counters["sys_s"] = (system1 - system0) / n;
    state.SetItemsProcessed(state.iterations() * Scans);
}
BENCHMARK(BM_RecomposeRun)->Unit(benchmark::kMillisecond)->MinTime(3);

} // namespace

BENCHMARK_MAIN();
