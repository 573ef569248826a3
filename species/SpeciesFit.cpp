#include "species/SpeciesFit.h"
#include "species/SpeciesUnits.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>

#include "realtime/RealTimeGofS.h"
#include "species/LevenbergMarquardt.h"
#include "species/SpeciesProblem.h"
#include "species/Svedberg.h"

namespace {

using speciesunits::NaN;
constexpr int32_t MaxSpecies = 3;

// The values reported per species, as functions of its own three parameters.
enum Reported { RSStar, RS, RS20w, RD, RD20w, RM, RArea, RLoading, ReportedCount };
using ReportedValues = std::array<double, ReportedCount>;

ReportedValues Report(const SpeciesProblem& problem, const SpeciesParameters& p, double temperatureC,
    const SolventConditions& solvent, double& sigma)
{
    const SpeciesQuantities q = problem.Quantities(p);
    sigma = q.Sigma;
    ReportedValues v {};
    v[RSStar] = q.SStar;
    v[RS] = q.S;
    v[RS20w] = q.S * S20wFactor(solvent);
    v[RD] = q.D;
    v[RD20w] = q.D * D20wFactor(temperatureC, solvent);
    v[RM] = SvedbergMolarMass(q.S * 1e-13, q.D, temperatureC, solvent);
    v[RArea] = q.Area;
    v[RLoading] = q.Loading;
    return v;
}

std::string CheckOptions(const SpeciesFitOptions& options)
{
    char text[160];
    if (options.Species < 1 || options.Species > MaxSpecies) {
        std::snprintf(text, sizeof text, "the number of species must be 1 to %d (got %d)", MaxSpecies, options.Species);
        return text;
    }
    const SolventConditions& s = options.Solvent;
    if (!(s.Vbar > 0) || !(s.Density > 0) || !(s.Vbar * s.Density < 1))
        return "vbar times the solvent density must lie between 0 and 1";
    if (!(s.ViscosityCp > 0))
        return "the solvent viscosity must be positive";
    if (!(options.MinSStar >= 0) || (options.MaxSStar > 0 && options.MaxSStar <= options.MinSStar))
        return "the fit limits of s* do not enclose a range";
    return {};
}

double TemperatureOf(const SolventConditions& solvent, double headerC)
{
    if (solvent.TemperatureC >= 0)
        return solvent.TemperatureC;
    return headerC > 0 && headerC < 100 ? headerC : 20.0;
}

struct Fitted {
    LmResult lm;
    bool valid = false;
};

// All starts, the best converged fit (or the best of those that did not converge).
Fitted FitFromPeaks(
    const SpeciesProblem& problem, const std::vector<std::vector<PeakGuess>>& starts, int32_t maxIterations)
{
    const size_t n = problem.SStar.size();
    auto residuals = [&problem, n](const std::vector<double>& p, std::vector<double>& r) {
        std::fill(r.begin(), r.end(), 0.0);
        std::vector<double> one;
        for (size_t k = 0; k + 2 < p.size(); k += 3) {
            if (!problem.Species({ p[k], p[k + 1], p[k + 2] }, one))
                return false;
            for (size_t i = 0; i < n; ++i)
                r[i] += one[i];
        }
        for (size_t i = 0; i < n; ++i)
            r[i] -= problem.Data[i];
        return true;
    };
    LmOptions lmOptions;
    lmOptions.MaxIterations = maxIterations;
    Fitted best;
    for (const std::vector<PeakGuess>& start : starts) {
        std::vector<double> p, scale;
        for (const PeakGuess& peak : start) {
            const SpeciesParameters s = problem.Start(peak);
            const SpeciesParameters c = problem.Scale();
            p.insert(p.end(), s.begin(), s.end());
            scale.insert(scale.end(), c.begin(), c.end());
        }
        LmResult lm = FitLeastSquares(residuals, p, scale, static_cast<int32_t>(n), lmOptions);
        const bool better = !best.valid || (lm.Converged && !best.lm.Converged)
            || (lm.Converged == best.lm.Converged && lm.SumOfSquares < best.lm.SumOfSquares);
        if (better && !lm.Residuals.empty()) {
            best.lm = std::move(lm);
            best.valid = true;
        } else if (!best.valid) {
            best.lm.Reason = lm.Reason;
        }
    }
    return best;
}

// The reported values of every species at the fitted parameters, their derivatives by the
// species' own parameters, and the covariance: what the standard errors come from.
struct Propagation {
    std::vector<ReportedValues> values; // per species
    std::vector<std::array<ReportedValues, 3>> gradient; // per species: d value / d its parameter j
    std::vector<double> sigma; // per species, S
    std::vector<double> covariance; // of all parameters; empty when singular

