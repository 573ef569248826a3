#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "species/SpeciesTable.h"

using namespace morvane;

TEST(SpeciesTable, ValueWithItsError)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        double value, error;
        const char* text;
    } cases[] = {
        { 4.39771, 0.00203, "4.3977 ± 0.0020" },
        { 65.476, 0.402, "65.48 ± 0.40" },
        { 65476, 402, "65476 ± 402" }, // never rounded beyond whole units
        { 4.0, 1e-16, "4.00000 ± 0.00000" }, // no more than six digits of the value
        { 100, 0, "100.0 ± 0" },
        { 1.5, nan, "1.500 ± ?" },
        { nan, 0.1, "-" },
        { 0.0123, 0.0456, "0.012 ± 0.046" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ValueWithError(c.value, c.error), c.text);
    }
}

TEST(SpeciesTable, LinesOfAFitAndOfAFailure)
{
    SpeciesFitResult fit;
    fit.Status = FitStatus::Converged;
    fit.Message = "converged";
    fit.Set = 56;
    fit.TimeSeconds = 9325.8;
    fit.ElapsedSeconds = 11220;
    fit.Rpm = 50000;
    fit.TemperatureC = 20;
    fit.Iterations = 5;
    fit.RmsResidual = 0.0143;
    fit.Points = 122;
    SpeciesEstimate monomer;
    monomer.SStar = 4.3457;
    monomer.SStarError = 0.0026;
    monomer.S = monomer.S20w = 4.3962;
    monomer.SError = monomer.S20wError = 0.0027;
    monomer.D = 6.018e-7;
    monomer.DError = 5.4e-9;
    monomer.M = 65636;
    monomer.MError = 584;
    monomer.FrictionalRatio = 1.3357;
    monomer.FrictionalRatioError = 0.0041;
    monomer.Loading = 0.8011;
    monomer.LoadingError = 0.0028;
    monomer.Share = 0.7989;
    monomer.ShareError = 0.0023;
    SpeciesEstimate dimer = monomer;
    dimer.SStar = 6.7594;
    dimer.S = dimer.S20w = 6.795;
    dimer.SError = dimer.S20wError = 0.0086;
    dimer.D = 4.804e-7;
    dimer.DError = 1.7e-8;
    dimer.M = 127092;
    dimer.MError = 4432;
    dimer.FrictionalRatio = 1.402;
    dimer.FrictionalRatioError = 0.017;
    dimer.Loading = 0.2017;
    dimer.Share = 0.2011;
    fit.Species = { monomer, dimer };
    fit.Notes = { "species 2 is not determined by the data (share 20.1 %)" };
    const std::vector<std::string> want = {
        "Species fit of g(s*) set 56: t 9326 s (newest scan at 11220 s), 50000 rpm, 20.0 C",
        "Lamm boundaries model: converged after 5 iterations, rms residual 0.0143 over 122 points",
        "vbar 0.73 ml/g, solvent density 0.99823 g/ml, viscosity 1.002 cP",
        "species  s* (S)           s (S)            s20,w (S)        D (1e-7 cm^2/s)  M (kg/mol)    f/f0             "
        "loading          share (%)",
        "      1  4.3457 ± 0.0026  4.3962 ± 0.0027  4.3962 ± 0.0027  6.018 ± 0.054    65.64 ± 0.58  1.3357 ± 0.0041  "
        "0.8011 ± 0.0028  79.89 ± 0.23",
        "      2  6.7594 ± 0.0026  6.7950 ± 0.0086  6.7950 ± 0.0086  4.80 ± 0.17      127.1 ± 4.4   1.402 ± 0.017    "
        "0.2017 ± 0.0028  20.11 ± 0.23",
        "note: species 2 is not determined by the data (share 20.1 %)",
    };
    EXPECT_EQ(SpeciesTableLines(fit), want);

    SpeciesFitResult failed;
    failed.Message = "the curve shows no peak that stands out of its noise: it is flat";
    EXPECT_EQ(SpeciesTableLines(failed),
        std::vector<std::string> {
            "Species fit failed: the curve shows no peak that stands out of its noise: it is flat" });
}
