#include "species/SpeciesProblem.h"
#include "species/SpeciesUnits.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "realtime/RealTimeGofS.h"
#include "species/BoundaryShapes.h"
#include "species/Svedberg.h"

namespace morvane {

namespace {

using speciesunits::Svedberg;
constexpr double Fick = 1e-7; // cm^2/s, the unit of D among the parameters
using speciesunits::NaN;
constexpr double MinRelativeWidth = 0.01;

// Where a fit starts D: a compact protein, M = 6270 s^1.5 g/mol (s in S), with vbar 0.73 ml/g in
// water at 20 C. The fit moves it; it only has to be of the right order.
double StartingDiffusionFick(double sS)
{
    const double m = 6270 * std::pow(sS, 1.5);
    return sS * Svedberg * GasConstant * 293.15 / (m * (1 - 0.73 * WaterDensity20)) / Fick;
}

bool InDomain(const SpeciesParameters& p)
{
    return p[0] > 0.01 && p[0] < 1e4 && p[1] > 1e-4 && p[1] < 1e4 && p[2] > 0 && std::isfinite(p[2]);
}

// The s* at which s* g(s*) / s* is largest: a parabola through the three points around the largest.
double PeakSStar(const std::vector<double>& sStar, const std::vector<double>& y)
{
    size_t best = 0;
    for (size_t i = 1; i < sStar.size(); ++i)
        if (y[i] / sStar[i] > y[best] / sStar[best])
            best = i;
    if (best == 0 || best + 1 >= sStar.size())
        return sStar.empty() ? NaN : sStar[best];
    const double a = y[best - 1] / sStar[best - 1], b = y[best] / sStar[best], c = y[best + 1] / sStar[best + 1];
    const double curvature = a - 2 * b + c;
    if (!(curvature < 0))
        return sStar[best];
    // The grid is uniform in ln s*.
    const double d = std::clamp(0.5 * (a - c) / curvature, -1.0, 1.0);
    return sStar[best] * std::pow(sStar[best + 1] / sStar[best], d);
}

bool InRange(double s, const SpeciesFitOptions& options)
{
    return s >= options.MinSStar && (options.MaxSStar <= 0 || s <= options.MaxSStar);
}

double AmountScale(const std::vector<double>& data)
{
    double top = 0;
    for (double v : data)
        top = std::max(top, std::fabs(v));
    return top > 0 ? top : 1.0;
}

class LammProblem : public SpeciesProblem {
public:
    LammProblem(const SetLayout& layout, const SpeciesFitOptions& options)
        : layout_(layout)
    {
        for (size_t k = 0; k < layout_.Valid.size(); ++k) {
            const double s = std::exp(layout_.Grid[static_cast<size_t>(layout_.Valid[k])]) / Svedberg;
            allSStar_.push_back(s);
            if (InRange(s, options)) {
                use_.push_back(k);
                SStar.push_back(s);
                Data.push_back(layout_.Y[k]);
            }
        }
        amountScale_ = AmountScale(Data);
    }

