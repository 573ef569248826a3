// morvane-cli cs on a small simulated interference run: the file's layout, the JSON summary's
// fields, the record that reproduce makes again byte for byte, and the options it refuses.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/cli/CsCommand.h"
#include "app/cli/ReproduceCommand.h"
#include "dataview/TSedDataView.h"
#include "follower/ChannelSession.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::TempDir;

namespace {

struct CsSmallRun {
    TempDir dir;
    CsSmallRun()
    {
        SimRun run = DemoRun(); // interference in cell 2 with offsets, fringe jumps and the meniscus artefact
        run.cells.erase(run.cells.begin());
        run.scans = 10;
        run.intervalSeconds = 600;
        run.stepCm = 0.004;
        EXPECT_EQ(WriteRun(run, dir.path(), FileTimes::Copied), "");
    }
};

const CsSmallRun& CsRunFiles()
{
    static const CsSmallRun run;
    return run;
}

int RunCsCommand(CsCommandOptions o, std::string& out, std::string& err)
{
    std::ostringstream o1, o2;
    std::atomic<bool> stop { false };
    const int status = RunCs(o, o1, o2, stop, [](int) {});
    out = o1.str();
    err = o2.str();
    return status;
}

CsCommandOptions CsOptionsFor(const TempDir& outDir)
{
    CsCommandOptions o;
    o.runDir = CsRunFiles().dir.path();
    o.output = outDir / "cs.txt";
    o.sMin = 1;
    o.sMax = 12;
    o.resolution = 40;
    o.ff0 = "1.3";
    o.json = true;
    return o;
}

} // namespace

TEST(CsCommand, WritesTheDistributionItsSummaryAndARecordThatReproduces)
{
    TempDir out;
    std::string stdoutText, stderrText;
    CsCommandOptions options = CsOptionsFor(out);
    options.rMax = 7.0; // recorded, and so reproduced
    ASSERT_EQ(RunCsCommand(options, stdoutText, stderrText), 0) << stderrText;
    const auto j = nlohmann::json::parse(stdoutText);
    for (const char* field : { "file", "channel", "scans_used", "meniscus_cm", "ff0", "rms_residual", "peaks" })
        EXPECT_TRUE(j.contains(field)) << field;
    EXPECT_EQ(j["channel"], "0*.IP2");
    EXPECT_EQ(j["scans_used"], 10);
    EXPECT_EQ(j["ff0"], 1.3);
    ASSERT_FALSE(j["peaks"].empty());
    double total = 0;
    for (const auto& p : j["peaks"]) {
        for (const char* field : { "s", "s20w", "fraction", "m_g_per_mol" })
            EXPECT_TRUE(p.contains(field)) << field;
        total += p["fraction"].get<double>();
    }
    EXPECT_LE(total, 1 + 1e-12);

    // "#" lines, the column line last among them, then one row of s, c(s), s20,w per grid point.
    std::istringstream file(testutil::ReadTextFile(out / "cs.txt"));
    std::string line, last;
    int rows = 0;
    while (std::getline(file, line)) {
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\r');
        if (line[0] == '#') {
            EXPECT_EQ(rows, 0) << "a header line after the rows";
            last = line;
            continue;
        }
        ++rows;
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 2) << line;
    }
    const std::string text = testutil::ReadTextFile(out / "cs.txt");
    const size_t to = text.find(" cm (", text.find("; radii "));
    ASSERT_NE(to, std::string::npos);
    const double lastRadius = std::stod(text.substr(text.rfind(' ', to - 1) + 1));
    EXPECT_TRUE(lastRadius <= 7.0 && lastRadius > 6.99) << "the radii end at --r-max: " << lastRadius;
    EXPECT_EQ(last, "# s (S)\tc(s) (signal per S)\ts20,w (S)\r");
    EXPECT_EQ(rows, 40);

    ReproduceOptions again;
    again.sidecar = out / "cs.txt.json";
    std::ostringstream o1, o2;
    EXPECT_EQ(RunReproduce(again, o1, o2), 0) << o1.str() << o2.str();
}

TEST(CsCommand, RefusesOptionsItCannotMeet)
{
    TempDir out;
    std::string o, e;
    const struct {
        void (*set)(CsCommandOptions&);
        const char* says;
    } cases[] = {
        { [](CsCommandOptions& c) { c.resolution = 5; }, "resolution" },
        { [](CsCommandOptions& c) { c.ff0 = "0.8"; }, "f/f0" },
        { [](CsCommandOptions& c) { c.ff0 = "round"; }, "--ff0" },
        { [](CsCommandOptions& c) { c.confidence = 1.2; }, "confidence" },
        { [](CsCommandOptions& c) { c.sMax = 0.5; }, "s range" },
        { [](CsCommandOptions& c) { c.rMin = 6.6, c.rMax = 6.2; }, "radius range" },
        { [](CsCommandOptions& c) { c.rMin = -1; }, "--r-min" },
        { [](CsCommandOptions& c) { c.vbar = 1.2; }, "float" },
    };
    for (const auto& c : cases) {
        CsCommandOptions options = CsOptionsFor(out);
        c.set(options);
        EXPECT_EQ(RunCsCommand(options, o, e), 2) << c.says;
        EXPECT_NE(e.find(c.says), std::string::npos) << e;
    }
}

