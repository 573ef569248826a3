#include "species/SpeciesFit.h"
#include "species/SpeciesUnits.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <future>
#include <limits>
#include <numeric>

#include "realtime/RealTimeGofS.h"
#include "species/LevenbergMarquardt.h"
#include "species/SetCoverage.h"
#include "species/SpeciesNotes.h"
#include "species/SpeciesProblem.h"
#include "species/SpeciesStarts.h"
#include "species/Svedberg.h"

namespace morvane {

namespace {

using speciesunits::NaN;
constexpr int32_t MaxSpecies = 3;

// The values reported per species, as functions of its own three parameters.
enum Reported { RSStar, RS, RS20w, RD, RD20w, RM, RFrictionalRatio, RArea, RLoading, ReportedCount };
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
    v[RFrictionalRatio] = FrictionalRatio(q.S * 1e-13, q.D, temperatureC, solvent);
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

bool Cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

// The Gaussian model's bias, taken off its parameters: the model fitted to the reference curves
// (the Lamm boundaries of the species it found, through the engine's arithmetic) comes back at
// p' instead of p; to first order the fit of the data lies as far off, so 2 p - p' is reported
// (the bias correction of a parametric bootstrap without noise: B. Efron and R. J. Tibshirani, An
// Introduction to the Bootstrap, 1993, ch. 10). First order holds while the bias is small: a
// correction that moves a centre by more than MaxCentreShift or a D by more than MaxDShift is not
// made, and said (Correction::Why).
constexpr double MaxCentreShift = 0.02;
constexpr double MaxDShift = 0.25;

struct Correction {
    std::vector<double> Parameters; // empty: not corrected
    std::string Why; // why not, where the model has a bias
};

Correction BiasCorrected(const SpeciesProblem& problem, const std::vector<double>& p, const LmOptions& lmOptions)
{
    Correction out;
    if (!problem.Biased())
        return out;
    std::vector<double> reference(problem.SStar.size(), 0.0), one;
    for (size_t k = 0; k + 2 < p.size(); k += 3) {
        if (!problem.Reference({ p[k], p[k + 1], p[k + 2] }, one)) {
            out.Why = "it cannot be measured without an engine set; the model reads M up to 17 % low";
            return out;
        }
        for (size_t i = 0; i < reference.size(); ++i)
            reference[i] += one[i];
    }
    const LmResult back = FitLeastSquares(SpeciesResiduals(problem, reference), p, SpeciesScale(problem, p.size() / 3),
        static_cast<int32_t>(reference.size()), lmOptions);
    out.Why = "the model's fit to the boundaries of its own answer failed";
    if (!back.Converged || back.Parameters.size() != p.size())
        return out;
    std::vector<double> corrected(p.size());
    bool small = true;
    double shift = 0; // of a D
    for (size_t j = 0; j < p.size(); ++j) {
        corrected[j] = 2 * p[j] - back.Parameters[j];
        const double change = std::fabs(back.Parameters[j] - p[j]) / std::fabs(p[j]);
        if (j % 3 == 1)
            shift = std::max(shift, change);
        small = small && change <= (j % 3 == 0 ? MaxCentreShift : j % 3 == 1 ? MaxDShift : 1.0);
    }
    char text[120];
    std::snprintf(text, sizeof text, "it called for a change of D by %.0f %%, too much to take off", 100 * shift);
    out.Why = text;
    std::vector<double> check(problem.SStar.size());
    if (small && SpeciesResiduals(problem, problem.Data)(corrected, check)) {
        out.Parameters = std::move(corrected);
        out.Why.clear();
    }
    return out;
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

Propagation Propagate(const SpeciesProblem& problem, const std::vector<double>& p,
    const std::vector<double>& covariance, const SpeciesFitResult& result)
{
    Propagation out;
    const size_t count = p.size() / 3;
    out.values.resize(count);
    out.gradient.resize(count);
    out.sigma.resize(count);
    out.covariance = covariance;
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
    e.FrictionalRatio = v[RFrictionalRatio];
    e.FrictionalRatioError = pr.OwnError(k, RFrictionalRatio);
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

// Fills the species by increasing s, their errors and the curves from a converged fit. The values
// are those of the parameters `reported` (the fitted ones, or the Gaussian model's with its bias
// taken off), the curves, residuals and the plain peak s* those of the fit.
void Describe(
    const SpeciesProblem& problem, const LmResult& lm, const std::vector<double>& reported, SpeciesFitResult& result)
{
    const Propagation pr = Propagate(problem, reported, lm.Covariance, result);
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
        if (reported != p) {
            double unused = 0;
            result.Species.back().SStar = Report(
                problem, { p[3 * k], p[3 * k + 1], p[3 * k + 2] }, result.TemperatureC, result.Solvent, unused)[RSStar];
        }
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

// The fit of a problem, and in `context` what its notes need of how it went.
SpeciesFitResult Solve(const SpeciesProblem& problem, const SpeciesFitOptions& options, SpeciesFitResult result,
    NoteContext& context, const std::atomic<bool>* cancel)
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
    double fewerSumOfSquares = NaN;
    LmOptions lmOptions;
    lmOptions.MaxIterations = options.MaxIterations;
    lmOptions.Cancel = cancel;
    const MultiStartFit fit = FitSpeciesCount(problem, peaks, options.Species, lmOptions, fewerSumOfSquares);
    if (Cancelled(cancel)) {
        result.Message = SpeciesFitCancelled;
        return result;
    }
    if (!fit.Good()) {
        result.Message = "the fit did not converge: " + fit.lm.Reason;
        return result;
    }
    if (!(fit.lm.SumOfSquares < fewerSumOfSquares))
        context.FewerRmsResidual = std::sqrt(fewerSumOfSquares / static_cast<double>(problem.SStar.size()));
    const Correction corrected = BiasCorrected(problem, fit.lm.Parameters, lmOptions);
    if (Cancelled(cancel)) {
        result.Message = SpeciesFitCancelled;
        return result;
    }
    Describe(problem, fit.lm, corrected.Parameters.empty() ? fit.lm.Parameters : corrected.Parameters, result);
    context.BiasNotTakenOff = corrected.Why;
    result.SetSStarLow = problem.SStar.front();
    result.Status = FitStatus::Converged;
    result.Message = "converged";
    return result;
}

// The fit of g(s*) set options.Set (>= 0) of the engine, of its layout (or why there is none),
// without notes.
SpeciesFitResult FitSet(const SetLayout& layout, const std::string& refusal, const SpeciesFitOptions& options,
    NoteContext& context, const std::atomic<bool>* cancel)
{
    SpeciesFitResult result;
    result.Model = options.Model;
    result.Solvent = options.Solvent;
    result.Set = options.Set;
    result.Message = refusal;
    if (!result.Message.empty())
        return result;
    result.TimeSeconds = layout.Time;
    result.ElapsedSeconds = layout.RecordedTime;
    result.Rpm = layout.Rpm;
    result.TemperatureC = TemperatureOf(options.Solvent, layout.Temperature);
    const std::unique_ptr<SpeciesProblem> problem = MakeSetProblem(layout, options, result.Message);
    if (!problem)
        return result;
    return Solve(*problem, options, result, context, cancel);
}

SpeciesFitResult FitCurve(const GofsCurve& curve, const SpeciesFitOptions& options, const std::atomic<bool>* cancel)
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
    NoteContext context;
    result = Solve(*problem, options, result, context, cancel);
    if (result.Status == FitStatus::Converged)
        result.Notes = SpeciesNotes(result, context);
    return result;
}

} // namespace

const char* SpeciesModelName(SpeciesModel model)
{
    return model == SpeciesModel::Gaussian ? "Gaussian" : "Lamm boundaries";
}

const char* FitStatusName(FitStatus status) { return status == FitStatus::Converged ? "converged" : "failed"; }

SpeciesFitJob PrepareSpeciesFit(const RealTimeGofS& engine, const SpeciesFitOptions& options)
{
    SpeciesFitJob job;
    job.Options = options;
    if (!CheckOptions(options).empty())
        return job; // the fit says why
    const int32_t sets = engine.GofsStore ? engine.GofsStore->GetNumberOfSets() : 0;
    const int32_t set = options.Set < 0 ? sets - 1 : options.Set;
    job.Options.Set = set;
    job.LayoutRefusal = LayoutOfSet(engine, set, job.Layout);
    if (!job.LayoutRefusal.empty())
        return job;
    job.SetTime = engine.GofsStore->Headers[static_cast<size_t>(set)].Time;
    std::string unused;
    const std::unique_ptr<SpeciesProblem> problem = MakeSetProblem(job.Layout, job.Options, unused);
    if (!problem)
        return job; // the fit says why
    job.Coverage = CoverageOfSet(engine, set, problem->SStar.front());
    if (job.Coverage.MaterialBeyond && job.Coverage.HoldingSet >= 0) {
        job.HoldingRefusal = LayoutOfSet(engine, job.Coverage.HoldingSet, job.HoldingLayout);
        job.HoldingTime = engine.GofsStore->Headers[static_cast<size_t>(job.Coverage.HoldingSet)].Time;
    }
    return job;
}

SpeciesFitJob PrepareSpeciesFit(const GofsCurve& curve, const SpeciesFitOptions& options)
{
    SpeciesFitJob job;
    job.Options = options;
    job.OfCurve = true;
    job.Curve = curve;
    return job;
}

SpeciesFitResult RunSpeciesFit(const SpeciesFitJob& job, const std::atomic<bool>* cancel)
{
    if (job.OfCurve)
        return FitCurve(job.Curve, job.Options, cancel);
    SpeciesFitResult result;
    result.Model = job.Options.Model;
    result.Solvent = job.Options.Solvent;
    result.Message = CheckOptions(job.Options);
    if (!result.Message.empty())
        return result;
    // What the species the fit misses look like where they are still there: fitted on a thread of
    // its own while the set is, and used only if the set's fit converges. It stops once the set's
    // fit has ended without an answer or was cancelled.
    const bool holding = job.Coverage.MaterialBeyond && job.Coverage.HoldingSet >= 0;
    std::atomic<bool> stopHolding { false };
    std::future<SpeciesFitResult> holdingFit;
    if (holding) {
        holdingFit = std::async(std::launch::async, [&job, &stopHolding] {
            SpeciesFitOptions options = job.Options;
            options.Set = job.Coverage.HoldingSet;
            NoteContext unused;
            return FitSet(job.HoldingLayout, job.HoldingRefusal, options, unused, &stopHolding);
        });
    }
    NoteContext context;
    result = FitSet(job.Layout, job.LayoutRefusal, job.Options, context, cancel);
    SpeciesFitResult earlier;
    if (holding) {
        // The caller's cancel flag reaches the holding fit through its own.
        while (holdingFit.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
            if (result.Status != FitStatus::Converged || Cancelled(cancel))
                stopHolding = true;
        earlier = holdingFit.get();
    }
    if (result.Status != FitStatus::Converged)
        return result;
    context.Coverage = job.Coverage;
    result.SetSStarHigh = context.Coverage.SStarHigh;
    result.BeyondShare = context.Coverage.BeyondShare;
    if (holding) {
        if (Cancelled(cancel)) {
            SpeciesFitResult stopped;
            stopped.Model = job.Options.Model;
            stopped.Solvent = job.Options.Solvent;
            stopped.Message = SpeciesFitCancelled;
            return stopped;
        }
        result.HoldingSet = context.Coverage.HoldingSet;
        context.HoldingFit = SpeciesInBrief(earlier);
        context.HoldingTime = job.HoldingTime;
    }
    result.Notes = SpeciesNotes(result, context);
    return result;
}

SpeciesFitResult FitSpecies(const RealTimeGofS& engine, const SpeciesFitOptions& options)
{
    return RunSpeciesFit(PrepareSpeciesFit(engine, options));
}

SpeciesFitResult FitSpeciesToCurve(const GofsCurve& curve, const SpeciesFitOptions& options)
{
    return FitCurve(curve, options, nullptr);
}

} // namespace morvane