    std::unique_ptr<SpeciesProblem> Clone() const override { return std::make_unique<LammProblem>(*this); }
    bool Costly() const override { return true; }
    bool Species(const SpeciesParameters& p, std::vector<double>& out) const override
    {
        if (!InDomain(p))
            return false;
        const std::vector<double>& all = Shape(p[0], p[1]).Set.Value;
        out.resize(use_.size());
        for (size_t k = 0; k < use_.size(); ++k)
            out[k] = p[2] * all[use_[k]];
        return true;
    }
    bool SpeciesSlopes(const SpeciesParameters& p, std::vector<double>& out) const override
    {
        if (!InDomain(p))
            return false;
        const Kept& kept = Shape(p[0], p[1]);
        if (!kept.Slopes)
            return false;
        const SpeciesSetSlopes& set = kept.Set;
        out.resize(3 * use_.size());
        for (size_t k = 0; k < use_.size(); ++k) {
            const size_t u = use_[k];
            out[3 * k] = p[2] * set.ByS[u] * Svedberg;
            out[3 * k + 1] = p[2] * set.ByD[u] * Fick;
            out[3 * k + 2] = set.Value[u];
        }
        return true;
    }
    SpeciesParameters Start(const PeakGuess& peak) const override
    {
        return { peak.SStar, StartingDiffusionFick(peak.SStar), peak.Area * Dilution(peak.SStar) };
    }
    SpeciesParameters Scale() const override { return { 1.0, 1.0, amountScale_ }; }
    SpeciesQuantities Quantities(const SpeciesParameters& p) const override
    {
        SpeciesQuantities q;
        q.S = p[0];
        q.D = p[1] * Fick;
        q.Loading = p[2];
        q.Area = p[2] / Dilution(p[0]);
        GaussianConditions c;
        c.Meniscus = layout_.Meniscus;
        c.Omega2 = layout_.Omega2;
        c.Time = layout_.Time;
        for (const ModelPair& pair : layout_.Pairs) {
            c.PairTimes.push_back(pair.Time);
            c.PairSpans.push_back(pair.Span);
        }
        q.Sigma = std::sqrt(GaussianVariance(c, q.S, q.D));
        q.SStar = InDomain(p) ? PeakSStar(allSStar_, Shape(p[0], p[1]).Set.Value) : NaN;
        return q;
    }

private:
    // The set of one species of loading 1, from the few kept ones when it was asked for lately.
    // The optimiser asks for the same boundaries again and again: every column of a Jacobian moves
    // one parameter of one species, so the other species' sets, and the moved species' own for its
    // amount (the set is linear in it), are those of the step before. Each one is a few hundred
    // thousand error functions; the curves are the same to the bit as computed afresh. Each set
    // comes with its exact derivatives by s and D (an exponential more per error function), so
    // the Jacobian at a step the optimiser takes costs no further set.
    struct Kept;
    const Kept& Shape(double sS, double dFick) const
    {
        ++clock_;
        Kept* oldest = &kept_[0];
        for (Kept& k : kept_) {
            if (k.Used > 0 && k.S == sS && k.D == dFick) {
                k.Used = clock_;
                return k;
            }
            if (k.Used < oldest->Used)
                oldest = &k;
        }
        oldest->S = sS;
        oldest->D = dFick;
        oldest->Used = clock_;
        oldest->Slopes = SetOfSpeciesWithSlopes(layout_, sS * Svedberg, dFick * Fick, oldest->Set);
        if (!oldest->Slopes)
            oldest->Set.Value = SetOfSpecies(layout_, sS * Svedberg, dFick * Fick);
        return *oldest;
    }
    struct Kept {
        double S = 0, D = 0;
        uint64_t Used = 0; // 0: empty
        SpeciesSetSlopes Set;
        bool Slopes = false; // whether Set holds the derivatives
    };
    // Enough for three species' sets and the moved ones of a central-difference Jacobian column.
    // A problem is used by one fit on one thread at a time.
    mutable std::array<Kept, 8> kept_;
    mutable uint64_t clock_ = 0;

    // Loading over plateau at the set's time: the radial dilution exp(2 s omega^2 t).
    double Dilution(double sS) const { return std::exp(2 * sS * Svedberg * layout_.Omega2 * layout_.Time); }

    SetLayout layout_;
    std::vector<size_t> use_; // indices into layout_.Valid of the fitted points
    std::vector<double> allSStar_; // s* of every valid point
    double amountScale_ = 1;
};

class GaussianProblem : public SpeciesProblem {
public:
    explicit GaussianProblem(const GaussianConditions& conditions)
        : conditions_(conditions)
    {
    }
    void Finish() { amountScale_ = AmountScale(Data); }
    // The engine set the points come from (use: indices into layout.Valid of the fitted points).
    void SetReference(const SetLayout& layout, std::vector<size_t> use)
    {
        layout_ = layout;
        use_ = std::move(use);
        hasLayout_ = true;
    }

    std::unique_ptr<SpeciesProblem> Clone() const override { return std::make_unique<GaussianProblem>(*this); }
    bool Species(const SpeciesParameters& p, std::vector<double>& out) const override
    {
        if (!InDomain(p))
            return false;
        // A peak narrower than the grid's step (2.3 % in s*) would fit single noisy points.
        const double sigma = conditions_.HasTime() ? std::sqrt(GaussianVariance(conditions_, p[0], p[1] * Fick)) : p[1];
        if (sigma < MinRelativeWidth * p[0] || sigma > p[0])
            return false;
        return GaussianSpecies(conditions_, SStar, p[0], Width(p), p[2], out);
    }
    SpeciesParameters Start(const PeakGuess& peak) const override
    {
        return { peak.SStar, conditions_.HasTime() ? StartingDiffusionFick(peak.SStar) : peak.Sigma, peak.Area };
    }
    SpeciesParameters Scale() const override { return { 1.0, conditions_.HasTime() ? 1.0 : 0.1, amountScale_ }; }
    SpeciesQuantities Quantities(const SpeciesParameters& p) const override
    {
        SpeciesQuantities q;
        q.SStar = p[0];
        q.Area = p[2];
        if (conditions_.HasTime()) {
            q.D = p[1] * Fick;
            q.S = GaussianCorrectedS(conditions_, p[0], q.D);
            q.Sigma = std::sqrt(GaussianVariance(conditions_, p[0], q.D));
            q.Loading = p[2] * std::exp(2 * q.S * Svedberg * conditions_.Omega2 * conditions_.Time);
        } else {
            q.D = NaN;
            q.S = p[0];
            q.Sigma = p[1];
            q.Loading = p[2];
        }
        return q;
    }

