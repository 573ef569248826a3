#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/cli/ExtrapolateCommand.h"
#include "follower/ChannelSession.h"
#include "follower/ExtrapolationFile.h"
#include "settings/GUISettings.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::TempDir;

namespace {

ExtrapolateOptions ExtrapolationOptionsFor(const std::string& dir, const std::string& output)
{
    ExtrapolateOptions o;
    o.runDir = dir;
    o.output = output;
    return o;
}

int Extrapolation(const ExtrapolateOptions& o, std::string& out, std::string& err)
{
    std::ostringstream o1, o2;
    const int status = RunExtrapolate(o, o1, o2);
    out = o1.str();
    err = o2.str();
    return status;
}

} // namespace

TEST(ExtrapolationFile, LayoutAndTheRowsTheViewDraws)
{
    ExtrapolationResult r;
    const double minLogS = std::log(5e-14);
    auto point = [](double sStar, double value, double error) {
        ExtrapolationPoint p;
        p.SStar = sStar;
        p.LogS = std::log(sStar * 1e-13);
        p.Value = value;
        p.Error = error;
        return p;
    };
    r.Points = { point(0.4, 2, 0.1), point(0.5, 3, 0.1), point(0.6, 0, -2e10), point(0.7, 3, 0.1), point(4.5, 0.25, 0),
        point(5, 1e-7, 3) };
    const std::vector<ExtrapolatedRow> rows = ExtrapolatedRows(r, minLogS);
    ASSERT_EQ(rows.size(), 3u) << "not at or below 0.5 S, not where nothing was extrapolated";
    const ExtrapolationFileHeader h { "/data/run\n1", "0*.IP2", 3, 13, 5400.4, 9000.6 };
    EXPECT_EQ(ExtrapolationFileText(h, rows),
        "# Morvane: s*g(s*) extrapolated to infinite time\r\n"
        "# run: /data/run 1\r\n"
        "# channel: 0*.IP2\r\n"
        "# start set: 3, mean time 5400 s\r\n"
        "# end set: 13, mean time 9001 s\r\n"
        "# extrapolated points: 3\r\n"
        "# s* (S)\ts*g(s*) at infinite time\tstandard error\r\n"
        "0.7\t3\t0.1\r\n"
        "4.5\t0.25\t0\r\n"
        "5\t1E-7\t3\r\n");

    // The summary's peak is taken among values whose standard error is below half of them.
    std::vector<ExtrapolatedRow> peaked { { 1, 1, 0.1 }, { 2, 4, 0.1 }, { 3, 3, 0.1 }, { 4, 100, 50 }, { 5, 1, 0.1 } };
    const GofsPeak two = FindGofsPeak(WellDeterminedGofs(peaked), 0);
    EXPECT_TRUE(two.Found);
    EXPECT_GT(two.SStar, 1.5);
    EXPECT_LT(two.SStar, 2.5);
    peaked[3].error = 49;
    EXPECT_GT(FindGofsPeak(WellDeterminedGofs(peaked), 0).SStar, 3.5);
    for (ExtrapolatedRow& row : peaked)
        row.error = row.value;
    EXPECT_FALSE(FindGofsPeak(WellDeterminedGofs(peaked), 0).Found);

    // The width: half height crossed at 2 and 4 about a peak at 3, over 2 sqrt(2 ln 2) and 3.
    const std::vector<GofsRow> tent { { 1, 0, 0 }, { 2, 0, 2 }, { 3, 0, 4 }, { 4, 0, 2 }, { 5, 0, 0 } };
    const GofsPeak top { true, 3, 4 };
    EXPECT_NEAR(PeakRelativeWidth(tent, top), 2 / (2 * std::sqrt(2 * std::log(2.0))) / 3, 1e-12);
    EXPECT_EQ(PeakRelativeWidth({ tent.begin() + 1, tent.end() }, top), 0) << "never below half on the left";
}

// A small, fast-diffusing species keeps a broad extrapolated peak below its s: said, not hidden.
TEST(CliExtrapolate, ABroadPeakIsNamed)
{
    TempDir run, out;
    SimRun r;
    r.species = { SimSpecies { 2.0, false, 0, 20000, 0.73, 1.0 } };
    r.cells = { SimCell {} };
    ASSERT_EQ(WriteRun(r, run.path(), FileTimes::Copied), "");
    ExtrapolateOptions o = ExtrapolationOptionsFor(run.path(), out / "e.txt");
    o.json = true;
    std::string text, err;
    ASSERT_EQ(Extrapolation(o, text, err), 0) << err;
    const nlohmann::json j = nlohmann::json::parse(text);
    EXPECT_LT(j.at("peak_s_star").get<double>(), 2.0 * 0.97);
    EXPECT_NE(j.at("peak_note").get<std::string>().find("a broad peak (its width "), std::string::npos) << text;
}

