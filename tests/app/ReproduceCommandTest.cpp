// Every output of morvane-cli gets a sidecar; reproduce runs the analysis again from it.
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <sys/stat.h>

#include "ProgramRun.h"
#include "app/cli/AnalyzeCommand.h"
#include "app/cli/CompareCommand.h"
#include "app/cli/ExportCommand.h"
#include "app/cli/ExtrapolateCommand.h"
#include "app/cli/ReproduceCommand.h"
#include "provenance/Sidecar.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::TempDir;

namespace {

struct Reproduced {
    int status = -1;
    std::string out, err;
};

Reproduced Reproduce(const std::string& sidecar, const std::string& output = "")
{
    std::ostringstream out, err;
    Reproduced r;
    r.status = RunReproduce({ sidecar, output, {} }, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Writes a run of `scans` absorbance scans and its g(s*) file (set: the time-course form).
std::string Analyze(const std::string& run, const std::string& output, std::optional<int> set = {})
{
    AnalyzeOptions o;
    o.runDir = run;
    o.output = output;
    o.set = set;
    std::ostringstream out, err;
    std::atomic<bool> stop { false };
    EXPECT_EQ(RunAnalyze(o, out, err, stop, [](int) {}), 0) << err.str();
    return output + ".json";
}

nlohmann::json ReadJson(const std::string& path) { return nlohmann::json::parse(testutil::ReadTextFile(path)); }

} // namespace

TEST(CliReproduce, AGofsFileIsMadeAgainByteForByte)
{
    TempDir run, out;
    testutil::RunSpec spec;
    spec.scans = 12;
    const std::vector<std::string> names = testutil::WriteRun(run.path(), spec);
    // Refused, and recorded as such (a later file exists, so it is not one still being written).
    testutil::WriteTextFile(run / "00000.RA1", "not a scan\r\n");
    const std::string sidecar = Analyze(run.path(), out / "g.txt");

    const nlohmann::json j = ReadJson(sidecar);
    EXPECT_EQ(j.at("kind"), "gofs");
    EXPECT_EQ(j.at("program"), "morvane-cli");
    EXPECT_EQ(j.at("output").at("path"), out / "g.txt");
    EXPECT_EQ(j.at("output").at("size"), fs::file_size(out / "g.txt"));
    const nlohmann::json& c = j.at("channels").at(0);
    EXPECT_EQ(c.at("run_directory"), run.path());
    EXPECT_EQ(c.at("channel"), "0*.RA1");
    EXPECT_EQ(c.at("meniscus_cm"), 5.9);
    EXPECT_EQ(c.at("window_rule"), "mid-cell");
    EXPECT_EQ(c.at("analysis_settings").at("LowS"), 1e-15);
    EXPECT_EQ(c.at("analysis_settings").at("sGridNumberOfPoints"), 501);
    ASSERT_EQ(c.at("files").size(), 12u);
    EXPECT_EQ(c.at("files").at(0).at("name"), names[0]);
    EXPECT_EQ(c.at("files").at(0).at("size"), fs::file_size(run / names[0]));
    EXPECT_EQ(c.at("files").at(0).at("sha256").get<std::string>().size(), 64u);
    ASSERT_EQ(c.at("refused_files").size(), 1u);
    EXPECT_EQ(c.at("refused_files").at(0).at("name"), "00000.RA1");
    const nlohmann::json& set = c.at("sets").at(0);
    EXPECT_EQ(set.at("index"), c.at("gofs_sets").get<int>() - 1);
    EXPECT_EQ(set.at("last_file"), names.back());

    Reproduced r = Reproduce(sidecar);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(Has(r.out, "inputs of 0*.RA1 in " + run.path() + ": all 13 recorded files match\n")) << r.out;
    EXPECT_TRUE(Has(r.out, "result: byte-identical to the recorded output")) << r.out;
    EXPECT_FALSE(Has(r.out, "note:")) << r.out;

    // Written elsewhere, the file still names the recorded path: the same bytes.
    r = Reproduce(sidecar, out / "again.txt");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(testutil::ReadTextFile(out / "again.txt"), testutil::ReadTextFile(out / "g.txt"));
}

TEST(CliReproduce, OneSetAnExtrapolationAndAComparison)
{
    TempDir a, b, out;
    testutil::RunSpec spec;
    spec.scans = 14;
    testutil::WriteRun(a.path(), spec);
    spec.extension = "RA2";
    spec.rpm = 30000;
    testutil::WriteRun(b.path(), spec);

    const std::string one = Analyze(a.path(), out / "set.txt", 3);
    EXPECT_EQ(ReadJson(one).at("parameters").at("set"), 3);

    ExtrapolateOptions x;
    x.runDir = a.path();
    x.output = out / "x.txt";
    x.start = 0;
    x.end = 8;
    std::ostringstream o1, e1;
    ASSERT_EQ(RunExtrapolate(x, o1, e1), 0) << e1.str();
    const nlohmann::json xj = ReadJson(out / "x.txt.json");
    EXPECT_EQ(xj.at("display_settings").size(), 4u);
    EXPECT_EQ(xj.at("display_settings").at("ExtrapolationCutoff"), 0.05);
    EXPECT_EQ(xj.at("channels").at(0).at("sets").size(), 2u);

    CompareOptions c;
    c.inputs = { a.path(), b.path() + ":0*.ra2" };
    c.output = out / "c.txt";
    c.normalized = true;
    c.analysis.mw = 50000;
    std::ostringstream o2, e2;
    ASSERT_EQ(RunCompare(c, o2, e2), 0) << e2.str();
    const nlohmann::json cj = ReadJson(out / "c.txt.json");
    ASSERT_EQ(cj.at("channels").size(), 2u);
    EXPECT_EQ(cj.at("channels").at(1).at("run_directory"), b.path());
    EXPECT_EQ(cj.at("channels").at(1).at("channel"), "0*.RA2");
    EXPECT_EQ(cj.at("channels").at(1).at("window_rule"), "molecular weight");
    EXPECT_EQ(cj.at("parameters").at("columns").at(1), b.path() + ":0*.ra2");

    for (const std::string& sidecar : { one, out / "x.txt.json", out / "c.txt.json" }) {
        SCOPED_TRACE(sidecar);
        const Reproduced r = Reproduce(sidecar, out / "again.txt");
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_TRUE(Has(r.out, "result: byte-identical")) << r.out;
        EXPECT_EQ(
            testutil::ReadTextFile(out / "again.txt"), testutil::ReadTextFile(sidecar.substr(0, sidecar.size() - 5)));
    }
}

TEST(CliReproduce, AnExportIsMadeAgainAndItsFirstDifferingFileNamed)
{
    TempDir run, out, scratch;
    testutil::RunSpec spec;
    spec.scans = 8;
    const std::vector<std::string> names = testutil::WriteRun(run.path(), spec);
    ExportOptions o;
    o.runDir = run.path();
    o.outputDir = out.path();
    o.now = { 2026, 12, 7, 9, 5, 0 };
    std::ostringstream eo, ee;
    ASSERT_EQ(RunExport(o, eo, ee), 0) << ee.str();
    const std::string sidecar = out / "exported-00001.RA1-00008.RA1.txt.json";
    EXPECT_EQ(ReadJson(sidecar).at("kind"), "export");
    EXPECT_EQ(ReadJson(sidecar).at("parameters").at("suffix"), "reformated by Morvane 2026-12-07 09:05:00");

    Reproduced r = Reproduce(sidecar);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(Has(r.out, "result: byte-identical")) << r.out;

    // Other values in the fifth scan, on the same radii: only the fifth exported file changes.
    spec.c0 = 1.5;
    const std::vector<std::string> other = testutil::WriteRun(scratch.path(), spec);
    fs::copy_file(scratch / other[4], run / names[4], fs::copy_options::overwrite_existing);
    r = Reproduce(sidecar);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.out, "changed: " + names[4])) << r.out;
    EXPECT_TRUE(Has(r.out, "first difference at line 5: expected \"00005.RA1\\t")) << r.out;
}

