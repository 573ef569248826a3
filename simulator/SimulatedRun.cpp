#include "simulator/SimulatedRun.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <random>
#include <stdexcept>

#include "simulator/LammSolver.h"
#include "simulator/RotorSchedule.h"

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

std::vector<double> RadiiFor(const SimRun& run, const SimCell& cell)
{
    std::vector<double> radii;
    const double step = StepOf(run, cell);
    const double high = RadiusHighOf(run, cell);
    for (int64_t i = 0;; ++i) {
        const double r = std::round((run.radiusLowCm + static_cast<double>(i) * step) * 10000) / 10000;
        if (r > high + 1e-9 || radii.size() > static_cast<size_t>(MaxLinesFluorescence))
            break;
        radii.push_back(r);
    }
    return radii;
}

int32_t LineLimit(OpticalKind kind)
{
    return kind == OpticalKind::Fluorescence ? MaxLinesFluorescence : MaxLinesAbsorbance;
}

// Signal units per mg/ml; intensity cells are formed from absorbance.
double SignalPerMgMl(const SimRun& run, OpticalKind kind)
{
    switch (kind) {
    case OpticalKind::Interference:
        return run.fringesPerMgMl;
    case OpticalKind::Fluorescence:
        return run.fluorescencePerMgMl;
    default:
        return run.extinctionPerMgMl;
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

// Gaussian deviates by Box-Muller over a 64-bit Mersenne Twister: the same seed gives the
// same numbers with every standard library.
class Gaussian {
public:
    // One stream per seed and cell, so adding a cell leaves the noise of the others as it was.
    Gaussian(uint64_t seed, uint64_t stream)
    {
        std::seed_seq seq { static_cast<uint32_t>(seed), static_cast<uint32_t>(seed >> 32),
            static_cast<uint32_t>(stream), 0x4d6f7256u };
        engine_.seed(seq);
    }
    double Uniform() { return (static_cast<double>(engine_() >> 11) + 0.5) * 0x1.0p-53; }
    double Next()
    {
        if (hasSpare_) {
            hasSpare_ = false;
            return spare_;
        }
        const double u = Uniform();
        const double v = Uniform();
        const double radius = std::sqrt(-2 * std::log(u));
        spare_ = radius * std::sin(2 * M_PI * v);
        hasSpare_ = true;
        return radius * std::cos(2 * M_PI * v);
    }

private:
    std::mt19937_64 engine_;
    bool hasSpare_ = false;
    double spare_ = 0;
};

bool Invalid(double x) { return !std::isfinite(x); }

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
        const double lines = std::floor((high - run.radiusLowCm) / step + 1e-9) + 1;
        if (lines > LineLimit(cell.kind))
            return "cell " + name
                + Format(": %g data lines per scan, more than the reader takes (%g); use a larger step", lines,
                    static_cast<double>(LineLimit(cell.kind)));
    }
    return {};
}

std::vector<double> CleanSignal(const SimRun& run, int32_t cellIndex, double seconds, const std::vector<double>& radii)
{
    const SimCell& cell = run.cells.at(static_cast<size_t>(cellIndex));
    const RotorSchedule rotor = RotorOf(run);
    std::vector<LammSolver> solvers = SolversFor(run, cell, rotor);
    std::vector<double> signal(radii.size(), 0.0);
    for (LammSolver& s : solvers) {
        s.AdvanceTo(seconds);
        s.AddProfile(radii, SignalPerMgMl(run, cell.kind), signal);
    }
    return signal;
}

struct RunSimulator::CellState {
    CellState(const SimRun& run, const SimCell& cell, size_t index, const RotorSchedule& rotor)
        : solvers(SolversFor(run, cell, rotor))
        , radii(RadiiFor(run, cell))
        , meniscus(MeniscusOf(run, cell))
        , noise(run.seed, 2 * index)
        , artefacts(run.seed, 2 * index + 1)
    {
        // A fixed radial baseline: a few random waves, scaled to the requested SD.
        timeInvariant.assign(radii.size(), 0.0);
        if (run.timeInvariantNoiseSd > 0) {
            for (int wave = 0; wave < 6; ++wave) {
                const double k = 2 * M_PI * (2 + 40 * artefacts.Uniform());
                const double phase = 2 * M_PI * artefacts.Uniform();
                const double amplitude = artefacts.Next();
                for (size_t i = 0; i < radii.size(); ++i)
                    timeInvariant[i] += amplitude * std::sin(k * radii[i] + phase);
            }
            double sumSquares = 0;
            for (double v : timeInvariant)
                sumSquares += v * v;
            const double rms = std::sqrt(sumSquares / static_cast<double>(radii.size()));
            for (double& v : timeInvariant)
                v *= rms > 0 ? run.timeInvariantNoiseSd / rms : 0;
        }
    }

    std::vector<LammSolver> solvers;
    std::vector<double> radii;
    double meniscus;
    Gaussian noise; // point noise
    Gaussian artefacts; // interference offsets, jumps and baseline: a stream of their own, so a run
                        // with artefacts has the same point noise as the same run without
    std::vector<double> timeInvariant;
    int32_t scansDone = 0;
};

RunSimulator::RunSimulator(const SimRun& run)
    : run_(run)
{
    const std::string problem = ValidateRun(run_);
    if (!problem.empty())
        throw std::invalid_argument(problem);
    const RotorSchedule rotor = RotorOf(run_);
    for (size_t i = 0; i < run_.cells.size(); ++i)
        cells_.push_back(std::make_unique<CellState>(run_, run_.cells[i], i, rotor));
}

RunSimulator::~RunSimulator() = default;

int32_t RunSimulator::TotalScans() const { return run_.scans * static_cast<int32_t>(run_.cells.size()); }

