// The scan files the simulated instrument writes: names, layout, headers, values and artefacts.
// Artefacts are measured against the same run without them. Noise-free values are
// compared with CleanSignal, which solves afresh in other time steps: the two agree to about
// 1e-5 of the loading, far below any noise.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "scanfiles/BeckmanFile.h"
#include "simulator/RunWriter.h"
#include "simulator/ScanArtefacts.h"
#include "simulator/SimulatedRun.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace fs = std::filesystem;
using testutil::SplitCrLf;
using testutil::TempDir;

namespace {

constexpr double OmegaPerRpm = 2 * M_PI / 60; // rad/s per rpm

SimCell Cell(OpticalKind kind, int cell, char letter = '0')
{
    SimCell c;
    c.kind = kind;
    c.cell = cell;
    c.channelLetter = letter;
    return c;
}

// 0.6 mg/ml of a 4.4 S, 66 kDa protein and 0.3 mg/ml of an 11 S one, in all four optical systems.
SimRun SmallRun()
{
    SimRun run;
    SimSpecies a;
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
    run.baselineOffsetSd = run.fringeJumpProbability = 0;
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
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 12);

    // The interference description reads as a word, a number with a comma, a word; the
    // fluorescence one carries "Voltage:" after the sample's text.
    const struct {
        const char* file;
        int32_t optical, cell;
        double seconds; // first + k * interval + cell position * delay
        double step;
        std::string ScanHeader::*description;
        const char* text;
    } cases[] = {
        { "00001.RA1", 1, 1, 600, 0.002, &ScanHeader::Description, "Simulated sample" },
        { "A0002.IP2", 3, 2, 600 + 180 + 15, 0.001, &ScanHeader::DescriptionTag, "Simulated_sample" },
        { "00003.RI3", 1, 3, 600 + 360 + 30, 0.002, &ScanHeader::DescriptionTag, "Simulated sample" },
        { "00002.FI4", 2, 4, 600 + 180 + 45, 0.002, &ScanHeader::FluorescenceDescription, "Simulated sample" },
    };
    const double reached = 50000.0 / 300; // seconds to reach speed
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string text = testutil::ReadTextFile(dir / c.file);
        // Every line ends with CR LF, and there is no other CR or LF.
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), std::count(text.begin(), text.end(), '\n'));
        EXPECT_EQ(text.find("\r\r"), std::string::npos);
        BeckmanFile reader;
        EXPECT_EQ(reader.ReadScanFile(dir / c.file, IntensityRatio, 0), static_cast<int32_t>(text.size()));
        const ScanHeader& h = reader.Header;
        EXPECT_EQ(h.OpticalSystem, c.optical);
        EXPECT_EQ(h.Cell, c.cell);
        EXPECT_DOUBLE_EQ(h.RecordedTime, c.seconds);
        const double want2t = OmegaPerRpm * OmegaPerRpm * 300.0 * 300.0 * std::pow(reached, 3) / 3
            + OmegaPerRpm * OmegaPerRpm * 50000.0 * 50000.0 * (c.seconds - reached);
        EXPECT_NEAR(h.Omega2t / want2t, 1.0, 1e-5);
        // The apparent time removes two thirds of the acceleration phase.
        EXPECT_NEAR(h.Time, c.seconds - reached * 2 / 3, 0.01);
        EXPECT_EQ(h.*c.description, c.text);
        // Radii from 5.8 cm to the bottom at 7.2 cm with four decimals.
        ASSERT_EQ(reader.NumberOfPoints, std::lround(1.4 / c.step) + 1);
        EXPECT_NE(text.find(c.step == 0.001 ? "\n   5.8010 " : "\n   5.8020 "), std::string::npos);
        EXPECT_NEAR(reader.Radius[static_cast<size_t>(reader.NumberOfPoints - 1)], 7.2, 1e-9);
    }
}