TEST(CliReproduce, NamesAChangedAMissingAndAnAddedFile)
{
    TempDir run, out;
    testutil::RunSpec spec;
    spec.scans = 12;
    const std::vector<std::string> names = testutil::WriteRun(run.path(), spec);
    const std::string sidecar = Analyze(run.path(), out / "g.txt");
    const nlohmann::json j = ReadJson(sidecar);

    // A file of the channel written since: named, not loaded; the result stands.
    testutil::WriteTextFile(run / "00500.RA1", testutil::ReadTextFile(run / names.back()));
    Reproduced r = Reproduce(sidecar);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r.out, "  added: 00500.RA1 (")) << r.out;
    EXPECT_TRUE(Has(r.out, "result: byte-identical")) << r.out;
    fs::remove(run / "00500.RA1");

    // One value of one scan changed: the file is named with both sizes and hashes.
    const std::string& changed = names[5];
    const std::string before = testutil::ReadTextFile(run / changed);
    std::string after = before;
    const size_t digit = after.find_last_of("0123456789");
    after[digit] = after[digit] == '1' ? '2' : '1'; // the last digit of the last value
    testutil::WriteTextFile(run / changed, after);
    r = Reproduce(sidecar);
    EXPECT_EQ(r.status, 1);
    const nlohmann::json& f = j.at("channels").at(0).at("files").at(5);
    EXPECT_TRUE(Has(r.out, "1 of 12 recorded files differ\n")) << r.out;
    EXPECT_TRUE(Has(r.out,
        "  changed: " + changed + " (recorded " + std::to_string(f.at("size").get<int>()) + " bytes, sha256 "
            + f.at("sha256").get<std::string>() + "; found " + std::to_string(after.size()) + " bytes, sha256 "))
        << r.out;
    testutil::WriteTextFile(run / changed, before);

    // A missing scan: named; the rest is loaded and the result differs, with its first differing line.
    fs::rename(run / names[2], out / names[2]);
    r = Reproduce(sidecar);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.out, "  missing: " + names[2] + " (recorded ")) << r.out;
    EXPECT_TRUE(Has(r.out, "result: differs from the recorded output")) << r.out;
    EXPECT_TRUE(Has(r.out, "  first difference at line ")) << r.out;
    fs::rename(out / names[2], run / names[2]);

    // Everything back: identical again.
    EXPECT_EQ(Reproduce(sidecar).status, 0);

    // A used scan recorded without its hash cannot be vouched for, though the file is there.
    nlohmann::json unhashed = j;
    unhashed["channels"][0]["files"][4]["size"] = nullptr;
    unhashed["channels"][0]["files"][4]["sha256"] = nullptr;
    testutil::WriteTextFile(out / "unhashed.json", unhashed.dump());
    r = Reproduce(out / "unhashed.json");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.out, ": 1 of 12 could not be checked\n  not checkable: " + names[4] + " (")) << r.out;
}

