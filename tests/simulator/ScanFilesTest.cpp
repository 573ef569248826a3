// The scan files the simulated instrument writes: names, layout, headers, values and noise.
// Noise and artefacts are measured against the same run without them. Noise-free values are
// compared with CleanSignal, which solves afresh in other time steps: the two agree to about
// 1e-5 of the loading, far below any noise.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "scanfiles/BeckmanFile.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "testutil/ScanFileWriter.h"

namespace fs = std::filesystem;
using testutil::SplitCrLf;
using testutil::TempDir;

namespace {

constexpr double K = 2 * M_PI / 60; // rad/s per rpm

SimCell Cell(OpticalKind kind, int cell, char letter = '0')
{
    SimCell c;
    c.kind = kind;
    c.cell = cell;
    c.channelLetter = letter;
    return c;
}

SimRun SmallRun()
{
    SimRun run;
    SimSpecies a;
    a.sSvedberg = 4.4;
    a.molecularWeight = 66000;
    a.loadingMgPerMl = 0.6;
    SimSpecies b;
    b.sSvedberg = 11;
    b.diffusionGiven = true;
    b.diffusionCm2s = 3e-7;
    b.loadingMgPerMl = 0.3;
    run.species = { a, b };
    run.cells = { Cell(OpticalKind::Absorbance, 1), Cell(OpticalKind::Interference, 2, 'A'),
        Cell(OpticalKind::Intensity, 3), Cell(OpticalKind::Fluorescence, 4) };
    run.scans = 3;
    return run;
}

std::vector<SimScan> AllScans(const SimRun& run)
{
    RunSimulator simulator(run);
    std::vector<SimScan> scans;
    SimScan scan;
    while (simulator.NextScan(scan))
        scans.push_back(scan);
    return scans;
}

// The same run without noise and artefacts: the reference the noisy files are measured against.
std::vector<SimScan> CleanScans(SimRun run)
{
    run.absorbanceNoise = run.fringeNoise = run.intensityNoise = run.fluorescenceNoise = 0;
    run.baselineOffsetSd = run.fringeJumpProbability = run.timeInvariantNoiseSd = 0;
    return AllScans(run);
}

// Radius and the numbers after it of each data line.
std::vector<std::vector<double>> DataOf(const SimScan& scan)
{
    std::vector<std::vector<double>> rows;
    const std::vector<std::string> lines = SplitCrLf(scan.text);
    for (size_t i = 2; i < lines.size(); ++i) {
        std::istringstream in(lines[i]);
        std::vector<double> row;
        double v;
        while (in >> v)
            row.push_back(v);
        rows.push_back(row);
    }
    return rows;
}

} // namespace

