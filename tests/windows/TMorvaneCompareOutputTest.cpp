// "Output Ascii" of the comparison window: the curves it can draw, and their record beside them.
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <nlohmann/json.hpp>

#include "follower/ComparisonFile.h"
#include "scanfiles/Sha256.h"
#include "testutil/ScanFileWriter.h"
#include "testutil/ScriptedHost.h"
#include "windows/HandMadeView.h"
#include "windows/TMorvaneCompare.h"

using namespace morvane;

using testutil::HandMadeView;

TEST(MorvaneCompareOutput, WritesTheDrawableSelectedCurvesAndTheirRecord)
{
    testutil::TempDir out;
    testutil::ScriptedHost host;
    TMorvaneCompare compare(&host);
    HandMadeView a, b, none, unselected;
    a.SetConstant(2.5, 100, 40);
    b.SetConstant(1.0, 120, 30);
    unselected.SetConstant(1.0, 100, 10);
    compare.AddEntry("/data/run/0*.RA1", &a.view);
    compare.AddEntry("/data/run/0*.RA2", &b.view);
    compare.AddEntry("/data/run/0*.RA3", &none.view); // no g(s*) yet: left out
    compare.AddEntry("/data/run/0*.RA4", &unselected.view);
    for (size_t i = 0; i < 3; ++i)
        compare.ListBoxOpenWindows[i].Selected = true;
    compare.RadioButtonNormalizedClick();

    host.SaveAnswers = { out / "cmp.txt" };
    compare.ButtonOutputAsciiClick();
    ASSERT_TRUE(host.Messages.empty()) << host.Messages[0];
    std::vector<std::string> names;
    std::vector<CompositeCurve> curves;
    AddComparisonColumn(*a.view.Engine, "/data/run/0*.RA1", true, names, curves);
    AddComparisonColumn(*b.view.Engine, "/data/run/0*.RA2", true, names, curves);
    const std::string text = testutil::ReadTextFile(out / "cmp.txt");
    EXPECT_EQ(text, ComparisonTableText(names, curves));

    const nlohmann::json j = nlohmann::json::parse(testutil::ReadTextFile(out / "cmp.txt.json"));
    EXPECT_EQ(j.at("kind"), "comparison");
    EXPECT_EQ(j.at("program"), "morvane");
    EXPECT_EQ(j.at("output").at("sha256"), Sha256Hex(text));
    EXPECT_EQ(j.at("parameters").at("normalized"), true);
    EXPECT_EQ(j.at("parameters").at("columns"), nlohmann::json({ "/data/run/0*.RA1", "/data/run/0*.RA2" }));
    EXPECT_EQ(j.at("channels").size(), 2u);

    // Nothing to write: a message, no dialog, no file.
    for (ComparisonEntry& e : compare.ListBoxOpenWindows)
        e.Selected = &e == &compare.ListBoxOpenWindows[2];
    host.SaveAnswers = { out / "empty.txt" };
    compare.ButtonOutputAsciiClick();
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0], TMorvaneCompare::NothingToWriteText);
    EXPECT_FALSE(std::filesystem::exists(out / "empty.txt"));
}
