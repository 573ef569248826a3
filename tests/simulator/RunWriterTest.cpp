// Where and how a simulated run is written: the directory layout, the live schedule and the
// command-line texts for species and cells.
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "scanfiles/BeckmanFile.h"
#include "scanfiles/FileSystem.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "simulator/Wavelengths.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::TempDir;

TEST(RunWriter, RunDirectoriesAreNumberedBelowTheDate)
{
    TempDir root;
    const std::string date = (fs::path(root.path()) / "XLIDATA" / "031524").string();
    std::string error;
    const std::string first = MakeRunDirectory({ root.path(), "031524", 0 }, error);
    EXPECT_EQ(first, date + "/000001");
    // An empty newest run directory is taken again; once it holds files the next number is used.
    EXPECT_EQ(MakeRunDirectory({ root.path(), "031524", 0 }, error), first);
    testutil::WriteTextFile(first + "/00001.RA1", "x");
    EXPECT_EQ(MakeRunDirectory({ root.path(), "031524", 42 }, error), date + "/000042");
    testutil::WriteTextFile(date + "/000042/00001.IP2", "x");
    // Names that are not six digits, and files, do not count.
    fs::create_directory(date + "/99999");
    testutil::WriteTextFile(date + "/500000", "file");
    EXPECT_EQ(NextRunNumber(date), 43);
    EXPECT_EQ(error, "");
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
        { "day 32", { root.path(), "013225", 0 }, "'013225' is not a date MMDDYY" },
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

// A live run waits for each scan's time before writing it: when the wait for a scan ends, the
// scans before it are on disk, complete, and it is not.
TEST(RunWriter, LiveRunWritesEachScanWhenItsTimeComesAndReportsAFailedWrite)
{
    TempDir dir;
    SimRun run = DemoRun();
    run.scans = 2;
    run.intervalSeconds = 100;
    RunSimulator simulator(run);
    std::vector<double> waits;
    std::vector<std::string> written;
    auto entries = [&] { return static_cast<size_t>(std::distance(fs::directory_iterator(dir.path()), {})); };
    const std::string error = WriteRunFiles(
        simulator, dir.path(),
        [&](double seconds) {
            waits.push_back(seconds);
            EXPECT_EQ(entries(), written.size()) << "at " << seconds << " s";
        },
        [&](const SimScan& scan, const std::string& path) {
            EXPECT_EQ(testutil::ReadTextFile(path), scan.text);
            written.push_back(scan.fileName);
        });
    EXPECT_EQ(error, "");
    EXPECT_EQ(waits, (std::vector<double> { 600, 615, 700, 715 }));
    EXPECT_EQ(written, (std::vector<std::string> { "00001.RA1", "00001.IP2", "00002.RA1", "00002.IP2" }));
    EXPECT_EQ(entries(), 4u) << "no temporary file is left beside the scans";

    const std::string missing = dir / "not-there";
    RunSimulator again(run);
    EXPECT_EQ(WriteRunFiles(again, missing, nullptr, nullptr), "cannot create a file in '" + missing + "': No such file or directory");
}

// A file cut where an instrument still writing it may stop: inside a data line, where the reader
// finds a plausible but wrong last point and no line end after it.
TEST(RunWriter, ScanFileCutInsideADataLine)
{
    TempDir dir;
    SimRun run = DemoRun();
    run.cells.resize(1);
    run.scans = 1;
    RunSimulator simulator(run);
    SimScan scan;
    ASSERT_TRUE(simulator.NextScan(scan));
    const std::vector<std::string> lines = testutil::SplitCrLf(scan.text);
    const size_t firstData = lines[0].size() + lines[1].size() + 4;
    const struct {
        double fraction;
        size_t line; // the data line cut, 0 the first
    } cases[] = { { 0.0, 0 }, { 0.5, (scan.text.size() / 2 - firstData) / (lines[2].size() + 2) },
        { 1.0, lines.size() - 3 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fraction);
        const size_t cut = CutInsideDataLine(scan.text, c.fraction);
        const size_t lineStart = firstData + c.line * (lines[2].size() + 2);
        EXPECT_EQ(cut, lineStart + 14);
        const std::string path = dir / "00001.RA1";
        ASSERT_EQ(WriteScanFileCut(path, scan.text, cut), "");
        EXPECT_EQ(testutil::ReadTextFile(path), scan.text.substr(0, cut));
        BeckmanFile reader;
        ASSERT_GT(reader.ReadScanFile(path, 0, 0), 0);
        EXPECT_FALSE(reader.EndedWithLineEnd);
        ASSERT_EQ(reader.NumberOfPoints, static_cast<int32_t>(c.line + 1));
        EXPECT_EQ(lines[2 + c.line].substr(0, 14), scan.text.substr(lineStart, 14));
    }
    EXPECT_EQ(CutInsideDataLine("no data\r\n", 0.5), 4u) << "without data lines: at the byte";
    ASSERT_EQ(WriteScanFileCut(dir / "whole.RA1", scan.text, 1u << 30), "");
    EXPECT_EQ(testutil::ReadTextFile(dir / "whole.RA1"), scan.text);
}

// With split writes a reader between the two parts finds the first part only, cut inside a data
// line; afterwards the whole file.
TEST(RunWriter, SplitWritesLeaveAHalfWrittenFileBetweenTheParts)
{
    TempDir dir;
    SimRun run = DemoRun();
    run.scans = 2;
    RunSimulator simulator(run);
    int32_t pauses = 0;
    std::vector<std::string> written;
    const std::string error = WriteRunFiles(
        simulator, dir.path(), nullptr,
        [&](const SimScan& scan, const std::string& path) {
            EXPECT_EQ(testutil::ReadTextFile(path), scan.text);
            written.push_back(scan.fileName);
        },
        [&](const SimScan& scan, const std::string& path) {
            ++pauses;
            const std::string part = testutil::ReadTextFile(path);
            EXPECT_EQ(part, scan.text.substr(0, CutInsideDataLine(scan.text, 0.5)));
            EXPECT_GT(part.size(), scan.text.size() / 2 - 60);
            EXPECT_LT(part.size(), scan.text.size() / 2 + 60);
            BeckmanFile reader;
            EXPECT_GT(reader.ReadScanFile(path, 0, 0), 0);
            EXPECT_FALSE(reader.EndedWithLineEnd);
        });
    EXPECT_EQ(error, "");
    EXPECT_EQ(pauses, 4);
    EXPECT_EQ(written.size(), 4u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 4) << "no temporary file is left";
}

// A run found long after it was copied, and one still being written, on a clock of the test's
// own: every file's time follows its scan's, the newest three days old or just written.
TEST(RunWriter, FileTimesOfACopiedRunAndOfARunBeingWritten)
{
    using namespace std::chrono;
    const system_clock::time_point now { seconds(1704200000) }; // 2 January 2024
    SimRun run = DemoRun(); // RA1 at 600 + 180 k s, IP2 15 s after
    run.scans = 3;
    const struct {
        FileTimes times;
        double newestAge; // s before now
    } cases[] = { { FileTimes::Copied, 3 * 86400 }, { FileTimes::Writing, 0 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.newestAge);
        TempDir dir;
        ASSERT_EQ(WriteRun(run, dir.path(), c.times, now), "");
        auto age = [&](const char* name) {
            return duration<double>(now - file_clock::to_sys(fs::last_write_time(dir / name))).count();
        };
        EXPECT_NEAR(age("00003.IP2"), c.newestAge, 1e-6) << "the newest";
        EXPECT_NEAR(age("00003.RA1"), c.newestAge + 15, 1e-6);
        EXPECT_NEAR(age("00001.RA1"), c.newestAge + 375, 1e-6);
    }
    FileTimes times = FileTimes::AsWritten;
    EXPECT_TRUE(ParseFileTimes("copied", times) && times == FileTimes::Copied);
    EXPECT_TRUE(ParseFileTimes("writing", times) && times == FileTimes::Writing);
    EXPECT_FALSE(ParseFileTimes("old", times));
    run.scans = 0;
    TempDir dir;
    EXPECT_EQ(WriteRun(run, dir.path(), FileTimes::Copied, now), "no scans: the number of scans must be at least 1");
}

TEST(RunWriter, SpeciesAndCellTexts)
{
    SimSpecies sp;
    ASSERT_EQ(ParseSpecies(" S = 6.8 , D = 4e-7 , c = 0.2 , vbar=0.72", sp), "");
    EXPECT_DOUBLE_EQ(sp.sSvedberg, 6.8);
    EXPECT_DOUBLE_EQ(sp.diffusionCm2s, 4e-7);
    SimCell cell;
    ASSERT_EQ(ParseCell("FI4, factor=0.5, meniscus=5.95, letter=b", cell), "");
    EXPECT_EQ(cell.kind, OpticalKind::Fluorescence);
    EXPECT_EQ(cell.channelLetter, 'B');
    std::vector<SimWavelength> wavelengths;
    ASSERT_EQ(ParseWavelengths(" 280 , 230:3.1", 0.9, wavelengths), "");
    ASSERT_EQ(wavelengths.size(), 2u);
    EXPECT_EQ(wavelengths[0].nm, 280);
    EXPECT_EQ(wavelengths[0].extinctionPerMgMl, 0.9) << "the run's extinction";
    EXPECT_EQ(wavelengths[1].nm, 230);
    EXPECT_EQ(wavelengths[1].extinctionPerMgMl, 3.1);
}

TEST(RunWriter, SpeciesAndCellTextErrorsSayWhatIsWrong)
{
    const struct {
        bool species;
        const char* text;
        const char* message;
    } cases[] = {
        { true, "mw=66000,c=1", "species 'mw=66000,c=1': s (in Svedbergs) is missing" },
        { true, "s=4.4,mw=1,D=1e-7", "species 's=4.4,mw=1,D=1e-7': give either mw (g/mol) or D (cm^2/s)" },
        { true, "s=4.4,mw=1e999", "species 's=4.4,mw=1e999': '1e999' is not a number" },
        { true, "s=4.4,mw=66000,x=1", "species 's=4.4,mw=66000,x=1': unknown key 'x' (known: s, mw, vbar, D, c)" },
        { true, "s=4.4,mw", "species 's=4.4,mw': 'mw' is not of the form key=value" },
        { false, "RA12", "cell 'RA12': expected an optical system and a cell number such as RA1, IP2, RI3 or FI4" },
        { false, "XY1", "cell 'XY1': unknown optical system 'XY' (known: RA, IP, RI, FI)" },
        { false, "RA1,letter=AB", "cell 'RA1,letter=AB': the channel letter must be one character" },
        { false, "RA1,meniscus=-5.9", "cell 'RA1,meniscus=-5.9': the meniscus must lie at a positive radius" },
        { false, "RA1,bottom=0", "cell 'RA1,bottom=0': the bottom must lie at a positive radius" },
        { false, "RA1,factor=lots", "cell 'RA1,factor=lots': 'lots' is not a number" },
        { false, "RA1,speed=1", "cell 'RA1,speed=1': unknown key 'speed' (known: factor, meniscus, bottom, letter)" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SimSpecies sp;
        SimCell cell;
        EXPECT_EQ(c.species ? ParseSpecies(c.text, sp) : ParseCell(c.text, cell), c.message);
    }
    std::vector<SimWavelength> wavelengths;
    for (const char* text : { "280,", "280,-230", "280:x", "nm" }) {
        SCOPED_TRACE(text);
        EXPECT_NE(ParseWavelengths(text, 1, wavelengths).find("is not a wavelength in nm"), std::string::npos);
    }
    EXPECT_TRUE(wavelengths.empty());
}
