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
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "testutil/ScanFileWriter.h"

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
    ASSERT_EQ(RunCsCommand(CsOptionsFor(out), stdoutText, stderrText), 0) << stderrText;
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
        { [](CsCommandOptions& c) { c.vbar = 1.2; }, "float" },
    };
    for (const auto& c : cases) {
        CsCommandOptions options = CsOptionsFor(out);
        c.set(options);
        EXPECT_EQ(RunCsCommand(options, o, e), 2) << c.says;
        EXPECT_NE(e.find(c.says), std::string::npos) << e;
    }
}
