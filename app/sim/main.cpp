// morvane-sim: a simulated analytical ultracentrifuge. Solves the Lamm equation for the given
// species and writes the scan files of a run as the instrument does, all at once or, with
// --live, each when its time comes on a clock that may run faster than real time.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <CLI/CLI.hpp>

#include "MorvaneVersion.h"
#include "simulator/RunWriter.h"
#include "simulator/SimulatedRun.h"
#include "simulator/Wavelengths.h"

using namespace morvane;

namespace {

std::string CellList(const SimRun& run)
{
    std::string text;
    for (const SimCell& c : run.cells) {
        if (!text.empty())
            text += ", ";
        text += std::string(1, c.channelLetter) + "*." + KindCode(c.kind) + std::to_string(c.cell);
    }
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app { "Simulated analytical ultracentrifuge: writes a sedimentation-velocity run of scan files into "
                   "ROOT/XLIDATA/MMDDYY/NNNNNN/." };
    app.set_version_flag("--version", std::string(MORVANE_VERSION_TEXT));

    SimRun run;
    std::string root;
    bool demo = false;
    std::vector<std::string> speciesTexts;
    std::vector<std::string> cellTexts;
    std::string date;
    int32_t runNumber = 0;
    bool live = false;
    double speedup = 1;
    bool noNoise = false;
    bool splitWrites = false;
    double splitPauseSeconds = 2;
    bool quiet = false;
    std::string wavelengthsText;
    std::string ipMeniscusText;
    std::string fileTimesText = "written";

    app.add_option("ROOT", root, "root data directory (the run goes below ROOT/XLIDATA)")->required();
    app.add_flag("--demo", demo,
        "preset demo run: monomer 4.4 S (66 kDa) and dimer 6.8 S (132 kDa), 80/20 of 1 mg/ml, 50000 rpm, "
        "absorbance in cell 1 (RA1) and interference in cell 2 (IP2) with baseline offsets and fringe jumps, "
        "the meniscus artefact and scan edges jittered by 0.003 cm, 60 scans over about 3 hours; other options "
        "given change the preset");
    auto* speciesOpt = app.add_option("--species", speciesTexts,
                              "a species, repeatable: s=4.4,mw=66000[,vbar=0.73],c=0.8 or s=4.4,D=6e-7,c=0.8 (S, "
                              "g/mol, ml/g, cm^2/s, "
                              "mg/ml)")
                           ->allow_extra_args(false); // one value per --species, so ROOT may follow
    auto* cellOpt
        = app.add_option("--cell", cellTexts,
                 "a cell, repeatable: RA1, IP2, RI3, FI4, optionally with ,factor=F (loading factor) ,meniscus=CM "
                 ",bottom=CM ,letter=A (default: RA1)")
              ->allow_extra_args(false);
    auto* rpmOpt = app.add_option("--rpm", run.rpm, "rotor speed, rpm")->capture_default_str();
    auto* accelOpt = app.add_option("--accel", run.accelerationRpmPerSecond, "acceleration from rest, rpm/s")
                         ->capture_default_str();
    auto* secondRpmOpt = app.add_option("--second-rpm", run.secondRpm, "second speed, rpm (0: none)");
    auto* secondAtOpt = app.add_option("--second-at", run.secondSpeedAtSeconds, "time of the speed change, s");
    auto* scansOpt = app.add_option("--scans", run.scans, "scans per cell")->capture_default_str();
    auto* firstOpt
        = app.add_option("--first", run.firstScanSeconds, "time of the first scan, s")->capture_default_str();
    auto* intervalOpt
        = app.add_option("--interval", run.intervalSeconds, "time between scans of a cell, s")->capture_default_str();
    auto* delayOpt
        = app.add_option("--cell-delay", run.cellDelaySeconds, "each further cell is scanned this much later, s")
              ->capture_default_str();
    auto* meniscusOpt = app.add_option("--meniscus", run.meniscusCm, "meniscus, cm")->capture_default_str();
    auto* bottomOpt = app.add_option("--bottom", run.bottomCm, "cell bottom, cm")->capture_default_str();
    auto* lowOpt = app.add_option("--radius-low", run.radiusLowCm, "first radius written, cm")->capture_default_str();
    auto* highOpt = app.add_option("--radius-high", run.radiusHighCm, "last radius written, cm (default: the bottom)");
    auto* stepOpt = app.add_option("--step", run.stepCm, "radial step, cm (default 0.002; 0.001 for interference)");
    auto* tempOpt = app.add_option("--temperature", run.temperatureC, "temperature, C")->capture_default_str();
    auto* densityOpt = app.add_option("--density", run.solventDensity, "solvent density, g/ml")->capture_default_str();
    auto* wavelengthOpt
        = app.add_option("--wavelength", run.wavelengthNm, "absorbance wavelength, nm")->capture_default_str();
    auto* extinctionOpt
        = app.add_option("--extinction", run.extinctionPerMgMl, "absorbance per mg/ml")->capture_default_str();
    app.add_option("--wavelengths", wavelengthsText,
        "absorbance and intensity cells scanned at several wavelengths each round, e.g. 280,230:3.1 (nm, each "
        "optionally with its absorbance per mg/ml; without one, --extinction): the files of a cell alternate "
        "between the wavelengths under its one channel mask (00001.RA1 at 280 nm, 00002.RA1 at 230 nm, ...), each "
        "a cell delay after the one before; --scans counts rounds");
    auto* fringesOpt = app.add_option("--fringes-per-mg", run.fringesPerMgMl, "interference fringes per mg/ml")
                           ->capture_default_str();
    auto* fluorOpt = app.add_option("--fluorescence-per-mg", run.fluorescencePerMgMl, "fluorescence counts per mg/ml")
                         ->capture_default_str();
    auto* noiseRaOpt
        = app.add_option("--noise-ra", run.absorbanceNoise, "absorbance noise SD, OD")->capture_default_str();
    auto* noiseIpOpt
        = app.add_option("--noise-ip", run.fringeNoise, "interference noise SD, fringes")->capture_default_str();
    auto* noiseRiOpt
        = app.add_option("--noise-ri", run.intensityNoise, "intensity noise SD, relative")->capture_default_str();
    auto* noiseFiOpt
        = app.add_option("--noise-fi", run.fluorescenceNoise, "fluorescence noise SD, counts")->capture_default_str();
    app.add_flag("--no-noise", noNoise, "write noise-free scans");
    auto* offsetOpt = app.add_option(
        "--ip-offsets", run.baselineOffsetSd, "interference: SD of a per-scan baseline offset, fringes");
    auto* jumpOpt = app.add_option("--fringe-jumps", run.fringeJumpProbability,
        "interference: probability per scan of a whole-fringe jump at the meniscus");
    auto* tiOpt = app.add_option("--ti-noise", run.timeInvariantNoiseSd,
        "interference: SD of a radial baseline that is the same in every scan, fringes");
    auto* saturationOpt
        = app.add_option("--saturation", run.saturationOD,
                 "absorbance ceiling, OD: readings above it less 0.5 bend toward it and grow noisier (0: none)")
              ->capture_default_str();
    auto* meniscusArtefactOpt = app.add_flag("--meniscus-artefact,!--no-meniscus-artefact", run.meniscusArtefact,
        "a spike (absorbance) or a steep drop (interference) a few hundredths of a cm wide at the meniscus");
    auto* ipMeniscusOpt = app.add_option("--ip-meniscus", ipMeniscusText,
        "shape of the interference meniscus artefact (turns the artefact on): drop (centred on the meniscus), step "
        "(the baseline steps at the meniscus, then dips), two-drops (the meniscus and, --second-drop-at from it, the "
        "reference sector's meniscus)");
    auto* ipStepOpt = app.add_option("--ip-step", run.meniscusStepFringes,
                             "with --ip-meniscus step: the step at the meniscus, fringes (negative: down)")
                          ->capture_default_str();
    auto* ipDipOpt = app.add_option("--ip-dip", run.meniscusDipFringes,
                            "with --ip-meniscus step: depth of the dip just after the step, fringes (0: none)")
                         ->capture_default_str();
    auto* ipDipWidthOpt
        = app.add_option("--ip-dip-width", run.meniscusDipWidthCm, "with --ip-meniscus step: width of the dip, cm")
              ->capture_default_str();
    auto* secondAtDropOpt = app.add_option("--second-drop-at", run.secondDropOffsetCm,
                                   "with --ip-meniscus two-drops: the second drop's centre from the meniscus, cm "
                                   "(negative: inward, the meniscus being the outer drop)")
                                ->capture_default_str();
    auto* secondDropOpt = app.add_option("--second-drop", run.secondDropFringes,
                                 "with --ip-meniscus two-drops: depth of the second drop, fringes")
                              ->capture_default_str();
    auto* edgeJitterOpt = app.add_option("--edge-jitter", run.scanEdgeJitterCm,
        "each scan's first and last radius move by up to this much, cm (seeded; 0: none)");
    auto* seedOpt = app.add_option("--seed", run.seed, "noise seed")->capture_default_str();
    auto* descOpt = app.add_option("--description", run.description, "sample description written in each scan");
    app.add_option("--date", date, "date directory MMDDYY (default: today)");
    app.add_option("--run", runNumber, "run number (default: the next free one of that date)")
        ->check(CLI::Range(1, 999999));
    auto* liveOpt = app.add_flag("--live", live, "write each scan when its time comes");
    app.add_option("--file-times", fileTimesText,
           "the files' modification times once written: written (as written, now), copied (a run copied long after: "
           "each file at its scan's time, the newest 3 days ago), writing (a run still written: the newest file now, "
           "each older one earlier by the run time between them)")
        ->capture_default_str()
        ->excludes(liveOpt);
    app.add_option("--speedup", speedup, "with --live: how much faster than real time the clock runs")
        ->check([](const std::string& text) {
            char* end = nullptr;
            const double v = std::strtod(text.c_str(), &end);
            return (end != text.c_str() && *end == '\0' && v > 0 && v < 1e9) ? std::string()
                                                                             : "the speed-up must be a positive number";
        });
    app.add_flag("--split-writes", splitWrites,
           "with --live: write each file in two parts, first cut inside a data line halfway through, then after a "
           "pause the whole, as an instrument that is slow to write leaves it")
        ->needs(liveOpt);
    app.add_option("--split-pause", splitPauseSeconds, "the pause between the two parts, s of wall-clock time")
        ->capture_default_str()
        ->check(CLI::Range(0.0, 3600.0));
    app.add_flag("--quiet", quiet, "print only the run directory");

    CLI11_PARSE(app, argc, argv);

    if (demo) {
        // The preset first, then every option the user gave on top of it.
        SimRun preset = DemoRun();
        const SimRun given = run;
        auto take = [](CLI::Option* opt, auto& field, const auto& value) {
            if (opt->count() > 0)
                field = value;
        };
        take(rpmOpt, preset.rpm, given.rpm);
        take(accelOpt, preset.accelerationRpmPerSecond, given.accelerationRpmPerSecond);
        take(secondRpmOpt, preset.secondRpm, given.secondRpm);
        take(secondAtOpt, preset.secondSpeedAtSeconds, given.secondSpeedAtSeconds);
        take(scansOpt, preset.scans, given.scans);
        take(firstOpt, preset.firstScanSeconds, given.firstScanSeconds);
        take(intervalOpt, preset.intervalSeconds, given.intervalSeconds);
        take(delayOpt, preset.cellDelaySeconds, given.cellDelaySeconds);
        take(meniscusOpt, preset.meniscusCm, given.meniscusCm);
        take(bottomOpt, preset.bottomCm, given.bottomCm);
        take(lowOpt, preset.radiusLowCm, given.radiusLowCm);
        take(highOpt, preset.radiusHighCm, given.radiusHighCm);
        take(stepOpt, preset.stepCm, given.stepCm);
        take(tempOpt, preset.temperatureC, given.temperatureC);
        take(densityOpt, preset.solventDensity, given.solventDensity);
        take(wavelengthOpt, preset.wavelengthNm, given.wavelengthNm);
        take(extinctionOpt, preset.extinctionPerMgMl, given.extinctionPerMgMl);
        take(fringesOpt, preset.fringesPerMgMl, given.fringesPerMgMl);
        take(fluorOpt, preset.fluorescencePerMgMl, given.fluorescencePerMgMl);
        take(noiseRaOpt, preset.absorbanceNoise, given.absorbanceNoise);
        take(noiseIpOpt, preset.fringeNoise, given.fringeNoise);
        take(noiseRiOpt, preset.intensityNoise, given.intensityNoise);
        take(noiseFiOpt, preset.fluorescenceNoise, given.fluorescenceNoise);
        take(offsetOpt, preset.baselineOffsetSd, given.baselineOffsetSd);
        take(jumpOpt, preset.fringeJumpProbability, given.fringeJumpProbability);
        take(tiOpt, preset.timeInvariantNoiseSd, given.timeInvariantNoiseSd);
        take(saturationOpt, preset.saturationOD, given.saturationOD);
        take(meniscusArtefactOpt, preset.meniscusArtefact, given.meniscusArtefact);
        take(edgeJitterOpt, preset.scanEdgeJitterCm, given.scanEdgeJitterCm);
        take(ipStepOpt, preset.meniscusStepFringes, given.meniscusStepFringes);
        take(ipDipOpt, preset.meniscusDipFringes, given.meniscusDipFringes);
        take(ipDipWidthOpt, preset.meniscusDipWidthCm, given.meniscusDipWidthCm);
        take(secondAtDropOpt, preset.secondDropOffsetCm, given.secondDropOffsetCm);
        take(secondDropOpt, preset.secondDropFringes, given.secondDropFringes);
        take(seedOpt, preset.seed, given.seed);
        take(descOpt, preset.description, given.description);
        run = preset;
    }
    if (speciesOpt->count() > 0) {
        run.species.clear();
        for (const std::string& text : speciesTexts) {
            SimSpecies sp;
            const std::string problem = ParseSpecies(text, sp);
            if (!problem.empty()) {
                std::fprintf(stderr, "morvane-sim: %s\n", problem.c_str());
                return 2;
            }
            run.species.push_back(sp);
        }
    }
    if (cellOpt->count() > 0) {
        run.cells.clear();
        for (const std::string& text : cellTexts) {
            SimCell cell;
            const std::string problem = ParseCell(text, cell);
            if (!problem.empty()) {
                std::fprintf(stderr, "morvane-sim: %s\n", problem.c_str());
                return 2;
            }
            run.cells.push_back(cell);
        }
    }
    if (run.species.empty()) {
        std::fprintf(stderr, "morvane-sim: no species: give one or more with --species, or use --demo\n");
        return 2;
    }
    if (run.cells.empty()) {
        SimCell absorbance; // RA1
        run.cells.push_back(absorbance);
    }
    if (!wavelengthsText.empty()) {
        const std::string problem = ParseWavelengths(wavelengthsText, run.extinctionPerMgMl, run.wavelengths);
        if (!problem.empty()) {
            std::fprintf(stderr, "morvane-sim: %s\n", problem.c_str());
            return 2;
        }
    }
    if (ipMeniscusOpt->count() > 0) {
        if (ipMeniscusText == "drop")
            run.interferenceMeniscus = InterferenceMeniscus::Drop;
        else if (ipMeniscusText == "step")
            run.interferenceMeniscus = InterferenceMeniscus::Step;
        else if (ipMeniscusText == "two-drops")
            run.interferenceMeniscus = InterferenceMeniscus::TwoDrops;
        else {
            std::fprintf(
                stderr, "morvane-sim: --ip-meniscus '%s': expected drop, step or two-drops\n", ipMeniscusText.c_str());
            return 2;
        }
        run.meniscusArtefact = true;
    }
    FileTimes fileTimes = FileTimes::AsWritten;
    if (!ParseFileTimes(fileTimesText, fileTimes)) {
        std::fprintf(
            stderr, "morvane-sim: --file-times '%s': expected written, copied or writing\n", fileTimesText.c_str());
        return 2;
    }
    if (noNoise) {
        run.absorbanceNoise = run.fringeNoise = run.intensityNoise = run.fluorescenceNoise = 0;
        run.timeInvariantNoiseSd = 0;
    }

    // Check everything before a directory is made.
    const std::string problem = ValidateRun(run);
    if (!problem.empty()) {
        std::fprintf(stderr, "morvane-sim: %s\n", problem.c_str());
        return 2;
    }
    if (!date.empty() && !IsDateName(date)) {
        std::fprintf(stderr, "morvane-sim: '%s' is not a date MMDDYY\n", date.c_str());
        return 2;
    }
    std::string error;
    const std::string dir = MakeRunDirectory({ root, date, runNumber }, error);
    if (dir.empty()) {
        std::fprintf(stderr, "morvane-sim: %s\n", error.c_str());
        return 1;
    }

    try {
        RunSimulator simulator(run);
        if (!quiet)
            std::printf("Run directory: %s\nCells: %s; %d scans%s\n", dir.c_str(), CellList(run).c_str(),
                simulator.TotalScans(), live ? " (live)" : "");
        else
            std::printf("%s\n", dir.c_str());
        std::fflush(stdout);

        const auto start = std::chrono::steady_clock::now();
        std::function<void(double)> waitUntil;
        if (live) {
            waitUntil = [&](double seconds) {
                const auto due = start
                    + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(seconds / speedup));
                std::this_thread::sleep_until(due);
            };
        }
        std::vector<WrittenScan> files;
        std::function<void(const SimScan&, const std::string&)> betweenParts;
        if (splitWrites) {
            betweenParts = [&](const SimScan&, const std::string&) {
                std::this_thread::sleep_for(std::chrono::duration<double>(splitPauseSeconds));
            };
        }
        const std::string failed = WriteRunFiles(
            simulator, dir, waitUntil,
            [&](const SimScan& scan, const std::string& path) {
                files.push_back({ path, scan.seconds });
                if (live && !quiet) {
                    std::printf("%s  t = %.0f s\n", scan.fileName.c_str(), scan.seconds);
                    std::fflush(stdout);
                }
            },
            betweenParts);
        const std::string timed
            = failed.empty() ? SetFileTimes(files, fileTimes, std::chrono::system_clock::now()) : failed;
        if (!timed.empty()) {
            std::fprintf(stderr, "morvane-sim: %s\n", timed.c_str());
            return 1;
        }
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!quiet)
            std::printf("Wrote %d scan files in %.2f s\n", simulator.TotalScans(), took);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "morvane-sim: %s\n", e.what());
        return 1;
    }
    return 0;
}