TEST(ScanFiles, NamesLayoutAndHeadersAsTheInstrumentWritesReadBackByTheReader)
{
    TempDir dir;
    RunSimulator simulator(SmallRun());
    ASSERT_EQ(WriteRunFiles(simulator, dir.path(), nullptr, nullptr), "");

    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path()))
        names.insert(e.path().filename().string());
    const std::set<std::string> want = { "00001.RA1", "00002.RA1", "00003.RA1", "A0001.IP2", "A0002.IP2", "A0003.IP2",
        "00001.RI3", "00002.RI3", "00003.RI3", "00001.FI4", "00002.FI4", "00003.FI4" };
    EXPECT_EQ(names, want);

    // The interference description reads as a word, a number with a comma, a word; the
    // fluorescence one carries "Voltage:" after the sample's text.
    const struct {
        const char* file;
        char letter;
        int32_t optical, cell;
        double seconds; // first + k * interval + cell position * delay
        double wavelength;
        double step;
        std::string ScanHeader::*description;
        const char* text;
    } cases[] = {
        { "00001.RA1", 'R', 1, 1, 600, 280, 0.002, &ScanHeader::Description, "Simulated sample" },
        { "A0002.IP2", 'P', 3, 2, 600 + 180 + 15, 660, 0.001, &ScanHeader::DescriptionTag, "Simulated_sample" },
        { "00003.RI3", 'R', 1, 3, 600 + 360 + 30, 280, 0.002, &ScanHeader::DescriptionTag, "Simulated sample" },
        { "00002.FI4", 'F', 2, 4, 600 + 180 + 45, 488, 0.002, &ScanHeader::FluorescenceDescription,
            "Simulated sample" },
    };
    const double reached = 50000.0 / 300; // seconds to reach speed
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string text = testutil::ReadTextFile(dir / c.file);
        // Every line ends with CR LF, and there is no other CR or LF.
        ASSERT_GE(text.size(), 2u);
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r') {
                ASSERT_EQ(text[i + 1], '\n');
            }
            if (text[i] == '\n') {
                ASSERT_EQ(text[i - 1], '\r');
            }
        }
        const std::vector<std::string> lines = SplitCrLf(text);
        EXPECT_EQ(lines[1][0], c.letter);
        BeckmanFile reader;
        EXPECT_EQ(reader.ReadScanFile(dir / c.file, IntensityRatio, 0), static_cast<int32_t>(text.size()));
        const ScanHeader& h = reader.Header;
        EXPECT_EQ(h.OpticalSystem, c.optical);
        EXPECT_EQ(h.Cell, c.cell);
        EXPECT_DOUBLE_EQ(h.Temperature, 20.0);
        EXPECT_DOUBLE_EQ(h.Rpm, 50000);
        EXPECT_DOUBLE_EQ(h.RecordedTime, c.seconds);
        const double want2t
            = K * K * 300.0 * 300.0 * std::pow(reached, 3) / 3 + K * K * 50000.0 * 50000.0 * (c.seconds - reached);
        EXPECT_NEAR(h.Omega2t / want2t, 1.0, 1e-5);
        // The apparent time removes two thirds of the acceleration phase.
        EXPECT_NEAR(h.Time, c.seconds - reached * 2 / 3, 0.01);
        EXPECT_DOUBLE_EQ(h.Wavelength, c.wavelength);
        EXPECT_EQ(h.HeaderCount, 1);
        EXPECT_EQ(h.*c.description, c.text);

        // Radii from 5.8 cm to the bottom at 7.2 cm with four decimals.
        const size_t points = static_cast<size_t>(std::lround(1.4 / c.step)) + 1;
        ASSERT_EQ(lines.size(), 2 + points);
        ASSERT_EQ(static_cast<size_t>(reader.NumberOfPoints), points);
        for (size_t i = 0; i < points; ++i) {
            const std::string& line = lines[2 + i];
            const size_t dot = line.find('.');
            ASSERT_NE(dot, std::string::npos);
            ASSERT_EQ(line.find(' ', dot), dot + 5) << line;
            EXPECT_NEAR(reader.Radius[i], 5.8 + static_cast<double>(i) * c.step, 1e-9) << line;
        }
    }
}

TEST(ScanFiles, NoiseFreeValuesAreTheSolution)
{
    SimRun run = SmallRun();
    run.absorbanceNoise = run.fringeNoise = run.intensityNoise = run.fluorescenceNoise = 0;
    const std::vector<SimScan> scans = AllScans(run);
    ASSERT_EQ(scans.size(), 12u);
    for (const SimScan& scan : scans) {
        SCOPED_TRACE(scan.fileName);
        const std::vector<std::vector<double>> rows = DataOf(scan);
        std::vector<double> radii;
        for (const auto& row : rows)
            radii.push_back(row[0]);
        const std::vector<double> clean = CleanSignal(run, scan.cellIndex, scan.seconds, radii);
        const OpticalKind kind = run.cells[static_cast<size_t>(scan.cellIndex)].kind;
        for (size_t i = 0; i < rows.size(); ++i) {
            const double r = rows[i][0];
            if (r < run.meniscusCm) {
                ASSERT_EQ(clean[i], 0) << "air above the meniscus at " << r;
            }
            switch (kind) {
            case OpticalKind::Absorbance:
                ASSERT_EQ(rows[i].size(), 3u);
                ASSERT_NEAR(rows[i][1], clean[i], 1e-4 * std::max(1.0, clean[i]));
                break;
            case OpticalKind::Interference:
                ASSERT_EQ(rows[i].size(), 2u);
                ASSERT_NEAR(rows[i][1], clean[i], 1e-4 * std::max(1.0, clean[i]));
                break;
            case OpticalKind::Intensity:
                ASSERT_EQ(rows[i].size(), 3u);
                ASSERT_GT(rows[i][2], 0) << "the detector floor keeps the ratio finite at " << r;
                if (clean[i] < 3) { // within the instrument's range; beyond it the floor rules
                    ASSERT_NEAR(std::log10(rows[i][1] / rows[i][2]), clean[i], 2e-5 * std::pow(10.0, clean[i]));
                }
                break;
            case OpticalKind::Fluorescence:
                ASSERT_EQ(rows[i].size(), 3u);
                ASSERT_NEAR(rows[i][1], clean[i], 0.1 * std::max(1.0, clean[i] / 1000));
                break;
            }
        }
    }
    // Signal units: 1 OD and 3.33 fringes per mg/ml; the plateau of the early scan is nearly the loading.
    const std::vector<double> mid = { 7.0 };
    EXPECT_NEAR(CleanSignal(run, 0, 600, mid)[0], 0.9, 0.02);
    EXPECT_NEAR(CleanSignal(run, 1, 600, mid)[0], 0.9 * 3.33, 0.06);
    EXPECT_NEAR(CleanSignal(run, 3, 600, mid)[0], 900, 20);
}