TEST(ScanFiles, NoiseFreeValuesAreTheSolution)
{
    SimRun run = SmallRun();
    run.absorbanceNoise = run.fringeNoise = run.intensityNoise = run.fluorescenceNoise = 0;
    for (const SimScan& scan : AllScans(run)) {
        SCOPED_TRACE(scan.fileName);
        const std::vector<std::vector<double>> rows = DataOf(scan);
        std::vector<double> radii;
        for (const auto& row : rows)
            radii.push_back(row[0]);
        const std::vector<double> clean = CleanSignal(run, scan.cellIndex, scan.seconds, radii);
        const OpticalKind kind = run.cells[static_cast<size_t>(scan.cellIndex)].kind;
        for (size_t i = 0; i < rows.size(); ++i) {
            if (kind == OpticalKind::Intensity) {
                ASSERT_GT(rows[i][2], 0) << "the detector floor keeps the ratio finite";
                if (clean[i] < 3) { // within the instrument's range; beyond it the floor rules
                    ASSERT_NEAR(std::log10(rows[i][1] / rows[i][2]), clean[i], 2e-5 * std::pow(10.0, clean[i]));
                }
            } else {
                const double tolerance = kind == OpticalKind::Fluorescence ? 0.1 * std::max(1.0, clean[i] / 1000)
                                                                           : 1e-4 * std::max(1.0, clean[i]);
                // Absorbance as the detector reads it: bent toward its ceiling above 2.5 OD.
                const double read
                    = kind == OpticalKind::Absorbance ? SaturatedAbsorbance(clean[i], run.saturationOD) : clean[i];
                ASSERT_NEAR(rows[i][1], read, tolerance) << "at r = " << rows[i][0];
            }
        }
    }
    // Signal units: 1 OD and 3.33 fringes per mg/ml; the plateau of the early scan is nearly the loading.
    const std::vector<double> mid = { 7.0 };
    EXPECT_NEAR(CleanSignal(run, 0, 600, mid)[0], 0.9, 0.02);
    EXPECT_NEAR(CleanSignal(run, 1, 600, mid)[0], 0.9 * 3.33, 0.06);
    EXPECT_NEAR(CleanSignal(run, 3, 600, mid)[0], 900, 20);
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
    const std::vector<SimScan> scans = AllScans(run);
    const std::vector<SimScan> clean = CleanScans(run);
    // Values are written with six significant digits: each differs from the one computed by up
    // to 5e-6 of its size, and the comparisons below add up four of them.
    auto rounding = [](double a, double b) { return 2e-5 * std::max({ 1.0, std::fabs(a), std::fabs(b) }); };
    for (size_t k = 0; k < scans.size(); ++k) {
        SCOPED_TRACE(scans[k].fileName);
        const std::vector<std::vector<double>> rows = DataOf(scans[k]);
        const std::vector<std::vector<double>> reference = DataOf(clean[k]);
        const double offset = rows[0][1] - reference[0][1];
        const double jump = rows.back()[1] - reference.back()[1] - offset;
        const long whole = std::lround(jump);
        ASSERT_NEAR(jump, static_cast<double>(whole), rounding(rows.back()[1], reference.back()[1]));
        ++jumps[static_cast<int>(whole)];
        for (size_t i = 0; i < rows.size(); ++i) {
            const double r = rows[i][0];
            const double expected = reference[i][1] + offset + (r >= run.meniscusCm ? static_cast<double>(whole) : 0);
            ASSERT_NEAR(rows[i][1], expected, rounding(rows[i][1], expected)) << "at r = " << r;
        }
    }
    EXPECT_EQ(jumps[1] + jumps[-1] + jumps[0], 40) << "a jump is of one fringe at most";
    EXPECT_GT(jumps[1], 3);
    EXPECT_GT(jumps[-1], 3);
    EXPECT_GT(jumps[0], 3);
}

TEST(ScanArtefacts, SaturationBendsAbsorbanceTowardTheCeiling)
{
    const struct {
        double a, read, noiseFactor;
    } cases[] = {
        { 0, 0, 1 }, { 1.0, 1.0, 1 }, { 2.5, 2.5, 1 }, // the linear range is untouched
        { 3.0, 3 - 0.5 * std::exp(-1.0), 1 + 19 * (0.5 - 0.5 * std::exp(-1.0)) / 0.5 },
        { 130, 3, 20 }, // the pile-up at the bottom of the demo run
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.a);
        EXPECT_NEAR(SaturatedAbsorbance(c.a, 3), c.read, 1e-12);
        EXPECT_NEAR(SaturationNoiseFactor(SaturatedAbsorbance(c.a, 3), 3), c.noiseFactor, 1e-9);
        EXPECT_EQ(SaturatedAbsorbance(c.a, 0), c.a) << "no ceiling";
    }
    // Continuous in value and slope at the knee, rising but never reaching the ceiling.
    EXPECT_NEAR((SaturatedAbsorbance(2.5 + 1e-6, 3) - 2.5) / 1e-6, 1.0, 1e-5);
    for (double a = 2.5; a < 20; a += 0.25)
        EXPECT_LT(SaturatedAbsorbance(a, 3), SaturatedAbsorbance(a + 0.25, 3) + 1e-15);
    EXPECT_LT(SaturatedAbsorbance(20, 3), 3);
}

