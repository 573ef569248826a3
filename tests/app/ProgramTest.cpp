// The programs' own command lines, checked by running the programs as a user would.
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ProgramRun.h"
#include "simulator/RunWriter.h"
#include "testutil/ScanFileWriter.h"

namespace fs = std::filesystem;
using apptest::RunProgram;
using testutil::TempDir;

TEST(CliProgram, RelativePathsAreThoseOfTheStartDirectoryAndErrorsOneLine)
{
    TempDir root, out, scratch;
    const std::string run = root / "XLIDATA/010207/000001";
    fs::create_directories(run);
    testutil::RunSpec spec;
    spec.scans = 8;
    const std::vector<std::string> names = testutil::WriteRun(run, spec);
    const std::string scan = testutil::ReadTextFile(run + "/" + names.back());

    auto r = RunProgram(MORVANE_CLI_PROGRAM, "analyze '" + run + "' --output g.txt", out.path(), scratch);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(out / "g.txt"));
    EXPECT_EQ(r.out.rfind(out / "g.txt: ", 0), 0u) << r.out;

    // From the run directory, a scan's own name is that scan.
    r = RunProgram(MORVANE_CLI_PROGRAM, "analyze . --output " + names.back(), run, scratch);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
        "morvane-cli: will not write " + run + "/" + names.back()
            + ": it is a scan file of the run being read; choose another --output\n");
    EXPECT_EQ(testutil::ReadTextFile(run + "/" + names.back()), scan);

    r = RunProgram(
        MORVANE_CLI_PROGRAM, "extrapolate XLIDATA/010207/000001 --output e.txt --bottom inf", root.path(), scratch);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "morvane-cli: --bottom needs a radius in cm, not inf\n");

    r = RunProgram(MORVANE_CLI_PROGRAM, "analyze . --meniscus abc", run, scratch);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err.rfind("morvane-cli: ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

TEST(CliProgram, ChannelsNamesASymlinkLoopAndListsTheRest)
{
    TempDir root, scratch;
    const std::string run = root / "XLIDATA/010207/000001";
    fs::create_directories(run);
    testutil::WriteRun(run, testutil::RunSpec());
    fs::create_directory_symlink("123106", root / "XLIDATA/123106");
    const auto r = RunProgram(MORVANE_CLI_PROGRAM, "channels .", root.path(), scratch);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "morvane-cli: Skipped a symbolic link loop: " + root / "XLIDATA/123106\n");
    EXPECT_NE(r.out.find("* " + run + "\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("* 0*.RA1\n"), std::string::npos) << r.out;
}

TEST(CliProgram, EveryCommandThatTakesTheMeniscusTakesAuto)
{
    // An interference run whose baseline steps down at the meniscus (6.02 cm), a dip after it; and
    // the same run without: each command takes the meniscus found, or fails saying why.
    for (const bool artefact : { true, false }) {
        SCOPED_TRACE(artefact);
        TempDir run, out, scratch;
        SimRun sim;
        sim.species = { SimSpecies() };
        SimCell cell;
        cell.kind = OpticalKind::Interference;
        sim.cells = { cell };
        sim.scans = 16;
        sim.meniscusCm = 6.02;
        sim.meniscusArtefact = artefact;
        sim.interferenceMeniscus = InterferenceMeniscus::Step;
        ASSERT_EQ(WriteRun(sim, run.path(), FileTimes::Copied), "");
        const std::string dir = "'" + run.path() + "' --meniscus auto ";
        const struct {
            const char* command;
            std::string args;
            bool json;
        } commands[] = {
            { "fit", "--model gaussian --summary json", true },
            { "extrapolate", "--output e.txt --summary json", true },
            { "export", "--output-dir x", false },
            { "compare", "--output c.txt", false },
        };
        for (const auto& c : commands) {
            SCOPED_TRACE(c.command);
            const auto r = RunProgram(MORVANE_CLI_PROGRAM, c.command + (" " + dir) + c.args, out.path(), scratch);
            if (!artefact) {
                EXPECT_EQ(r.status, 1);
                EXPECT_EQ(
                    r.err.rfind("morvane-cli: no meniscus found: no drop or step stands out of the noise ", 0), 0u)
                    << r.err;
                EXPECT_EQ(r.out, "");
                continue;
            }
            EXPECT_EQ(r.status, 0) << r.err;
            if (c.json) {
                EXPECT_EQ(r.err, "");
                EXPECT_NEAR(nlohmann::json::parse(r.out).at("meniscus_found_cm").get<double>(), 6.02, 0.005) << r.out;
            } else {
                EXPECT_EQ(r.err.rfind("morvane-cli: meniscus found at 6.0", 0), 0u) << r.err;
                EXPECT_NE(r.err.find(" cm (a step down of "), std::string::npos) << r.err;
            }
        }
        EXPECT_EQ(fs::exists(out / "c.txt"), artefact);
    }
}

#ifdef MORVANE_GUI_PROGRAM

namespace {

// The windowed program, stopped after a minute should it ever hang.
apptest::ProgramResult RunGui(const std::string& args, const std::string& cwd, const TempDir& scratch)
{
    return RunProgram("timeout", "60 '" MORVANE_GUI_PROGRAM "' " + args, cwd, scratch);
}

} // namespace

TEST(GuiProgram, ScreenshotPathsAreThoseOfTheStartDirectoryAndNeverAScan)
{
    TempDir root, out, scratch;
    const std::string run = root / "XLIDATA/010207/000001";
    fs::create_directories(run);
    testutil::RunSpec spec;
    spec.scans = 6;
    spec.points = 60;
    const std::vector<std::string> names = testutil::WriteRun(run, spec);
    const std::string scan = testutil::ReadTextFile(run + "/" + names.back());

    // The program makes the run its working directory; the file goes where it was started.
    auto r = RunGui("--root '" + root.path() + "' --screenshot shot.png", out.path(), scratch);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(out / "shot.png"));
    EXPECT_FALSE(fs::exists(run + "/shot.png"));

    r = RunGui("--root . --launch 0*.RA1 --screenshot " + names.back(), run, scratch);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("will not write " + run + "/" + names.back() + ": it is a scan file of the run being read"),
        std::string::npos)
        << r.err;
    EXPECT_EQ(testutil::ReadTextFile(run + "/" + names.back()), scan);
}