TEST(ScanFiles, NoiseHasTheRequestedSpreadAndFollowsTheSeed)
{
    SimRun run = SmallRun();
    run.cells = { Cell(OpticalKind::Absorbance, 1), Cell(OpticalKind::Interference, 2) };
    run.scans = 8;
    run.absorbanceNoise = 0.01;
    run.fringeNoise = 0.02;
    const std::vector<SimScan> scans = AllScans(run);
    const std::vector<SimScan> clean = CleanScans(run);
    double sum[2] = {}, squares[2] = {};
    int n[2] = {};
    for (size_t k = 0; k < scans.size(); ++k) {
        const SimScan& scan = scans[k];
        const std::vector<std::vector<double>> rows = DataOf(scan);
        const std::vector<std::vector<double>> reference = DataOf(clean[k]);
        for (size_t i = 0; i < rows.size(); ++i) {
            const double d = rows[i][1] - reference[i][1];
            sum[scan.cellIndex] += d;
            squares[scan.cellIndex] += d * d;
            ++n[scan.cellIndex];
        }
        if (scan.cellIndex == 0) {
            EXPECT_DOUBLE_EQ(rows[0][2], 0.01) << "sigma column";
        }
    }
    const double want[2] = { 0.01, 0.02 };
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(k);
        const double mean = sum[k] / n[k];
        const double sd = std::sqrt(squares[k] / n[k] - mean * mean);
        EXPECT_NEAR(sd / want[k], 1.0, 0.05);
        EXPECT_NEAR(mean, 0, 4 * want[k] / std::sqrt(n[k]));
    }

    // The same seed gives the same files; another seed other noise; a cell added after the
    // others leaves their noise as it was.
    const std::vector<SimScan> again = AllScans(run);
    for (size_t i = 0; i < scans.size(); ++i)
        EXPECT_EQ(again[i].text, scans[i].text);
    SimRun other = run;
    other.seed = 2;
    EXPECT_NE(AllScans(other)[0].text, scans[0].text);
    SimRun more = run;
    more.cells.push_back(Cell(OpticalKind::Absorbance, 5));
    const std::vector<SimScan> withMore = AllScans(more);
    for (const SimScan& s : withMore)
        if (s.fileName == scans[0].fileName) {
            EXPECT_EQ(s.text, scans[0].text);
        }
}

