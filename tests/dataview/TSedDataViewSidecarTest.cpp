// "Output Ascii" leaves the record of the written file beside it.
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "DataViewFixture.h"
#include "follower/ExtrapolationFile.h"
#include "follower/GofsOutput.h"
#include "provenance/ChannelRecording.h"
#include "scanfiles/Sha256.h"
#include "testutil/ScriptedHost.h"

using namespace morvane;

namespace fs = std::filesystem;
using namespace dataviewtest;
using testutil::ScriptedHost;
using testutil::TempDir;

TEST_F(SedDataView, OutputAsciiWritesItsSidecarBesideTheFile)
{
    TempDir dir, out;
    const std::vector<std::string> names = testutil::WriteRun(dir.path(), SmallRun(20));
    ScriptedHost host;
    TSedDataView view(&host);
    Launch(view, dir.path());
    view.Engine->Cell.Meniscus = 5.91; // a moved marker is what the record holds
    view.Engine->RefreshStages(false);

    host.SaveAnswers = { out / "g.txt" };
    view.ButtonOutputAsciiClick();
    ASSERT_EQ(host.Messages, std::vector<std::string> { "s*g(s*) written to " + (out / "g.txt") });
    const std::string text = testutil::ReadTextFile(out / "g.txt");
    const nlohmann::json j = nlohmann::json::parse(testutil::ReadTextFile(out / "g.txt.json"));
    EXPECT_EQ(j.at("kind"), "gofs");
    EXPECT_EQ(j.at("program"), "morvane");
    EXPECT_EQ(j.at("output").at("sha256"), Sha256Hex(text));
    const nlohmann::json& c = j.at("channels").at(0);
    EXPECT_EQ(c.at("run_directory"), dir.path());
    EXPECT_EQ(c.at("meniscus_cm"), 5.91);
    ASSERT_EQ(c.at("files").size(), names.size());
    EXPECT_EQ(c.at("files").back().at("sha256"), Sha256Hex(testutil::ReadTextFile(dir / names.back())));

    // The time course's set alone: its index.
    view.TimeCourse.RadioGroupChooseTimeCourse = 2;
    view.TimeCourse.RadioGroupChooseTimeCourseClick();
    view.TimeCourse.ScrollBarTime.Position = 3;
    view.TimeCourse.ScrollBarTimeChange();
    host.SaveAnswers = { out / "tc.txt" };
    view.ButtonTCOutputAsciiClick();
    const nlohmann::json tc = nlohmann::json::parse(testutil::ReadTextFile(out / "tc.txt.json"));
    EXPECT_EQ(tc.at("kind"), "gofs-set");
    EXPECT_EQ(tc.at("parameters").at("set"), 3);
    EXPECT_EQ(tc.at("channels").at(0).at("sets").at(0).at("index"), 3);

    // A sidecar that cannot be written is named; the file itself stays.
    fs::create_directory(out / "blocked.txt.json");
    testutil::WriteTextFile(out / "blocked.txt.json/x", "");
    host.SaveAnswers = { out / "blocked.txt" };
    host.Messages.clear();
    view.ButtonOutputAsciiClick();
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].rfind("the record " + out / "blocked.txt.json" + " could not be written (", 0), 0u)
        << host.Messages[0];
    EXPECT_NE(host.Messages[0].find("); " + out / "blocked.txt" + " itself was written and stays"), std::string::npos);
    EXPECT_EQ(testutil::ReadTextFile(out / "blocked.txt"), GofsFileText(*view.Engine, out / "blocked.txt", 0, true));
}

TEST_F(SedDataView, ExtrapolationOutputWritesTheFileTheHeadlessProgramWould)
{
    TempDir dir, out;
    testutil::WriteRun(dir.path(), SmallRun(14));
    ScriptedHost host;
    TSedDataView view(&host);
    Launch(view, dir.path());
    view.Extrapolation.ScrollBarStartExtrapolation.Position = 0;
    view.Extrapolation.ScrollBarExtrapolation.Position = 8;

    host.SaveAnswers = { out / "x.txt" };
    view.ButtonOutputExtrapolationClick();
    ASSERT_TRUE(host.Messages.empty()) << host.Messages[0];
    const ExtrapolationOutput x = ExtrapolateSets(*view.Engine, dir.path(), 0, 8, view.DisplaySettings);
    ASSERT_FALSE(x.rows.empty());
    EXPECT_EQ(testutil::ReadTextFile(out / "x.txt"), ExtrapolationFileText(x.header, x.rows));
    const nlohmann::json j = nlohmann::json::parse(testutil::ReadTextFile(out / "x.txt.json"));
    EXPECT_EQ(j.at("kind"), "extrapolation");
    EXPECT_EQ(j.at("parameters"), nlohmann::json({ { "start", 0 }, { "end", 8 } }));
    EXPECT_EQ(j.at("display_settings").size(), 4u);

    // Opened again from its record, a view shows the recorded range, computed, on its tab.
    Sidecar record;
    std::vector<std::string> notes;
    ASSERT_EQ(ReadSidecar(testutil::ReadTextFile(out / "x.txt.json"), record, notes), "");
    TSedDataView opened;
    Launch(opened, dir.path());
    opened.UseRecordedOutput(record);
    EXPECT_EQ(opened.PageControl1ActivePage, 3);
    EXPECT_EQ(opened.Extrapolation.ScrollBarExtrapolation.Position, 8);
    EXPECT_EQ(opened.Extrapolation.ScrollBarStartExtrapolation.Position, 0);
    EXPECT_FALSE(opened.Extrapolation.ButtonRefreshExtrapolationEnabled) << "computed";
    (*record.Parameters)["end"] = 99; // past this channel's sets: not taken, and said
    opened.UseRecordedOutput(record);
    EXPECT_EQ(
        opened.LabelOpenedFromHint, "\nnot taken: the recorded range of sets (the channel has 11 g(s*) sets now)");

    // A range of fewer than five sets: a message, no dialog.
    view.Extrapolation.ScrollBarStartExtrapolation.Position = 5;
    host.SaveAnswers = { out / "short.txt" };
    view.ButtonOutputExtrapolationClick();
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_FALSE(fs::exists(out / "short.txt"));

    // A range that is no result: the message says why and which range would give one, no dialog.
    view.Extrapolation.ScrollBarStartExtrapolation.Position = 4;
    view.ButtonOutputExtrapolationClick();
    ASSERT_EQ(host.Messages.size(), 2u);
    EXPECT_EQ(host.Messages[1].rfind("The extrapolation of sets 4 to 8 (", 0), 0u) << host.Messages[1];
    EXPECT_NE(host.Messages[1].find("Sets 0 to 8 give a sound extrapolation."), std::string::npos);
    EXPECT_FALSE(fs::exists(out / "short.txt"));

    // Any other writer records its file through one call.
    testutil::WriteTextFile(out / "export.txt", "exported");
    ASSERT_EQ(WriteOutputSidecar(view, out / "export.txt", "export", { { "scan", 3 } }, "morvane"), "");
    const nlohmann::json e = nlohmann::json::parse(testutil::ReadTextFile(out / "export.txt.json"));
    EXPECT_EQ(e.at("kind"), "export");
    EXPECT_EQ(e.at("parameters").at("scan"), 3);
    EXPECT_EQ(e.at("output").at("sha256"), Sha256Hex("exported"));
    EXPECT_EQ(e.at("channels").at(0).at("files").size(), 14u);
}