TEST(CsCommand, TheDataViewsTabGivesTheSameDistribution)
{
    TempDir out;
    CsCommandOptions o = CsOptionsFor(out);
    o.ff0 = "fit";
    std::string stdoutText, stderrText;
    ASSERT_EQ(RunCsCommand(o, stdoutText, stderrText), 0) << stderrText;
    const auto j = nlohmann::json::parse(stdoutText);

    TSedDataView view;
    view.Now = [] { return FileTime(std::chrono::hours(24 * 365 * 100)); };
    LaunchParameters launch = LaunchParameters::Defaults("0*.IP2");
    view.Raw.RecallPositions(nullptr, o.runDir, launch);
    ConfigureForLaunch(*view.Engine, launch, CustomSettings());
    view.LoadChannel(o.runDir, "watch");
    view.Cs.EditSMin = "1";
    view.Cs.EditSMax = "12";
    view.Cs.EditResolution = "40";
    view.ButtonFitCsClick();
    view.Cs.Wait();
    ASSERT_TRUE(view.PollCs());
    const morvane::cs::CsResult& r = view.Cs.Result();
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.scansUsed, j["scans_used"]);
    EXPECT_DOUBLE_EQ(r.frictionalRatio, j["ff0"].get<double>());
    EXPECT_DOUBLE_EQ(r.rmsResidual, j["rms_residual"].get<double>());
    ASSERT_EQ(r.peaks.size(), j["peaks"].size());
    for (size_t k = 0; k < r.peaks.size(); ++k) {
        EXPECT_DOUBLE_EQ(r.peaks[k].s, j["peaks"][k]["s"].get<double>());
        EXPECT_DOUBLE_EQ(r.peaks[k].s20w, j["peaks"][k]["s20w"].get<double>());
        EXPECT_DOUBLE_EQ(r.peaks[k].fraction, j["peaks"][k]["fraction"].get<double>());
        EXPECT_DOUBLE_EQ(r.peaks[k].molarMass, j["peaks"][k]["m_g_per_mol"].get<double>());
    }
}

TEST(CsCommand, WatchWithMeniscusAutoWaitsForTheScansTheSearchNeeds)
{
    // The run's files appear one by one in a directory that starts empty: every fit takes the
    // meniscus found from the scans (6.02 cm), never the launch's 5.9 cm, and none is made before
    // the search could be made.
    TempDir staging, dir, out;
    SimRun run = DemoRun();
    run.cells.erase(run.cells.begin());
    run.scans = 6;
    run.intervalSeconds = 600;
    run.stepCm = 0.004;
    run.meniscusCm = 6.02;
    ASSERT_EQ(WriteRun(run, staging.path(), FileTimes::Copied), "");
    std::vector<fs::path> staged;
    for (const auto& entry : fs::directory_iterator(staging.path()))
        staged.push_back(entry.path());
    std::sort(staged.begin(), staged.end());
    ASSERT_EQ(staged.size(), 6u);
    CsCommandOptions o = CsOptionsFor(out);
    o.runDir = dir.path();
    o.channel = "0*.IP2";
    o.watch = true;
    o.analysis.meniscusAuto = true;
    std::ostringstream o1, o2;
    std::atomic<bool> stop { false };
    size_t published = 0;
    auto sleep = [&](int) {
        if (published == staged.size()) {
            stop = true;
            return;
        }
        const fs::path to = dir / staged[published].filename().string();
        fs::copy_file(staged[published], to);
        fs::last_write_time(to, fs::last_write_time(staged[published]));
        ++published;
    };
    ASSERT_EQ(RunCs(o, o1, o2, stop, sleep), 0) << o2.str();
    EXPECT_EQ(o2.str(), "") << "no meniscus message in JSON mode, no failure";
    std::istringstream lines(o1.str());
    std::string line;
    std::vector<int> fittedScans;
    while (std::getline(lines, line)) {
        const auto j = nlohmann::json::parse(line);
        fittedScans.push_back(j["scans_used"].get<int>());
        EXPECT_NEAR(j["meniscus_cm"].get<double>(), 6.02, 0.005);
    }
    ASSERT_FALSE(fittedScans.empty());
    EXPECT_GE(fittedScans.front(), 3);
    EXPECT_EQ(fittedScans.back(), 6) << o1.str();
}
