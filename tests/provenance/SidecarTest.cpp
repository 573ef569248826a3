#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <sys/stat.h>

#include "provenance/RecordText.h"
#include "provenance/Reproduction.h"
#include "provenance/Sidecar.h"
#include "scanfiles/Sha256.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::TempDir;

TEST(Sha256, KnownDigestsAndFilesReadInPieces)
{
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

    TempDir dir;
    std::string bytes;
    for (int i = 0; i < 200000; ++i) // longer than one piece of the reader
        bytes += static_cast<char>(i * 7 % 256);
    testutil::WriteTextFile(dir / "big", bytes);
    const FileDigest d = DigestOfFile(dir / "big");
    EXPECT_TRUE(d.Read);
    EXPECT_EQ(d.Size, 200000);
    EXPECT_EQ(d.Sha256, Sha256Hex(bytes));
    EXPECT_FALSE(DigestOfFile(dir / "none").Read);
    EXPECT_FALSE(DigestOfFile(dir.path()).Read) << "a directory is no file";
    // A pipe without a writer once held the record's hashing forever, a link to /dev/zero spun on.
    ASSERT_EQ(::mkfifo((dir / "00002.RA1").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir / "00003.RA1");
    EXPECT_FALSE(DigestOfFile(dir / "00002.RA1").Read);
    EXPECT_FALSE(DigestOfFile(dir / "00003.RA1").Read);
}

TEST(Sidecar, ReadsBackWhatItWroteExactly)
{
    Sidecar s;
    s.Kind = KindExtrapolation;
    s.Program = "morvane-cli";
    s.Version = "0.4.0 (abc)";
    s.WrittenUtc = "2024-05-01T12:34:56Z";
    s.OutputPath = std::string("/tmp/r\xe9sultat.txt"); // a name whose bytes are not UTF-8
    s.OutputSize = 12;
    s.OutputSha256 = Sha256Hex("x");
    (*s.Parameters)["start"] = 2;
    s.DisplayKeys = { "ExtrapolationCutoff", "ExtrapolationMinLogS" };
    s.Display.ExtrapolationCutoff = 0.1 + 0.2; // not 0.3: every bit must come back
    ChannelRecord c;
    c.RunDirectory = "/data/run";
    c.Channel = "0*.RI3Sam";
    c.Cell.Meniscus = 5.9123456789012345;
    c.Cell.Bottom = 7.2;
    c.Cell.WindowByMW = true;
    c.Cell.AssumedMW = 66500;
    c.Analysis.LowS = 3.0000000000000004e-15;
    c.Analysis.LowLogS = std::log(c.Analysis.LowS); // derived: read back as this version derives it
    c.Analysis.SmoothCarSize = 7;
    c.Analysis.ComputeApparentStartTime = 0;
    c.Files = { { "00001.RI3", 100, Sha256Hex("1"), "" }, { "00002.RI3", -1, "", "" } };
    c.RefusedFiles = { { "00003.RI3", 5, Sha256Hex("3"), "time out of order with the other scans" } };
    c.GofsSets = 9;
    c.Sets = { { "g(s*)", 8, 1, 10, "00001.RI3", "00002.RI3", std::nan("") } };
    s.Channels = { c };

    const std::string text = SidecarText(s);
    EXPECT_NE(text.find("\"mean_time_s\": null"), std::string::npos) << "not finite: null";
    Sidecar back;
    std::vector<std::string> notes;
    ASSERT_EQ(ReadSidecar(text, back, notes), "");
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(back.OutputPath, s.OutputPath);
    EXPECT_EQ(back.Display.ExtrapolationCutoff, 0.1 + 0.2);
    EXPECT_EQ(back.DisplayKeys, s.DisplayKeys);
    const ChannelRecord& r = back.Channels.at(0);
    EXPECT_EQ(r.Cell.Meniscus, c.Cell.Meniscus);
    EXPECT_TRUE(r.Cell.WindowByMW);
    EXPECT_EQ(r.Analysis.LowS, c.Analysis.LowS);
    EXPECT_EQ(r.Analysis.LowLogS, c.Analysis.LowLogS);
    EXPECT_EQ(r.Analysis.SmoothCarSize, 7);
    EXPECT_EQ(r.Analysis.ComputeApparentStartTime, 0);
    ASSERT_EQ(r.Files.size(), 2u);
    EXPECT_EQ(r.Files[1].Size, -1);
    EXPECT_EQ(r.RefusedFiles.at(0).Refused, c.RefusedFiles[0].Refused);
    EXPECT_TRUE(std::isnan(r.Sets.at(0).MeanTime));
    EXPECT_EQ(SidecarText(back), text);
}

TEST(Sidecar, ItsNameIsTheOutputsWithJsonCutToWhatAFileNameTakes)
{
    EXPECT_EQ(SidecarPath("/a/g.txt"), "/a/g.txt.json");
    const std::string fits(250, 'g');
    EXPECT_EQ(SidecarPath("/a/" + fits), "/a/" + fits + ".json");
    // 251 bytes, its record's name would be 256; a two-byte character straddles the cut at 233.
    const std::string longer = std::string(232, 'g') + "\xc3\xa9" + std::string(13, 'x') + ".txt";
    const std::string cut = SidecarPath("/a/" + longer).substr(3);
    EXPECT_LE(cut.size(), 255u);
    // Cut before the two-byte character that would straddle the cut, then "~", 16 hex digits, ".json".
    EXPECT_EQ(cut, longer.substr(0, 232) + "~" + Sha256Hex(longer).substr(0, 16) + ".json");
    EXPECT_NE(SidecarPath("/a/" + longer + "1"), SidecarPath("/a/" + longer + "2")) << "same start, other names";

    TempDir dir;
    Sidecar s;
    // A used scan that could not be hashed: the record is written and says so, the writer is told.
    s.OutputPath = dir / "g.txt";
    testutil::WriteTextFile(s.OutputPath, "g");
    ChannelRecord c;
    c.Files = { { "00001.RA1", 5, Sha256Hex("12345"), "" }, { "00002.RA1", -1, "", "" } };
    s.Channels = { c };
    EXPECT_EQ(WriteSidecar(s, "morvane-cli"),
        "the record " + dir / "g.txt.json" + " lists 1 scan used in the result that could not be read for its hash "
        "(the first 00002.RA1: deleted or unreadable since it was loaded); reproduce cannot check it");
    EXPECT_TRUE(fs::exists(dir / "g.txt.json"));

    // With its output, made durable together: the record names exactly the bytes written, and is
    // written only when the output was.
    std::string outputFailure;
    s.Channels[0].Files.pop_back();
    EXPECT_EQ(WriteOutputWithSidecar(s, "morvane-cli", "g(s*)", outputFailure), "");
    EXPECT_EQ(outputFailure, "");
    EXPECT_NE(testutil::ReadTextFile(dir / "g.txt.json")
                  .find("\"size\": 5,\n    \"sha256\": \"" + Sha256Hex(testutil::ReadTextFile(s.OutputPath)) + "\""),
        std::string::npos);
    fs::remove(dir / "g.txt.json");
    fs::create_directory(dir / "g.txt.json");
    EXPECT_EQ(WriteOutputWithSidecar(s, "morvane-cli", "g2", outputFailure),
        "the record " + dir / "g.txt.json" + " could not be written ('" + dir / "g.txt.json" + "' is a directory); "
            + s.OutputPath + " itself was written and stays");
    EXPECT_EQ(testutil::ReadTextFile(s.OutputPath), "g2");
    fs::remove(dir / "g.txt.json");
    fs::create_directory(dir / "in.txt");
    s.OutputPath = dir / "in.txt";
    EXPECT_EQ(WriteOutputWithSidecar(s, "morvane-cli", "g3", outputFailure), "");
    EXPECT_EQ(outputFailure, "'" + dir / "in.txt" + "' is a directory");
    EXPECT_FALSE(fs::exists(dir / "in.txt.json"));

    s.OutputPath = "/elsewhere/g.txt";
    testutil::WriteTextFile(dir / "renamed.txt", "x");
    EXPECT_EQ(OutputBesideSidecar(dir / "renamed.txt.json", s), dir / "renamed.txt") << "the pair renamed together";
    EXPECT_EQ(OutputBesideSidecar(dir / "copy.json", s), dir / "g.txt") << "otherwise the recorded name, beside";
}

TEST(RecordText, WhatATerminalIsShownAndWhatANameMayBe)
{
    const struct {
        std::string text, shown;
    } cases[] = {
        { "00001.RA1 r\xc3\xa9sultat \\n", "00001.RA1 r\xc3\xa9sultat \\n" }, // UTF-8 and a backslash stay
        { "a\nfake line\r\t", "a\\nfake line\\r\\t" },
        { "\x1b[2J\x1b]0;t\x07\x7f", "\\x1B[2J\\x1B]0;t\\x07\\x7F" },
        { "\xc2\x9b" "31m \xe2\x80\xae" "evil", "\\u009B31m \\u202Eevil" }, // C1 introducer, right-to-left override
        { std::string("\xff\xc3\0", 3), "\\xFF\\xC3\\x00" }, // no UTF-8, NUL
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Printable(c.text), c.shown);
        EXPECT_EQ(Printable(Printable(c.text)), c.shown) << "shown twice, the same";
    }
    for (const std::string& name : std::vector<std::string> { "00001.RA1", "..a", "a b", std::string(255, 'n') })
        EXPECT_TRUE(IsPlainFileName(name)) << name;
    for (const std::string& name : std::vector<std::string> {
             "", ".", "..", "../x", "/etc/passwd", "a\\b", std::string("a\0b", 3), std::string(256, 'n') })
        EXPECT_FALSE(IsPlainFileName(name)) << name;
    const std::string json = R"({"a": ["[[[", {"b": "\"{{"}]})"; // three levels; brackets in texts do not count
    EXPECT_EQ(NestingBeyond(json, 3), std::string::npos);
    EXPECT_EQ(NestingBeyond(json, 2), json.find("{\"b"));
}

