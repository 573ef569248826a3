#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

#include "app/cli/AnalyzeCommand.h"
#include "testutil/ScanFileWriter.h"

namespace fs = std::filesystem;
using testutil::TempDir;

namespace {

struct CliRun {
    std::ostringstream out, err;
    std::atomic<bool> stop { false };
    int status = 0;

    int Analyze(
        const AnalyzeOptions& o, const std::function<void(int)>& sleep = [](int) {})
    {
        status = RunAnalyze(o, out, err, stop, sleep);
        return status;
    }
};

AnalyzeOptions OptionsFor(const std::string& dir, const std::string& output)
{
    AnalyzeOptions o;
    o.runDir = dir;
    o.output = output;
    return o;
}

} // namespace

TEST(CliAnalyze, WritesTheFileAndASummary)
{
    TempDir run, out;
    testutil::RunSpec spec;
    spec.scans = 12;
    testutil::WriteRun(run.path(), spec);
    CliRun r;
    AnalyzeOptions o = OptionsFor(run.path(), out / "g.txt");
    ASSERT_EQ(r.Analyze(o), 0) << r.err.str();
    EXPECT_EQ(r.out.str().rfind(out / "g.txt" + ": ", 0), 0u);
    EXPECT_NE(r.out.str().find(" from 12 scans of 0*.RA1, t = 600 to 3900 s, g(s*) peak at s* = 4."), std::string::npos)
        << r.out.str();
    EXPECT_TRUE(fs::exists(out / "g.txt"));

    CliRun j;
    o.json = true;
    ASSERT_EQ(j.Analyze(o), 0) << j.err.str();
    const std::string line = j.out.str();
    EXPECT_EQ(line.rfind("{\"file\":\"" + out / "g.txt" + "\",\"channel\":\"0*.RA1\",\"scans\":12,", 0), 0u) << line;
}

TEST(CliAnalyze, ErrorsAreOneClearLine)
{
    TempDir run, empty, out, shortRun, fewRun;
    testutil::RunSpec spec;
    spec.scans = 6;
    testutil::WriteRun(run.path(), spec);
    spec.points = 10;
    testutil::WriteRun(shortRun.path(), spec);
    spec.points = 200;
    spec.scans = 3;
    testutil::WriteRun(fewRun.path(), spec);

    const struct {
        const char* name;
        AnalyzeOptions options;
        int status;
        std::string message;
    } cases[] = {
        { "no such directory", OptionsFor(run / "nope", ""), 2, "morvane-cli: no such directory: " + run / "nope" },
        { "no channel", OptionsFor(empty.path(), ""), 1, "morvane-cli: no channel found in " + empty.path() },
        { "unknown channel",
            [&] {
                auto o = OptionsFor(run.path(), "");
                o.channel = "0*.XX1";
                return o;
            }(),
            2, "morvane-cli: unknown channel '0*.XX1' (a mask such as 0*.RA1, A*.IP2 or 0*.RI3Sam)" },
        { "channel without files",
            [&] {
                auto o = OptionsFor(run.path(), "");
                o.channel = "0*.IP1";
                return o;
            }(),
            1, "morvane-cli: no scan files of channel 0*.IP1 in " + run.path() },
        { "no scan with enough points", OptionsFor(shortRun.path(), out / "x.txt"), 1,
            "morvane-cli: no scan of channel 0*.RA1 could be read with at least 20 points" },
        { "not enough data", OptionsFor(fewRun.path(), out / "x.txt"), 1,
            "morvane-cli: Not enough Data (3 scans of 0*.RA1)" },
        { "set out of range",
            [&] {
                auto o = OptionsFor(run.path(), out / "x.txt");
                o.set = 99;
                return o;
            }(),
            2, "morvane-cli: set 99 does not exist: the channel has 3 g(s*) sets, numbered from 0" },
        { "weight out of range",
            [&] {
                auto o = OptionsFor(run.path(), "");
                o.mw = 100;
                return o;
            }(),
            2,
            "morvane-cli: Error entering Molecular Weight, please enter a weight between 100 and 1,000,000 in the "
            "correct format" },
        { "meniscus beyond bottom",
            [&] {
                auto o = OptionsFor(run.path(), "");
                o.meniscus = 7.5;
                return o;
            }(),
            2, "morvane-cli: the meniscus (7.5 cm) must be positive and below the bottom (7.2 cm)" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CliRun r;
        EXPECT_EQ(r.Analyze(c.options), c.status);
        EXPECT_EQ(r.err.str(), c.message + "\n");
        EXPECT_TRUE(r.out.str().empty());
    }
    EXPECT_FALSE(fs::exists(out / "x.txt"));

    CliRun unwritable;
    EXPECT_EQ(unwritable.Analyze(OptionsFor(run.path(), out / "no-dir/x.txt")), 1);
    EXPECT_EQ(unwritable.err.str().rfind("morvane-cli: Unexpected error writing file", 0), 0u);
}

TEST(CliAnalyze, WatchRewritesAfterEachBatchAndStops)
{
    TempDir run, out;
    testutil::RunSpec spec;
    spec.scans = 2;
    testutil::WriteRun(run.path(), spec);
    CliRun r;
    AnalyzeOptions o = OptionsFor(run.path(), out / "w.txt");
    o.watch = true;
    int ticks = 0;
    auto sleep = [&](int) {
        ++ticks;
        if (ticks == 1) {
            spec.scans = 8; // six new scans arrive before the first tick
            testutil::WriteRun(run.path(), spec);
        } else if (ticks == 3) {
            spec.scans = 10;
            testutil::WriteRun(run.path(), spec);
        } else if (ticks == 4) {
            r.stop = true;
        }
    };
    EXPECT_EQ(r.Analyze(o, sleep), 0) << r.err.str();
    EXPECT_EQ(r.err.str(), "morvane-cli: waiting for scans of 0*.RA1 in " + run.path() + "\n")
        << "two scans make no g(s*) set yet";
    const std::string text = r.out.str();
    EXPECT_NE(text.find("from 8 scans"), std::string::npos) << text;
    EXPECT_NE(text.find("from 10 scans"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << "one summary per written file";
}
