#include "simulator/SimulatedRun.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <stdexcept>

#include "scanfiles/ScanText.h"
#include "simulator/LammSolver.h"
#include "simulator/RotorSchedule.h"
#include "simulator/ScanArtefacts.h"
#include "simulator/SeededGaussian.h"
#include "simulator/Wavelengths.h"

namespace morvane {

namespace {

constexpr double GasConstant = 8.314462618e7; // erg / (mol K)
constexpr double MaxRpm = 60000;
constexpr int32_t MaxLinesAbsorbance = 2048; // the reader takes no more data lines of RA, RI, IP
constexpr int32_t MaxLinesFluorescence = 10000;
constexpr double LampIntensity = 1000; // intensity of the clear beam at mid-cell
constexpr double DetectorFloor = 0.001; // least intensity written (three decimals)

__attribute__((format(printf, 1, 2))) std::string Format(const char* fmt, ...)
{
    char buf[256];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    return buf;
}

std::string CellName(const SimCell& cell) { return std::string(KindCode(cell.kind)) + std::to_string(cell.cell); }

double MeniscusOf(const SimRun& run, const SimCell& cell)
{
    return cell.meniscusCm >= 0 ? cell.meniscusCm : run.meniscusCm;
}
double BottomOf(const SimRun& run, const SimCell& cell) { return cell.bottomCm >= 0 ? cell.bottomCm : run.bottomCm; }

double StepOf(const SimRun& run, const SimCell& cell)
{
    if (run.stepCm > 0)
        return run.stepCm;
    return cell.kind == OpticalKind::Interference ? 0.001 : 0.002;
}

double RadiusHighOf(const SimRun& run, const SimCell& cell)
{
    return run.radiusHighCm >= 0 ? run.radiusHighCm : BottomOf(run, cell);
}

// Radii from low to high (cm) in steps, with four decimals as the instrument writes them.
std::vector<double> RadiiBetween(double low, double high, double step)
{
    std::vector<double> radii;
    for (int64_t i = 0;; ++i) {
        const double r = std::round((low + static_cast<double>(i) * step) * 10000) / 10000;
        if (r > high + 1e-9 || radii.size() > static_cast<size_t>(MaxLinesFluorescence))
            break;
        radii.push_back(r);
    }
    return radii;
}

std::vector<double> RadiiFor(const SimRun& run, const SimCell& cell)
{
    return RadiiBetween(run.radiusLowCm, RadiusHighOf(run, cell), StepOf(run, cell));
}

int32_t LineLimit(OpticalKind kind)
{
    return kind == OpticalKind::Fluorescence ? MaxLinesFluorescence : MaxLinesAbsorbance;
}

// Signal units per mg/ml at the cell's wavelength-th wavelength; intensity cells are formed from absorbance.
double SignalPerMgMl(const SimRun& run, OpticalKind kind, int32_t wavelength)
{
    switch (kind) {
    case OpticalKind::Interference:
        return run.fringesPerMgMl;
    case OpticalKind::Fluorescence:
        return run.fluorescencePerMgMl;
    default:
        return run.wavelengths.empty() ? run.extinctionPerMgMl
                                       : run.wavelengths.at(static_cast<size_t>(wavelength)).extinctionPerMgMl;
    }
}

RotorSchedule RotorOf(const SimRun& run)
{
    RotorSchedule rotor(run.rpm, run.accelerationRpmPerSecond);
    if (run.secondRpm > 0)
        rotor.SetSpeedChange(run.secondSpeedAtSeconds, run.secondRpm);
    return rotor;
}

std::vector<LammSolver> SolversFor(const SimRun& run, const SimCell& cell, const RotorSchedule& rotor)
{
    std::vector<LammSolver> solvers;
    for (const SimSpecies& sp : run.species) {
        LammSpecies species;
        species.sSvedberg = sp.sSvedberg;
        species.diffusionCm2s = DiffusionOf(sp, run);
        species.loading = sp.loadingMgPerMl * cell.loadingFactor;
        solvers.emplace_back(species, MeniscusOf(run, cell), BottomOf(run, cell), rotor);
    }
    return solvers;
}

bool Invalid(double x) { return !std::isfinite(x); }

char TypeLetterOf(OpticalKind kind)
{
    switch (kind) {
    case OpticalKind::Interference:
        return 'P';
    case OpticalKind::Fluorescence:
        return 'F';
    default:
        return 'R';
    }
}

double WavelengthOf(const SimRun& run, OpticalKind kind, int32_t wavelength)
{
    switch (kind) {
    case OpticalKind::Interference:
        return 660;
    case OpticalKind::Fluorescence:
        return 488;
    default:
        return run.wavelengths.empty() ? run.wavelengthNm : run.wavelengths.at(static_cast<size_t>(wavelength)).nm;
    }
}

std::string DescriptionOf(const SimRun& run, OpticalKind kind)
{
    if (kind == OpticalKind::Interference) {
        // Read back as a word, a number with a comma, a word: the tag must be one word.
        std::string tag = run.description;
        std::replace(tag.begin(), tag.end(), ' ', '_');
        return "Interference 2.0, " + tag;
    }
    if (kind == OpticalKind::Fluorescence) {
        // The text before "Voltage:" describes the sample; the title of a g(s*) file is read after "Range:".
        return run.description + " Voltage: 600 Gain: 1 Range:1 " + run.description;
    }
    return run.description;
}

} // namespace

const char* KindCode(OpticalKind kind)
{
    switch (kind) {
    case OpticalKind::Absorbance:
        return "RA";
    case OpticalKind::Interference:
        return "IP";
    case OpticalKind::Intensity:
        return "RI";
    case OpticalKind::Fluorescence:
        return "FI";
    }
    return "RA";
}

SimRun DemoRun()
{
    SimRun run;
    SimSpecies monomer;
    monomer.sSvedberg = 4.4;
    monomer.molecularWeight = 66000;
    monomer.loadingMgPerMl = 0.8;
    SimSpecies dimer = monomer;
    dimer.sSvedberg = 6.8;
    dimer.molecularWeight = 132000;
    dimer.loadingMgPerMl = 0.2;
    run.species = { monomer, dimer };
    SimCell absorbance;
    absorbance.kind = OpticalKind::Absorbance;
    absorbance.cell = 1;
    SimCell interference;
    interference.kind = OpticalKind::Interference;
    interference.cell = 2;
    run.cells = { absorbance, interference };
    run.baselineOffsetSd = 0.3;
    run.fringeJumpProbability = 0.1;
    run.meniscusArtefact = true;
    run.scanEdgeJitterCm = 0.003;
    run.description = "BSA-demo";
    return run;
}

double DiffusionOf(const SimSpecies& species, const SimRun& run)
{
    if (species.diffusionGiven)
        return species.diffusionCm2s;
    const double buoyancy = 1 - species.vbar * run.solventDensity;
    return species.sSvedberg * 1e-13 * GasConstant * (run.temperatureC + 273.15) / (species.molecularWeight * buoyancy);
}

std::string ValidateRun(const SimRun& run)
{
    if (run.species.empty())
        return "no species: give at least one species";
    if (run.cells.empty())
        return "no cells: give at least one cell";
    if (run.scans < 1)
        return "no scans: the number of scans must be at least 1";
    if (run.scans > 9999)
        return "file names hold four digits of scan number after the channel letter: at most 9999 scans per cell";
    if (Invalid(run.rpm) || run.rpm <= 0)
        return Format("the rotor speed must be positive (got %g rpm)", run.rpm);
    if (run.rpm > MaxRpm)
        return Format("the rotor speed %g rpm is above the instrument's limit of %g rpm", run.rpm, MaxRpm);
    if (Invalid(run.accelerationRpmPerSecond) || run.accelerationRpmPerSecond <= 0)
        return Format("the acceleration must be positive (got %g rpm/s)", run.accelerationRpmPerSecond);
    if (Invalid(run.secondRpm) || run.secondRpm < 0 || run.secondRpm > MaxRpm)
        return Format("the second speed must lie between 0 and %g rpm (got %g rpm)", MaxRpm, run.secondRpm);
    if (run.secondRpm > 0 && (Invalid(run.secondSpeedAtSeconds) || run.secondSpeedAtSeconds <= 0))
        return Format("the second speed must begin after the start of the run (got %g s)", run.secondSpeedAtSeconds);
    if (Invalid(run.firstScanSeconds) || run.firstScanSeconds <= 0)
        return Format("the first scan must come after the rotor has started (got %g s)", run.firstScanSeconds);
    if (run.scans > 1 && (Invalid(run.intervalSeconds) || run.intervalSeconds <= 0))
        return Format("the interval between scans must be positive (got %g s)", run.intervalSeconds);
    if (Invalid(run.cellDelaySeconds) || run.cellDelaySeconds < 0)
        return Format("the delay between cells must not be negative (got %g s)", run.cellDelaySeconds);
    if (Invalid(run.temperatureC) || run.temperatureC < 0 || run.temperatureC > 40)
        return Format("the temperature must lie between 0 and 40 C (got %g C)", run.temperatureC);
    if (Invalid(run.solventDensity) || run.solventDensity <= 0)
        return Format("the solvent density must be positive (got %g g/ml)", run.solventDensity);
    if (Invalid(run.wavelengthNm) || run.wavelengthNm <= 0)
        return Format("the wavelength must be positive (got %g nm)", run.wavelengthNm);
    if (std::string wavelengths = WavelengthProblem(run); !wavelengths.empty())
        return wavelengths;
    if (Invalid(run.extinctionPerMgMl) || run.extinctionPerMgMl < 0 || Invalid(run.fringesPerMgMl)
        || run.fringesPerMgMl < 0 || Invalid(run.fluorescencePerMgMl) || run.fluorescencePerMgMl < 0)
        return "the signal per mg/ml of an optical system must not be negative";
    const double noises[] = { run.absorbanceNoise, run.fringeNoise, run.intensityNoise, run.fluorescenceNoise,
        run.baselineOffsetSd, run.timeInvariantNoiseSd };
    for (double n : noises)
        if (Invalid(n) || n < 0)
            return Format("a noise level must not be negative (got %g)", n);
    if (run.intensityNoise >= 0.2)
        return Format("the intensity noise (%g, relative) must be below 0.2", run.intensityNoise);
    if (Invalid(run.fringeJumpProbability) || run.fringeJumpProbability < 0 || run.fringeJumpProbability > 1)
        return Format("the fringe-jump probability must lie between 0 and 1 (got %g)", run.fringeJumpProbability);
    if (Invalid(run.meniscusCm) || run.meniscusCm <= 0)
        return Format("the meniscus must lie at a positive radius (got %g cm)", run.meniscusCm);
    if (Invalid(run.stepCm))
        return "the radial step is not a number";
    if (Invalid(run.saturationOD) || (run.saturationOD != 0 && run.saturationOD < 1))
        return Format("the absorbance ceiling must be 0 (none) or at least 1 OD (got %g OD)", run.saturationOD);
    if (Invalid(run.scanEdgeJitterCm) || run.scanEdgeJitterCm < 0 || run.scanEdgeJitterCm > 0.05)
        return Format("the jitter of each scan's first and last radius must lie between 0 and 0.05 cm (got %g cm)",
            run.scanEdgeJitterCm);
    if (std::string artefact = MeniscusArtefactProblem(run); !artefact.empty())
        return artefact;

    for (size_t i = 0; i < run.species.size(); ++i) {
        const SimSpecies& sp = run.species[i];
        const std::string which = "species " + std::to_string(i + 1) + ": ";
        if (Invalid(sp.sSvedberg) || sp.sSvedberg < 0)
            return which + Format("the sedimentation coefficient must not be negative (s = %g S)", sp.sSvedberg);
        if (sp.diffusionGiven && (Invalid(sp.diffusionCm2s) || sp.diffusionCm2s < 0))
            return which + Format("the diffusion coefficient must not be negative (D = %g cm^2/s)", sp.diffusionCm2s);
        if (!sp.diffusionGiven) {
            if (Invalid(sp.molecularWeight) || sp.molecularWeight <= 0)
                return which + Format("the molecular weight must be positive (M = %g g/mol)", sp.molecularWeight);
            if (Invalid(sp.vbar) || sp.vbar <= 0)
                return which + Format("the partial specific volume must be positive (vbar = %g ml/g)", sp.vbar);
            if (sp.vbar * run.solventDensity >= 1)
                return which
                    + Format("vbar %g ml/g times the density %g g/ml is not below 1: such a particle does not sediment",
                        sp.vbar, run.solventDensity);
        }
        if (Invalid(sp.loadingMgPerMl) || sp.loadingMgPerMl < 0)
            return which + Format("the loading concentration must not be negative (c = %g mg/ml)", sp.loadingMgPerMl);
    }

    for (size_t i = 0; i < run.cells.size(); ++i) {
        const SimCell& cell = run.cells[i];
        const std::string name = CellName(cell);
        if (cell.cell < 1 || cell.cell > 8)
            return "cell " + std::to_string(cell.cell) + ": the cell number must lie between 1 and 8";
        if (std::string("0ABCD").find(cell.channelLetter) == std::string::npos)
            return "cell " + name + ": the channel letter must be one of 0, A, B, C, D";
        for (size_t j = 0; j < i; ++j)
            if (run.cells[j].kind == cell.kind && run.cells[j].cell == cell.cell
                && run.cells[j].channelLetter == cell.channelLetter)
                return "cell " + name + " is given twice";
        if (Invalid(cell.loadingFactor) || cell.loadingFactor < 0)
            return "cell " + name + Format(": the loading factor must not be negative (got %g)", cell.loadingFactor);
        const double meniscus = MeniscusOf(run, cell);
        const double bottom = BottomOf(run, cell);
        if (Invalid(meniscus) || meniscus <= 0)
            return "cell " + name + Format(": the meniscus must lie at a positive radius (got %g cm)", meniscus);
        if (Invalid(bottom) || bottom <= meniscus)
            return "cell " + name
                + Format(": the cell bottom (%g cm) must lie beyond the meniscus (%g cm)", bottom, meniscus);
        if (bottom - meniscus < 0.05)
            return "cell " + name
                + Format(": the column from meniscus to bottom is only %g cm long", bottom - meniscus);
        const double step = StepOf(run, cell);
        if (step <= 0 || step > 0.1)
            return Format("the radial step must lie between 0 and 0.1 cm (got %g cm)", step);
        const double high = RadiusHighOf(run, cell);
        if (Invalid(run.radiusLowCm) || Invalid(high) || run.radiusLowCm <= 0 || high <= run.radiusLowCm)
            return "cell " + name + Format(": the radial range from %g cm to %g cm is empty", run.radiusLowCm, high);
        if (high > bottom + 1e-9)
            return "cell " + name
                + Format(": the radial range ends at %g cm, beyond the cell bottom at %g cm", high, bottom);
        const double jitter = run.scanEdgeJitterCm;
        if (run.radiusLowCm - jitter <= 0 || high - run.radiusLowCm <= 2 * jitter)
            return "cell " + name
                + Format(": the radial range from %g cm to %g cm leaves no room for a jitter of %g cm at its ends",
                    run.radiusLowCm, high, jitter);
        const double lines = std::floor((high - run.radiusLowCm + 2 * jitter) / step + 1e-9) + 1;
        if (lines > LineLimit(cell.kind))
            return "cell " + name
                + Format(": %g data lines per scan, more than the reader takes (%g); use a larger step", lines,
                    static_cast<double>(LineLimit(cell.kind)));
    }
    return {};
}

std::vector<double> CleanSignal(
    const SimRun& run, int32_t cellIndex, double seconds, const std::vector<double>& radii, int32_t wavelengthIndex)
{
    const SimCell& cell = run.cells.at(static_cast<size_t>(cellIndex));
    const RotorSchedule rotor = RotorOf(run);
    std::vector<LammSolver> solvers = SolversFor(run, cell, rotor);
    std::vector<double> signal(radii.size(), 0.0);
    for (LammSolver& s : solvers) {
        s.AdvanceTo(seconds);
        s.AddProfile(radii, SignalPerMgMl(run, cell.kind, wavelengthIndex), signal);
    }
    return signal;
}

struct RunSimulator::CellState {
    CellState(const SimRun& run, const SimCell& cell, size_t index, const RotorSchedule& rotor)
        : solvers(SolversFor(run, cell, rotor))
        , radii(RadiiFor(run, cell))
        , meniscus(MeniscusOf(run, cell))
        , bottom(BottomOf(run, cell))
        , noise(run.seed, 2 * index)
        , artefacts(run.seed, 2 * index + 1)
        , edges(run.seed, EdgeStream + index)
    {
        // A fixed radial baseline: a few random waves, scaled to the requested SD.
        if (run.timeInvariantNoiseSd > 0) {
            for (int wave = 0; wave < 6; ++wave) {
                const double k = 2 * M_PI * (2 + 40 * artefacts.Uniform());
                const double phase = 2 * M_PI * artefacts.Uniform();
                waves.push_back({ k, phase, artefacts.Next() });
            }
            waveScale = 1;
            double sumSquares = 0;
            for (double r : radii)
                sumSquares += TimeInvariantAt(r) * TimeInvariantAt(r);
            const double rms = std::sqrt(sumSquares / static_cast<double>(radii.size()));
            waveScale = rms > 0 ? run.timeInvariantNoiseSd / rms : 0;
        }
    }