TEST(CliReproduce, ASidecarThatCannotBeUsedIsOneClearLine)
{
    TempDir dir;
    testutil::RunSpec spec;
    spec.scans = 8;
    testutil::WriteRun(dir.path(), spec);
    const std::string good = Analyze(dir.path(), dir / "g.txt");
    const nlohmann::json j = ReadJson(good);
    auto edited = [&](const std::function<void(nlohmann::json&)>& change) {
        nlohmann::json copy = j;
        change(copy);
        return copy.dump();
    };
    const struct {
        const char* name;
        std::string text;
        std::string message;
    } cases[] = {
        { "not JSON", "{\"kind\": ", "not a Morvane sidecar: not JSON (at byte 10)" },
        { "other JSON", "[1, 2]", "not a Morvane sidecar: no \"morvane_sidecar\" field" },
        { "a newer format", edited([](auto& s) { s["morvane_sidecar"] = 9; }),
            "sidecar format 9 is newer than this program reads (1): use a newer Morvane" },
        { "unknown kind", edited([](auto& s) { s["kind"] = "poster"; }),
            "cannot reproduce an output of kind \"poster\" (this version reproduces gofs, gofs-set, extrapolation, "
            "comparison, export, species-fit, cs, report)" },
        { "missing kind", edited([](auto& s) { s.erase("kind"); }), "bad sidecar: kind is missing" },
        { "missing hash", edited([](auto& s) { s["output"].erase("sha256"); }),
            "bad sidecar: output.sha256 is missing" },
        { "mistyped file", edited([](auto& s) { s["channels"][0]["files"][2]["size"] = "big"; }),
            "bad sidecar: channels[0].files[2].size is not a whole number" },
        { "no channels", edited([](auto& s) { s["channels"] = nlohmann::json::array(); }),
            "bad sidecar: channels is empty" },
        { "bad rule", edited([](auto& s) { s["channels"][0]["window_rule"] = "fast"; }),
            "bad sidecar: channels[0].window_rule is \"fast\", not \"mid-cell\" or \"molecular weight\"" },
        { "a set without its index", edited([](auto& s) { s["kind"] = "gofs-set"; }),
            "bad sidecar: parameters.set is missing" },
        // Hostile records: each refused in one line, none aborts, hangs or grows without bound.
        { "a 400-digit number",
            [&] {
                std::string t = j.dump();
                return t.replace(t.find("\"meniscus_cm\":5.9") + 14, 3, std::string(400, '9'));
            }(),
            "not a Morvane sidecar: it holds a number too large to read" },
        { "nested a million deep", std::string(1000000, '['),
            "not a Morvane sidecar: nested deeper than 32 levels (at byte 32)" },
        { "a setting out of its range",
            edited([](auto& s) { s["channels"][0]["analysis_settings"]["SmoothRepetition"] = 1e9; }),
            "bad sidecar: channels[0].analysis_settings.SmoothRepetition is 1000000000: SmoothRepetition takes a "
            "whole number from 0 to 100" },
        { "settings that break a rule", edited([](auto& s) { s["channels"][0]["analysis_settings"]["HighS"] = 1e-16; }),
            "bad sidecar: channels[0].analysis_settings: LowS must be below HighS" },
        { "a name with a directory", edited([](auto& s) { s["channels"][0]["files"][1]["name"] = "/etc/passwd"; }),
            "bad sidecar: channels[0].files[1].name \"/etc/passwd\" is not a plain file name (no directory, \"..\" "
            "or \"/\")" },
        { "a name twice",
            edited([](auto& s) { s["channels"][0]["files"][1]["name"] = s["channels"][0]["files"][0]["name"]; }),
            "bad sidecar: channels[0].files[1].name \"00001.RA1\" is listed twice" },
        { "a position the command line refuses", edited([](auto& s) { s["channels"][0]["bottom_cm"] = 1; }),
            "bad sidecar: channels[0].meniscus_cm (5.9) must be positive and below bottom_cm (1)" },
        { "control characters", edited([](auto& s) { s["kind"] = "\x1b[2J\nmorvane-cli: all fine"; }),
            "cannot reproduce an output of kind \"\\x1B[2J\\nmorvane-cli: all fine\" (this version reproduces gofs, "
            "gofs-set, extrapolation, comparison, export, species-fit, cs, report)" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / "bad.json";
        testutil::WriteTextFile(path, c.text);
        const Reproduced r = Reproduce(path);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "morvane-cli: " + path + ": " + c.message + "\n");
    }
    const Reproduced missing = Reproduce(dir / "none.json");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "morvane-cli: " + dir / "none.json" + ": no such file\n");
    // A gigabyte (sparse: no disk taken) is refused by its size, unread.
    fs::resize_file(dir / "bad.json", size_t { 1 } << 30);
    const Reproduced huge = Reproduce(dir / "bad.json");
    EXPECT_EQ(huge.status, 2);
    EXPECT_EQ(huge.err, "morvane-cli: " + dir / "bad.json" + ": not a Morvane sidecar: 1073741824 bytes, more than a "
                            "record may have (64 MB)\n");
    // A pipe named as the sidecar is never waited on, and said to be what it is.
    ASSERT_EQ(::mkfifo((dir / "pipe.json").c_str(), 0600), 0);
    const Reproduced pipe = Reproduce(dir / "pipe.json");
    EXPECT_EQ(pipe.status, 2);
    EXPECT_EQ(pipe.err, "morvane-cli: " + dir / "pipe.json" + ": not a regular file\n");

    // Another version, a setting this one lacks and one it does not know: notes, and still identical.
    testutil::WriteTextFile(dir / "old.json", edited([](auto& s) {
        s["version"] = "0.1.0";
        s["channels"][0]["analysis_settings"].erase("SmoothCarSize");
        s["channels"][0]["analysis_settings"]["FutureKey"] = 1;
    }));
    const Reproduced old = Reproduce(dir / "old.json");
    EXPECT_EQ(old.status, 0);
    EXPECT_TRUE(Has(old.out, "by morvane-cli 0.1.0\nnote: this is Morvane ")) << old.out;
    EXPECT_TRUE(Has(old.out, "note: channels[0].analysis_settings.FutureKey is a setting this version does not know"))
        << old.out;
    EXPECT_TRUE(Has(old.out, "note: channels[0].analysis_settings.SmoothCarSize is missing: its built-in value"))
        << old.out;
    EXPECT_TRUE(Has(old.out, "result: byte-identical")) << old.out;
}

