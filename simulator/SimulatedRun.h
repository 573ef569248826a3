#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace morvane {

// Optical systems the simulated instrument writes, by their file-name code.
enum class OpticalKind { Absorbance, Interference, Intensity, Fluorescence }; // "RA", "IP", "RI", "FI"

const char* KindCode(OpticalKind kind);

// A sedimenting species of the sample. D is either given or derived from the molecular weight
// by the Svedberg equation D = s R T / (M (1 - vbar rho)).
struct SimSpecies {
    double sSvedberg = 4.4;
    bool diffusionGiven = false; // false: derive D from molecularWeight
    double diffusionCm2s = 0; // cm^2/s, when diffusionGiven
    double molecularWeight = 66000; // g/mol, when not diffusionGiven
    double vbar = 0.73; // partial specific volume, ml/g
    double loadingMgPerMl = 1.0; // loading concentration
};

// A wavelength at which absorbance (and intensity) cells are scanned, with the sample's
// absorbance per mg/ml there.
struct SimWavelength {
    double nm = 280;
    double extinctionPerMgMl = 1.0;
};

// The shape of the meniscus artefact of interference scans (absorbance always shows a spike).
// Where the true meniscus lies in each is said at SimRun::interferenceMeniscus.
enum class InterferenceMeniscus { Drop, Step, TwoDrops };

// One cell with one optical system; two kinds in the same cell are two SimCells.
struct SimCell {
    OpticalKind kind = OpticalKind::Absorbance;
    int32_t cell = 1; // 1 ... 8
    char channelLetter = '0';
    double loadingFactor = 1; // multiplies every species' loading (a dilution series)
    double meniscusCm = -1; // < 0: the run's meniscus
    double bottomCm = -1; // < 0: the run's bottom
};

// Everything a simulated run needs. Defaults make a typical protein run.
struct SimRun {
    std::vector<SimSpecies> species;
    std::vector<SimCell> cells;

    double rpm = 50000;
    double accelerationRpmPerSecond = 300;
    double secondRpm = 0; // > 0: change speed at secondSpeedAtSeconds
    double secondSpeedAtSeconds = 0;

    int32_t scans = 60; // per cell
    double firstScanSeconds = 600;
    double intervalSeconds = 180;
    double cellDelaySeconds = 15; // each further cell of a scan round is read this much later

    double meniscusCm = 5.9;
    double bottomCm = 7.2;
    double radiusLowCm = 5.8; // first radius written
    double radiusHighCm = -1; // last radius written; < 0: the bottom
    double stepCm = -1; // < 0: 0.002 for absorbance, intensity, fluorescence; 0.001 interference

    double temperatureC = 20;
    double solventDensity = 0.99823; // g/ml, water at 20 C
    double wavelengthNm = 280; // absorbance and intensity
    // Absorbance and intensity cells scanned at several wavelengths: each round scans such a cell
    // at every wavelength in turn, each a further cellDelaySeconds later (as a further cell would
    // be), and numbers the files of the cell on under its one channel mask: 00001.RA1 at the first
    // wavelength, 00002.RA1 at the second, 00003.RA1 at the first again, ... Each file's header
    // holds its own wavelength and time, its signal the extinction given here; `scans` counts
    // rounds, so such a cell writes scans times the number of wavelengths files. Cells scanned
    // after it in a round come correspondingly later. Empty: wavelengthNm with extinctionPerMgMl.
    std::vector<SimWavelength> wavelengths;

    double extinctionPerMgMl = 1.0; // absorbance (OD) per mg/ml
    double fringesPerMgMl = 3.33; // interference fringes per mg/ml (12 mm path)
    double fluorescencePerMgMl = 1000; // fluorescence counts per mg/ml

    // Gaussian noise, standard deviations: OD, fringes, relative intensity, counts.
    double absorbanceNoise = 0.005;
    double fringeNoise = 0.005;
    double intensityNoise = 0.005;
    double fluorescenceNoise = 5;
    // Interference artefacts: per-scan baseline offset (SD, fringes), probability per scan of
    // a whole-fringe jump of the solution column against the air above it, and a radial
    // baseline pattern that is the same in every scan (SD, fringes).
    double baselineOffsetSd = 0;
    double fringeJumpProbability = 0;
    double timeInvariantNoiseSd = 0;
    uint64_t seed = 1;

