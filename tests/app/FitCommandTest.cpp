// morvane-cli fit on the demo's simulated monomer-dimer run (4.4 and 6.8 S, 80/20), and
// morvane-cli analyze --watch with the convergence in its summaries.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/cli/AnalyzeCommand.h"
#include "app/cli/FitCommand.h"
#include "app/cli/ReproduceCommand.h"
#include "app/cli/Summary.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::TempDir;

namespace {

// A finished run's file: long settled, so that a follower takes even the newest at its first look.
void Settle(const fs::path& file)
{
    fs::last_write_time(file,
        std::chrono::file_clock::from_sys(std::chrono::system_clock::time_point(std::chrono::seconds(1577836800))));
}

// The run's scan files in the order they were written, once for the test program.
struct MixtureFiles {
    TempDir dir;
    std::vector<std::string> names;
    MixtureFiles()
    {
        SimRun run = DemoRun();
        run.cells.resize(1);
        RunSimulator simulator(run);
        EXPECT_EQ(WriteRunFiles(simulator, dir.path(), nullptr,
                      [this](const SimScan&, const std::string& path) {
                          names.push_back(fs::path(path).filename().string());
                          Settle(path);
                      }),
            "");
    }
};

const MixtureFiles& Mixture()
{
    static const MixtureFiles files;
    return files;
}

int Fit(const FitOptions& o, std::string& out, std::string& err)
{
    std::ostringstream o1, o2;
    const int status = RunFit(o, o1, o2);
    out = o1.str();
    err = o2.str();
    return status;
}

FitOptions OptionsFor(int species, bool json = false)
{
    FitOptions o;
    o.runDir = Mixture().dir.path();
    o.species = species;
    o.json = json;
    return o;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

TEST(CliFit, PrintsTheSpeciesTable)
{
    std::string out, err;
    ASSERT_EQ(Fit(OptionsFor(2), out, err), 0) << err;
    EXPECT_EQ(err, "");
    const std::vector<std::string> lines = Lines(out);
    ASSERT_EQ(lines.size(), 6u) << out;
    EXPECT_EQ(lines[0].rfind("Species fit of g(s*) set ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(", 50000 rpm, 20.0 C"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1].rfind("Lamm boundaries model: converged after ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "vbar 0.73 ml/g, solvent density 0.99823 g/ml, viscosity 1.002 cP");
    EXPECT_EQ(lines[3].rfind("species  s* (S)", 0), 0u) << lines[3];
    EXPECT_EQ(lines[4].rfind("      1  4.3", 0), 0u) << lines[4];
    EXPECT_EQ(lines[5].rfind("      2  6.", 0), 0u) << lines[5];

    FitOptions solvent = OptionsFor(1);
    solvent.vbar = 0.74;
    solvent.density = 1.005;
    solvent.viscosity = 1.1;
    solvent.model = "gaussian";
    ASSERT_EQ(Fit(solvent, out, err), 0) << err;
    EXPECT_EQ(Lines(out)[1].rfind("Gaussian model: converged", 0), 0u) << out;
    EXPECT_EQ(Lines(out)[2], "vbar 0.74 ml/g, solvent density 1.005 g/ml, viscosity 1.1 cP");
}

TEST(CliFit, OutputWritesTheTableWithARecordThatReproducesIt)
{
    TempDir out;
    FitOptions o = OptionsFor(1);
    o.model = "gaussian";
    o.vbar = 0.74;
    o.output = out / "fit.txt";
    std::string printed, err;
    ASSERT_EQ(Fit(o, printed, err), 0) << err;
    EXPECT_EQ(testutil::ReadTextFile(out / "fit.txt"), printed);
    const nlohmann::json j = nlohmann::json::parse(testutil::ReadTextFile(out / "fit.txt.json"));
    EXPECT_EQ(j.at("kind"), "species-fit");
    EXPECT_EQ(j.at("parameters").at("model"), "gaussian");
    EXPECT_EQ(j.at("parameters").at("vbar"), 0.74);

    std::ostringstream ro, re;
    EXPECT_EQ(RunReproduce({ out / "fit.txt.json", out / "again.txt", {} }, ro, re), 0) << ro.str() << re.str();
    EXPECT_NE(ro.str().find("result: byte-identical"), std::string::npos) << ro.str();
    EXPECT_EQ(testutil::ReadTextFile(out / "again.txt"), printed);

    // Into the run itself: refused before anything is fitted.
    o.output = Mixture().dir / "00999.RA1";
    EXPECT_EQ(Fit(o, printed, err), 2);
    EXPECT_FALSE(fs::exists(Mixture().dir / "00999.RA1"));
}

TEST(CliFit, JsonHoldsEveryValueWithItsError)
{
    std::string out, err;
    ASSERT_EQ(Fit(OptionsFor(2, true), out, err), 0) << err;
    ASSERT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << "one object on one line";
    const nlohmann::json j = nlohmann::json::parse(out);
    EXPECT_EQ(j["status"], "converged");
    EXPECT_EQ(j["channel"], "0*.RA1");
    EXPECT_EQ(j["model"], "Lamm boundaries");
    EXPECT_EQ(j["rpm"], 50000);
    EXPECT_EQ(j["vbar_ml_per_g"], 0.73);
    ASSERT_EQ(j["species"].size(), 2u);
    const double s[2] = { 4.4, 6.8 }, share[2] = { 0.8, 0.2 };
    double shares = 0;
    for (size_t k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        const nlohmann::json& e = j["species"][k];
        EXPECT_NEAR(e["s"].get<double>() / s[k], 1, 0.02);
        EXPECT_GT(e["s_error"].get<double>(), 0);
        EXPECT_NEAR(e["share"].get<double>(), share[k], 0.05);
        EXPECT_GT(e["m_g_per_mol"].get<double>(), 0);
        EXPECT_GT(e["d_cm2_per_s"].get<double>(), 0);
        for (const char* key :
            { "s_star", "s20w", "d20w_cm2_per_s", "area", "loading", "loading_error", "sigma_s", "ff0", "ff0_error" })
            EXPECT_TRUE(e[key].is_number()) << key;
        EXPECT_NEAR(e["ff0"].get<double>(), 1.34, 0.15); // both species are made with f/f0 1.34
        shares += e["share"].get<double>();
    }
    EXPECT_NEAR(shares, 1, 1e-12);
    EXPECT_TRUE(j["notes"].is_array());
    EXPECT_NEAR(j["set_s_star_high"].get<double>(), 7.8, 0.1); // ln(7.2 / 5.9) / (omega^2 9326 s)
    EXPECT_TRUE(j["holding_set"].is_null()) << "nothing has left the set";

    // Numbers that are not finite are null.
    SpeciesFitResult made;
    made.TimeSeconds = std::numeric_limits<double>::quiet_NaN();
    SpeciesEstimate e;
    e.D = std::numeric_limits<double>::quiet_NaN();
    e.MError = HUGE_VAL;
    made.Species = { e };
    const nlohmann::json n = nlohmann::json::parse(FitJson(made, "/r\xff", "0*.RA1"));
    EXPECT_TRUE(n["time_s"].is_null());
    EXPECT_TRUE(n["species"][0]["d_cm2_per_s"].is_null());
    EXPECT_TRUE(n["species"][0]["m_g_per_mol_error"].is_null());
    EXPECT_EQ(n["species"][0]["m_g_per_mol"], 0);
    EXPECT_EQ(n["run"], "/r\\xFF");
    EXPECT_EQ(n["status"], "failed");
}

TEST(CliFit, RefusalsAndFailuresAreOneLine)
{
    TempDir empty;
    auto with = [](auto change) {
        FitOptions o = OptionsFor(1);
        change(o);
        return o;
    };
    const struct {
        const char* name;
        FitOptions options;
        int status;
        std::string message;
    } cases[] = {
        { "no species", OptionsFor(0), 2, "morvane-cli: --species takes 1 to 3 (got 0)" },
        { "four species", OptionsFor(4), 2, "morvane-cli: --species takes 1 to 3 (got 4)" },
        { "vbar nan", with([](FitOptions& o) { o.vbar = std::nan(""); }), 2,
            "morvane-cli: --vbar takes a finite positive number (got nan)" },
        { "floating", with([](FitOptions& o) { o.vbar = 1.2, o.density = 0.9; }), 2,
            "morvane-cli: --vbar times --density must be below 1 (the particle would float)" },
        { "no such set", with([](FitOptions& o) { o.set = 999; }), 2,
            "morvane-cli: set 999 does not exist: the channel has 57 g(s*) sets, numbered from 0" },
        { "no such directory", with([&](FitOptions& o) { o.runDir = empty / "none"; }), 2,
            "morvane-cli: no such directory: " + empty / "none" },
        { "nothing to fit above 500 S", with([](FitOptions& o) { o.minSStar = 500; }), 1,
            "morvane-cli: the species fit of 0*.RA1 failed: the g(s*) set holds no points between the fit limits" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string out, err;
        EXPECT_EQ(Fit(c.options, out, err), c.status);
        EXPECT_EQ(err, c.message + "\n");
        EXPECT_EQ(out, "");
    }
    std::string out, err;
    FitOptions json = with([](FitOptions& o) { o.minSStar = 500; });
    json.json = true;
    EXPECT_EQ(Fit(json, out, err), 1);
    const nlohmann::json j = nlohmann::json::parse(out);
    EXPECT_EQ(j["status"], "failed");
    EXPECT_EQ(j["message"], "the g(s*) set holds no points between the fit limits");
    EXPECT_TRUE(j["species"].empty());
}

TEST(CliConvergence, SummaryLinesCarryTheVerdict)
{
    ConvergenceSummary c;
    c.converged = false;
    c.verdict = "not yet: no g(s*) set 2 min before the newest to compare with";
    c.peakDriftPercent = c.shapeChangePercent = c.speciesSChangePercent = c.shareChangePoints = std::nan("");
    c.meniscusLevelPercent = 20;
    EXPECT_EQ(WithConvergence("g.txt: 5 g(s*) sets", c, false),
        "g.txt: 5 g(s*) sets; not yet: no g(s*) set 2 min before the newest to compare with");
    EXPECT_EQ(WithConvergence("{\"file\":\"g.txt\"}", c, true),
        "{\"file\":\"g.txt\",\"converged\":false,\"verdict\":\"not yet: no g(s*) set 2 min before the newest to "
        "compare with\",\"peak_drift_percent\":null,\"shape_change_percent\":null,\"stable_minutes\":0.0,"
        "\"meniscus_level_percent\":20.0,\"species_compared\":0,\"species_s_change_percent\":null,"
        "\"share_change_points\":null}");
}

// Following the run as its scans arrive, ten at a time: every summary says whether it converged.
TEST(CliConvergence, WatchSummariesTellWhetherTheRunConverged)
{
    const MixtureFiles& run = Mixture();
    TempDir watched, out;
    size_t published = 0;
    auto publish = [&](size_t upTo) {
        for (; published < std::min(upTo, run.names.size()); ++published) {
            fs::copy_file(run.dir / run.names[published], watched / run.names[published]);
            Settle(watched / run.names[published]);
        }
    };
    publish(10);
    AnalyzeOptions o;
    o.runDir = watched.path();
    o.output = out / "g.txt";
    o.watch = true;
    o.json = true;
    std::ostringstream text, err;
    std::atomic<bool> stop { false };
    // A look after each batch; the look after the last batch is the last.
    auto sleep = [&](int) {
        if (published >= run.names.size())
            stop = true;
        publish(published + 10);
    };
    ASSERT_EQ(RunAnalyze(o, text, err, stop, sleep), 0) << err.str();
    const std::vector<std::string> lines = Lines(text.str());
    ASSERT_GE(lines.size(), 5u) << text.str();
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        const nlohmann::json j = nlohmann::json::parse(line);
        ASSERT_TRUE(j["converged"].is_boolean());
        const std::string verdict = j["verdict"];
        EXPECT_EQ(verdict.rfind(j["converged"] ? "stable for " : "not yet: ", 0), 0u);
        EXPECT_TRUE(j["stable_minutes"].is_number());
        EXPECT_EQ(j["species_s_change_percent"].is_null(), j["species_compared"] == 0);
    }
    const nlohmann::json first = nlohmann::json::parse(lines.front());
    EXPECT_FALSE(first["converged"]);
    const nlohmann::json last = nlohmann::json::parse(lines.back());
    EXPECT_TRUE(last["peak_drift_percent"].is_number());
    EXPECT_TRUE(last["shape_change_percent"].is_number());
    EXPECT_LT(last["shape_change_percent"].get<double>(), 100);
    EXPECT_EQ(last["scans"], static_cast<int>(run.names.size()));
}
