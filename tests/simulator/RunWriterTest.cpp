// Where and how a simulated run is written: the directory layout, the live schedule and the
// command-line texts for species and cells.
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "scanfiles/FileSystem.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "testutil/ScanFileWriter.h"

namespace fs = std::filesystem;
using testutil::TempDir;

namespace {

SimRun TinyRun()
{
    SimRun run = DemoRun();
    run.scans = 4;
    run.intervalSeconds = 100;
    return run;
}

size_t CountEntries(const std::string& dir)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
}

} // namespace

TEST(RunWriter, RunDirectoriesAreNumberedBelowTheDate)
{
    TempDir root;
    const std::string date = (fs::path(root.path()) / "XLIDATA" / "031524").string();
    std::string error;
    const std::string first = MakeRunDirectory({ root.path(), "031524", 0 }, error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(first, date + "/000001");
    EXPECT_TRUE(fs::is_directory(first));
    // An empty newest run directory is taken again; once it holds files the next number is used.
    EXPECT_EQ(MakeRunDirectory({ root.path(), "031524", 0 }, error), first);
    testutil::WriteTextFile(first + "/00001.RA1", "x");
    EXPECT_EQ(MakeRunDirectory({ root.path(), "031524", 0 }, error), date + "/000002");
    const std::string chosen = MakeRunDirectory({ root.path(), "031524", 42 }, error);
    EXPECT_EQ(chosen, date + "/000042");
    EXPECT_EQ(NextRunNumber(date), 42);
    testutil::WriteTextFile(chosen + "/00001.IP2", "x");
    // Names that are not six digits, and files, do not count.
    fs::create_directory(date + "/99999");
    fs::create_directory(date + "/ABCDEF");
    testutil::WriteTextFile(date + "/500000", "file");
    EXPECT_EQ(NextRunNumber(date), 43);
    EXPECT_EQ(NextRunNumber(root / "missing"), 1);
}

TEST(RunWriter, RunDirectoryErrors)
{
    TempDir root;
    testutil::WriteTextFile(root / "plainfile", "x");
    std::string error;
    const std::string written = (fs::path(root.path()) / "XLIDATA" / "010203" / "000007").string();
    fs::create_directories(written);
    testutil::WriteTextFile(written + "/00001.IP2", "x");
    const struct {
        const char* name;
        RunLocation where;
        std::string message;
    } cases[] = {
        { "no root", { "", "010203", 0 }, "no root directory given" },
        { "date too short", { root.path(), "01023", 0 }, "'01023' is not a date MMDDYY" },
        { "run number too large", { root.path(), "010203", 1000000 },
            "the run number must lie between 1 and 999999 (got 1000000)" },
        { "root is a file", { root / "plainfile", "010203", 0 },
            "the root '" + root / "plainfile" + "' is not a directory" },
        { "run already written", { root.path(), "010203", 7 },
            "the run directory '" + written + "' already holds files; choose another run number" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MakeRunDirectory(c.where, error), "");
        EXPECT_EQ(error, c.message);
    }
}

TEST(RunWriter, DateNames)
{
    const struct {
        const char* text;
        bool ok;
    } cases[] = { { "010125", true }, { "123199", true }, { "000125", false }, { "013225", false }, { "01012", false },
        { "0101255", false }, { "01a125", false }, { "", false } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IsDateName(c.text), c.ok);
    }
    EXPECT_TRUE(IsDateName(TodayMMDDYY()));
}

// A live run waits for each scan's time before writing it: when the wait for a scan ends, the
// scans before it are on disk, complete, and it is not.
TEST(RunWriter, LiveRunWritesEachScanWhenItsTimeComesAndReportsAFailedWrite)
{
    TempDir dir;
    RunSimulator simulator(TinyRun());
    std::vector<double> waits;
    std::vector<std::string> written;
    const std::string error = WriteRunFiles(
        simulator, dir.path(),
        [&](double seconds) {
            waits.push_back(seconds);
            EXPECT_EQ(CountEntries(dir.path()), written.size()) << "at " << seconds << " s";
        },
        [&](const SimScan& scan, const std::string& path) {
            EXPECT_EQ(testutil::ReadTextFile(path), scan.text);
            written.push_back(scan.fileName);
        });
    EXPECT_EQ(error, "");
    const std::vector<double> wantWaits = { 600, 615, 700, 715, 800, 815, 900, 915 };
    EXPECT_EQ(waits, wantWaits);
    const std::vector<std::string> wantNames
        = { "00001.RA1", "00001.IP2", "00002.RA1", "00002.IP2", "00003.RA1", "00003.IP2", "00004.RA1", "00004.IP2" };
    EXPECT_EQ(written, wantNames);
    // No temporary file is left beside the scans.
    EXPECT_EQ(CountEntries(dir.path()), 8u);

    const std::string missing = dir / "not-there";
    RunSimulator again(TinyRun());
    EXPECT_EQ(WriteRunFiles(again, missing, nullptr, nullptr), "cannot create a file in '" + missing + "'");
}

