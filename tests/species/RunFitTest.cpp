// Species fits of simulated runs: what the method reads off a run, its known bias taken into account.
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

#include "SimulatedChannel.h"
#include "species/BoundaryShapes.h"
#include "species/SpeciesFit.h"
#include "species/Svedberg.h"

using namespace morvane;

namespace {

SpeciesFitOptions Options(int32_t species, SpeciesModel model, int32_t set = -1)
{
    SpeciesFitOptions o;
    o.Species = species;
    o.Model = model;
    o.Set = set;
    return o;
}

const char* NameOf(SpeciesModel m) { return SpeciesModelName(m); }

} // namespace

// The 66 kDa, 4.4 S protein at 50000 rpm. Its plain g(s*) peak lies about 1 % low (the skew of the
// diffusing boundary, see SpeciesFit.h). The Lamm-boundary model carries that bias and gives s to
// about 0.2 %, D and M to a few percent; the Gaussian model, which corrects its centre for the skew
// and its D for the rest of its bias, to about 0.4 % and a few percent. The bounds below are what
// the method promises (s within 1 %, M within 10 %), with the noise of the run taken into account.
// f/f0 is 1.338 (Svedberg.FrictionalRatio). Both in the newest set and halfway, without a note.
TEST(RunFit, SingleSpeciesSDAndMolarMass)
{
    const RealTimeGofS& engine = EngineOfRun("single", SingleSpeciesRun());
    const double d = DiffusionOf(SimSpecies {}, SimRun {});
    const int32_t sets = engine.GofsStore->GetNumberOfSets();
    for (SpeciesModel model : { SpeciesModel::LammBoundaries, SpeciesModel::Gaussian }) {
        for (int32_t set : { -1, sets / 2 }) {
            SCOPED_TRACE(testing::Message() << NameOf(model) << ", set " << set);
            const bool lamm = model == SpeciesModel::LammBoundaries;
            const SpeciesFitResult fit = FitSpecies(engine, Options(1, model, set));
            ASSERT_EQ(fit.Status, FitStatus::Converged) << fit.Message;
            EXPECT_EQ(fit.Set, set < 0 ? sets - 1 : set);
            EXPECT_DOUBLE_EQ(fit.TemperatureC, 20);
            const SpeciesEstimate& e = fit.Species.at(0);
            EXPECT_NEAR(e.S / 4.4, 1, lamm ? 0.005 : 0.01) << e.S;
            EXPECT_NEAR(e.D / d, 1, 0.05) << e.D;
            EXPECT_NEAR(e.M / 66000, 1, 0.05) << e.M;
            EXPECT_NEAR(e.FrictionalRatio / 1.33844, 1, 0.02) << e.FrictionalRatio;
            EXPECT_GT(e.FrictionalRatioError, 0);
            EXPECT_TRUE(fit.Notes.empty()) << fit.Notes.front();
            EXPECT_NEAR(e.Loading, 1.0, 0.03); // OD per mg/ml is 1
            EXPECT_DOUBLE_EQ(e.Share, 1);
            EXPECT_DOUBLE_EQ(e.S20w, e.S); // water at 20 C
            // Where the fitted g(s*) peaks: low by the skew, -sigma_D^2 / (2 s).
            const double sigma
                = DiffusionSigma(4.4e-13, d, engine.Cell.Meniscus, RealTimeGofS::OmegaSquared(fit.Rpm), fit.TimeSeconds)
                / 1e-13;
            EXPECT_NEAR(e.SStar - e.S, -sigma * sigma / (2 * e.S), 0.003 * e.S) << e.SStar;
            EXPECT_GT(e.SError, 0);
            EXPECT_LT(e.SError, 0.01 * e.S);
            EXPECT_LT(e.MError, 0.03 * e.M);
            // The curves for drawing lie on the fitted points.
            ASSERT_EQ(fit.Fitted.size(), fit.SStar.size());
            ASSERT_EQ(fit.Residuals.size(), fit.SStar.size());
            EXPECT_DOUBLE_EQ(fit.Data[10] - fit.Fitted[10], fit.Residuals[10]);
            EXPECT_LT(fit.RmsResidual, 0.03);
        }
    }
}