TEST(CliReproduce, TheProgramRunsItAndRefusesAnOutputOverAScan)
{
    TempDir run, scratch;
    testutil::RunSpec spec;
    spec.scans = 8;
    const std::vector<std::string> names = testutil::WriteRun(run.path(), spec);
    const std::string sidecar = Analyze(run.path(), scratch / "g.txt");
    apptest::ProgramResult r
        = apptest::RunProgram(MORVANE_CLI_PROGRAM, "reproduce g.txt.json", scratch.path(), scratch);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    r = apptest::RunProgram(
        MORVANE_CLI_PROGRAM, "reproduce g.txt.json --output '" + run / names[0] + "'", scratch.path(), scratch);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r.err, "it is a scan file of the run being read")) << r.err;
}

TEST(CliReproduce, AMovedRunIsFollowedWithRunDir)
{
    TempDir base, out;
    testutil::RunSpec spec;
    spec.scans = 12;
    fs::create_directory(base / "run");
    testutil::WriteRun(base / "run", spec);
    const std::string sidecar = Analyze(base / "run", out / "g.txt");
    fs::rename(base / "run", base / "moved");

    const Reproduced lost = Reproduce(sidecar);
    EXPECT_EQ(lost.status, 1);
    EXPECT_TRUE(Has(lost.out, "note: the run directory " + base / "run" + " does not exist (moved?")) << lost.out;

    std::ostringstream o, e;
    ReproduceOptions options { sidecar, "", { base / "moved" } };
    EXPECT_EQ(RunReproduce(options, o, e), 0) << o.str() << e.str();
    EXPECT_TRUE(Has(o.str(), "inputs of 0*.RA1 in " + base / "moved" + ": all 12 recorded files match")) << o.str();
    EXPECT_TRUE(Has(o.str(), "result: byte-identical"));
    options.runDirs = { base / "moved", base / "moved" };
    EXPECT_EQ(RunReproduce(options, o, e), 2) << "two directories for one channel";
}

