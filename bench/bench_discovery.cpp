// Finding runs and channels: the run directories below a root of 1,000 to 10,000 runs (as
// `morvane-cli channels` and the main window's root follow find them), the channels of a run
// directory of 1,000 to 20,000 scan files, and the main window's detection tick on such a
// directory while nothing changes in it. Each should grow at most linearly with the count.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <map>

#include "discovery/ChannelDetection.h"
#include "discovery/RunDiscovery.h"
#include "mainwindow/DirectoryChannels.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;

namespace {

// A root of `runs` run directories, 100 to a date, each with one scan file; made once per count.
const std::string& Root(int64_t runs)
{
    static std::map<int64_t, testutil::TempDir> roots;
    auto [at, made] = roots.try_emplace(runs);
    if (made) {
        for (int64_t i = 0; i < runs; ++i) {
            char date[8], run[8];
            std::snprintf(date, sizeof date, "%02d%02d24", static_cast<int>(i / 100 / 28 % 12 + 1),
                static_cast<int>(i / 100 % 28 + 1));
            std::snprintf(run, sizeof run, "%06d", static_cast<int>(i % 100 + 1));
            const fs::path dir = fs::path(at->second.path()) / "XLIDATA" / date / run;
            fs::create_directories(dir);
            testutil::WriteTextFile((dir / "00001.RA1").string(), "Test sample\r\nR 1 20.0 50000 600 1.6E+10 280 1\r\n");
        }
    }
    return at->second.path();
}

// A run directory of `files` absorbance scan headers (cell 1) and one interference file (cell 2).
const std::string& RunDir(int64_t files)
{
    static std::map<int64_t, testutil::TempDir> dirs;
    auto [at, made] = dirs.try_emplace(files);
    if (made) {
        for (int64_t i = 0; i < files; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "0%05d.RA1", static_cast<int>(i + 1));
            testutil::WriteTextFile(at->second / name, "Test sample\r\nR 1 20.0 50000 600 1.6E+10 280 1\r\n");
        }
        testutil::WriteTextFile(at->second / "000001.IP2", "Interference\r\nP 2 20.0 50000 600 1.6E+10 660 1\r\n");
        // Quiet: last modified long ago, as a finished run's directory.
        fs::last_write_time(at->second.path(), fs::file_time_type::clock::now() - std::chrono::hours(1));
    }
    return at->second.path();
}

void BM_ListRunDirectories(benchmark::State& state)
{
    const std::string& root = Root(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(ListRunDirectories(root).Dirs.size());
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ListRunDirectories)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

void BM_DetectChannels(benchmark::State& state)
{
    const std::string& dir = RunDir(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(DetectChannels(dir).Entries.size());
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_DetectChannels)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond)->Complexity();

// The main window's detection tick on a directory that does not change: no listing.
void BM_QuietDetectionTick(benchmark::State& state)
{
    const std::string& dir = RunDir(state.range(0));
    DirectoryChannels window;
    window.ChangeWorkingDirectory = false;
    window.UpdateDirChannels(dir);
    for (auto _ : state) {
        window.UpdateDirChannels(dir);
        benchmark::DoNotOptimize(window.RadioGroupChannelsItems.size());
    }
}
BENCHMARK(BM_QuietDetectionTick)->Arg(1000)->Arg(20000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
