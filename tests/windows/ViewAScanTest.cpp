#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"
#include "windows/TSimpleShowText.h"
#include "windows/TViewAScan.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::ScriptedHost;
using testutil::TempDir;
using testutil::WriteTextFile;

namespace {

// An absorbance scan of n points whose radii fall: file order and x order differ.
std::string AbsorbanceText(int n)
{
    testutil::ScanSpec scan;
    for (int i = 0; i < n; ++i) {
        scan.radius.push_back(7.0 - 0.01 * i);
        scan.value.push_back(0.1 * i);
        scan.third.push_back(0.01);
    }
    return testutil::ScanFileText(scan);
}

struct Viewer {
    TempDir dir;
    ScriptedHost host;
    TSimpleShowText text { &host };
    TViewAScan view { &host };
    Viewer() { view.TextViewer = &text; }
    bool Show(const std::string& path)
    {
        view.EditFileName = path;
        return view.ShowScanFile();
    }
};

} // namespace

TEST(ViewAScan, DrawsEveryPointInFileOrderInRed)
{
    Viewer v;
    WriteTextFile(v.dir / "00001.RA1", AbsorbanceText(120));
    ASSERT_TRUE(v.Show(v.dir / "00001.RA1"));
    const ChartModel& chart = v.view.TransformChart;
    EXPECT_EQ(chart.Title, "Transformed Data");
    EXPECT_FALSE(chart.LegendVisible);
    EXPECT_EQ(chart.Bottom.Title, "r");
    EXPECT_EQ(chart.Bottom.Increment, 0.1);
    EXPECT_EQ(chart.Left.Title, "C(r)");
    EXPECT_EQ(chart.Left.LabelFormat, "#.# x10E-#");
    ASSERT_EQ(chart.SeriesCount(), 1);
    const ChartSeries& s = chart.Series[0];
    EXPECT_EQ(s.Title, "template");
    EXPECT_EQ(s.Colour, Colours::Red);
    ASSERT_EQ(s.Points.size(), 120u);
    for (size_t i : { size_t(0), size_t(57), size_t(119) }) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(s.Points[i].X, 7.0 - 0.01 * static_cast<double>(i), 1e-9);
        EXPECT_NEAR(s.Points[i].Y, 0.1 * static_cast<double>(i), 1e-9);
        EXPECT_EQ(s.Points[i].Label, "");
        EXPECT_EQ(s.Points[i].Colour, Colours::Red);
    }
    EXPECT_TRUE(v.host.Messages.empty());
}

TEST(ViewAScan, IntensityFilesShowTheRatioOfTheirTwoColumns)
{
    Viewer v;
    testutil::ScanSpec scan;
    scan.typeLetter = 'I';
    scan.radius = { 6.0, 6.1 };
    scan.value = { 1000, 500 };
    scan.third = { 100, 250 };
    WriteTextFile(v.dir / "00001.RI1", testutil::ScanFileText(scan));
    ASSERT_TRUE(v.Show(v.dir / "00001.RI1"));
    EXPECT_NEAR(v.view.TransformChart.Series[0].Points[0].Y, 1.0, 1e-12);
    EXPECT_NEAR(v.view.TransformChart.Series[0].Points[1].Y, std::log10(2.0), 1e-12);
}

TEST(ViewAScan, BadFilesSayWhyAndKeepTheChart)
{
    Viewer v;
    WriteTextFile(v.dir / "00001.RA1", AbsorbanceText(30));
    WriteTextFile(v.dir / "binary.RA1", std::string("\x00\xff\x13\x80junk\x00\r\n\x01\x02", 14));
    WriteTextFile(v.dir / "empty.RA1", "");
    WriteTextFile(v.dir / "header-only.RA1", "Sample\r\nR 1 20.0 50000 1000 2.7E+10 280 1\r\n");
    WriteTextFile(v.dir / "notes.txt", "a text that is no scan\r\n");
    WriteTextFile(v.dir / "vanished.RA1", AbsorbanceText(5));
    const std::string vanished = v.dir / "vanished.RA1";
    fs::remove(vanished);
    const struct {
        const char* name;
        std::string path;
        const char* message;
    } cases[] = {
        { "missing", v.dir / "gone.RA1", FileNotFoundMessage },
        { "vanished after it was chosen", vanished, FileNotFoundMessage },
        { "a directory", v.dir.path(), FileNotFoundMessage },
        { "no path", "", FileNotFoundMessage },
        { "binary", v.dir / "binary.RA1", NotParsedMessage },
        { "empty", v.dir / "empty.RA1", NotParsedMessage },
        { "no data line", v.dir / "header-only.RA1", NotParsedMessage },
        { "no scan kind", v.dir / "notes.txt", NotParsedMessage },
    };
    ASSERT_TRUE(v.Show(v.dir / "00001.RA1"));
    const uint64_t drawn = v.view.TransformChart.Changed;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        v.host.Messages.clear();
        EXPECT_FALSE(v.Show(c.path));
        EXPECT_EQ(v.host.Messages, std::vector<std::string> { c.message });
        EXPECT_EQ(v.view.TransformChart.Series[0].Points.size(), 30u);
        EXPECT_EQ(v.view.TransformChart.Changed, drawn);
    }
}

