#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <vector>

#include "FollowerCheck.h"
#include "follower/ChannelFollower.h"
#include "follower/ExtrapolationFile.h"
#include "follower/GofsOutput.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::SplitCrLf;
using testutil::TempDir;

namespace {

// An engine holding only raw headers, enough for titles and header lines.
RealTimeGofS EngineWithFirstScan(const std::string& description, int optical, const std::string& fileName)
{
    RealTimeGofS e;
    const double r[] = { 6.0, 6.1, 6.2 };
    e.CreateX(r, 3);
    ScanHeader h;
    h.Description = description;
    h.OpticalSystem = optical;
    h.FileName = fileName;
    h.Time = 1;
    const double y[] = { 0, 0, 0 };
    e.RawStore->AddSet(r, y, nullptr, 3, h, 1);
    return e;
}

} // namespace

TEST(GofsOutput, TitlesAndProposedNames)
{
    const struct {
        const char* name;
        const char* description;
        int optical;
        const char* fileName;
        const char* title;
    } cases[] = {
        { "interference: text after the comma and blank", "Cell 2, 1 mg/ml BSA", 3, "00001.IP2", "1 mgml BSA" },
        { "absorbance keeps the whole line less unwanted characters", "My \"protein\": 1.0 mg/ml; run?", 1, "00001.RA1",
            "My protein 10 mgml run" },
        { "fewer than 3 characters: the extension", "ab", 1, "00001.RA2", "RA2" },
        { "fluorescence after Range: and two more", "GFP Range:xxTitle here", 2, "00001.FI1", "Title here" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RealTimeGofS e = EngineWithFirstScan(c.description, c.optical, c.fileName);
        EXPECT_EQ(GofsTitle(e), c.title);
    }
    RealTimeGofS longTitle = EngineWithFirstScan("A very long sample description indeed", 1, "00001.RA1");
    EXPECT_EQ(ProposedGofsFileName(longTitle, "/data/XLIDATA/120526/103015/"),
        "/data/XLIDATA/120526/103015/t dcdt vs sStar for A very long samp.txt");
    // One wavelength of a cell scanned at several: the names of its outputs say which.
    longTitle.ChannelName = "0*.RA1 230 nm";
    EXPECT_EQ(ProposedGofsFileName(longTitle, ""), "t dcdt vs sStar for A very long samp RA1 230 nm.txt");
    EXPECT_EQ(ProposedExtrapolationFileName(longTitle), "t dcdt extrapolated for A very long samp RA1 230 nm.txt");
    // The channel tells the cells of one sample apart; a title that is the channel is not said twice.
    RealTimeGofS shortTitle = EngineWithFirstScan("ab", 1, "00001.RI2");
    shortTitle.ChannelName = "0*.RI2Sam";
    EXPECT_EQ(FileNameTitle(shortTitle), "RI2 RI2Sam");
    shortTitle.ChannelName = "0*.RI2";
    EXPECT_EQ(FileNameTitle(shortTitle), "RI2");
}

namespace {

// Four flat scans whose level falls by 0.01 per scan: every dc/dt pair is a constant over its s*
// range, so the whole chain can be computed by hand.
struct FlatRun {
    TempDir dir;
    const double times[4] = { 1500, 2100, 2700, 3300 };
    const double rpm = 50000;
    ChannelFollower follower;

    FlatRun()
    {
        for (int k = 0; k < 4; ++k) {
            testutil::ScanSpec s;
            s.description = "Flat test";
            s.rpm = rpm;
            s.seconds = times[k];
            for (int i = 0; i <= 110; ++i) {
                s.radius.push_back(5.95 + 0.01 * i);
                s.value.push_back(1.0 - 0.01 * k);
                s.third.push_back(0.001);
            }
            testutil::WriteTextFile(dir / ("0000" + std::to_string(k + 1) + ".RA1"), testutil::ScanFileText(s));
        }
        RealTimeGofS& e = *follower.Engine;
        e.ChannelName = "0*.RA1";
        e.Cell.Meniscus = 5.9;
        e.Cell.Bottom = 7.2;
        e.Settings.ComputeApparentStartTime = 0; // recorded times, exactly as written
        e.Settings.MaxAveragingPercent = 2; // a window wider than the run: averages start at set 0
        e.Settings.dcdtWindowFactor = 5;
        follower.Now = followertest::LongAfter; // the files just written count as settled
        follower.LoadChannel(dir.path());
    }
};

} // namespace

TEST(GofsOutput, WholeChannelMatchesTheFormulas)
{
    FlatRun run;
    const RealTimeGofS& e = *run.follower.Engine;
    ASSERT_TRUE(run.follower.HasData);
    ASSERT_EQ(e.GofsStore->GetNumberOfSets(), 2);

    // By hand: pairs (0,1), (1,2), (2,3), each the constant 0.01 thm / (tl - tf) over ln s* from r = 5.95 to
    // 7.05 at its harmonic-mean time thm; set 1 averages all three, then takes the dilution correction.
    const double w2 = 0.01096622711 * run.rpm * run.rpm;
    double value[3], xlo[3], xhi[3], inverse = 0;
    for (size_t p = 0; p < 3; ++p) {
        const double tf = run.times[p], tl = run.times[p + 1], thm = 2 / (1 / tl + 1 / tf);
        value[p] = 0.01 * thm / (tl - tf);
        xlo[p] = std::log(std::log(5.95 / 5.9) / thm / w2);
        xhi[p] = std::log(std::log(7.05 / 5.9) / thm / w2);
        inverse += 1 / thm;
    }
    const ChannelDataStore& grid = *e.GofsStore;
    std::vector<int> valid1;
    std::vector<double> X, B;
    int lastPoint1 = 0;
    for (int i = 0; i < grid.GetNumberOfPoints(); ++i) {
        double sum = 0;
        int c = 0;
        for (size_t p = 0; p < 3; ++p)
            if (grid.GetX(i) >= xlo[p] && grid.GetX(i) <= xhi[p]) {
                sum += value[p];
                ++c;
            }
        if (c > 0) {
            valid1.push_back(i);
            X.push_back(grid.GetX(i));
            B.push_back(sum / c);
        }
        if (c == 3)
            lastPoint1 = i;
    }
    std::vector<double> A1 = B;
    double integral = 0; // of s* B d ln s*, its last step halved
    for (size_t j = 1; j < X.size(); ++j) {
        integral += (j + 1 == X.size() ? 0.5 : 1.0) * std::exp(X[j]) * B[j] * (X[j] - X[j - 1]);
        A1[j] = B[j] - 2 * w2 * (3 / inverse) * integral;
    }
    EXPECT_EQ(e.GofsStore->Headers[1].LastPoint, lastPoint1);

    TempDir out;
    const std::string path = out / "gofs.txt";
    ASSERT_EQ(WriteGofsFile(e, path, -1, true), "");
    const std::string text = testutil::ReadTextFile(path);
    ASSERT_GE(text.size(), 3u);
    EXPECT_EQ(text.substr(text.size() - 3), "\n\r\n") << "the file ends with a lone LF line";
    const std::vector<std::string> lines = SplitCrLf(text);
    ASSERT_EQ(lines.size(), 5 + valid1.size() + 1);
    EXPECT_EQ(lines[0], "Output file from Morvane originally named " + path);
    EXPECT_EQ(lines[1], "Corrected tdc/dt [s*g(s*)] vs s* for data sets 00001.RA100004.RA1");
    EXPECT_EQ(lines[2], "Flat test");
    EXPECT_EQ(lines[3].substr(0, 20), "R 1 20.0 50000 1500 ");
    EXPECT_EQ(lines[4], "s*\t*dc/dt\tg(s*)");
    for (size_t j = 0; j < valid1.size(); ++j) {
        SCOPED_TRACE(j);
        std::istringstream row(lines[5 + j]);
        double s = 0, v = 0, g = 0;
        row >> s >> v >> g;
        const double wantS = std::exp(grid.GetX(valid1[j])) * 1e13;
        EXPECT_NEAR(s, wantS, 1e-13 * wantS);
        EXPECT_NEAR(v, A1[j], 1e-12 * std::fabs(A1[j]) + 1e-15);
        EXPECT_NEAR(g, A1[j] / wantS, 1e-12 * std::fabs(A1[j] / wantS) + 1e-15);
        EXPECT_EQ(lines[5 + j].find(' '), std::string::npos) << "single TABs, no blanks";
    }
}

TEST(GofsOutput, TimeCourseFormWritesOneSetWithItsLabel)
{
    FlatRun run;
    const RealTimeGofS& e = *run.follower.Engine;
    const std::vector<std::string> lines = SplitCrLf(GofsFileText(e, "/x/y.txt", 0, false));
    EXPECT_EQ(lines[1], "Corrected tdc/dt [s*g(s*)] vs s* for data sets 00001.RA1 - 00003.RA1");
}

TEST(GofsOutput, SpeedChangeHeaderLines)
{
    RealTimeGofS e;
    const double r[] = { 6.0, 6.1, 6.2 };
    const double y[] = { 0, 0, 0 };
    e.CreateX(r, 3);
    for (int i = 0; i < 50; ++i) {
        ScanHeader h;
        h.Rpm = i < 30 ? 3000 : (i == 40 ? 40040 : 40000);
        h.HeaderLine = "line " + std::to_string(i);
        h.Time = i + 1;
        e.RawStore->AddSet(r, y, nullptr, 3, h, h.Time);
    }
    const std::vector<std::string> lines = SplitCrLf(GofsFileText(e, "p", -1, true));
    EXPECT_EQ(lines[3], "line 0");
    EXPECT_EQ(lines[4], "line 30") << "40040 rounds to 40000: no line for scans 40 and 41";
    EXPECT_EQ(lines[5], "s*\t*dc/dt\tg(s*)");
}

TEST(GofsOutput, NotEnoughDataWritesNothingAndAFailedWriteSaysSo)
{
    FlatRun run;
    TempDir out;
    EXPECT_EQ(WriteGofsFile(*run.follower.Engine, out / "x.txt", 7, false), "Not enough Data") << "no such set";
    EXPECT_EQ(WriteGofsFile(RealTimeGofS(), out / "x.txt", -1, true), "Not enough Data");
    EXPECT_FALSE(fs::exists(out / "x.txt"));
    fs::create_directory(out / "adir");
    EXPECT_EQ(WriteGofsFile(*run.follower.Engine, out / "adir", -1, true),
        "Unexpected error writing file, Please check output.");
    EXPECT_TRUE(fs::is_directory(out / "adir"));
}

TEST(GofsOutput, MovingTheMeniscusAndBackGivesTheSameFile)
{
    TempDir dir, out;
    testutil::RunSpec spec;
    spec.scans = 25;
    spec.points = 300;
    testutil::WriteRun(dir.path(), spec);
    ChannelFollower f;
    RealTimeGofS& e = *f.Engine;
    e.ChannelName = "0*.RA1";
    e.Cell.Meniscus = 5.9;
    e.Cell.Bottom = 7.2;
    f.LoadChannel(dir.path());
    ASSERT_GT(e.GofsStore->GetNumberOfSets(), 2);
    const std::string before = GofsFileText(e, "x", -1, true);
    auto rebuild = [&] { e.RefreshStages(false); };
    e.Cell.Meniscus = 5.93;
    rebuild();
    EXPECT_NE(GofsFileText(e, "x", -1, true), before);
    e.Cell.Meniscus = 5.9;
    rebuild();
    EXPECT_EQ(GofsFileText(e, "x", -1, true), before);
}