const std::vector<double>& RunSimulator::RadiiOf(int32_t cellIndex) const
{
    return cells_.at(static_cast<size_t>(cellIndex))->radii;
}

double RunSimulator::NextScanSeconds() const
{
    double best = -1;
    for (size_t i = 0; i < cells_.size(); ++i) {
        if (cells_[i]->scansDone >= run_.scans)
            continue;
        const double t = run_.firstScanSeconds + cells_[i]->scansDone * run_.intervalSeconds
            + static_cast<double>(i) * run_.cellDelaySeconds;
        if (best < 0 || t < best)
            best = t;
    }
    return best;
}

bool RunSimulator::NextScan(SimScan& scan)
{
    // The cell whose next scan comes first; ties go to the cell listed first.
    int32_t which = -1;
    double when = 0;
    for (size_t i = 0; i < cells_.size(); ++i) {
        if (cells_[i]->scansDone >= run_.scans)
            continue;
        const double t = run_.firstScanSeconds + cells_[i]->scansDone * run_.intervalSeconds
            + static_cast<double>(i) * run_.cellDelaySeconds;
        if (which < 0 || t < when) {
            which = static_cast<int32_t>(i);
            when = t;
        }
    }
    if (which < 0)
        return false;

    CellState& state = *cells_[static_cast<size_t>(which)];
    const SimCell& cell = run_.cells[static_cast<size_t>(which)];
    const RotorSchedule rotor = RotorOf(run_);
    const size_t n = state.radii.size();

    std::vector<double> signal(n, 0.0);
    for (LammSolver& s : state.solvers) {
        s.AdvanceTo(when);
        s.AddProfile(state.radii, SignalPerMgMl(run_, cell.kind), signal);
    }
    ++state.scansDone;
    ++produced_;

    char typeLetter = 'R';
    double wavelength = run_.wavelengthNm;
    std::string description = run_.description;
    if (cell.kind == OpticalKind::Interference) {
        typeLetter = 'P';
        wavelength = 660;
        // Read back as a word, a number with a comma, a word: the tag must be one word.
        std::string tag = run_.description;
        std::replace(tag.begin(), tag.end(), ' ', '_');
        description = "Interference 2.0, " + tag;
    } else if (cell.kind == OpticalKind::Fluorescence) {
        typeLetter = 'F';
        wavelength = 488;
        // The text before "Voltage:" describes the sample; the title of a g(s*) file is read after "Range:".
        description = run_.description + " Voltage: 600 Gain: 1 Range:1 " + run_.description;
    }

    std::string text = description + "\r\n";
    char line[256];
    std::snprintf(line, sizeof line, "%c %d %.1f %.0f %.0f %.5E %.0f %d\r\n", typeLetter, cell.cell, run_.temperatureC,
        std::round(rotor.RpmAt(when)), std::round(when), rotor.Omega2tAt(when), wavelength, 1);
    text += line;

    const bool jumps = cell.kind == OpticalKind::Interference && run_.fringeJumpProbability > 0;
    double offset = 0;
    double jump = 0;
    if (cell.kind == OpticalKind::Interference) {
        if (run_.baselineOffsetSd > 0)
            offset = run_.baselineOffsetSd * state.artefacts.Next();
        if (jumps && state.artefacts.Uniform() < run_.fringeJumpProbability)
            jump = state.artefacts.Uniform() < 0.5 ? -1 : 1;
    }
    const double mid = 0.5 * (state.radii.front() + state.radii.back());
    const double half = std::max(0.5 * (state.radii.back() - state.radii.front()), 1e-6);
    for (size_t i = 0; i < n; ++i) {
        const double r = state.radii[i];
        switch (cell.kind) {
        case OpticalKind::Absorbance: {
            const double a = signal[i] + run_.absorbanceNoise * state.noise.Next();
            std::snprintf(line, sizeof line, "%9.4f %11.5f %11.5f\r\n", r, a, run_.absorbanceNoise);
            break;
        }
        case OpticalKind::Interference: {
            double f = signal[i] + state.timeInvariant[i] + offset + run_.fringeNoise * state.noise.Next();
            if (r >= state.meniscus)
                f += jump; // the fringe count slipped at the meniscus
            std::snprintf(line, sizeof line, "%9.4f %11.5f\r\n", r, f);
            break;
        }
        case OpticalKind::Intensity: {
            // I1 the reference beam, I2 the sample: log10(I1 / I2) is the absorbance.
            const double u = (r - mid) / half;
            const double lamp = LampIntensity * (1 - 0.1 * u * u);
            // The detector reads no less than its floor, so an opaque region gives a large but
            // finite absorbance, never a division by zero.
            const double i1 = std::max(lamp * (1 + run_.intensityNoise * state.noise.Next()), DetectorFloor);
            const double i2 = std::max(
                lamp * std::pow(10.0, -signal[i]) * (1 + run_.intensityNoise * state.noise.Next()), DetectorFloor);
            std::snprintf(line, sizeof line, "%9.4f %11.3f %11.3f\r\n", r, i1, i2);
            break;
        }
        case OpticalKind::Fluorescence: {
            const double f = signal[i] + run_.fluorescenceNoise * state.noise.Next();
            std::snprintf(line, sizeof line, "%9.4f %11.3f %11.3f\r\n", r, f, run_.fluorescenceNoise);
            break;
        }
        }
        text += line;
    }

    char name[32];
    std::snprintf(
        name, sizeof name, "%c%04d.%s%d", cell.channelLetter, state.scansDone, KindCode(cell.kind), cell.cell);
    scan.fileName = name;
    scan.text = std::move(text);
    scan.seconds = when;
    scan.cellIndex = which;
    scan.scanNumber = state.scansDone;
    return true;
}