TEST(CliReproduce, AHostileRecordWritesNothingOutsideItsFolder)
{
    // The copies go to TMPDIR/morvane-reproduce-XXXXXX/0: a name climbing that many levels and down
    // again into `scratch` would land on `precious`, copied from a file the run directory leads to.
    TempDir scratch;
    testutil::WriteTextFile(scratch / "precious", "precious");
    size_t up = 2;
    for (const auto& part : fs::temp_directory_path())
        up += part != "/" && !part.empty();
    std::string climb, run = scratch.path();
    for (size_t i = 0; i < up; ++i) {
        climb += "../";
        run += "/r";
    }
    const std::string name = climb + (scratch / "precious").substr(1);
    fs::create_directories(scratch.path() + "/" + scratch.path() + "/");
    testutil::WriteTextFile(scratch.path() + "/" + scratch.path() + "/precious", "PWNED");
    fs::create_directories(run);
    testutil::RunSpec spec;
    spec.scans = 8;
    const std::vector<std::string> names = testutil::WriteRun(run, spec);
    nlohmann::json j = ReadJson(Analyze(run, scratch / "g.txt"));
    j["channels"][0]["files"][0]["name"] = name;
    testutil::WriteTextFile(scratch / "hostile.json", j.dump());

    Reproduced r = Reproduce(scratch / "hostile.json");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r.err, "files[0].name \"" + name + "\" is not a plain file name")) << r.err;
    EXPECT_EQ(testutil::ReadTextFile(scratch / "precious"), "precious");

    // A scan of the run that is a link out of it: refused before anything is copied.
    fs::remove(fs::path(run) / names[2]);
    fs::create_symlink(scratch / "precious", fs::path(run) / names[2]);
    r = Reproduce(scratch / "g.txt.json");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r.err, ": refused: " + names[2] + " in " + run + " is a link out of the run directory")) << r.err;
}