TEST(CliExtrapolate, WritesTheExtrapolatedCurveOfTheDefaultRange)
{
    TempDir run, out;
    testutil::RunSpec spec;
    spec.scans = 30;
    testutil::WriteRun(run.path(), spec);
    std::string text, err;
    ASSERT_EQ(Extrapolation(ExtrapolationOptionsFor(run.path(), out / "e.txt"), text, err), 0) << err;
    EXPECT_EQ(err, "");

    // Every set, as the data view extrapolates them, with the display settings' defaults.
    ChannelFollower f;
    OpenChannel(f, run.path(), LaunchParameters::Defaults("0*.RA1"));
    const ChannelDataStore& smooth = *f.Engine->SmoothGofsStore;
    const int32_t end = smooth.GetNumberOfSets() - 1;
    const GUISettings display;
    ExtrapolationParameters p;
    p.MinLogS = display.ExtrapolationMinLogS;
    const ExtrapolationResult want = Extrapolate(smooth, *f.Engine->GofsStore, 0, end, p);
    std::vector<ExtrapolatedRow> rows;
    for (const ExtrapolationPoint& q : want.Points)
        if (q.Error >= 0)
            rows.push_back({ q.SStar, q.Value, q.Error });
    ASSERT_GT(rows.size(), 10u);
    const ExtrapolationFileHeader h { run.path(), "0*.RA1", 0, end, smooth.Headers[0].Time, smooth.Headers[end].Time };
    EXPECT_EQ(testutil::ReadTextFile(out / "e.txt"), ExtrapolationFileText(h, rows));

    // The summary names the extrapolated peak, within 5 % of the simulated 4.4 S.
    EXPECT_EQ(
        text.rfind(out / "e.txt: " + std::to_string(rows.size())
                + " points of 0*.RA1 extrapolated from smoothed sets 0 to " + std::to_string(end) + " (mean times ",
            0),
        0u)
        << text;
    ExtrapolateOptions o = ExtrapolationOptionsFor(run.path(), out / "e.txt");
    o.json = true;
    o.start = 2;
    ASSERT_EQ(Extrapolation(o, text, err), 0) << err;
    const nlohmann::json j = nlohmann::json::parse(text);
    EXPECT_EQ(j.at("start"), 2);
    EXPECT_EQ(j.at("end"), end);
    EXPECT_EQ(j.at("range"), "given");
    EXPECT_TRUE(j.at("range_note").is_null());
    EXPECT_NEAR(j.at("peak_s_star").get<double>(), 4.4, 0.05 * 4.4);
    EXPECT_TRUE(j.at("peak_note").is_null());
    EXPECT_NE(testutil::ReadTextFile(out / "e.txt").find("# start set: 2, mean time "), std::string::npos);
}