TEST(ScanFiles, AbsorbanceOfTheDemoFlattensNearThreeOD)
{
    SimRun run = DemoRun();
    run.cells.resize(1); // absorbance
    run.meniscusArtefact = false;
    run.scans = 1;
    run.firstScanSeconds = 600 + 59 * 180; // the last scan of the demo
    SimRun unsaturated = run;
    unsaturated.saturationOD = 0;
    unsaturated.absorbanceNoise = 0;
    const std::vector<std::vector<double>> raw = DataOf(AllScans(unsaturated)[0]);
    const std::vector<std::vector<double>> read = DataOf(AllScans(run)[0]);
    double rawMax = 0, readMax = 0, sigmaMax = 0;
    for (size_t i = 0; i < read.size(); ++i) {
        rawMax = std::max(rawMax, raw[i][1]);
        readMax = std::max(readMax, read[i][1]);
        sigmaMax = std::max(sigmaMax, read[i][2]);
        if (raw[i][1] < 2.5) {
            ASSERT_EQ(read[i][2], run.absorbanceNoise) << "at r = " << read[i][0];
        }
    }
    EXPECT_GT(rawMax, 50) << "the bottom pile-up of the solution";
    EXPECT_GT(readMax, 2.8);
    EXPECT_LT(readMax, 3 + 4 * 20 * run.absorbanceNoise) << "within four SD of the noise at the ceiling";
    EXPECT_NEAR(sigmaMax, 20 * run.absorbanceNoise, 0.01) << "the sigma column tells the noise";
}

TEST(ScanFiles, MeniscusArtefactIsTheSameInEveryScan)
{
    SimRun run = SmallRun();
    run.absorbanceNoise = run.fringeNoise = run.intensityNoise = run.fluorescenceNoise = 0;
    run.scans = 2;
    SimRun with = run;
    with.meniscusArtefact = true;
    const std::vector<SimScan> plain = AllScans(run);
    const std::vector<SimScan> marked = AllScans(with);
    ASSERT_EQ(plain.size(), marked.size());
    for (size_t k = 0; k < plain.size(); ++k) {
        SCOPED_TRACE(plain[k].fileName);
        const OpticalKind kind = run.cells[static_cast<size_t>(plain[k].cellIndex)].kind;
        const std::vector<std::vector<double>> a = DataOf(plain[k]);
        const std::vector<std::vector<double>> b = DataOf(marked[k]);
        ASSERT_EQ(a.size(), b.size());
        double extreme = 0;
        for (size_t i = 0; i < a.size(); ++i) {
            const double r = a[i][0];
            double difference = b[i][1] - a[i][1];
            double expected = 0;
            if (kind == OpticalKind::Absorbance)
                expected = MeniscusSpike(r, run.meniscusCm, with.meniscusArtefactWidthCm, with.meniscusSpikeOD);
            else if (kind == OpticalKind::Interference)
                expected = MeniscusDrop(r, run.meniscusCm, with.meniscusArtefactWidthCm, with.meniscusDropFringes);
            if (kind == OpticalKind::Intensity) {
                difference = std::log10(a[i][2] / b[i][2]); // the spike darkens the sample beam
                expected = MeniscusSpike(r, run.meniscusCm, with.meniscusArtefactWidthCm, with.meniscusSpikeOD);
            }
            ASSERT_NEAR(difference, expected, 2e-5 * std::max(1.0, std::fabs(b[i][1]))) << "at r = " << r;
            if (std::fabs(r - run.meniscusCm) > with.meniscusArtefactWidthCm) {
                ASSERT_NEAR(difference, 0, 2e-5 * std::max(1.0, std::fabs(b[i][1]))) << "at r = " << r;
            }
            extreme = std::max(extreme, std::fabs(expected));
        }
        if (kind == OpticalKind::Fluorescence)
            EXPECT_EQ(extreme, 0);
        else
            EXPECT_GT(extreme, kind == OpticalKind::Interference ? 1.4 : 0.75) << "the peak is sampled";
    }
}

