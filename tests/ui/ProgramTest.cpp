#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "dataview/TSedDataView.h"
#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"

#ifdef MORVANE_PROGRAM

using namespace morvane;

namespace fs = std::filesystem;
using testutil::TempDir;

namespace {

// Runs the program with `args`; returns its exit status and what it wrote to stderr.
int RunProgram(const std::string& args, std::string& err, const TempDir& dir)
{
    const std::string errFile = dir / "stderr.txt";
    const std::string command
        = "QT_QPA_PLATFORM=offscreen '" + std::string(MORVANE_PROGRAM) + "' " + args + " 2> '" + errFile + "'";
    const int status = std::system(command.c_str());
    err = testutil::ReadTextFile(errFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(Program, ScreenshotOfEachTabAndItsErrors)
{
    TempDir root, out;
    testutil::RunSpec spec;
    spec.scans = 12;
    spec.points = 80;
    testutil::WriteRun(root.path(), spec);
    const std::string base = "--root '" + root.path() + "' ";
    std::string err;

    const struct {
        const char* name;
        std::string args;
    } shots[] = {
        { "main window", base + "--screenshot '" + (out / "main.png") + "'" },
        { "raw data", base + "--launch 0*.RA1 --screenshot '" + (out / "raw.png") + "'" },
        { "corrected", base + "--launch 0*.RA1 --tab 'Corrected t (dc/dt)' --screenshot '" + (out / "cor.png") + "'" },
    };
    for (const auto& s : shots) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(RunProgram(s.args, err, out), 0) << err;
    }
    for (const char* file : { "main.png", "raw.png", "cor.png" }) {
        SCOPED_TRACE(file);
        const QImage image(QString::fromStdString(out / file));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.width(), 1100);
        EXPECT_EQ(image.height(), 760);
    }

    const struct {
        const char* name;
        std::string args;
        const char* message;
    } errors[] = {
        { "channel not there", base + "--launch 0*.IP3 --screenshot '" + (out / "x.png") + "'",
            "channel 0*.IP3 not found" },
        { "no such tab", base + "--launch 0*.RA1 --tab Nowhere --screenshot '" + (out / "x.png") + "'",
            "no tab named Nowhere" },
        { "unwritable file", base + "--screenshot '" + (out / "missing") + "/x.png" + "'", "cannot write" },
        { "delay not a number", base + "--delay soon --screenshot '" + (out / "x.png") + "'",
            "--delay needs a number of seconds, not soon" },
    };
    for (const auto& e : errors) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(RunProgram(e.args, err, out), 1);
        EXPECT_NE(err.find(e.message), std::string::npos) << err;
    }
    EXPECT_FALSE(fs::exists(out / "x.png"));
}

TEST(Program, OpenAnalysisFromARecord)
{
    TempDir root, out;
    testutil::RunSpec spec;
    spec.scans = 12;
    spec.points = 80;
    testutil::WriteRun(root.path(), spec);
    // The record of a g(s*) file, as a data view writes it.
    testutil::ScriptedHost host;
    TSedDataView view(&host);
    LaunchParameters launch = LaunchParameters::Defaults("0*.RA1");
    launch.Cell.Meniscus = 5.93;
    OpenChannel(view, root.path(), launch);
    host.SaveAnswers = { out / "g.txt" };
    view.ButtonOutputAsciiClick();
    ASSERT_TRUE(fs::exists(out / "g.txt.json"));

    std::string err;
    const std::string shot = " --tab 'Raw Data c(r)' --screenshot '" + (out / "open.png") + "'";
    EXPECT_EQ(RunProgram("--open '" + (out / "g.txt.json") + "'" + shot, err, out), 0) << err;
    EXPECT_NE(err.find("inputs of 0*.RA1 in " + root.path() + ": all 12 recorded files match"), std::string::npos)
        << err;
    EXPECT_FALSE(QImage(QString::fromStdString(out / "open.png")).isNull());

    testutil::WriteTextFile(out / "bad.json", "[]");
    EXPECT_EQ(RunProgram("--open '" + (out / "bad.json") + "' --screenshot '" + (out / "x.png") + "'", err, out), 1);
    EXPECT_NE(err.find("The analysis cannot be opened from " + (out / "bad.json") + ": "), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(out / "x.png"));
}

#endif
