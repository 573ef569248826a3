// The export of the 999-scan benchmark channel (absorbance, 1600 points, about 60 MB of scan
// files): the text of every set alone, and the whole export through the batch writer.
#include <benchmark/benchmark.h>
#include <chrono>
#include <string>
#include <sys/resource.h>

#include "follower/ChannelSession.h"
#include "follower/ScanExport.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace {

struct LoadedChannel {
    testutil::TempDir run, out;
    ChannelFollower follower;
    LoadedChannel()
    {
        testutil::WriteRun(run.path(), testutil::LargeChannelSpec());
        // A clock long after the files were written: every file has settled, also the newest.
        follower.Now = [] { return FileTime(std::chrono::hours(24 * 365 * 100)); };
        OpenChannel(follower, run.path(), LaunchParameters::Defaults("0*.RA1"));
    }
};

LoadedChannel& TheChannel()
{
    static LoadedChannel c;
    return c;
}

void CpuSeconds(double& user, double& system)
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    user = static_cast<double>(usage.ru_utime.tv_sec) + 1e-6 * static_cast<double>(usage.ru_utime.tv_usec);
    system = static_cast<double>(usage.ru_stime.tv_sec) + 1e-6 * static_cast<double>(usage.ru_stime.tv_usec);
}

void BM_SetTexts999(benchmark::State& state)
{
    const ChannelDataStore& raw = *TheChannel().follower.Engine->RawStore;
    const std::string suffix = ExportHeaderSuffix({ 2026, 12, 5, 10, 30, 15 });
    int64_t bytes = 0;
    for (auto _ : state)
        for (int32_t k = 0; k < raw.GetNumberOfSets(); ++k)
            bytes += static_cast<int64_t>(raw.SetToText(k, suffix).size());
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_SetTexts999)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_Export999(benchmark::State& state)
{
    LoadedChannel& c = TheChannel();
    const ChannelDataStore& raw = *c.follower.Engine->RawStore;
    ScanExportRequest job { c.out.path(), "RA1", 1, ExportHeaderSuffix({ 2026, 12, 5, 10, 30, 15 }), c.run.path() };
    double user0 = 0, system0 = 0, user1 = 0, system1 = 0;
    CpuSeconds(user0, system0);
    for (auto _ : state) {
        const ScanExportResult r = ExportScans(raw, job);
        if (r.Written != raw.GetNumberOfSets())
            state.SkipWithError(ExportResultText(r).c_str());
    }
    CpuSeconds(user1, system1);
    const auto n = static_cast<double>(state.iterations());
    state.counters["user_s"] = (user1 - user0) / n;
    state.counters["sys_s"] = (system1 - system0) / n;
    state.counters["files"] = raw.GetNumberOfSets();
}
BENCHMARK(BM_Export999)->Unit(benchmark::kMillisecond)->MinTime(3);

} // namespace

BENCHMARK_MAIN();
