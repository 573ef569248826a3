// Species fits of simulated runs: what the method reads off a run, its known bias taken into account.
#include <cmath>
#include <gtest/gtest.h>

#include "SimulatedChannel.h"
#include "species/BoundaryShapes.h"
#include "species/SpeciesFit.h"
#include "species/Svedberg.h"

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
// about 0.2 %, D and M to a few percent; the Gaussian model, which corrects its centre for the skew,
// gives s to about 0.4 % and D and M to about 5 % (its peak is not quite a Gaussian). The bounds
// below are what the method promises (s within 1 %, M within 10 %), with the noise of the run
// taken into account. Both in the newest set and halfway.
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
            EXPECT_NEAR(e.D / d, 1, lamm ? 0.05 : 0.1) << e.D;
            EXPECT_NEAR(e.M / 66000, 1, lamm ? 0.05 : 0.1) << e.M;
            EXPECT_NEAR(e.Loading, 1.0, 0.03); // OD per mg/ml is 1
            EXPECT_DOUBLE_EQ(e.Share, 1);
            EXPECT_DOUBLE_EQ(e.S20w, e.S); // water at 20 C
            // Where the fitted g(s*) peaks: low by the skew, -sigma_D^2 / (2 s).
            const double sigma
                = DiffusionSigma(4.4e-13, d, engine.Meniscus, RealTimeGofS::OmegaSquared(fit.Rpm), fit.TimeSeconds)
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