    double TimeInvariantAt(double r) const
    {
        double v = 0;
        for (const Wave& w : waves)
            v += w.amplitude * std::sin(w.k * r + w.phase);
        return v * waveScale;
    }

    // The radii of the next scan: the cell's, or with the first and last one moved.
    std::vector<double> ScanRadii(const SimRun& run, const SimCell& cell)
    {
        const double jitter = run.scanEdgeJitterCm;
        if (!(jitter > 0))
            return radii;
        const double low = run.radiusLowCm + jitter * (2 * edges.Uniform() - 1);
        const double high = std::min(RadiusHighOf(run, cell) + jitter * (2 * edges.Uniform() - 1), bottom);
        return RadiiBetween(low, high, StepOf(run, cell));
    }

    std::string DataLines(
        const SimRun& run, OpticalKind kind, const std::vector<double>& at, const std::vector<double>& signal);

    static constexpr uint64_t EdgeStream = 0x10000; // noise streams of the scans' edges: one per cell
    struct Wave {
        double k, phase, amplitude;
    };

    std::vector<LammSolver> solvers;
    std::vector<double> radii; // the cell's radii, cm
    double meniscus;
    double bottom;
    SeededGaussian noise; // point noise
    SeededGaussian artefacts; // interference offsets, jumps and baseline: a stream of their own, so a run
                              // with artefacts has the same point noise as the same run without
    SeededGaussian edges; // the scans' first and last radius
    std::vector<Wave> waves; // the time-invariant baseline
    double waveScale = 0;
    int32_t scansDone = 0; // files written
    int32_t wavelengthCount = 1; // files per round
    int32_t firstSlot = 0; // the cell's first scan of a round comes this many cell delays after the round's start
};

// The data lines of one scan of a cell at the radii `at`, from the clean signal there.
std::string RunSimulator::CellState::DataLines(
    const SimRun& run, OpticalKind kind, const std::vector<double>& at, const std::vector<double>& signal)
{
    double offset = 0;
    double jump = 0;
    if (kind == OpticalKind::Interference) {
        if (run.baselineOffsetSd > 0)
            offset = run.baselineOffsetSd * artefacts.Next();
        if (run.fringeJumpProbability > 0 && artefacts.Uniform() < run.fringeJumpProbability)
            jump = artefacts.Uniform() < 0.5 ? -1 : 1;
    }
    const double width = run.meniscusArtefactWidthCm;
    auto spike
        = [&](double r) { return run.meniscusArtefact ? MeniscusSpike(r, meniscus, width, run.meniscusSpikeOD) : 0.0; };
    auto drop = [&](double r) { return run.meniscusArtefact ? InterferenceMeniscusArtefact(run, meniscus, r) : 0.0; };
    // The lamp's profile is fixed in the cell: taken over the cell's radii, not the scan's.
    const double mid = 0.5 * (radii.front() + radii.back());
    const double half = std::max(0.5 * (radii.back() - radii.front()), 1e-6);
    std::string text;
    text.reserve(at.size() * 41);
    for (size_t i = 0; i < at.size(); ++i) {
        const double r = at[i];
        switch (kind) {
        case OpticalKind::Absorbance: {
            const double read = SaturatedAbsorbance(signal[i] + spike(r), run.saturationOD);
            const double sd = run.absorbanceNoise * SaturationNoiseFactor(read, run.saturationOD);
            AppendDataLine(text, r, read + sd * noise.Next(), sd);
            break;
        }
        case OpticalKind::Interference: {
            double f = signal[i] + TimeInvariantAt(r) + offset + run.fringeNoise * noise.Next();
            if (r >= meniscus)
                f += jump; // the fringe count slipped at the meniscus
            AppendDataLine(text, r, f + drop(r));
            break;
        }
        case OpticalKind::Intensity: {
            // I1 the reference beam, I2 the sample: log10(I1 / I2) is the absorbance.
            const double u = (r - mid) / half;
            const double lamp = LampIntensity * (1 - 0.1 * u * u);
            const double absorbance = signal[i] + spike(r);
            // The detector reads no less than its floor, so an opaque region gives a large but
            // finite absorbance, never a division by zero.
            const double i1 = std::max(lamp * (1 + run.intensityNoise * noise.Next()), DetectorFloor);
            const double i2
                = std::max(lamp * std::pow(10.0, -absorbance) * (1 + run.intensityNoise * noise.Next()), DetectorFloor);
            AppendDataLine(text, r, i1, i2);
            break;
        }
        case OpticalKind::Fluorescence:
            AppendDataLine(text, r, signal[i] + run.fluorescenceNoise * noise.Next(), run.fluorescenceNoise);
            break;
        }
    }
    return text;
}

RunSimulator::RunSimulator(const SimRun& run)
    : run_(run)
{
    const std::string problem = ValidateRun(run_);
    if (!problem.empty())
        throw std::invalid_argument(problem);
    const RotorSchedule rotor = RotorOf(run_);
    int32_t slot = 0;
    for (size_t i = 0; i < run_.cells.size(); ++i) {
        cells_.push_back(std::make_unique<CellState>(run_, run_.cells[i], i, rotor));
        cells_.back()->wavelengthCount = WavelengthCount(run_, run_.cells[i].kind);
        cells_.back()->firstSlot = slot;
        slot += cells_.back()->wavelengthCount;
    }
}

RunSimulator::~RunSimulator() = default;

int32_t RunSimulator::TotalScans() const
{
    int32_t total = 0;
    for (size_t i = 0; i < cells_.size(); ++i)
        total += FilesOf(static_cast<int32_t>(i));
    return total;
}

int32_t RunSimulator::FilesOf(int32_t cellIndex) const
{
    return run_.scans * cells_.at(static_cast<size_t>(cellIndex))->wavelengthCount;
}

const std::vector<double>& RunSimulator::RadiiOf(int32_t cellIndex) const
{
    return cells_.at(static_cast<size_t>(cellIndex))->radii;
}

int32_t RunSimulator::NextCell(double& when) const
{
    int32_t which = -1;
    for (size_t i = 0; i < cells_.size(); ++i) {
        const CellState& state = *cells_[i];
        if (state.scansDone >= FilesOf(static_cast<int32_t>(i)))
            continue;
        const int32_t round = state.scansDone / state.wavelengthCount;
        const int32_t slot = state.firstSlot + state.scansDone % state.wavelengthCount;
        const double t
            = run_.firstScanSeconds + round * run_.intervalSeconds + static_cast<double>(slot) * run_.cellDelaySeconds;
        if (which < 0 || t < when) {
            which = static_cast<int32_t>(i);
            when = t;
        }
    }
    return which;
}

double RunSimulator::NextScanSeconds() const
{
    double when = -1;
    return NextCell(when) < 0 ? -1 : when;
}

bool RunSimulator::NextScan(SimScan& scan)
{
    double when = 0;
    const int32_t which = NextCell(when);
    if (which < 0)
        return false;

    CellState& state = *cells_[static_cast<size_t>(which)];
    const SimCell& cell = run_.cells[static_cast<size_t>(which)];
    const RotorSchedule rotor = RotorOf(run_);
    const std::vector<double> radii = state.ScanRadii(run_, cell);
    const int32_t wavelength = state.scansDone % state.wavelengthCount;

    std::vector<double> signal(radii.size(), 0.0);
    for (LammSolver& s : state.solvers) {
        s.AdvanceTo(when);
        s.AddProfile(radii, SignalPerMgMl(run_, cell.kind, wavelength), signal);
    }
    ++state.scansDone;
    ++produced_;

    ScanHeader header;
    header.Cell = cell.cell;
    header.Temperature = run_.temperatureC;
    header.Rpm = std::round(rotor.RpmAt(when));
    header.RecordedTime = std::round(when);
    header.Omega2t = rotor.Omega2tAt(when);
    header.Wavelength = WavelengthOf(run_, cell.kind, wavelength);
    header.HeaderCount = 1;
    std::string text = DescriptionOf(run_, cell.kind) + "\r\n" + HeaderLineText(TypeLetterOf(cell.kind), header)
        + "\r\n" + state.DataLines(run_, cell.kind, radii, signal);

    char name[32];
    std::snprintf(
        name, sizeof name, "%c%04d.%s%d", cell.channelLetter, state.scansDone, KindCode(cell.kind), cell.cell);
    scan.fileName = name;
    scan.text = std::move(text);
    scan.seconds = when;
    scan.cellIndex = which;
    scan.scanNumber = state.scansDone;
    scan.wavelengthNm = header.Wavelength;
    scan.wavelengthIndex = wavelength;
    return true;
}

} // namespace morvane
