// The programs' own command lines, checked by running the programs as a user would.
#include <filesystem>
#include <gtest/gtest.h>
#include <csignal>
#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "ProgramRun.h"
#include "simulator/RunWriter.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

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

// A pipe and a link to /dev/zero named as scans once held every command that reads a run (its
// record hashes the files) for good, deaf to Ctrl-C. Each is stopped after ten minutes should it hang.
TEST(CliProgram, PipesAndDevicesNamedAsScansAreRefusedByEveryCommand)
{
    TempDir run, out, scratch;
    testutil::RunSpec spec;
    spec.scans = 14;
    testutil::WriteRun(run.path(), spec);
    ASSERT_EQ(::mkfifo((run / "00015.RA1").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", run / "00016.RA1");
    const std::string cli = "600 '" MORVANE_CLI_PROGRAM "' ", dir = " '" + run.path() + "'";
    auto r = RunProgram("timeout", cli + "analyze" + dir + " --output g.txt", out.path(), scratch);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("16 scans read, 14 used, 2 refused (not a regular file: 00015.RA1 and 1 more)"),
        std::string::npos)
        << r.out;
    for (const std::string& command : { "export" + dir + " --output-dir exported", "fit" + dir,
             "extrapolate" + dir + " --output e.txt", "compare" + dir + dir + " --output c.txt",
             std::string("reproduce g.txt.json") }) {
        SCOPED_TRACE(command);
        r = RunProgram("timeout", cli + command, out.path(), scratch);
        EXPECT_TRUE(r.status >= 0 && r.status <= 2) << r.status << " (124: it hung) " << r.err;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(out / "exported"), {}), 16) << "14 scans, their list and its record";
}

// SIGTERM (and Ctrl-C) was once a request that only --watch looked at: a busy command ran on, deaf
// to it. Here recompose is held by a full pipe on its output, at a point surely past its start.
TEST(CliProgram, SigtermEndsABusyCommand)
{
    TempDir data, out;
    const std::string header = "P 2 20.0 40000 1000 1.75E+10 660 1\r\n";
    testutil::WriteTextFile(data / "paradigm.txt", "Paradigm 1, ref\r\n" + header + "   5.8012    1.0E+02\r\n");
    // 150 status lines of about 45 bytes: more than the pipe holds and the byte read below.
    for (int i = 1; i <= 150; ++i)
        testutil::WriteTextFile(data / ("00" + std::to_string(100 + i) + ".IP2"), "Run, s\r\n" + header + "   5.8\r\n");
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    ASSERT_EQ(::fcntl(fds[1], F_SETPIPE_SZ, 4096), 4096);
    const std::string dataDir = data.path(), paradigm = data / "paradigm.txt", outDir = out / "r";
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::execl(MORVANE_CLI_PROGRAM, "morvane-cli", "recompose", dataDir.c_str(), "--paradigm", paradigm.c_str(),
            "--output-dir", outDir.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    char byte = 0;
    ASSERT_EQ(::read(fds[0], &byte, 1), 1) << "the command did not start";
    ::kill(child, SIGTERM);
    // Drained, a command deaf to the signal runs to its end and exits 0.
    char buffer[4096];
    while (::read(fds[0], buffer, sizeof buffer) > 0) { }
    ::close(fds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
    EXPECT_FALSE(fs::exists(out / "r/00250.IP2"));
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

// The picture of the main window once stood for a channel that never appeared, with status 0.
TEST(GuiProgram, ALaunchedChannelThatNeverAppearsFailsAfterTheDelay)
{
    TempDir root, out, scratch;
    testutil::RunSpec spec;
    spec.scans = 6;
    spec.points = 60;
    testutil::WriteRun(root.path(), spec);
    const auto r = RunGui("--root '" + root.path() + "' --launch 0*.IP1 --delay 0.2 --screenshot s.png", out.path(),
        scratch);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("morvane: channel 0*.IP1 did not appear in " + root.path()), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(" within 0.2 s; no screenshot taken\n"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(out / "s.png"));
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