    bool Biased() const override { return conditions_.HasTime(); }
    bool Reference(const SpeciesParameters& p, std::vector<double>& out) const override
    {
        if (!hasLayout_ || !conditions_.HasTime() || !InDomain(p))
            return false;
        const SpeciesQuantities q = Quantities(p);
        const std::vector<double> all = SetOfSpecies(layout_, q.S * Svedberg, q.D);
        out.resize(use_.size());
        for (size_t k = 0; k < use_.size(); ++k)
            out[k] = q.Loading * all[use_[k]];
        return true;
    }

private:
    double Width(const SpeciesParameters& p) const { return conditions_.HasTime() ? p[1] * Fick : p[1]; }

    GaussianConditions conditions_;
    double amountScale_ = 1;
    SetLayout layout_;
    std::vector<size_t> use_;
    bool hasLayout_ = false;
};

} // namespace

std::unique_ptr<SpeciesProblem> MakeSetProblem(
    const SetLayout& layout, const SpeciesFitOptions& options, std::string& why)
{
    std::unique_ptr<SpeciesProblem> problem;
    if (options.Model == SpeciesModel::LammBoundaries) {
        problem = std::make_unique<LammProblem>(layout, options);
    } else {
        GaussianConditions c;
        c.Meniscus = layout.Meniscus;
        c.Omega2 = layout.Omega2;
        c.Time = layout.Time;
        for (const ModelPair& pair : layout.Pairs) {
            c.PairTimes.push_back(pair.Time);
            c.PairSpans.push_back(pair.Span);
        }
        auto gaussian = std::make_unique<GaussianProblem>(c);
        std::vector<size_t> use;
        for (size_t k = 0; k < layout.Valid.size(); ++k) {
            const double s = std::exp(layout.Grid[static_cast<size_t>(layout.Valid[k])]) / Svedberg;
            if (InRange(s, options)) {
                gaussian->SStar.push_back(s);
                gaussian->Data.push_back(layout.Y[k]);
                use.push_back(k);
            }
        }
        gaussian->Finish();
        gaussian->SetReference(layout, std::move(use));
        problem = std::move(gaussian);
    }
    if (problem->SStar.empty()) {
        why = "the g(s*) set holds no points between the fit limits";
        return nullptr;
    }
    return problem;
}

std::unique_ptr<SpeciesProblem> MakeCurveProblem(
    const GofsCurve& curve, const SpeciesFitOptions& options, std::string& why)
{
    if (curve.SStar.size() != curve.Y.size()) {
        why = "the curve's s* and values differ in number";
        return nullptr;
    }
    GaussianConditions c;
    if (curve.TimeSeconds > 0) {
        if (!(curve.Rpm > 0) || !(curve.MeniscusCm > 0)) {
            why = "a curve with a time needs the rotor speed and the meniscus";
            return nullptr;
        }
        c.Time = curve.TimeSeconds;
        c.Omega2 = RealTimeGofS::OmegaSquared(curve.Rpm);
        c.Meniscus = curve.MeniscusCm;
        c.DilutionCorrected = curve.DilutionCorrected;
    }
    auto problem = std::make_unique<GaussianProblem>(c);
    for (size_t i = 0; i < curve.SStar.size(); ++i) {
        const double s = curve.SStar[i], y = curve.Y[i];
        if (!std::isfinite(s) || !std::isfinite(y) || !(s > 0)) {
            why = "the curve holds a point that is not a number or an s* that is not positive";
            return nullptr;
        }
        if (i > 0 && !(s > curve.SStar[i - 1])) {
            why = "the curve's s* values do not ascend";
            return nullptr;
        }
        if (InRange(s, options)) {
            problem->SStar.push_back(s);
            problem->Data.push_back(y);
        }
    }
    if (problem->SStar.empty()) {
        why = "the curve holds no points between the fit limits";
        return nullptr;
    }
    problem->Finish();
    return problem;
}

} // namespace morvane