TEST(Reproduction, FirstDifferenceNamesTheLine)
{
    const struct {
        const char* name;
        std::string expected, found, where;
    } cases[] = {
        { "equal", "a\r\nb\r\n", "a\r\nb\r\n", "" },
        { "second line", "a\r\nb\r\nc\r\n", "a\r\nB\r\nc\r\n", "line 2: expected \"b\\r\\n\", found \"B\\r\\n\"" },
        { "first byte", "x", "y", "line 1: expected \"x\", found \"y\"" },
        { "found shorter", "a\r\nb\r\n", "a\r\n", "line 2: expected \"b\\r\\n\", found the end of the file" },
        { "found longer", "a\r\n", "a\r\nb\r\n", "line 2: expected the end of the file, found \"b\\r\\n\"" },
        { "within a line", "abc\r\n", "abd\r\n", "line 1: expected \"abc\\r\\n\", found \"abd\\r\\n\"" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FirstDifference(c.expected, c.found), c.where);
    }
}

TEST(Reproduction, StagingNamesWhyAFileWasNotChecked)
{
    TempDir run, outside, staging;
    for (const char* name : { "00001.RA1", "00002.RA1", "00003.RA1" })
        testutil::WriteTextFile(run / name, std::string("scan ") + name);
    testutil::WriteTextFile(outside / "secret", "not of the run");
    ChannelRecord c;
    c.RunDirectory = run.path();
    c.Channel = "0*.RA1";
    for (const char* name : { "00001.RA1", "00002.RA1", "00003.RA1", "00004.RA1" }) {
        const std::string text = std::string("scan ") + name;
        c.Files.push_back({ name, static_cast<int64_t>(text.size()), Sha256Hex(text), "" });
    }
    c.Files[2] = { "00003.RA1", -1, "", "" }; // recorded without its hash: there now, still not checkable
    EXPECT_EQ(RecordedPathsRefusal(c), "");

    // A temporary directory that takes no file (here: none at all) is no reason to call a file missing.
    std::vector<InputDifference> d = StageRecordedFiles(c, staging / "gone");
    ASSERT_EQ(d.size(), 4u);
    EXPECT_EQ(d[0].What, InputDifference::Kind::NotStaged);
    EXPECT_TRUE(InputDifferenceText(d[0]).starts_with(
        "could not be staged: 00001.RA1 (copying it into the temporary directory failed: No such file"))
        << InputDifferenceText(d[0]);
    EXPECT_EQ(d[2].What, InputDifference::Kind::Unrecorded);
    EXPECT_EQ(d[3].What, InputDifference::Kind::Missing);

    // A FIFO in a scan's place is read by no one (nothing blocks), a link out of the run not at all.
    fs::remove(run / "00001.RA1");
    ASSERT_EQ(::mkfifo((run / "00001.RA1").c_str(), 0600), 0);
    fs::remove(run / "00002.RA1");
    fs::create_symlink(outside / "secret", run / "00002.RA1");
    EXPECT_EQ(RecordedPathsRefusal(c),
        "00002.RA1 in " + run.path() + " is a link out of the run directory, to " + fs::canonical(outside / "secret").string()
            + ": not read");
    d = StageRecordedFiles(c, staging.path());
    ASSERT_EQ(d.size(), 4u);
    EXPECT_TRUE(InputDifferenceText(d[0]).starts_with("unreadable: 00001.RA1 (not a regular file;"));
    EXPECT_EQ(d[1].What, InputDifference::Kind::Unreadable);
    EXPECT_FALSE(fs::exists(staging / "00002.RA1"));
    // A link that stays inside the run is followed.
    fs::remove(run / "00002.RA1");
    testutil::WriteTextFile(run / "real", "scan 00002.RA1");
    fs::create_symlink("real", run / "00002.RA1");
    EXPECT_EQ(RecordedPathsRefusal(c), "");
}
