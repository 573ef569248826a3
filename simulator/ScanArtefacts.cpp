#include "simulator/ScanArtefacts.h"

#include <cmath>
#include <cstdio>

namespace morvane {

namespace {

constexpr double KneeBelowCeiling = 0.5; // OD below the ceiling where the reading starts to bend
constexpr double NoiseAtCeiling = 20; // times the noise of the linear range
constexpr double StepEdgeCm = 0.0015; // the tanh scale of the interference step at the meniscus

std::string CmText(double x)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g cm", x);
    return text;
}

} // namespace

double SaturatedAbsorbance(double a, double ceilingOD)
{
    if (!(ceilingOD > 0))
        return a;
    const double knee = ceilingOD - KneeBelowCeiling;
    if (!(a > knee))
        return a;
    return ceilingOD - KneeBelowCeiling * std::exp(-(a - knee) / KneeBelowCeiling);
}

double SaturationNoiseFactor(double readOD, double ceilingOD)
{
    if (!(ceilingOD > 0))
        return 1;
    const double knee = ceilingOD - KneeBelowCeiling;
    if (!(readOD > knee))
        return 1;
    const double depth = std::fmin((readOD - knee) / KneeBelowCeiling, 1.0);
    return 1 + (NoiseAtCeiling - 1) * depth;
}

double MeniscusSpike(double radiusCm, double meniscusCm, double widthCm, double heightOD)
{
    const double z = (radiusCm - meniscusCm) / (widthCm / 6);
    return heightOD * std::exp(-0.5 * z * z);
}

double MeniscusDrop(double radiusCm, double meniscusCm, double widthCm, double depthFringes)
{
    const double edge = widthCm / 10;
    const double x = radiusCm - meniscusCm;
    if (std::fabs(x) > widthCm)
        return 0;
    return -depthFringes * 0.5 * (std::tanh((x + widthCm / 2) / edge) - std::tanh((x - widthCm / 2) / edge));
}

double MeniscusStep(double radiusCm, double meniscusCm, double stepFringes, double dipFringes, double dipWidthCm)
{
    const double x = radiusCm - meniscusCm;
    const double step = stepFringes * 0.5 * (1 + std::tanh(x / StepEdgeCm));
    if (!(x > 0 && x < dipWidthCm))
        return step;
    const double trough = std::sin(M_PI * x / dipWidthCm);
    return step - dipFringes * trough * trough;
}

double InterferenceMeniscusArtefact(const SimRun& run, double meniscusCm, double radiusCm)
{
    const double width = run.meniscusArtefactWidthCm;
    switch (run.interferenceMeniscus) {
    case InterferenceMeniscus::Step:
        return MeniscusStep(
            radiusCm, meniscusCm, run.meniscusStepFringes, run.meniscusDipFringes, run.meniscusDipWidthCm);
    case InterferenceMeniscus::TwoDrops:
        return MeniscusDrop(radiusCm, meniscusCm, width, run.meniscusDropFringes)
            + MeniscusDrop(radiusCm, meniscusCm + run.secondDropOffsetCm, width, run.secondDropFringes);
    case InterferenceMeniscus::Drop:
        break;
    }
    return MeniscusDrop(radiusCm, meniscusCm, width, run.meniscusDropFringes);
}

std::string MeniscusArtefactProblem(const SimRun& run)
{
    if (!run.meniscusArtefact)
        return {};
    const double width = run.meniscusArtefactWidthCm;
    if (!std::isfinite(width) || width <= 0 || width > 0.2)
        return "the meniscus artefact must be between 0 and 0.2 cm wide (got " + CmText(width) + ")";
    if (!std::isfinite(run.meniscusSpikeOD) || !std::isfinite(run.meniscusDropFringes))
        return "the height of the meniscus artefact is not a number";
    if (run.interferenceMeniscus == InterferenceMeniscus::Step) {
        if (!std::isfinite(run.meniscusStepFringes) || !std::isfinite(run.meniscusDipFringes))
            return "the step or the dip of the interference meniscus is not a number";
        if (!(run.meniscusDipWidthCm > 0 && run.meniscusDipWidthCm <= 0.1))
            return "the dip after the interference step must be between 0 and 0.1 cm wide (got "
                + CmText(run.meniscusDipWidthCm) + ")";
    }
    if (run.interferenceMeniscus == InterferenceMeniscus::TwoDrops) {
        const double apart = std::fabs(run.secondDropOffsetCm);
        if (!std::isfinite(run.secondDropFringes))
            return "the depth of the second drop is not a number";
        // Closer, the two would merge into one wider drop.
        if (!(apart >= width && apart <= 0.2))
            return "the second drop must lie between the artefact's width (" + CmText(width)
                + ") and 0.2 cm from the meniscus (got " + CmText(run.secondDropOffsetCm) + ")";
    }
    return {};
}

} // namespace morvane