// Offsets move a whole scan; a fringe jump moves the solution column against the air above
// the meniscus by a whole fringe. Neither touches the point noise.
TEST(ScanFiles, InterferenceOffsetsAndWholeFringeJumps)
{
    SimRun run = SmallRun();
    run.cells = { Cell(OpticalKind::Interference, 2) };
    run.scans = 40;
    run.intervalSeconds = 30;
    run.fringeNoise = 0;
    run.baselineOffsetSd = 2.0;
    run.fringeJumpProbability = 0.5;
    std::map<int, int> jumps;
    std::set<double> offsets;
    const std::vector<SimScan> scans = AllScans(run);
    const std::vector<SimScan> clean = CleanScans(run);
    for (size_t k = 0; k < scans.size(); ++k) {
        SCOPED_TRACE(scans[k].fileName);
        const std::vector<std::vector<double>> rows = DataOf(scans[k]);
        const std::vector<std::vector<double>> reference = DataOf(clean[k]);
        const double offset = rows[0][1] - reference[0][1];
        offsets.insert(offset);
        const double jump = rows.back()[1] - reference.back()[1] - offset;
        const long whole = std::lround(jump);
        ASSERT_NEAR(jump, static_cast<double>(whole), 2e-5);
        ASSERT_LE(std::labs(whole), 1);
        ++jumps[static_cast<int>(whole)];
        for (size_t i = 0; i < rows.size(); ++i) {
            const double r = rows[i][0];
            const double expected = reference[i][1] + offset + (r >= run.meniscusCm ? static_cast<double>(whole) : 0);
            ASSERT_NEAR(rows[i][1], expected, 2e-5) << "at r = " << r;
        }
    }
    EXPECT_GT(jumps[1], 3);
    EXPECT_GT(jumps[-1], 3);
    EXPECT_GT(jumps[0], 3);
    EXPECT_EQ(offsets.size(), 40u);

    // The point noise of a run with artefacts is that of the same run without them.
    SimRun noisy = run;
    noisy.fringeNoise = 0.01;
    SimRun plain = noisy;
    plain.baselineOffsetSd = 0;
    plain.fringeJumpProbability = 0;
    const std::vector<SimScan> a = AllScans(noisy);
    const std::vector<SimScan> b = AllScans(plain);
    const std::vector<std::vector<double>> ra = DataOf(a[5]);
    const std::vector<std::vector<double>> rb = DataOf(b[5]);
    const double shiftAir = ra[0][1] - rb[0][1];
    const double shiftColumn = ra.back()[1] - rb.back()[1];
    for (size_t i = 0; i < ra.size(); ++i)
        ASSERT_NEAR(ra[i][1] - rb[i][1], ra[i][0] >= run.meniscusCm ? shiftColumn : shiftAir, 2e-5);
}

TEST(ScanFiles, TimeInvariantBaselineIsTheSameInEveryScan)
{
    SimRun run = SmallRun();
    run.cells = { Cell(OpticalKind::Interference, 2) };
    run.scans = 5;
    run.fringeNoise = 0;
    run.timeInvariantNoiseSd = 0.05;
    std::vector<double> first;
    const std::vector<SimScan> scans = AllScans(run);
    const std::vector<SimScan> clean = CleanScans(run);
    for (size_t k = 0; k < scans.size(); ++k) {
        const std::vector<std::vector<double>> rows = DataOf(scans[k]);
        const std::vector<std::vector<double>> reference = DataOf(clean[k]);
        std::vector<double> baseline;
        double squares = 0;
        for (size_t i = 0; i < rows.size(); ++i) {
            baseline.push_back(rows[i][1] - reference[i][1]);
            squares += baseline.back() * baseline.back();
        }
        EXPECT_NEAR(std::sqrt(squares / static_cast<double>(baseline.size())), 0.05, 0.001);
        if (first.empty())
            first = baseline;
        for (size_t i = 0; i < baseline.size(); ++i)
            ASSERT_NEAR(baseline[i], first[i], 2e-5);
    }
}

TEST(ScanFiles, ScansComeInTimeOrderCellAfterCell)
{
    SimRun run = SmallRun();
    run.scans = 4;
    run.intervalSeconds = 40; // shorter than a round of four cells 15 s apart
    const std::vector<SimScan> scans = AllScans(run);
    ASSERT_EQ(scans.size(), 16u);
    std::map<int, int> seen;
    for (size_t i = 0; i < scans.size(); ++i) {
        SCOPED_TRACE(scans[i].fileName);
        if (i > 0) {
            EXPECT_GE(scans[i].seconds, scans[i - 1].seconds);
        }
        const int k = seen[scans[i].cellIndex]++;
        EXPECT_EQ(scans[i].scanNumber, k + 1);
        EXPECT_DOUBLE_EQ(scans[i].seconds, 600 + 40.0 * k + 15.0 * scans[i].cellIndex);
    }
}