    // What real scans show besides the solution. Absorbance above saturationOD - 0.5 bends over
    // toward saturationOD, as a detector starved of light reads, and grows noisier up to 20 times
    // the absorbance noise there; 0: no ceiling.
    double saturationOD = 3;
    // An artefact at the meniscus, meniscusArtefactWidthCm wide: a sharp spike of meniscusSpikeOD
    // in absorbance (and intensity) scans, a steep drop of meniscusDropFringes in interference
    // scans. Time-invariant, like the optics that cause it.
    bool meniscusArtefact = false;
    double meniscusArtefactWidthCm = 0.02;
    double meniscusSpikeOD = 0.8;
    double meniscusDropFringes = 1.5;
    // The interference artefact's shape. Drop: the drop above, centred on the meniscus. Step: the
    // baseline steps by meniscusStepFringes (negative: down) across the meniscus, which lies where
    // half the step is reached (the edge a few thousandths of a cm wide), then dips by
    // meniscusDipFringes below the stepped level over the meniscusDipWidthCm after the meniscus
    // (deepest halfway), as real interference runs show; the solution's rise follows. TwoDrops:
    // the drop above, centred on the meniscus, and a second one of secondDropFringes centred
    // secondDropOffsetCm from it: by default 0.03 cm inward, the reference sector's meniscus,
    // since the reference is filled slightly fuller so that its meniscus lies inward of the
    // sample's. The true meniscus is the sample's: the outer drop by default (the inner one when
    // the offset is positive), the one the solution's boundary leaves.
    InterferenceMeniscus interferenceMeniscus = InterferenceMeniscus::Drop;
    double meniscusStepFringes = -0.6;
    double meniscusDipFringes = 0.15; // 0: a step without a dip
    double meniscusDipWidthCm = 0.015;
    double secondDropOffsetCm = -0.03;
    double secondDropFringes = 1.5;
    // Each scan starts and ends at radii moved by up to this much (uniform, seeded; the end never
    // beyond the bottom), so its radii differ from those of the other scans; 0: all scans alike.
    double scanEdgeJitterCm = 0;

    std::string description = "Simulated sample";
};

// The demo run: monomer 4.4 S (66 kDa) and dimer 6.8 S (132 kDa), 80/20 of 1 mg/ml, at 50000 rpm;
// absorbance in cell 1 and the same sample in interference in cell 2, with the artefacts of a
// real run (interference offsets and fringe jumps, the meniscus artefact, scans that start and
// end at slightly different radii, absorbance saturation); 60 scans from 600 s every 180 s
// (about 3.1 hours).
SimRun DemoRun();

// What is impossible about a run, in words; empty when the run can be simulated.
std::string ValidateRun(const SimRun& run);

// D of a species in cm^2/s (given, or by the Svedberg equation at the run's temperature and density).
double DiffusionOf(const SimSpecies& species, const SimRun& run);

// The noise-free signal of a cell at a time on the given radii, in the cell's signal unit
// (OD, fringes, counts; absorbance for intensity cells), without any artefact, at the cell's
// wavelengthIndex-th wavelength (see SimRun::wavelengths). Solves afresh.
std::vector<double> CleanSignal(const SimRun& run, int32_t cellIndex, double seconds, const std::vector<double>& radii,
    int32_t wavelengthIndex = 0);

// One scan file as the instrument writes it.
struct SimScan {
    std::string fileName; // channel letter, four-digit scan number, extension: "00001.RA1"
    std::string text; // the whole file, CR LF line ends
    double seconds = 0; // elapsed time of the scan
    int32_t cellIndex = 0; // index into SimRun::cells
    int32_t scanNumber = 0; // 1-based, per cell: the number in the file name
    double wavelengthNm = 0; // as the header says
    int32_t wavelengthIndex = 0; // into the cell's wavelengths (0 when it has one)
};

// Produces the scans of a run in time order. Construction throws std::invalid_argument with
// ValidateRun's text when the run is impossible.
class RunSimulator {
public:
    explicit RunSimulator(const SimRun& run);
    ~RunSimulator();
    RunSimulator(const RunSimulator&) = delete;
    RunSimulator& operator=(const RunSimulator&) = delete;

    int32_t TotalScans() const;
    // The next scan in time order; false when all have been produced.
    bool NextScan(SimScan& scan);
    // Time of the scan NextScan would give; negative when none is left.
    double NextScanSeconds() const;

    // Files written for a cell: scans times its number of wavelengths.
    int32_t FilesOf(int32_t cellIndex) const;
    // Radii written for a cell, cm (each scan moves its first and last one when scanEdgeJitterCm > 0).
    const std::vector<double>& RadiiOf(int32_t cellIndex) const;

private:
    struct CellState;
    SimRun run_;
    std::vector<std::unique_ptr<CellState>> cells_;
    int32_t produced_ = 0;

    // The cell whose next file comes first (ties to the cell listed first) and its time; -1 when
    // all are written.
    int32_t NextCell(double& when) const;
};

} // namespace morvane