// A range that is no result: refused when given, replaced by a sound one when it is the default.
TEST(CliExtrapolate, ARangeThatIsNoResult)
{
    TempDir run, fast, close, out;
    testutil::RunSpec spec;
    spec.scans = 30;
    testutil::WriteRun(run.path(), spec);
    spec.sSeconds = 12e-13; // its boundary reaches the bottom in 21 of 30 scans
    testutil::WriteRun(fast.path(), spec);
    spec.sSeconds = 4.4e-13;
    spec.scans = 10; // 7 sets from 1000 s, 300 s apart: close in time
    spec.firstSeconds = 1000;
    testutil::WriteRun(close.path(), spec);
    const std::string sound = " give a sound extrapolation.";

    ExtrapolateOptions given = ExtrapolationOptionsFor(run.path(), out / "x.txt");
    given.start = 20;
    std::string text, err;
    EXPECT_EQ(Extrapolation(given, text, err), 2);
    EXPECT_EQ(err.rfind("morvane-cli: The extrapolation of sets 20 to 26 (", 0), 0u) << err;
    EXPECT_NE(err.find(") is no result: the sets' times are too close together"), std::string::npos) << err;
    EXPECT_NE(err.find(". Sets "), std::string::npos) << err;
    EXPECT_EQ(err.substr(err.size() - sound.size() - 1), sound + "\n");
    EXPECT_EQ(text, "");
    EXPECT_FALSE(fs::exists(out / "x.txt"));

    ExtrapolateOptions defaults = ExtrapolationOptionsFor(fast.path(), out / "x.txt");
    defaults.json = true;
    ASSERT_EQ(Extrapolation(defaults, text, err), 0) << err;
    const nlohmann::json j = nlohmann::json::parse(text);
    const int end = j.at("end");
    EXPECT_EQ(j.at("start"), 0);
    EXPECT_LT(end, 26);
    EXPECT_EQ(j.at("range"), "chosen");
    EXPECT_EQ(j.at("range_note").get<std::string>().rfind("The extrapolation of sets 0 to 26 (", 0), 0u);
    EXPECT_NE(err.find("is no result: "), std::string::npos) << err;
    const std::string taking = " Taking sets 0 to " + std::to_string(end) + ".\n";
    EXPECT_EQ(err.substr(err.size() - taking.size()), taking);
    EXPECT_NEAR(j.at("peak_s_star").get<double>(), 12, 0.05 * 12);

    EXPECT_EQ(Extrapolation(ExtrapolationOptionsFor(close.path(), out / "y.txt"), text, err), 1);
    EXPECT_EQ(err.rfind("morvane-cli: The extrapolation of sets 0 to 6 (", 0), 0u) << err;
    EXPECT_NE(err.find("No range of this channel's sets gives a sound extrapolation.\n"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(out / "y.txt"));
}

TEST(CliExtrapolate, RangesAndErrorsAreOneClearLine)
{
    TempDir run, shortRun, out;
    testutil::RunSpec spec;
    spec.scans = 12; // 9 smoothed sets
    const std::vector<std::string> names = testutil::WriteRun(run.path(), spec);
    spec.scans = 7; // 4 smoothed sets
    testutil::WriteRun(shortRun.path(), spec);
    auto with = [&](std::optional<int> start, std::optional<int> end) {
        ExtrapolateOptions o = ExtrapolationOptionsFor(run.path(), out / "x.txt");
        o.start = start;
        o.end = end;
        return o;
    };
    const struct {
        const char* name;
        ExtrapolateOptions options;
        int status;
        std::string message;
    } cases[] = {
        { "four sets", with(2, 5), 2,
            "the extrapolation needs at least 5 smoothed g(s*) sets; sets 2 to 5 are 4 (the channel has 9)" },
        { "start after end", with(6, 3), 2,
            "the extrapolation needs at least 5 smoothed g(s*) sets; sets 6 to 3 are 0 (the channel has 9)" },
        { "end beyond the newest", with({}, 9), 2,
            "set 9 does not exist: the channel has 9 smoothed g(s*) sets, numbered from 0" },
        { "negative start", with(-1, {}), 2,
            "set -1 does not exist: the channel has 9 smoothed g(s*) sets, numbered from 0" },
        { "a channel with four sets", ExtrapolationOptionsFor(shortRun.path(), out / "x.txt"), 1,
            "the extrapolation needs at least 5 smoothed g(s*) sets; sets 0 to 3 are 4 (the channel has 4)" },
        { "output over a scan", ExtrapolationOptionsFor(run.path(), run / names[0]), 2,
            "will not write " + run / names[0] + ": it is a scan file of the run being read; choose another --output" },
        { "no such directory", ExtrapolationOptionsFor(run / "nope", ""), 2, "no such directory: " + run / "nope" },
        { "not a radius",
            [&] {
                auto o = with({}, {});
                o.analysis.fringe = std::numeric_limits<double>::quiet_NaN();
                return o;
            }(),
            2, "--fringe needs a radius in cm, not nan" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text, err;
        EXPECT_EQ(Extrapolation(c.options, text, err), c.status);
        EXPECT_EQ(err, "morvane-cli: " + c.message + "\n");
        EXPECT_EQ(text, "");
    }
    EXPECT_FALSE(fs::exists(out / "x.txt"));

    std::string text, err;
    Extrapolation(with(0, 4), text, err);
    EXPECT_EQ(err.find("needs at least"), std::string::npos) << "exactly five sets are enough in number: " << err;
}
