#include <cmath>
#include <filesystem>
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <string>

#include "provenance/Reproduction.h"
#include "provenance/Sha256.h"
#include "provenance/Sidecar.h"
#include "testutil/ScanFileWriter.h"

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
    s.Parameters["start"] = 2;
    s.DisplayKeys = { "ExtrapolationCutoff", "ExtrapolationMinLogS" };
    s.Display.ExtrapolationCutoff = 0.1 + 0.2; // not 0.3: every bit must come back
    ChannelRecord c;
    c.RunDirectory = "/data/run";
    c.Channel = "0*.RI3Sam";
    c.Meniscus = 5.9123456789012345;
    c.WindowByMW = true;
    c.AssumedMW = 66500;
    c.Analysis.LowS = 3.0000000000000004e-15;
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
    EXPECT_EQ(r.Meniscus, c.Meniscus);
    EXPECT_TRUE(r.WindowByMW);
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

TEST(Sidecar, ItsNameIsTheOutputsWithJson)
{
    EXPECT_EQ(SidecarPath("/a/g.txt"), "/a/g.txt.json");
    EXPECT_EQ(OutputBesideSidecar("/a/g.txt.json"), "/a/g.txt");
    EXPECT_EQ(OutputBesideSidecar("/a/g.txt"), "");
    EXPECT_EQ(OutputBesideSidecar(".json"), "");
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