TEST(ScanFiles, CellsDifferInLoadingAndMeniscus)
{
    SimRun run = SmallRun();
    run.absorbanceNoise = 0;
    run.scans = 1;
    SimCell diluted = Cell(OpticalKind::Absorbance, 2);
    diluted.loadingFactor = 0.5;
    diluted.meniscusCm = 6.0;
    run.cells = { Cell(OpticalKind::Absorbance, 1), diluted };
    run.cellDelaySeconds = 0;
    const std::vector<SimScan> scans = AllScans(run);
    const std::vector<std::vector<double>> full = DataOf(scans[0]);
    const std::vector<std::vector<double>> half = DataOf(scans[1]);
    for (size_t i = 0; i < full.size(); ++i) {
        const double r = full[i][0];
        if (r < 6.0) {
            EXPECT_EQ(half[i][1], 0) << "air above this cell's meniscus at " << r;
        }
        if (r > 6.9 && r < 7.1) {
            EXPECT_NEAR(half[i][1], 0.5 * full[i][1], 1e-4) << "plateau at " << r;
        }
    }
}

TEST(ScanFiles, SecondSpeedShowsInTheHeaders)
{
    SimRun run = SmallRun();
    run.cells.resize(1);
    run.scans = 10;
    run.secondRpm = 30000;
    run.secondSpeedAtSeconds = 1470;
    double previous = 0;
    std::vector<double> speeds;
    for (const SimScan& scan : AllScans(run)) {
        ScanHeader h;
        h.HeaderLine = SplitCrLf(scan.text)[1];
        ASSERT_EQ(h.ParseHeader(0), 0);
        EXPECT_GT(h.Omega2t, previous);
        previous = h.Omega2t;
        speeds.push_back(h.Rpm);
    }
    // Scans at 600 ... 2220 s every 180 s; from 1470 s the rotor slows at 300 rpm/s, so the
    // scan at 1500 s runs at 41000 rpm.
    const std::vector<double> want = { 50000, 50000, 50000, 50000, 50000, 41000, 30000, 30000, 30000, 30000 };
    EXPECT_EQ(speeds, want);
}

TEST(SimulatedRun, DiffusionFromMolecularWeight)
{
    SimRun run;
    SimSpecies monomer; // 4.4 S, 66000 g/mol, vbar 0.73, in water at 20 C
    // D = s R T / (M (1 - vbar rho)) = 4.4e-13 * 8.314462618e7 * 293.15 / (66000 * (1 - 0.73 * 0.99823))
    EXPECT_NEAR(DiffusionOf(monomer, run) / 5.98957e-7, 1.0, 1e-5);
    monomer.diffusionGiven = true;
    monomer.diffusionCm2s = 1e-6;
    EXPECT_DOUBLE_EQ(DiffusionOf(monomer, run), 1e-6);
}