// The interference shapes of real runs, measured as the difference to the same noise-free run
// without an artefact, in the first and the last scan alike.
TEST(ScanFiles, InterferenceStepAndTwoDropsAtTheMeniscus)
{
    SimRun run = SmallRun();
    run.cells = { Cell(OpticalKind::Interference, 2) };
    run.fringeNoise = 0;
    run.scans = 2;
    const double m = run.meniscusCm;
    const std::vector<SimScan> plain = AllScans(run);
    // The artefact over the radii of one scan, by radius.
    auto artefact = [&](const SimRun& with, size_t k) {
        std::map<double, double> d;
        const std::vector<std::vector<double>> a = DataOf(plain[k]);
        const std::vector<std::vector<double>> b = DataOf(AllScans(with)[k]);
        for (size_t i = 0; i < a.size(); ++i)
            d[a[i][0]] = b[i][1] - a[i][1];
        return d;
    };
    auto at = [](const std::map<double, double>& d, double r) { return d.lower_bound(r - 1e-7)->second; };
    auto lowest = [](const std::map<double, double>& d, double from, double to) {
        std::pair<double, double> low { 0, 1e9 };
        for (auto it = d.lower_bound(from - 1e-9); it != d.end() && it->first <= to + 1e-9; ++it)
            if (it->second < low.second)
                low = *it;
        return low; // radius, value
    };
    SimRun step = run;
    step.meniscusArtefact = true;
    step.interferenceMeniscus = InterferenceMeniscus::Step; // -0.6 fringes, dip 0.15 over 0.015 cm
    SimRun up = step;
    up.meniscusStepFringes = 0.4;
    up.meniscusDipFringes = 0;
    SimRun drops = step;
    drops.interferenceMeniscus = InterferenceMeniscus::TwoDrops; // 1.5 fringes at m and m - 0.03
    for (size_t k = 0; k < plain.size(); ++k) {
        SCOPED_TRACE(plain[k].fileName);
        const auto down = artefact(step, k);
        EXPECT_NEAR(at(down, m), -0.3, 1e-4) << "the meniscus lies halfway down the step";
        EXPECT_NEAR(at(down, m - 0.01), 0, 1e-4) << "the air side keeps its level";
        EXPECT_LT(std::fabs(at(down, m - 0.003)), 0.05 * 0.6) << "the edge is steep";
        EXPECT_NEAR(at(down, m + 0.02), -0.6, 1e-4) << "the solution side stepped down";
        EXPECT_NEAR(at(down, 7.0), -0.6, 1e-4);
        const auto dip = lowest(down, m, m + 0.03);
        EXPECT_NEAR(dip.first, m + 0.0075, 0.0011) << "deepest halfway through the dip";
        EXPECT_NEAR(dip.second, -0.75, 3e-3) << "0.15 below the step, sampled every 0.001 cm";
        const auto rise = artefact(up, k);
        EXPECT_NEAR(at(rise, m - 0.01), 0, 1e-4);
        EXPECT_NEAR(at(rise, m + 0.01), 0.4, 1e-4) << "a step up without a dip";
        EXPECT_GT(lowest(rise, m + 0.006, m + 0.03).second, 0.4 - 1e-3);

        const auto two = artefact(drops, k);
        const auto outer = lowest(two, m - 0.009, m + 0.009);
        const auto inner = lowest(two, m - 0.039, m - 0.021);
        EXPECT_NEAR(outer.first, m, 0.0011) << "the true meniscus: the outer drop";
        EXPECT_NEAR(inner.first, m - 0.03, 0.0011) << "the reference sector's meniscus";
        EXPECT_NEAR(outer.second, -1.5, 1e-3);
        EXPECT_NEAR(inner.second, -1.5, 1e-3);
        EXPECT_GT(at(two, m - 0.015), -0.05 * 1.5) << "the signal recovers between the drops";
        EXPECT_NEAR(at(two, m - 0.05), 0, 1e-4);
        EXPECT_NEAR(at(two, m + 0.02), 0, 1e-4);
    }
}

