// A channel of 999 absorbance scans of 1600 points: the whole analyze process against the bare
// parse of its bytes, the full load, each stage of it, and one incremental refresh that adds a scan
// to 998. The process and the bare parse are meant to be run side by side, alternately:
//     bench_channel --benchmark_filter='Process|Bare' --benchmark_repetitions=15
//         --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <charconv>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>

#include "follower/ChannelSession.h"
#include "scanfiles/BeckmanFile.h"
#include "scanfiles/FileSystem.h"
#include "scanfiles/ScanText.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;

namespace {

struct Channel {
    testutil::TempDir all;
    std::vector<std::string> names;
    Channel() { names = testutil::WriteRun(all.path(), testutil::LargeChannelSpec()); }
};

Channel& TheChannel()
{
    static Channel c;
    return c;
}

void Open(ChannelFollower& f, const std::string& dir)
{
    // A clock long after the files were written: every file has settled, also the newest.
    f.Now = [] { return FileTime(std::chrono::hours(24 * 365 * 100)); };
    OpenChannel(f, dir, LaunchParameters::Defaults("0*.RA1"));
}

// The argument is the number of reading threads; 0 takes the machine's (or MORVANE_THREADS).
void BM_FullLoad999(benchmark::State& state)
{
    Channel& c = TheChannel();
    for (auto _ : state) {
        ChannelFollower f;
        f.ReadThreads = static_cast<int32_t>(state.range(0));
        Open(f, c.all.path());
        benchmark::DoNotOptimize(f.Engine->GofsStore->GetNumberOfSets());
    }
    state.SetLabel(std::to_string(state.range(0) > 0 ? state.range(0) : ReadingThreadsFromEnvironment()) + " threads");
}
BENCHMARK(BM_FullLoad999)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(3);

// The yardstick of a full load: each file read and every number in it converted by std::from_chars,
// on one core, nothing kept.
void BM_BareParse999(benchmark::State& state)
{
    Channel& c = TheChannel();
    std::string bytes;
    for (auto _ : state) {
        double sum = 0;
        for (const std::string& name : c.names) {
            ReadWholeFile(JoinPath(c.all.path(), name), bytes);
            const char* p = bytes.data();
            const char* const end = p + bytes.size();
            while (p < end) {
                while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n'))
                    ++p;
                const char* word = p;
                while (p < end && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n')
                    ++p;
                double v = 0;
                if (std::from_chars(word, p, v).ec == std::errc {})
                    sum += v;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_BareParse999)->Unit(benchmark::kMillisecond)->MinTime(3);

// The whole `morvane-cli analyze` of the channel, from the process's start to its g(s*) file and
// record written; the argument is MORVANE_THREADS (0: the machine's).
void BM_AnalyzeProcess999(benchmark::State& state)
{
    Channel& c = TheChannel();
    testutil::TempDir out;
    const std::string program = MORVANE_CLI_PROGRAM, output = out / "g.txt";
    const std::string threads = "MORVANE_THREADS=" + std::to_string(state.range(0));
    std::vector<std::string> args = { program, "analyze", c.all.path(), "--channel", "0*.RA1", "--output", output };
    std::vector<char*> argv, envp;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::string copy = threads;
    if (state.range(0) > 0)
        envp.push_back(copy.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawn(&pid, program.c_str(), &quiet, nullptr, argv.data(), envp.data()) != 0
            || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("morvane-cli analyze failed");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&quiet);
    state.SetLabel(state.range(0) > 0 ? std::to_string(state.range(0)) + " threads" : "the machine's threads");
}
BENCHMARK(BM_AnalyzeProcess999)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_ReadFiles999(benchmark::State& state)
{
    Channel& c = TheChannel();
    for (auto _ : state) {
        BeckmanFile reader;
        for (const std::string& name : c.names)
            benchmark::DoNotOptimize(reader.ReadScanFile(JoinPath(c.all.path(), name), 0, 0));
    }
}
BENCHMARK(BM_ReadFiles999)->Unit(benchmark::kMillisecond)->MinTime(3);

// Each stage of the rebuild on a loaded channel.
void BM_Stage(benchmark::State& state)
{
    Channel& c = TheChannel();
    ChannelFollower f;
    Open(f, c.all.path());
    RealTimeGofS& e = *f.Engine;
    for (auto _ : state) {
        switch (state.range(0)) {
        case 0:
            e.Refreshdcdtvss();
            break;
        case 1:
            e.RefreshAvgdcdtvss();
            break;
        case 2:
            e.RefreshGofsvss();
            break;
        default:
            e.IPtransform();
        }
    }
    state.SetLabel(state.range(0) == 0 ? "Refreshdcdtvss"
            : state.range(0) == 1      ? "RefreshAvgdcdtvss"
            : state.range(0) == 2      ? "RefreshGofsvss"
                                       : "IPtransform");
}
BENCHMARK(BM_Stage)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_RefreshOneScanOnto998(benchmark::State& state)
{
    Channel& c = TheChannel();
    testutil::TempDir growing;
    for (size_t k = 0; k + 1 < c.names.size(); ++k)
        fs::create_symlink(c.all / c.names[k], growing / c.names[k]);
    const std::string last = c.names.back();
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(growing / last);
        auto follower = std::make_unique<ChannelFollower>();
        ChannelFollower& f = *follower;
        Open(f, growing.path());
        fs::create_symlink(c.all / last, growing / last);
        state.ResumeTiming();
        benchmark::DoNotOptimize(f.RefreshChannel());
        state.PauseTiming(); // the follower's end is no part of a refresh
        if (f.Counts.Used != 999 || f.Counts.Reloads != 0)
            state.SkipWithError("the refresh did not append the one new scan");
        follower.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RefreshOneScanOnto998)->Unit(benchmark::kMillisecond)->Iterations(8);

// A tick at 999 scans that finds nothing new: the cost of looking at the files.
void BM_RefreshNothingNew999(benchmark::State& state)
{
    Channel& c = TheChannel();
    ChannelFollower f;
    Open(f, c.all.path());
    for (auto _ : state)
        benchmark::DoNotOptimize(f.RefreshChannel());
}
BENCHMARK(BM_RefreshNothingNew999)->Unit(benchmark::kMillisecond)->MinTime(2);

} // namespace

BENCHMARK_MAIN();