    // Standard error of a value whose derivative by parameter i is g[i] (first-order propagation).
    double Error(const std::vector<double>& g) const
    {
        const size_t m = g.size();
        if (covariance.size() != m * m)
            return NaN;
        double var = 0;
        for (size_t a = 0; a < m; ++a)
            for (size_t b = 0; b < m; ++b)
                var += g[a] * covariance[a * m + b] * g[b];
        return var >= 0 ? std::sqrt(var) : NaN;
    }
    double OwnError(size_t k, Reported v) const
    {
        std::vector<double> g(3 * values.size(), 0.0);
        for (size_t j = 0; j < 3; ++j)
            g[3 * k + j] = gradient[k][j][v];
        return Error(g);
    }
};

Propagation Propagate(const SpeciesProblem& problem, const LmResult& lm, const SpeciesFitResult& result)
{
    Propagation out;
    const std::vector<double>& p = lm.Parameters;
    const size_t count = p.size() / 3;
    out.values.resize(count);
    out.gradient.resize(count);
    out.sigma.resize(count);
    out.covariance = lm.Covariance;
    const SpeciesParameters scale = problem.Scale();
    for (size_t k = 0; k < count; ++k) {
        const SpeciesParameters pk { p[3 * k], p[3 * k + 1], p[3 * k + 2] };
        out.values[k] = Report(problem, pk, result.TemperatureC, result.Solvent, out.sigma[k]);
        for (size_t j = 0; j < 3; ++j) {
            const double h = 1e-5 * std::max(std::fabs(pk[j]), scale[j]);
            SpeciesParameters up = pk, down = pk;
            up[j] += h;
            down[j] -= h;
            double unused = 0;
            const ReportedValues a = Report(problem, up, result.TemperatureC, result.Solvent, unused);
            const ReportedValues b = Report(problem, down, result.TemperatureC, result.Solvent, unused);
            for (size_t v = 0; v < ReportedCount; ++v)
                out.gradient[k][j][v] = (a[v] - b[v]) / (2 * h);
        }
    }
    return out;
}

SpeciesEstimate Estimate(const Propagation& pr, size_t k, double totalLoading)
{
    SpeciesEstimate e;
    const ReportedValues& v = pr.values[k];
    e.SStar = v[RSStar];
    e.SStarError = pr.OwnError(k, RSStar);
    e.S = v[RS];
    e.SError = pr.OwnError(k, RS);
    e.S20w = v[RS20w];
    e.S20wError = pr.OwnError(k, RS20w);
    e.D = v[RD];
    e.DError = pr.OwnError(k, RD);
    e.D20w = v[RD20w];
    e.D20wError = pr.OwnError(k, RD20w);
    e.M = v[RM];
    e.MError = pr.OwnError(k, RM);
    e.Sigma = pr.sigma[k];
    e.Area = v[RArea];
    e.AreaError = pr.OwnError(k, RArea);
    e.Loading = v[RLoading];
    e.LoadingError = pr.OwnError(k, RLoading);
    e.Share = v[RLoading] / totalLoading;
    // share_k = L_k / sum L, so d share_k / d L_j = (delta_kj - share_k) / sum L.
    const size_t count = pr.values.size();
    std::vector<double> g(3 * count, 0.0);
    for (size_t j = 0; j < count; ++j)
        for (size_t i = 0; i < 3; ++i)
            g[3 * j + i] = ((j == k ? 1.0 : 0.0) - e.Share) / totalLoading * pr.gradient[j][i][RLoading];
    e.ShareError = count == 1 ? 0.0 : pr.Error(g);
    return e;
}

// Fills the species by increasing s, their errors and the curves from a converged fit.
void Describe(const SpeciesProblem& problem, const LmResult& lm, SpeciesFitResult& result)
{
    const Propagation pr = Propagate(problem, lm, result);
    const size_t count = pr.values.size();
    double total = 0;
    for (const ReportedValues& v : pr.values)
        total += v[RLoading];
    std::vector<size_t> order(count);
    std::iota(order.begin(), order.end(), size_t { 0 });
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return pr.values[a][RS] < pr.values[b][RS]; });

    const std::vector<double>& p = lm.Parameters;
    const size_t n = problem.SStar.size();
    result.SStar = problem.SStar;
    result.Data = problem.Data;
    result.Fitted.assign(n, 0.0);
    for (size_t k : order) {
        result.Species.push_back(Estimate(pr, k, total));
        std::vector<double> one;
        problem.Species({ p[3 * k], p[3 * k + 1], p[3 * k + 2] }, one);
        for (size_t i = 0; i < n; ++i)
            result.Fitted[i] += one[i];
        result.Components.push_back(std::move(one));
    }
    result.Residuals.resize(n);
    for (size_t i = 0; i < n; ++i)
        result.Residuals[i] = problem.Data[i] - result.Fitted[i];
    result.RmsResidual = std::sqrt(lm.SumOfSquares / static_cast<double>(n));
    result.Iterations = lm.Iterations;
    result.Points = static_cast<int32_t>(n);
    result.Parameters = static_cast<int32_t>(p.size());
}