// Each round scans the absorbance cell at both wavelengths in turn, a cell delay apart, and
// numbers the files on under one name; a later cell comes after both.
TEST(ScanFiles, WavelengthsInterleaveInOneCellsFiles)
{
    SimRun run = SmallRun();
    run.cells = { Cell(OpticalKind::Absorbance, 1), Cell(OpticalKind::Interference, 2) };
    run.absorbanceNoise = run.fringeNoise = 0;
    run.wavelengths = { { 280, 1.0 }, { 230, 2.0 } };
    run.scans = 3;
    RunSimulator simulator(run);
    EXPECT_EQ(simulator.FilesOf(0), 6);
    EXPECT_EQ(simulator.FilesOf(1), 3);
    EXPECT_EQ(simulator.TotalScans(), 9);
    const struct {
        const char* file;
        double seconds, nm;
    } expected[] = { { "00001.RA1", 600, 280 }, { "00002.RA1", 615, 230 }, { "00001.IP2", 630, 660 },
        { "00003.RA1", 780, 280 }, { "00004.RA1", 795, 230 }, { "00002.IP2", 810, 660 }, { "00005.RA1", 960, 280 },
        { "00006.RA1", 975, 230 }, { "00003.IP2", 990, 660 } };
    const std::vector<SimScan> scans = AllScans(run);
    ASSERT_EQ(scans.size(), std::size(expected));
    for (size_t k = 0; k < scans.size(); ++k) {
        SCOPED_TRACE(expected[k].file);
        EXPECT_EQ(scans[k].fileName, expected[k].file);
        BeckmanFile reader;
        ASSERT_GT(reader.ParseScanText(scans[k].fileName, scans[k].text, 0, 0), 0);
        EXPECT_EQ(reader.Header.RecordedTime, expected[k].seconds);
        EXPECT_EQ(reader.Header.Wavelength, expected[k].nm);
        EXPECT_EQ(scans[k].wavelengthNm, expected[k].nm);
        if (scans[k].cellIndex == 0) {
            // Each wavelength's signal is its own extinction times the concentration at that time.
            const std::vector<std::vector<double>> rows = DataOf(scans[k]);
            const double extinction = expected[k].nm == 230 ? 2.0 : 1.0;
            const std::vector<double> at = { rows[600][0] };
            const double clean = CleanSignal(run, 0, expected[k].seconds, at, scans[k].wavelengthIndex)[0];
            EXPECT_NEAR(clean, extinction * CleanSignal(run, 0, expected[k].seconds, at)[0], 1e-9);
            EXPECT_NEAR(rows[600][1], clean, 1e-4 * clean);
            EXPECT_GT(clean, 0.8 * extinction) << "the plateau near the loading, 0.9 mg/ml";
        }
    }
}

TEST(ScanFiles, ScanEdgesJitterWithinTheirBoundsBySeed)
{
    SimRun run = SmallRun();
    run.cells.resize(1); // absorbance, radii 5.8 ... 7.2 every 0.002 cm
    run.scans = 30;
    run.intervalSeconds = 30;
    run.scanEdgeJitterCm = 0.003;
    std::set<double> firsts;
    const std::vector<SimScan> scans = AllScans(run);
    for (const SimScan& scan : scans) {
        SCOPED_TRACE(scan.fileName);
        BeckmanFile reader;
        ASSERT_GT(reader.ParseScanText(scan.fileName, scan.text, 0, 0), 0);
        const size_t last = static_cast<size_t>(reader.NumberOfPoints - 1);
        EXPECT_TRUE(RadiiUsableAsGrid(reader.Radius.data(), reader.NumberOfPoints));
        EXPECT_GE(reader.Radius[0], 5.797 - 1e-9);
        EXPECT_LE(reader.Radius[0], 5.803 + 1e-9);
        EXPECT_GE(reader.Radius[last], 7.2 - 0.003 - 0.002 - 1e-9) << "the step may stop short of the end";
        EXPECT_LE(reader.Radius[last], 7.2 + 1e-9) << "never beyond the bottom";
        firsts.insert(reader.Radius[0]);
    }
    EXPECT_GT(firsts.size(), 15u) << "scans start at different radii";
    EXPECT_EQ(AllScans(run)[7].text, scans[7].text) << "the same seed gives the same scans";
    run.seed = 2;
    EXPECT_NE(AllScans(run)[7].text.substr(0, 200), scans[7].text.substr(0, 200));
    run.scanEdgeJitterCm = 0;
    for (const SimScan& scan : AllScans(run))
        EXPECT_EQ(DataOf(scan)[0][0], 5.8);
}