TEST(ViewAScan, ViewingChangesNoFile)
{
    Viewer v;
    const std::string path = v.dir / "00001.RA1";
    WriteTextFile(path, AbsorbanceText(40));
    const std::string bytes = testutil::ReadTextFile(path);
    const auto mtime = fs::last_write_time(path);
    ASSERT_TRUE(v.Show(path));
    v.view.Button1Click();
    v.text.FormResize(100, 100);
    EXPECT_EQ(testutil::ReadTextFile(path), bytes);
    EXPECT_EQ(fs::last_write_time(path), mtime);
    EXPECT_EQ(std::distance(fs::directory_iterator(v.dir.path()), fs::directory_iterator()), 1);
}

TEST(ViewAScan, ShowAnotherFileStartsAtTheFileShownAndACancelChangesNothing)
{
    Viewer v;
    WriteTextFile(v.dir / "00001.RA1", AbsorbanceText(10));
    WriteTextFile(v.dir / "00002.RA1", AbsorbanceText(12));
    ASSERT_TRUE(v.Show(v.dir / "00001.RA1"));
    v.view.ButtonNewFileClick();
    ASSERT_EQ(v.host.OpenRequests.size(), 1u);
    EXPECT_EQ(v.host.OpenRequests[0].FileName, v.dir / "00001.RA1");
    EXPECT_EQ(v.host.OpenRequests[0].InitialDir, v.dir.path());
    EXPECT_EQ(v.view.EditFileName, v.dir / "00001.RA1");
    EXPECT_EQ(v.view.TransformChart.Series[0].Points.size(), 10u);

    v.host.OpenAnswers = { v.dir / "00002.RA1" };
    v.view.ButtonNewFileClick();
    EXPECT_EQ(v.view.EditFileName, v.dir / "00002.RA1");
    EXPECT_EQ(v.view.TransformChart.Series[0].Points.size(), 12u);
}

TEST(ViewAScan, ShowTextOpensTheTextViewerOnTheSameFile)
{
    Viewer v;
    const std::string path = v.dir / "00001.RA1";
    WriteTextFile(path, AbsorbanceText(3));
    ASSERT_TRUE(v.Show(path));
    v.view.Button1Click();
    EXPECT_EQ(v.host.TextViewersShown, 1);
    EXPECT_TRUE(v.text.Visible);
    EXPECT_EQ(v.text.EditFileName, path);
    ASSERT_EQ(v.text.Memo1.size(), 5u);
    EXPECT_EQ(v.text.Memo1[0], "Test sample");
    EXPECT_EQ(v.text.Memo1[2], "   7.0000    0.00000E+00    1.00000E-02");

    // Shown again, the file is read again: it may have changed since.
    WriteTextFile(path, AbsorbanceText(4));
    v.view.Button1Click();
    EXPECT_EQ(v.text.Memo1.size(), 6u);
}

TEST(ViewAScan, DisplayXYReadsOutAClickAndZoomIgnoresIt)
{
    Viewer v;
    v.view.TransformChartClick(6.512345, 0.2500049);
    EXPECT_TRUE(v.view.EditDisplayXY.empty()) << "zoom mode, down at start";
    EXPECT_TRUE(v.host.Messages.empty());
    v.view.SBDisplayXYClick();
    v.view.TransformChartClick(6.512345, 0.2500049);
    EXPECT_EQ(v.view.EditDisplayXY, "X = 6.5123  Y = 0.25");
    EXPECT_EQ(v.host.Messages, (std::vector<std::string> { "X = 6.5123  Y = 0.25" }));
    v.view.SBZoomInClick();
    v.view.TransformChartClick(1, 1);
    EXPECT_EQ(v.host.Messages.size(), 1u);
}
