#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <vector>

#include "analysis/NumberText.h"
#include "dataview/ChannelFollower.h"
#include "dataview/GofsOutput.h"
#include "testutil/ScanFileWriter.h"

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
        { "interference without comma starts at the second character", "XBSA sample", 3, "00001.IP2", "BSA sample" },
        { "absorbance keeps the whole line less unwanted characters", "My \"protein\": 1.0 mg/ml; run?", 1, "00001.RA1",
            "My protein 10 mgml run" },
        { "fewer than 3 characters: the extension", "ab", 1, "00001.RA2", "RA2" },
        { "fluorescence after Range: and two more", "GFP Range:xxTitle here", 2, "00001.FI1", "Title here" },
        { "fluorescence without Range: starts at the eighth", "abcdefgHIJ", 2, "00001.FI1", "HIJ" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RealTimeGofS e = EngineWithFirstScan(c.description, c.optical, c.fileName);
        EXPECT_EQ(GofsTitle(e), c.title);
    }
    const RealTimeGofS bsa = EngineWithFirstScan("Cell 2, 1 mg/ml BSA", 3, "00001.IP2");
    EXPECT_EQ(ProposedGofsFileName(bsa, ""), "t dcdt vs sStar for 1 mgml BSA.txt");
    const RealTimeGofS longTitle = EngineWithFirstScan("A very long sample description indeed", 1, "00001.RA1");
    EXPECT_EQ(ProposedGofsFileName(longTitle, "/data/XLIDATA/120526/103015/"),
        "/data/XLIDATA/120526/103015/t dcdt vs sStar for A very long samp.txt");
    EXPECT_EQ(RemoveChars("a.b:c;d", ".:;"), "abcd");
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
        e.Meniscus = 5.9;
        e.Bottom = 7.2;
        e.Settings.ComputeApparentStartTime = 0; // recorded times, exactly as written
        e.Settings.MaxAveragingPercent = 2; // a window wider than the run: averages start at set 0
        e.Settings.dcdtWindowFactor = 5;
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

    // By hand: pairs (0,1), (1,2), (2,3); pair p spans ln s* from r = 5.95 to 7.05 at its harmonic-mean time.
    const double w2 = 0.01096622711 * run.rpm * run.rpm;
    struct Pair {
        double thm, value, xlo, xhi;
    };
    std::vector<Pair> pairs;
    for (int p = 0; p < 3; ++p) {
        const double tf = run.times[p], tl = run.times[p + 1];
        const double thm = 2 / (1 / tl + 1 / tf);
        pairs.push_back({ thm, 0.01 * thm / (tl - tf), std::log(std::log(5.95 / 5.9) / thm / w2),
            std::log(std::log(7.05 / 5.9) / thm / w2) });
    }
    const ChannelDataStore& grid = *e.GofsStore;
    const int n = grid.GetNumberOfPoints();
    auto gofsSet = [&](int k, std::vector<int>& valid, int& lastPoint) {
        // Averaged set k + 1 over pairs 0 .. k + 1, then the dilution correction.
        const int last = k + 1;
        double inv = 0;
        for (int p = 0; p <= last; ++p)
            inv += 1 / pairs[static_cast<size_t>(p)].thm;
        const double t = (last + 1) / inv;
        std::vector<double> X, B;
        valid.clear();
        lastPoint = 0;
        for (int i = 0; i < n; ++i) {
            const double x = grid.GetX(i);
            double sum = 0;
            int c = 0;
            for (int p = 0; p <= last; ++p) {
                const Pair& q = pairs[static_cast<size_t>(p)];
                if (x >= q.xlo && x <= q.xhi) {
                    sum += q.value;
                    ++c;
                }
            }
            if (c > 0) {
                X.push_back(x);
                B.push_back(sum / c);
                valid.push_back(i);
            }
            if (c == last + 1)
                lastPoint = i;
        }
        std::vector<double> I(X.size(), 0.0), A(X.size());
        for (size_t j = 1; j < X.size(); ++j)
            I[j] = I[j - 1] + (j + 1 == X.size() ? 0.5 : 1.0) * std::exp(X[j]) * B[j] * (X[j] - X[j - 1]);
        for (size_t j = 0; j < X.size(); ++j)
            A[j] = B[j] - 2 * w2 * t * I[j];
        return A;
    };
    std::vector<int> valid1;
    int lastPoint1 = 0;
    const std::vector<double> A1 = gofsSet(1, valid1, lastPoint1);
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
    EXPECT_EQ(lines.back(), "\n");
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
    const std::string text = GofsFileText(e, "/x/y.txt", 0, false);
    const std::vector<std::string> lines = SplitCrLf(text);
    EXPECT_EQ(lines[1], "Corrected tdc/dt [s*g(s*)] vs s* for data sets 00001.RA1 - 00003.RA1");
    size_t present = 0;
    for (int j = 0; j < e.GofsStore->GetNumberOfPoints(); ++j)
        present += e.GofsStore->GetE(0, j) >= 0;
    EXPECT_EQ(lines.size(), 5 + present + 1);
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

TEST(GofsOutput, NotEnoughDataWritesNothingAndAFailedWriteKeepsTheOldFile)
{
    FlatRun run;
    TempDir out;
    EXPECT_EQ(WriteGofsFile(*run.follower.Engine, out / "x.txt", 7, false), "Not enough Data") << "no such set";
    EXPECT_EQ(WriteGofsFile(EngineWithFirstScan("x", 1, "00001.RA1"), out / "x.txt", -1, true), "Not enough Data");
    EXPECT_EQ(WriteGofsFile(RealTimeGofS(), out / "x.txt", -1, true), "Not enough Data");
    EXPECT_FALSE(fs::exists(out / "x.txt"));
    const std::string path = out / "keep.txt";
    testutil::WriteTextFile(path, "precious");
    std::string detail;
    EXPECT_EQ(WriteGofsFile(*run.follower.Engine, out / "missing-dir/x.txt", -1, true, &detail),
        "Unexpected error writing file, Please check output.");
    EXPECT_FALSE(detail.empty());
    fs::create_directory(out / "adir");
    EXPECT_EQ(WriteGofsFile(*run.follower.Engine, out / "adir", -1, true),
        "Unexpected error writing file, Please check output.");
    EXPECT_TRUE(fs::is_directory(out / "adir"));
    EXPECT_EQ(testutil::ReadTextFile(path), "precious");
    ASSERT_EQ(WriteGofsFile(*run.follower.Engine, path, -1, true), "");
    EXPECT_NE(testutil::ReadTextFile(path), "precious");
    for (const auto& entry : fs::directory_iterator(out.path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << "no temporary file left";
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
    e.Meniscus = 5.9;
    e.Bottom = 7.2;
    f.LoadChannel(dir.path());
    ASSERT_GT(e.GofsStore->GetNumberOfSets(), 2);
    const std::string before = GofsFileText(e, "x", -1, true);
    auto rebuild = [&] {
        e.Refreshdcdtvss();
        e.RefreshAvgdcdtvss();
        e.RefreshGofsvss();
    };
    e.Meniscus = 5.93;
    rebuild();
    EXPECT_NE(GofsFileText(e, "x", -1, true), before);
    e.Meniscus = 5.9;
    rebuild();
    EXPECT_EQ(GofsFileText(e, "x", -1, true), before);

    e.WindowByMW = true;
    e.AssumedMW = 30000;
    rebuild();
    e.WindowByMW = false;
    e.AssumedMW = 150000;
    rebuild();
    EXPECT_EQ(GofsFileText(e, "x", -1, true), before);
}
