#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

#include "app/cli/CompareCommand.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::TempDir;

namespace {

struct CompareRun {
    std::ostringstream out, err;
    int status = 0;
    int Run(const std::vector<std::string>& inputs, const std::string& output, bool normalized = false)
    {
        CompareOptions o;
        o.inputs = inputs;
        o.output = output;
        o.normalized = normalized;
        status = RunCompare(o, out, err);
        return status;
    }
};

std::vector<std::string> Split(const std::string& line, char by)
{
    std::vector<std::string> parts(1);
    for (char c : line) {
        if (c == by)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

CompositeCurve Curve(std::vector<double> s, std::vector<double> v)
{
    CompositeCurve c;
    c.SStar = std::move(s);
    c.Value = std::move(v);
    return c;
}

} // namespace

TEST(CliCompare, TableHasOneRowPerSStarOfAnyCurveAndEmptyCellsWhereACurveEnds)
{
    const std::string text = ComparisonTableText({ "a:0*.RA1", "b:0*.IP2" },
        { Curve({ 1.5, 2, 4 }, { 0.25, 1e-7, 3 }), Curve({ 2, 4, 8.125 }, { -1, 2.5, 1e20 }) });
    EXPECT_EQ(text,
        "s*\ta:0*.RA1\tb:0*.IP2\r\n"
        "1.5\t0.25\t\r\n"
        "2\t1E-7\t-1\r\n"
        "4\t3\t2.5\r\n"
        "8.125\t\t1E20\r\n");
    EXPECT_EQ(ComparisonTableText({ "a" }, { Curve({}, {}) }), "s*\ta\r\n");
}

TEST(CliCompare, InputsNameARunAndOptionallyItsMask)
{
    TempDir dir;
    fs::create_directories(dir / "odd:name");
    const struct {
        std::string text, runDir, mask;
    } cases[] = {
        { "run", "run", "" },
        { "run:0*.RA1", "run", "0*.RA1" },
        { "/a/b:c/run:A*.IP2", "/a/b:c/run", "A*.IP2" },
        { "/a/b:c/run", "/a/b:c/run", "" },
        { "run:", "run", "" },
        { dir / "odd:name", dir / "odd:name", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const CompareInput in = ParseCompareInput(c.text);
        EXPECT_EQ(in.runDir, c.runDir);
        EXPECT_EQ(in.mask, c.mask);
    }
}

TEST(CliCompare, WritesTwoChannelsOfDifferentExtentsSideBySide)
{
    TempDir a, b, out;
    testutil::RunSpec spec;
    spec.scans = 12;
    testutil::WriteRun(a.path(), spec);
    spec.extension = "RA2";
    spec.rpm = 30000; // slower: the curve covers other s*
    spec.sSeconds = 9e-13;
    testutil::WriteRun(b.path(), spec);

    CompareRun r;
    const std::string file = out / "compare.txt";
    ASSERT_EQ(r.Run({ a.path(), b.path() + ":0*.ra2" }, file), 0) << r.err.str();
    EXPECT_EQ(r.out.str(), file + ": 2 channels\n");
    const std::vector<std::string> lines = testutil::SplitCrLf(testutil::ReadTextFile(file));
    ASSERT_GT(lines.size(), 10u);
    EXPECT_EQ(lines[0], "s*\t" + a.path() + ":0*.RA1\t" + b.path() + ":0*.ra2");
    double previous = -1;
    int onlyA = 0, onlyB = 0, both = 0;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> cells = Split(lines[i], '\t');
        ASSERT_EQ(cells.size(), 3u) << lines[i];
        const double s = std::stod(cells[0]);
        EXPECT_GT(s, previous) << "ascending s*";
        previous = s;
        ASSERT_FALSE(cells[1].empty() && cells[2].empty()) << "a row belongs to some curve";
        onlyA += cells[2].empty();
        onlyB += cells[1].empty();
        both += !cells[1].empty() && !cells[2].empty();
    }
    EXPECT_GT(both, 0);
    EXPECT_GT(onlyA + onlyB, 0) << "the extents differ";

    CompareRun n;
    ASSERT_EQ(n.Run({ a.path() }, out / "n.txt", true), 0) << n.err.str();
    EXPECT_EQ(n.out.str(), out / "n.txt" + ": 1 channel, normalized\n");
    EXPECT_EQ(testutil::SplitCrLf(testutil::ReadTextFile(out / "n.txt"))[0], "s*\t" + a.path() + ":0*.RA1");
}

TEST(CliCompare, BadInputIsOneClearLineAndWritesNothing)
{
    TempDir run, empty, out;
    testutil::RunSpec spec;
    spec.scans = 6;
    const std::vector<std::string> names = testutil::WriteRun(run.path(), spec);
    const std::string scan = run / names.front();
    const std::string scanText = testutil::ReadTextFile(scan);
    const std::string file = out / "x.txt";
    const struct {
        const char* name;
        std::vector<std::string> inputs;
        std::string output;
        int status;
        std::string message;
    } cases[] = {
        { "no input", {}, file, 2, "morvane-cli: compare needs at least one RUN_DIR[:MASK]" },
        { "a run dir missing", { run.path(), run / "gone" }, file, 2,
            "morvane-cli: no such directory: " + run / "gone" },
        { "no channel found", { empty.path() }, file, 1, "morvane-cli: no channel found in " + empty.path() },
        { "unknown mask", { run.path() + ":0*.XX1" }, file, 2,
            "morvane-cli: unknown channel '0*.XX1' (a mask such as 0*.RA1, A*.IP2 or 0*.RI3Sam)" },
        { "a channel without files", { run.path(), run.path() + ":0*.IP1" }, file, 1,
            "morvane-cli: no scan files of channel 0*.IP1 in " + run.path() },
        { "the output is a scan of a run read", { run.path() }, scan, 2,
            "morvane-cli: will not write " + scan
                + ": it is a scan file of the run being read; choose another --output" },
        { "... or would become one", { run.path() }, run / "00099.ra1", 2,
            "morvane-cli: will not write " + run / "00099.ra1"
                + ": it is a scan file of the run being read; choose another --output" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CompareRun r;
        EXPECT_EQ(r.Run(c.inputs, c.output), c.status);
        EXPECT_EQ(r.err.str(), c.message + "\n");
        EXPECT_TRUE(r.out.str().empty());
    }
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(run / "00099.ra1"));
    EXPECT_EQ(testutil::ReadTextFile(scan), scanText);

    CompareRun beside;
    EXPECT_EQ(beside.Run({ run.path() }, run / "compare.txt"), 0) << "another name in the run directory is fine";
}