TEST(SimulatedRun, ImpossibleRunsAreRefusedWithTheReason)
{
    struct Case {
        const char* name;
        void (*change)(SimRun&);
        const char* message;
    };
    const Case cases[] = {
        { "bottom at the meniscus", [](SimRun& r) { r.bottomCm = 5.9; },
            "cell RA1: the cell bottom (5.9 cm) must lie beyond the meniscus (5.9 cm)" },
        { "bottom before a cell's meniscus", [](SimRun& r) { r.cells[0].meniscusCm = 7.3; },
            "cell RA1: the cell bottom (7.2 cm) must lie beyond the meniscus (7.3 cm)" },
        { "negative s", [](SimRun& r) { r.species[0].sSvedberg = -1; },
            "species 1: the sedimentation coefficient must not be negative (s = -1 S)" },
        { "negative D", [](SimRun& r) { r.species[1].diffusionCm2s = -2e-7; },
            "species 2: the diffusion coefficient must not be negative (D = -2e-07 cm^2/s)" },
        { "no scans", [](SimRun& r) { r.scans = 0; }, "no scans: the number of scans must be at least 1" },
        { "no species", [](SimRun& r) { r.species.clear(); }, "no species: give at least one species" },
        { "no cells", [](SimRun& r) { r.cells.clear(); }, "no cells: give at least one cell" },
        { "too many scans", [](SimRun& r) { r.scans = 10000; },
            "file names hold four digits of scan number after the channel letter: at most 9999 scans per cell" },
        { "standing rotor", [](SimRun& r) { r.rpm = 0; }, "the rotor speed must be positive (got 0 rpm)" },
        { "too fast", [](SimRun& r) { r.rpm = 70000; },
            "the rotor speed 70000 rpm is above the instrument's limit of 60000 rpm" },
        { "no acceleration", [](SimRun& r) { r.accelerationRpmPerSecond = 0; },
            "the acceleration must be positive (got 0 rpm/s)" },
        { "second speed at the start", [](SimRun& r) { r.secondRpm = 30000; },
            "the second speed must begin after the start of the run (got 0 s)" },
        { "scan at the start", [](SimRun& r) { r.firstScanSeconds = 0; },
            "the first scan must come after the rotor has started (got 0 s)" },
        { "no interval", [](SimRun& r) { r.intervalSeconds = 0; },
            "the interval between scans must be positive (got 0 s)" },
        { "floating particle", [](SimRun& r) { r.species[0].vbar = 1.2; },
            "species 1: vbar 1.2 ml/g times the density 0.99823 g/ml is not below 1: such a particle does not "
            "sediment" },
        { "no mass", [](SimRun& r) { r.species[0].molecularWeight = 0; },
            "species 1: the molecular weight must be positive (M = 0 g/mol)" },
        { "negative loading", [](SimRun& r) { r.species[0].loadingMgPerMl = -0.1; },
            "species 1: the loading concentration must not be negative (c = -0.1 mg/ml)" },
        { "cell 9", [](SimRun& r) { r.cells[0].cell = 9; }, "cell 9: the cell number must lie between 1 and 8" },
        { "channel letter", [](SimRun& r) { r.cells[0].channelLetter = 'E'; },
            "cell RA1: the channel letter must be one of 0, A, B, C, D" },
        { "same cell twice", [](SimRun& r) { r.cells.push_back(r.cells[0]); }, "cell RA1 is given twice" },
        { "too fine a step", [](SimRun& r) { r.stepCm = 0.0005; },
            "cell RA1: 2801 data lines per scan, more than the reader takes (2048); use a larger step" },
        { "radial range beyond the bottom", [](SimRun& r) { r.radiusHighCm = 7.3; },
            "cell RA1: the radial range ends at 7.3 cm, beyond the cell bottom at 7.2 cm" },
        { "empty radial range", [](SimRun& r) { r.radiusLowCm = 7.2; },
            "cell RA1: the radial range from 7.2 cm to 7.2 cm is empty" },
        { "noise", [](SimRun& r) { r.absorbanceNoise = -1; }, "a noise level must not be negative (got -1)" },
        { "jump probability", [](SimRun& r) { r.fringeJumpProbability = 1.5; },
            "the fringe-jump probability must lie between 0 and 1 (got 1.5)" },
        { "not a number", [](SimRun& r) { r.species[0].sSvedberg = std::nan(""); },
            "species 1: the sedimentation coefficient must not be negative (s = nan S)" },
    };
    SimRun base = SmallRun();
    base.cells.resize(1);
    ASSERT_EQ(ValidateRun(base), "");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimRun run = base;
        c.change(run);
        EXPECT_EQ(ValidateRun(run), c.message);
        try {
            RunSimulator simulator(run);
            ADD_FAILURE() << "constructed";
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
    // A fluorescence scan may hold more lines than an absorbance one.
    SimRun fine = base;
    fine.cells[0].kind = OpticalKind::Fluorescence;
    fine.stepCm = 0.0005;
    EXPECT_EQ(ValidateRun(fine), "");
    EXPECT_EQ(ValidateRun(DemoRun()), "");
}