// The demo's 80/20 monomer-dimer mixture (4.4 and 6.8 S) in its newest set and two thirds in: s
// within 1 % and the shares within 2 points (the promise is 2 % and 5 points). The dimer's M rests on
// the width of a minor boundary that overlaps the monomer's, so it is only checked to 20 %.
TEST(RunFit, MonomerDimerMixtureSAndShares)
{
    const RealTimeGofS& engine = EngineOfRun("mixture", MixtureRun());
    const int32_t sets = engine.GofsStore->GetNumberOfSets();
    for (SpeciesModel model : { SpeciesModel::LammBoundaries, SpeciesModel::Gaussian }) {
        for (int32_t set : { -1, 2 * sets / 3 }) {
            SCOPED_TRACE(testing::Message() << NameOf(model) << ", set " << set);
            const SpeciesFitResult fit = FitSpecies(engine, Options(2, model, set));
            ASSERT_EQ(fit.Status, FitStatus::Converged) << fit.Message;
            ASSERT_EQ(fit.Species.size(), 2u);
            EXPECT_TRUE(fit.Notes.empty());
            EXPECT_EQ(fit.HoldingSet, -1) << "the dimer is still in the set";
            const SpeciesEstimate& monomer = fit.Species[0];
            const SpeciesEstimate& dimer = fit.Species[1];
            EXPECT_NEAR(monomer.S / 4.4, 1, 0.01) << monomer.S;
            EXPECT_NEAR(dimer.S / 6.8, 1, 0.01) << dimer.S;
            EXPECT_NEAR(monomer.Share, 0.8, 0.02);
            EXPECT_NEAR(dimer.Share, 0.2, 0.02);
            EXPECT_NEAR(monomer.Share + dimer.Share, 1, 1e-12);
            EXPECT_NEAR(monomer.ShareError, dimer.ShareError, 1e-12);
            EXPECT_NEAR(dimer.M / 132000, 1, 0.2) << dimer.M;
            ASSERT_EQ(fit.Components.size(), 2u);
            for (size_t i = 0; i < fit.SStar.size(); i += 20)
                EXPECT_NEAR(fit.Components[0][i] + fit.Components[1][i], fit.Fitted[i], 1e-12);
        }
    }
}

// The protein alone given to fits of more species (as a three-species fit of a real albumin run
// put 39 % into a 5.5 S, 21.6 kDa species of f/f0 0.51): each fit is at least as good as the one
// with a species fewer (one stuck in a local minimum is started again from it), the protein keeps
// its s, and every species but the protein is named in a note (not determined, f/f0 outside 1 to
// 4), or the errors are said to be undefined.
TEST(RunFit, MoreSpeciesThanTheRunHoldsAreSaid)
{
    const RealTimeGofS& engine = EngineOfRun("single", SingleSpeciesRun());
    for (SpeciesModel model : { SpeciesModel::LammBoundaries, SpeciesModel::Gaussian }) {
        double fewer = HUGE_VAL;
        for (int32_t n = 1; n <= 3; ++n) {
            SCOPED_TRACE(testing::Message() << NameOf(model) << ", " << n << " species");
            const SpeciesFitResult fit = FitSpecies(engine, Options(n, model));
            ASSERT_EQ(fit.Status, FitStatus::Converged) << fit.Message;
            EXPECT_LE(fit.RmsResidual, fewer);
            fewer = fit.RmsResidual;
            size_t main = 0;
            for (size_t k = 1; k < fit.Species.size(); ++k)
                if (fit.Species[k].Share > fit.Species[main].Share)
                    main = k;
            EXPECT_NEAR(fit.Species[main].S / 4.4, 1, 0.01);
            auto named = [&fit](size_t k, const std::string& what) {
                const std::string species = "species " + std::to_string(k + 1) + what;
                for (const std::string& note : fit.Notes)
                    if (note.rfind(species, 0) == 0)
                        return true;
                return false;
            };
            const bool undefined = !fit.Notes.empty() && fit.Notes.back().rfind("the errors are not defined", 0) == 0;
            for (size_t k = 0; k < fit.Species.size(); ++k) {
                const double f = fit.Species[k].FrictionalRatio;
                if (f < 1 || f > 4) {
                    EXPECT_TRUE(named(k, ": f/f0 ")) << f;
                }
                if (k != main) {
                    EXPECT_TRUE(named(k, "") || undefined) << k;
                }
            }
        }
    }
}

