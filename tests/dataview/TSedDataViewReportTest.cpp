// "Report..." writes the command line's run report of the channel the view holds.
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>

#include "DataViewFixture.h"
#include "report/RunReport.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

using namespace dataviewtest;
using testutil::ScriptedHost;
using testutil::TempDir;

namespace {

// The report without the line that names who wrote it and when.
std::string Timeless(const std::string& html)
{
    return std::regex_replace(html, std::regex("<br>written [^<]*</p>"), "");
}

} // namespace

TEST_F(SedDataView, ReportIsTheReportOfTheChannelItHoldsWithItsFitAndRange)
{
    TempDir dir, out;
    testutil::RunSpec spec = SmallRun(24);
    spec.points = 150;
    testutil::WriteRun(dir.path(), spec);
    ScriptedHost host;
    TSedDataView view(&host);
    view.ButtonReportClick();
    EXPECT_EQ(host.Messages, std::vector<std::string> { NotEnoughDataMessage });
    EXPECT_TRUE(host.SaveRequests.empty());

    Launch(view, dir.path());
    view.Species.ComboSpeciesModel = 1; // Gaussian
    view.Species.ButtonFitSpeciesClick(TSedDataView::SpeciesSource::Corrected);
    host.Messages.clear();
    host.SaveAnswers = { out / "view.html" };
    view.ButtonReportClick();
    ASSERT_EQ(host.Messages, std::vector<std::string> { "Run report written to " + (out / "view.html") });
    EXPECT_EQ(host.SaveRequests.back().FileName, "run report for Test sample RA1.html");

    // What a follower of the channel writes with the same fit: the same text.
    ChannelFollower f;
    OpenChannel(f, dir.path(), LaunchParameters::Defaults("0*.RA1"));
    ReportRequest same;
    same.program = "morvane";
    same.species = view.Species.CorrectedSpecies.Options;
    same.species->Set = -1;
    ASSERT_EQ(WriteRunReport(f, out / "follower.html", same), "");
    const std::string html = testutil::ReadTextFile(out / "view.html");
    EXPECT_NE(html.find("<h2 id=\"species\">"), std::string::npos);
    EXPECT_EQ(Timeless(html), Timeless(testutil::ReadTextFile(out / "follower.html")));

    // A range moved on the extrapolation tab is the report's, and its record's.
    view.Extrapolation.ScrollBarStartExtrapolation.Position = 2;
    host.SaveAnswers = { out / "range.html" };
    view.ButtonReportClick();
    const nlohmann::json record = nlohmann::json::parse(testutil::ReadTextFile(out / "range.html.json"));
    EXPECT_EQ(record.at("kind"), "report");
    EXPECT_EQ(record.at("program"), "morvane");
    EXPECT_EQ(record.at("parameters").at("extrapolation_start"), 2);
    EXPECT_NE(testutil::ReadTextFile(out / "range.html").find("smoothed sets 2 to "), std::string::npos);
}