TEST(RunWriter, SpeciesTexts)
{
    SimSpecies sp;
    EXPECT_EQ(ParseSpecies("s=4.4,mw=66000,c=0.8", sp), "");
    EXPECT_DOUBLE_EQ(sp.sSvedberg, 4.4);
    EXPECT_DOUBLE_EQ(sp.molecularWeight, 66000);
    EXPECT_DOUBLE_EQ(sp.loadingMgPerMl, 0.8);
    EXPECT_FALSE(sp.diffusionGiven);
    EXPECT_DOUBLE_EQ(sp.vbar, 0.73);
    EXPECT_EQ(ParseSpecies(" S = 6.8 , D = 4e-7 , c = 0.2 , vbar=0.72", sp), "");
    EXPECT_TRUE(sp.diffusionGiven);
    EXPECT_DOUBLE_EQ(sp.diffusionCm2s, 4e-7);
    EXPECT_DOUBLE_EQ(sp.vbar, 0.72);

    const struct {
        const char* text;
        const char* message;
    } errors[] = {
        { "mw=66000,c=1", "species 'mw=66000,c=1': s (in Svedbergs) is missing" },
        { "s=4.4,c=1", "species 's=4.4,c=1': give either mw (g/mol) or D (cm^2/s)" },
        { "s=4.4,mw=1,D=1e-7", "species 's=4.4,mw=1,D=1e-7': give either mw (g/mol) or D (cm^2/s)" },
        { "s=four,mw=1", "species 's=four,mw=1': 'four' is not a number" },
        { "s=4.4,mw=1e999", "species 's=4.4,mw=1e999': '1e999' is not a number" },
        { "s=4.4,mw=66000,x=1", "species 's=4.4,mw=66000,x=1': unknown key 'x' (known: s, mw, vbar, D, c)" },
        { "s=4.4,mw", "species 's=4.4,mw': 'mw' is not of the form key=value" },
        { "", "species '': '' is not of the form key=value" },
        { "s=,mw=5", "species 's=,mw=5': '' is not a number" },
    };
    for (const auto& e : errors) {
        SCOPED_TRACE(e.text);
        SimSpecies untouched;
        untouched.sSvedberg = 99;
        EXPECT_EQ(ParseSpecies(e.text, untouched), e.message);
        EXPECT_DOUBLE_EQ(untouched.sSvedberg, 99);
    }
}

TEST(RunWriter, CellTexts)
{
    const struct {
        const char* text;
        OpticalKind kind;
        int cell;
        char letter;
        double factor, meniscus;
    } good[] = {
        { "RA1", OpticalKind::Absorbance, 1, '0', 1, -1 },
        { "ip2", OpticalKind::Interference, 2, '0', 1, -1 },
        { "RI3,letter=0", OpticalKind::Intensity, 3, '0', 1, -1 },
        { "FI4, factor=0.5, meniscus=5.95, letter=b", OpticalKind::Fluorescence, 4, 'B', 0.5, 5.95 },
    };
    for (const auto& g : good) {
        SCOPED_TRACE(g.text);
        SimCell cell;
        EXPECT_EQ(ParseCell(g.text, cell), "");
        EXPECT_EQ(cell.kind, g.kind);
        EXPECT_EQ(cell.cell, g.cell);
        EXPECT_EQ(cell.channelLetter, g.letter);
        EXPECT_DOUBLE_EQ(cell.loadingFactor, g.factor);
        EXPECT_DOUBLE_EQ(cell.meniscusCm, g.meniscus);
    }
    const struct {
        const char* text;
        const char* message;
    } errors[] = {
        { "RA", "cell 'RA': expected an optical system and a cell number such as RA1, IP2, RI3 or FI4" },
        { "RA12", "cell 'RA12': expected an optical system and a cell number such as RA1, IP2, RI3 or FI4" },
        { "XY1", "cell 'XY1': unknown optical system 'XY' (known: RA, IP, RI, FI)" },
        { "RA1,letter=AB", "cell 'RA1,letter=AB': the channel letter must be one character" },
        { "RA1,meniscus=-5.9", "cell 'RA1,meniscus=-5.9': the meniscus must lie at a positive radius" },
        { "RA1,bottom=0", "cell 'RA1,bottom=0': the bottom must lie at a positive radius" },
        { "RA1,factor=lots", "cell 'RA1,factor=lots': 'lots' is not a number" },
        { "RA1,speed=1", "cell 'RA1,speed=1': unknown key 'speed' (known: factor, meniscus, bottom, letter)" },
    };
    for (const auto& e : errors) {
        SCOPED_TRACE(e.text);
        SimCell cell;
        EXPECT_EQ(ParseCell(e.text, cell), e.message);
    }
}