TEST(CliReproduce, TheOutputBesideTheRecordMustBeTheOneRecorded)
{
    TempDir run, out;
    testutil::RunSpec spec;
    spec.scans = 10;
    testutil::WriteRun(run.path(), spec);
    const std::string sidecar = Analyze(run.path(), out / "g.txt");
    // As after a kill between the two renames: the output of one run beside the record of another.
    Analyze(run.path(), out / "other.txt", 2);
    fs::copy_file(out / "other.txt", out / "g.txt", fs::copy_options::overwrite_existing);
    Reproduced r = Reproduce(sidecar);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.out, "result: byte-identical to the recorded output")) << r.out;
    EXPECT_TRUE(Has(r.out, "output: the output beside the record is not the one recorded: " + out / "g.txt"
                           + " (recorded "))
        << r.out;

    // An output name of 251 bytes: its record's name is cut (README), and reproduce finds the output.
    const std::string longName = std::string(247, 'g') + ".txt";
    const std::string longSidecar = Analyze(run.path(), out / longName);
    std::error_code tooLong;
    EXPECT_FALSE(fs::exists(longSidecar, tooLong));
    ASSERT_TRUE(fs::exists(SidecarPath(out / longName)));
    r = Reproduce(SidecarPath(out / longName));
    EXPECT_EQ(r.status, 0) << r.out << r.err;

    fs::remove(out / longName);
    r = Reproduce(SidecarPath(out / longName));
    EXPECT_EQ(r.status, 0) << "the recorded SHA-256 still holds" << r.out;
    EXPECT_TRUE(Has(r.out, "note: the output beside the record (" + out / longName + ") is gone")) << r.out;
}

TEST(CliReproduce, AScanDeletedWhileARunIsFollowedLeavesTheResultAndItsRecord)
{
    TempDir run, scratch, out;
    testutil::RunSpec spec;
    spec.scans = 14;
    const std::vector<std::string> later = testutil::WriteRun(scratch.path(), spec);
    spec.scans = 12;
    const std::vector<std::string> names = testutil::WriteRun(run.path(), spec);
    AnalyzeOptions o;
    o.runDir = run.path();
    o.output = out / "w.txt";
    o.watch = true;
    std::ostringstream so, se;
    std::atomic<bool> stop { false };
    int ticks = 0;
    auto sleep = [&](int) {
        if (++ticks == 1) {
            // One scan deleted, two new ones: the refresh appends, the deleted scan stays in the store.
            fs::remove(run / names[3]);
            for (const size_t k : { 12u, 13u })
                fs::copy_file(scratch / later[k], run / later[k]);
        } else if (ticks == 2) {
            stop = true;
        }
    };
    EXPECT_EQ(RunAnalyze(o, so, se, stop, sleep), 0) << se.str();
    const nlohmann::json files = ReadJson(out / "w.txt.json").at("channels").at(0).at("files");
    for (const auto& f : files) {
        EXPECT_NE(f.at("name"), names[3]);
        EXPECT_FALSE(f.at("sha256").is_null()) << f;
    }
    const Reproduced r = Reproduce(out / "w.txt.json");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r.out, "result: byte-identical")) << r.out;
}