// Too early to resolve: the protein in set 2 (t 18 min, its boundary 0.08 cm from the meniscus, its
// s 2 % and M 6 % low by 6 to 17 times their errors), and a 1.8 S, 17 kDa protein whose boundary
// never clears the meniscus at 50000 rpm (s 3 to 13 % off, M up to 50 %, up to 12 times their errors).
TEST(RunFit, SpeciesNotYetResolvedFromTheMeniscusAreSaid)
{
    const RealTimeGofS& single = EngineOfRun("single", SingleSpeciesRun());
    const RealTimeGofS& small = EngineOfRun("small", SmallProteinRun());
    const int32_t sets = small.GofsStore->GetNumberOfSets();
    const struct {
        const char* name;
        const RealTimeGofS& engine;
        int32_t set;
    } cases[]
        = { { "protein, set 2", single, 2 }, { "1.8 S, halfway", small, sets / 2 }, { "1.8 S, newest", small, -1 } };
    for (const auto& c : cases) {
        for (SpeciesModel model : { SpeciesModel::LammBoundaries, SpeciesModel::Gaussian }) {
            SCOPED_TRACE(testing::Message() << c.name << ", " << NameOf(model));
            const SpeciesFitResult fit = FitSpecies(c.engine, Options(1, model, c.set));
            ASSERT_EQ(fit.Status, FitStatus::Converged) << fit.Message;
            EXPECT_TRUE(std::any_of(fit.Notes.begin(), fit.Notes.end(), [](const std::string& note) {
                return note.rfind("species 1 is not yet resolved from the meniscus in set ", 0) == 0;
            }));
        }
    }
}

// 4.4, 6.8 and 9.5 S, 60/25/15: by the newest set, which holds s* to 7.8 S, the 9.5 S boundary has
// reached the bottom, and a fit of three species puts the third at 3 to 4 S instead. The fit says
// so, and names and fits the latest set that still holds the 9.5 S species, which gives all three.
TEST(RunFit, ASpeciesThatLeftTheSetIsSaidAndTheSetThatHoldsItFitted)
{
    const RealTimeGofS& engine = EngineOfRun("three", ThreeSpeciesRun());
    const SpeciesFitResult newest = FitSpecies(engine, Options(3, SpeciesModel::LammBoundaries));
    ASSERT_EQ(newest.Status, FitStatus::Converged) << newest.Message;
    const double omega2t = RealTimeGofS::OmegaSquared(newest.Rpm) * newest.TimeSeconds;
    EXPECT_NEAR(newest.SetSStarHigh, std::log(engine.Cell.Bottom / engine.Cell.Meniscus) / omega2t / 1e-13, 1e-9);
    EXPECT_LT(newest.SetSStarHigh, 9.5);
    EXPECT_NEAR(newest.BeyondShare, 0.15, 0.07) << "the composite holds it from earlier sets";
    ASSERT_GE(newest.HoldingSet, 0);
    EXPECT_LT(newest.HoldingSet, newest.Set);
    const std::string holding = "Set " + std::to_string(newest.HoldingSet) + " (t ";
    EXPECT_TRUE(std::any_of(newest.Notes.begin(), newest.Notes.end(),
        [&](const std::string& note) { return note.find(holding) != std::string::npos; }));

    const SpeciesFitResult earlier = FitSpecies(engine, Options(3, SpeciesModel::LammBoundaries, newest.HoldingSet));
    ASSERT_EQ(earlier.Status, FitStatus::Converged) << earlier.Message;
    EXPECT_TRUE(earlier.Notes.empty()) << earlier.Notes.front();
    EXPECT_EQ(earlier.HoldingSet, -1);
    const double s[3] = { 4.4, 6.8, 9.5 }, share[3] = { 0.6, 0.25, 0.15 };
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(earlier.Species[k].S / s[k], 1, 0.01) << k;
        EXPECT_NEAR(earlier.Species[k].Share, share[k], 0.02) << k;
    }
}

TEST(RunFit, EngineWithoutTheSetSaysWhy)
{
    RealTimeGofS empty;
    const RealTimeGofS& engine = EngineOfRun("single", SingleSpeciesRun());
    const int32_t sets = engine.GofsStore->GetNumberOfSets();
    SpeciesFitOptions past = Options(1, SpeciesModel::LammBoundaries, sets);
    SpeciesFitOptions narrow = Options(1, SpeciesModel::LammBoundaries);
    narrow.MinSStar = 500;
    const struct {
        const char* name;
        const RealTimeGofS& engine;
        SpeciesFitOptions options;
        std::string message;
    } cases[] = {
        { "no data", empty, Options(1, SpeciesModel::LammBoundaries), "the engine holds no data" },
        { "no such set", engine, past,
            "there is no g(s*) set " + std::to_string(sets) + " (the engine holds " + std::to_string(sets) + ")" },
        { "no points in range", engine, narrow, "the g(s*) set holds no points between the fit limits" },
        { "four species", engine, Options(4, SpeciesModel::Gaussian), "the number of species must be 1 to 3 (got 4)" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SpeciesFitResult fit = FitSpecies(c.engine, c.options);
        EXPECT_EQ(fit.Status, FitStatus::Failed);
        EXPECT_EQ(fit.Message, c.message);
    }
}