TEST(SimulatedRun, DiffusionFromMolecularWeight)
{
    SimRun run;
    SimSpecies monomer; // 4.4 S, 66000 g/mol, vbar 0.73, in water at 20 C
    // D = s R T / (M (1 - vbar rho)) = 4.4e-13 * 8.314462618e7 * 293.15 / (66000 * (1 - 0.73 * 0.99823))
    EXPECT_NEAR(DiffusionOf(monomer, run) / 5.98957e-7, 1.0, 1e-5);
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
        { "absorbance ceiling", [](SimRun& r) { r.saturationOD = 0.5; },
            "the absorbance ceiling must be 0 (none) or at least 1 OD (got 0.5 OD)" },
        { "edge jitter", [](SimRun& r) { r.scanEdgeJitterCm = 0.1; },
            "the jitter of each scan's first and last radius must lie between 0 and 0.05 cm (got 0.1 cm)" },
        { "edge jitter below radius 0",
            [](SimRun& r) {
                r.radiusLowCm = 0.002;
                r.scanEdgeJitterCm = 0.003;
            },
            "cell RA1: the radial range from 0.002 cm to 7.2 cm leaves no room for a jitter of 0.003 cm at its ends" },
        { "meniscus artefact width",
            [](SimRun& r) {
                r.meniscusArtefact = true;
                r.meniscusArtefactWidthCm = 0;
            },
            "the meniscus artefact must be between 0 and 0.2 cm wide (got 0 cm)" },
        { "second drop within the first",
            [](SimRun& r) {
                r.meniscusArtefact = true;
                r.interferenceMeniscus = InterferenceMeniscus::TwoDrops;
                r.secondDropOffsetCm = 0.01;
            },
            "the second drop must lie between the artefact's width (0.02 cm) and 0.2 cm from the meniscus (got 0.01 "
            "cm)" },
        { "dip width",
            [](SimRun& r) {
                r.meniscusArtefact = true;
                r.interferenceMeniscus = InterferenceMeniscus::Step;
                r.meniscusDipWidthCm = 0;
            },
            "the dip after the interference step must be between 0 and 0.1 cm wide (got 0 cm)" },
        { "wavelength twice",
            [](SimRun& r) {
                r.wavelengths = { { 280, 1 }, { 230, 2 }, { 280, 1 } };
            },
            "the wavelength 280 nm is given twice" },
        { "wavelengths longer than a round",
            [](SimRun& r) {
                r.wavelengths = { { 280, 1 }, { 230, 2 }, { 260, 1 } };
                r.cellDelaySeconds = 90;
            },
            "the 3 wavelengths of a round are scanned one cell delay (90 s) apart: it must be positive and the round "
            "shorter than the interval (180 s)" },
        { "too many files",
            [](SimRun& r) {
                r.wavelengths = { { 280, 1 }, { 230, 2 } };
                r.scans = 5000;
            },
            "5000 rounds at 2 wavelengths are more than the 9999 files a cell's names can number" },
    };
    SimRun base = SmallRun();
    base.cells.resize(1);
    ASSERT_EQ(ValidateRun(base), "");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimRun run = base;
        c.change(run);
        EXPECT_EQ(ValidateRun(run), c.message);
    }
    base.scans = 0;
    EXPECT_THROW(RunSimulator { base }, std::invalid_argument);
    base.scans = 3;
    // A fluorescence scan may hold more lines than an absorbance one.
    SimRun fine = base;
    fine.cells[0].kind = OpticalKind::Fluorescence;
    fine.stepCm = 0.0005;
    EXPECT_EQ(ValidateRun(fine), "");
    EXPECT_EQ(ValidateRun(DemoRun()), "");
}