TEST(GuiProgram, DelaysATimerCannotTakeAreRefused)
{
    TempDir out, scratch;
    for (const char* delay : { "nan", "inf", "-1", "2147484", "1e300" }) {
        SCOPED_TRACE(delay);
        const auto r = RunGui(std::string("--delay ") + delay + " --screenshot shot.png", out.path(), scratch);
        EXPECT_EQ(r.status, 1);
        const std::string message
            = std::string("morvane: --delay needs a number of seconds, not ") + delay + " (0 to 2147483)\n";
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(out / "shot.png"));
}

TEST(GuiProgram, TabNamesIgnoreCaseAndSpacesAndAreListedWhenNoneMatches)
{
    TempDir root, out, scratch;
    testutil::RunSpec spec;
    spec.scans = 6;
    spec.points = 60;
    testutil::WriteRun(root.path(), spec);
    const std::string base = "--root '" + root.path() + "' --launch 0*.RA1 ";
    auto r = RunGui(base + "--tab 'corrected T(DC/DT)' --screenshot cor.png", out.path(), scratch);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(out / "cor.png"));

    r = RunGui(base + "--tab nowhere --screenshot x.png", out.path(), scratch);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("morvane: no tab named nowhere; the tabs are 'Raw Data c(r)', 'Average  t (dc/dt)', "
                         "'Corrected t (dc/dt)'"),
        std::string::npos)
        << r.err;
}

TEST(GuiProgram, ASymlinkLoopBelowTheRootIsNamedAndTheRestShown)
{
    TempDir root, out, scratch;
    const std::string run = root / "XLIDATA/010207/000001";
    fs::create_directories(run);
    testutil::WriteRun(run, testutil::RunSpec());
    fs::create_directory_symlink("123106", root / "XLIDATA/123106");
    const auto r = RunGui("--root '" + root.path() + "' --launch 0*.RA1 --screenshot raw.png", out.path(), scratch);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("morvane: Skipped a symbolic link loop: " + root / "XLIDATA/123106"), std::string::npos)
        << r.err;
    EXPECT_TRUE(fs::exists(out / "raw.png"));
}

#endif
