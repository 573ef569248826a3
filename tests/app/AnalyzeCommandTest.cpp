#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/cli/AnalyzeCommand.h"
#include "app/cli/ReproduceCommand.h"
#include "scanfiles/ChannelWavelength.h"
#include "simulator/RunWriter.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

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
                o.analysis.mw = 100;
                return o;
            }(),
            2,
            "morvane-cli: Error entering Molecular Weight, please enter a weight between 100 and 1,000,000 in the "
            "correct format" },
        { "meniscus beyond bottom",
            [&] {
                auto o = OptionsFor(run.path(), "");
                o.analysis.meniscus = 7.5;
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

    // A settings file that is missing or holds a value the windows would not take is an error.
    testutil::WriteTextFile(out / "bad.INI", "[CustomSettings]\nSmoothCarSize=many\n");
    for (const std::string& file : { out / "none.INI", out / "bad.INI" }) {
        CliRun r;
        AnalyzeOptions o = OptionsFor(run.path(), out / "x.txt");
        o.analysis.settingsFile = file;
        EXPECT_EQ(r.Analyze(o), 2);
        EXPECT_EQ(r.err.str().rfind("morvane-cli: --settings", 0), 0u) << r.err.str();
        EXPECT_NE(r.err.str().find(file), std::string::npos) << r.err.str();
        EXPECT_FALSE(fs::exists(out / "x.txt"));
    }
}

// The settings file the windows write: its positions are the defaults, the record names it.
TEST(CliAnalyze, RunsOnTheSettingsFileTheWindowsWrite)
{
    TempDir run, out;
    testutil::RunSpec spec;
    spec.scans = 8;
    testutil::WriteRun(run.path(), spec);
    testutil::WriteTextFile(out / "m.INI", "[GUISettings]\r\nDefaultMeniscus=5.91\r\n");
    CliRun withFile, withOption;
    AnalyzeOptions o = OptionsFor(run.path(), out / "a.txt");
    o.analysis.settingsFile = out / "m.INI";
    ASSERT_EQ(withFile.Analyze(o), 0) << withFile.err.str();
    o = OptionsFor(run.path(), out / "b.txt");
    o.analysis.meniscus = 5.91;
    ASSERT_EQ(withOption.Analyze(o), 0) << withOption.err.str();
    const std::string a = testutil::ReadTextFile(out / "a.txt"), b = testutil::ReadTextFile(out / "b.txt");
    EXPECT_EQ(a.substr(a.find('\n')), b.substr(b.find('\n'))) << "the same but for the name in the first line";
    const nlohmann::json record = nlohmann::json::parse(testutil::ReadTextFile(out / "a.txt.json"));
    EXPECT_EQ(record.at("channels")[0].at("settings_file"), out / "m.INI");
    EXPECT_EQ(record.at("channels")[0].at("meniscus_cm"), 5.91);
    EXPECT_TRUE(nlohmann::json::parse(testutil::ReadTextFile(out / "b.txt.json")).at("channels")[0].at("settings_file").is_null());
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

TEST(CliAnalyze, OutputNeverReplacesOrAddsAScanOfTheRun)
{
    TempDir run, out;
    testutil::RunSpec spec;
    spec.scans = 6;
    const std::vector<std::string> names = testutil::WriteRun(run.path(), spec);
    const std::string scan = run / names.back();
    const std::string before = testutil::ReadTextFile(scan);
    for (const std::string& target : { scan, run / "00099.ra1", run / ("./" + names.front()), run / "X0001.IP8" }) {
        SCOPED_TRACE(target);
        CliRun r;
        EXPECT_EQ(r.Analyze(OptionsFor(run.path(), target)), 2);
        EXPECT_EQ(r.err.str(),
            "morvane-cli: will not write " + target
                + ": it is a scan file of the run being read; choose another --output\n");
    }
    EXPECT_EQ(testutil::ReadTextFile(scan), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(run.path()), {}), 6) << "nothing added to the run";

    CliRun beside;
    EXPECT_EQ(beside.Analyze(OptionsFor(run.path(), run / "g.txt")), 0) << "a text file in the run directory is fine";

    // Another run's scan was once replaced with status 0; --force is the user saying so.
    TempDir other;
    testutil::WriteRun(other.path(), spec);
    const std::string otherScan = other / names.front(), otherBefore = testutil::ReadTextFile(otherScan);
    CliRun refused;
    EXPECT_EQ(refused.Analyze(OptionsFor(run.path(), otherScan)), 2);
    EXPECT_EQ(refused.err.str(),
        "morvane-cli: will not write " + otherScan + ": its name is that of a scan file and " + other.path()
            + " holds scan files; choose another --output, or --force writes it all the same\n");
    EXPECT_EQ(testutil::ReadTextFile(otherScan), otherBefore);
    AnalyzeOptions forced = OptionsFor(run.path(), otherScan);
    forced.force = true;
    CliRun written;
    EXPECT_EQ(written.Analyze(forced), 0) << written.err.str();
    EXPECT_NE(testutil::ReadTextFile(otherScan), otherBefore);
}

TEST(CliAnalyze, NumbersThatAreNotFiniteAreRefused)
{
    TempDir run;
    testutil::WriteRun(run.path(), testutil::RunSpec());
    const double inf = HUGE_VAL;
    const struct {
        const char* name;
        std::optional<double> AnalysisOptions::*option;
        double value;
        std::string message;
    } cases[] = {
        { "bottom", &AnalysisOptions::bottom, inf, "--bottom needs a radius in cm, not inf" },
        { "jitter", &AnalysisOptions::jitter, std::numeric_limits<double>::quiet_NaN(),
            "--jitter needs a radius in cm, not nan" },
        { "fringe", &AnalysisOptions::fringe, -inf, "--fringe needs a radius in cm, not -inf" },
        { "meniscus", &AnalysisOptions::meniscus, std::numeric_limits<double>::quiet_NaN(),
            "--meniscus needs a radius in cm, not nan" },
        { "mw", &AnalysisOptions::mw, inf,
            "Error entering Molecular Weight, please enter a weight between 100 and 1,000,000 in the correct "
            "format" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AnalyzeOptions o = OptionsFor(run.path(), run / "g.txt");
        o.analysis.*c.option = c.value;
        CliRun r;
        EXPECT_EQ(r.Analyze(o), 2);
        EXPECT_EQ(r.err.str(), "morvane-cli: " + c.message + "\n");
    }
    EXPECT_FALSE(fs::exists(run / "g.txt"));
}

TEST(CliAnalyze, JsonSummaryParsesWhateverThePath)
{
    TempDir run, out;
    testutil::RunSpec spec;
    spec.scans = 8;
    testutil::WriteRun(run.path(), spec);
    // A name that is not UTF-8 (Latin-1 e acute), one with a quote, a backslash and a tab.
    for (const std::string& name : { std::string("caf\xE9.txt"), std::string("a \"b\\c\td.txt") }) {
        SCOPED_TRACE(name);
        AnalyzeOptions o = OptionsFor(run.path(), out / name);
        o.json = true;
        CliRun r;
        ASSERT_EQ(r.Analyze(o), 0) << r.err.str();
        const nlohmann::json j = nlohmann::json::parse(r.out.str());
        const std::string shown = name[3] == '\xE9' ? "caf\\xE9.txt" : name;
        EXPECT_EQ(j.at("file"), out / shown);
        EXPECT_EQ(j.at("scans"), 8);
        EXPECT_TRUE(j.at("peak_s_star").is_number());
    }
}

TEST(CliAnalyze, SummaryPeakPassesOverTheMeniscus)
{
    // IgG-like, dilute, early in the run: next to the meniscus (and its artefact) the noise of
    // g = v / s* rises above the protein's peak.
    SimRun sim;
    SimSpecies igg;
    igg.sSvedberg = 6.5;
    igg.molecularWeight = 150000;
    igg.loadingMgPerMl = 0.2;
    sim.species = { igg };
    sim.cells = { SimCell() };
    sim.scans = 12;
    sim.meniscusArtefact = true;
    TempDir run, out;
    RunSimulator simulator(sim);
    ASSERT_EQ(WriteRunFiles(simulator, run.path(), nullptr, nullptr), "");
    AnalyzeOptions o = OptionsFor(run.path(), out / "g.txt");
    o.json = true;
    CliRun r;
    ASSERT_EQ(r.Analyze(o), 0) << r.err.str();
    const nlohmann::json j = nlohmann::json::parse(r.out.str());
    EXPECT_NEAR(j.at("peak_s_star").get<double>(), 6.5, 0.5) << r.out.str();
    EXPECT_GT(j.at("peak_search_from_s_star").get<double>(), 0.4);
}

TEST(CliAnalyze, PositionsOutsideTheDataAreWarnedAbout)
{
    TempDir run, out;
    testutil::RunSpec spec;
    spec.scans = 8;
    spec.radiusLow = 6.0;
    testutil::WriteRun(run.path(), spec);
    CliRun r;
    ASSERT_EQ(r.Analyze(OptionsFor(run.path(), out / "g.txt")), 0);
    const std::string err = r.err.str();
    EXPECT_EQ(
        err.rfind("morvane-cli: warning: the meniscus (5.9 cm) lies outside the first scan's radii (6 to ", 0), 0u)
        << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
}

TEST(CliAnalyze, WatchStartsBeforeTheRunExistsAndOutlivesAFailedWrite)
{
    TempDir root, out;
    const std::string run = root / "XLIDATA/010207/000001";
    const std::string outDir = out / "later";
    testutil::RunSpec spec;
    CliRun r;
    AnalyzeOptions o = OptionsFor(run, outDir + "/w.txt");
    o.watch = true;
    int ticks = 0;
    auto sleep = [&](int) {
        switch (++ticks) {
        case 2: // the run directory and its first scans appear; the output directory does not exist yet
            fs::create_directories(run);
            spec.scans = 8;
            testutil::WriteRun(run, spec);
            break;
        case 3: // nothing new: no second attempt
            fs::create_directories(outDir);
            break;
        case 4:
            spec.scans = 10;
            testutil::WriteRun(run, spec);
            break;
        case 5:
            r.stop = true;
            break;
        }
    };
    EXPECT_EQ(r.Analyze(o, sleep), 0) << r.err.str();
    const std::string err = r.err.str();
    EXPECT_EQ(err.rfind("morvane-cli: waiting for " + run + " to appear\n", 0), 0u) << err;
    EXPECT_NE(err.find("morvane-cli: Unexpected error writing file, Please check output. (cannot create a file in '"
                  + outDir + "': No such file or directory); writing it again after the next scans\n"),
        std::string::npos)
        << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
    const std::string text = r.out.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << "written once, after the failure and new scans";
    EXPECT_NE(text.find("from 10 scans"), std::string::npos) << text;
    EXPECT_TRUE(fs::exists(outDir + "/w.txt"));
}

TEST(CliAnalyze, WatchWaitsForTheFirstChannel)
{
    TempDir run, out;
    CliRun r;
    AnalyzeOptions o = OptionsFor(run.path(), out / "w.txt");
    o.watch = true;
    int ticks = 0;
    testutil::RunSpec spec;
    spec.scans = 8;
    auto sleep = [&](int) {
        if (++ticks == 2)
            testutil::WriteRun(run.path(), spec);
        if (ticks == 4)
            r.stop = true;
    };
    EXPECT_EQ(r.Analyze(o, sleep), 0) << r.err.str();
    EXPECT_EQ(r.err.str(), "morvane-cli: waiting for a channel in " + run.path() + "\n");
    EXPECT_NE(r.out.str().find("from 8 scans of 0*.RA1"), std::string::npos) << r.out.str();

    CliRun stopped;
    stopped.stop = true;
    TempDir empty;
    o.runDir = empty.path();
    EXPECT_EQ(stopped.Analyze(o), 0) << "Ctrl-C while waiting";
}

namespace {

// A file of the channel that is no scan (refused), before the run's scans in name order.
void WriteJunkScan(const std::string& path) { testutil::WriteTextFile(path, "not a scan\r\n"); }

// A scan still being written: no line end yet, changed just now.
void WriteUnfinishedScan(const std::string& path) { testutil::WriteTextFile(path, "Test sample\r\nR 1 20.0 50"); }

} // namespace

TEST(CliAnalyze, SummarySaysHowManyScansWereReadUsedRefusedAndPending)
{
    TempDir run, out;
    testutil::RunSpec spec;
    spec.scans = 8;
    testutil::WriteRun(run.path(), spec);
    WriteJunkScan(run / "00000.RA1");
    WriteUnfinishedScan(run / "00099.RA1");

    CliRun text;
    ASSERT_EQ(text.Analyze(OptionsFor(run.path(), out / "g.txt")), 0) << text.err.str();
    EXPECT_NE(text.out.str().find(" S; 9 scans read, 8 used, 1 refused (no header line: 00000.RA1), 1 not yet "
                                  "complete (00099.RA1)\n"),
        std::string::npos)
        << text.out.str();

    AnalyzeOptions o = OptionsFor(run.path(), out / "g.txt");
    o.json = true;
    CliRun json;
    ASSERT_EQ(json.Analyze(o), 0) << json.err.str();
    const nlohmann::json j = nlohmann::json::parse(json.out.str());
    EXPECT_EQ(j.at("scans"), 8);
    EXPECT_EQ(j.at("scans_read"), 9);
    EXPECT_EQ(j.at("scans_used"), 8);
    EXPECT_EQ(j.at("scans_refused"), 1);
    EXPECT_EQ(
        j.at("refusals"), nlohmann::json::parse(R"([{"reason":"no header line","count":1,"first_file":"00000.RA1"}])"));
    EXPECT_EQ(j.at("scans_pending"), 1);
    EXPECT_EQ(j.at("first_pending_file"), "00099.RA1");
}

TEST(CliAnalyze, WatchRewritesAfterAReloadThatKeepsTheNumberOfScans)
{
    TempDir run, out;
    testutil::RunSpec spec;
    spec.scans = 8;
    const std::vector<std::string> names = testutil::WriteRun(run.path(), spec);
    CliRun r;
    AnalyzeOptions o = OptionsFor(run.path(), out / "w.txt");
    o.watch = true;
    o.json = true;
    int ticks = 0;
    auto sleep = [&](int) {
        if (++ticks == 1) {
            // The instrument rewrites a scan already read: same name, other values, a later time.
            spec.c0 = 1.5;
            testutil::RunSpec one = spec;
            testutil::TempDir scratch;
            const std::vector<std::string> again = testutil::WriteRun(scratch.path(), one);
            fs::copy_file(scratch / again[3], run / names[3], fs::copy_options::overwrite_existing);
            fs::last_write_time(run / names[3], fs::file_time_type::clock::now() - std::chrono::hours(1));
        } else if (ticks == 3) {
            r.stop = true;
        }
    };
    EXPECT_EQ(r.Analyze(o, sleep), 0) << r.err.str();
    std::istringstream lines(r.out.str());
    std::vector<nlohmann::json> summaries;
    for (std::string line; std::getline(lines, line);)
        summaries.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(summaries.size(), 2u) << "the reload changed the scans, not their number: " << r.out.str();
    EXPECT_EQ(summaries[1].at("scans"), 8);
    EXPECT_EQ(summaries[1].at("reloads"), 1);
}

TEST(CliAnalyze, WatchSaysWhenItStopsTakingScans)
{
    TempDir run, out;
    testutil::RunSpec spec;
    spec.scans = 8;
    testutil::WriteRun(run.path(), spec);
    CliRun r;
    AnalyzeOptions o = OptionsFor(run.path(), out / "w.txt");
    o.watch = true;
    int ticks = 0;
    auto sleep = [&](int) {
        switch (++ticks) {
        case 1: // a file that is no scan arrives, and one that never gets its line end
            WriteJunkScan(run / "00009.RA1");
            WriteUnfinishedScan(run / "00010.RA1");
            break;
        case 2:
            WriteJunkScan(run / "00011.RA1"); // it settles the unfinished one, which stays no scan
            fs::remove(run / "00010.RA1");
            WriteUnfinishedScan(run / "00012.RA1");
            break;
        case 6:
            r.stop = true;
            break;
        }
    };
    EXPECT_EQ(r.Analyze(o, sleep), 0) << r.err.str();
    EXPECT_EQ(r.err.str(),
        "morvane-cli: 1 more scan refused (no header line; 1 in all, the first 00009.RA1): the g(s*) file leaves "
        "it out\n"
        "morvane-cli: 1 more scan refused (no header line; 2 in all, the first 00009.RA1): the g(s*) file leaves "
        "it out\n"
        "morvane-cli: 00012.RA1 is still not complete after 3 looks (no line end yet, or still changing): its "
        "scan is left out until it is\n");
    const std::string text = r.out.str();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << "the scans themselves did not change";
}

TEST(CliAnalyze, MeniscusAutoFindsItOrFailsClearly)
{
    for (const bool artefact : { true, false }) {
        SCOPED_TRACE(artefact);
        SimRun sim;
        sim.species = { SimSpecies() };
        sim.cells = { SimCell() };
        sim.scans = 8;
        sim.meniscusCm = 6.02;
        sim.meniscusArtefact = artefact;
        TempDir run, out;
        RunSimulator simulator(sim);
        ASSERT_EQ(WriteRunFiles(simulator, run.path(), nullptr, nullptr), "");
        AnalyzeOptions o = OptionsFor(run.path(), out / "g.txt");
        o.analysis.meniscusAuto = true;
        CliRun text;
        if (!artefact) {
            EXPECT_EQ(text.Analyze(o), 1);
            EXPECT_EQ(text.err.str(),
                "morvane-cli: no meniscus found: no spike or step stands out of the noise in the first 5 scans (none "
                "reaches 8 noise SDs and stays put: the edge that does moves from scan to scan, as boundaries do) in "
                "0*.RA1; give the radius with --meniscus\n");
            EXPECT_FALSE(fs::exists(out / "g.txt"));
            continue;
        }
        ASSERT_EQ(text.Analyze(o), 0) << text.err.str();
        const std::string err = text.err.str();
        EXPECT_EQ(err.rfind("morvane-cli: meniscus found at 6.0", 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "and no position warning";

        CliRun j;
        o.json = true;
        ASSERT_EQ(j.Analyze(o), 0) << j.err.str();
        EXPECT_EQ(j.err.str(), "");
        EXPECT_NEAR(nlohmann::json::parse(j.out.str()).at("meniscus_found_cm").get<double>(), 6.02, 0.005);
    }
}

TEST(CliAnalyze, ACellScannedAtTwoWavelengthsGivesEachItsOwnResult)
{
    // 280 and 230 nm in turn under 0*.RA1, and the 280 nm files alone under their own names.
    TempDir mixed, alone, out;
    SimRun sim;
    sim.species = { SimSpecies {} };
    sim.cells = { SimCell {} };
    sim.scans = 12;
    sim.wavelengths = { { 280, 1.0 }, { 230, 3.1 } };
    ASSERT_EQ(WriteRun(sim, mixed.path(), FileTimes::Copied), "");
    for (const auto& file : fs::directory_iterator(mixed.path())) {
        bool complete = false;
        if (HeaderWavelength(file.path().string(), complete) == 280)
            fs::copy_file(file.path(), alone / file.path().filename().string(), fs::copy_options::copy_symlinks);
    }
    const std::string g = out / "g.txt";
    CliRun single;
    ASSERT_EQ(single.Analyze(OptionsFor(alone.path(), g)), 0) << single.err.str();
    const std::string expected = testutil::ReadTextFile(g);

    // By default the first wavelength in file order, said on err and in the summary.
    CliRun first;
    ASSERT_EQ(first.Analyze(OptionsFor(mixed.path(), g)), 0) << first.err.str();
    EXPECT_EQ(first.err.str(),
        "morvane-cli: 0*.RA1 holds scans at 280 and 230 nm: taking 280 nm (another with --wavelength)\n");
    EXPECT_NE(first.out.str().find(" from 12 scans of 0*.RA1 280 nm, "), std::string::npos) << first.out.str();
    EXPECT_NE(first.out.str().find("; 12 scans read, 12 used, 12 at other wavelengths (230 nm)\n"), std::string::npos);
    EXPECT_EQ(testutil::ReadTextFile(g), expected) << "the 280 nm scans alone, byte for byte";
    std::ostringstream rout, rerr;
    EXPECT_EQ(RunReproduce({ g + ".json", "", {} }, rout, rerr), 0) << rout.str() << rerr.str();
    EXPECT_EQ(rout.str().find("added:"), std::string::npos) << "the 230 nm files are another channel's";

    AnalyzeOptions o = OptionsFor(mixed.path(), g);
    o.analysis.wavelength = 230;
    o.json = true;
    CliRun second;
    ASSERT_EQ(second.Analyze(o), 0) << second.err.str();
    const nlohmann::json j = nlohmann::json::parse(second.out.str());
    EXPECT_EQ(j.at("channel"), "0*.RA1 230 nm");
    EXPECT_EQ(j.at("wavelength_nm"), 230);
    EXPECT_EQ(j.at("scans_used"), 12);
    EXPECT_EQ(j.at("scans_other_wavelengths"), 12);

    o.analysis.wavelength = 260;
    CliRun none;
    EXPECT_EQ(none.Analyze(o), 2);
    EXPECT_EQ(none.err.str(), "morvane-cli: 0*.RA1 has scans at 280 and 230 nm, none at 260 nm\n");
}

TEST(CliAnalyze, AOneShotCommandTakesTheFileWrittenAMomentAgo)
{
    // A run still being written: its newest file is younger than any settle time.
    TempDir run, out;
    SimRun sim;
    sim.species = { SimSpecies {} };
    sim.cells = { SimCell {} };
    sim.scans = 8;
    ASSERT_EQ(
        WriteRun(sim, run.path(), FileTimes::Writing, std::chrono::system_clock::now() + std::chrono::hours(1)), "");
    CliRun r;
    int pauses = 0;
    ASSERT_EQ(r.Analyze(OptionsFor(run.path(), out / "g.txt"), [&](int) { ++pauses; }), 0) << r.err.str();
    EXPECT_NE(r.out.str().find(" from 8 scans of 0*.RA1, "), std::string::npos) << r.out.str();
    EXPECT_NE(r.out.str().find("; 8 scans read, 8 used\n"), std::string::npos) << r.out.str();
    EXPECT_EQ(pauses, 1) << "one look again at the newest file";
}