// Species the data do not pin down: a share indistinguishable from nothing, or a share or D
// whose error is as large as the value.
std::vector<std::string> Notes(const SpeciesFitResult& result)
{
    std::vector<std::string> notes;
    const size_t count = result.Species.size();
    for (size_t k = 0; k < count && count > 1; ++k) {
        const SpeciesEstimate& e = result.Species[k];
        if (e.Share < 0.01 || e.ShareError >= 0.5 * e.Share || e.DError >= e.D) {
            char text[160];
            std::snprintf(
                text, sizeof text, "species %zu is not determined by the data (share %.1f %%)", k + 1, 100 * e.Share);
            notes.emplace_back(text);
        }
    }
    if (count > 0 && std::isnan(result.Species[0].SError))
        notes.emplace_back("the errors are not defined (the data do not determine every parameter)");
    return notes;
}

SpeciesFitResult Solve(const SpeciesProblem& problem, const SpeciesFitOptions& options, SpeciesFitResult result)
{
    std::string why;
    const std::vector<PeakGuess> peaks = FindPeaks(problem.SStar, problem.Data, why);
    if (peaks.empty()) {
        result.Message = why;
        return result;
    }
    if (problem.SStar.size() <= static_cast<size_t>(3 * options.Species)) {
        result.Message = "the curve holds fewer points than the fit has parameters";
        return result;
    }
    const Fitted fit = FitFromPeaks(problem, StartingSets(peaks, options.Species), options.MaxIterations);
    if (!fit.valid || !fit.lm.Converged) {
        result.Message = "the fit did not converge: " + fit.lm.Reason;
        return result;
    }
    Describe(problem, fit.lm, result);
    result.Status = FitStatus::Converged;
    result.Message = "converged";
    result.Notes = Notes(result);
    return result;
}

} // namespace

const char* SpeciesModelName(SpeciesModel model)
{
    return model == SpeciesModel::Gaussian ? "Gaussian" : "Lamm boundaries";
}

const char* FitStatusName(FitStatus status) { return status == FitStatus::Converged ? "converged" : "failed"; }

SpeciesFitResult FitSpecies(const RealTimeGofS& engine, const SpeciesFitOptions& options)
{
    SpeciesFitResult result;
    result.Model = options.Model;
    result.Solvent = options.Solvent;
    result.Message = CheckOptions(options);
    if (!result.Message.empty())
        return result;
    const int32_t sets = engine.GofsStore ? engine.GofsStore->GetNumberOfSets() : 0;
    result.Set = options.Set < 0 ? sets - 1 : options.Set;
    SetLayout layout;
    result.Message = LayoutOfSet(engine, result.Set, layout);
    if (!result.Message.empty())
        return result;
    result.TimeSeconds = layout.Time;
    result.ElapsedSeconds = layout.RecordedTime;
    result.Rpm = layout.Rpm;
    result.TemperatureC = TemperatureOf(options.Solvent, layout.Temperature);
    const std::unique_ptr<SpeciesProblem> problem = MakeSetProblem(layout, options, result.Message);
    if (!problem)
        return result;
    return Solve(*problem, options, result);
}

SpeciesFitResult FitSpeciesToCurve(const GofsCurve& curve, const SpeciesFitOptions& options)
{
    SpeciesFitResult result;
    result.Model = SpeciesModel::Gaussian;
    result.Solvent = options.Solvent;
    result.Message = CheckOptions(options);
    if (!result.Message.empty())
        return result;
    result.TimeSeconds = curve.TimeSeconds > 0 ? curve.TimeSeconds : 0;
    result.ElapsedSeconds = result.TimeSeconds;
    result.Rpm = curve.Rpm;
    result.TemperatureC = TemperatureOf(options.Solvent, curve.TemperatureC);
    const std::unique_ptr<SpeciesProblem> problem = MakeCurveProblem(curve, options, result.Message);
    if (!problem)
        return result;
    return Solve(*problem, options, result);
}
