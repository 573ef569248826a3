#include "species/SpeciesStarts.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include "species/SpeciesUnits.h"

namespace morvane {

// The sum of the species' curves less the data, for parameters p (three per species).
ResidualFunction SpeciesResiduals(const SpeciesProblem& problem, const std::vector<double>& data)
{
    return [&problem, &data](const std::vector<double>& p, std::vector<double>& r) {
        std::fill(r.begin(), r.end(), 0.0);
        std::vector<double> one;
        for (size_t k = 0; k + 2 < p.size(); k += 3) {
            if (!problem.Species({ p[k], p[k + 1], p[k + 2] }, one))
                return false;
            for (size_t i = 0; i < r.size(); ++i)
                r[i] += one[i];
        }
        for (size_t i = 0; i < r.size(); ++i)
            r[i] -= data[i];
        return true;
    };
}

std::vector<double> SpeciesScale(const SpeciesProblem& problem, size_t species)
{
    std::vector<double> scale;
    const SpeciesParameters c = problem.Scale();
    for (size_t k = 0; k < species; ++k)
        scale.insert(scale.end(), c.begin(), c.end());
    return scale;
}

namespace {

// Whether a is the better of two fits: a converged one over one that did not, then the smaller
// sum of squares.
bool Better(const MultiStartFit& a, const MultiStartFit& b)
{
    if (!a.valid)
        return false;
    if (!b.valid || a.lm.Converged != b.lm.Converged)
        return !b.valid || a.lm.Converged;
    return a.lm.SumOfSquares < b.lm.SumOfSquares;
}

// Their exact derivatives, where the model has them: each species' curve depends on its own three
// parameters only, so its columns are its own slopes.
JacobianFunction JacobianOf(const SpeciesProblem& problem)
{
    return [&problem](const std::vector<double>& p, std::vector<double>& jac) {
        const size_t m = p.size(), n = problem.SStar.size();
        jac.assign(n * m, 0.0);
        std::vector<double> slopes;
        for (size_t k = 0; k + 2 < m; k += 3) {
            if (!problem.SpeciesSlopes({ p[k], p[k + 1], p[k + 2] }, slopes))
                return false;
            for (size_t i = 0; i < n; ++i)
                for (size_t j = 0; j < 3; ++j)
                    jac[i * m + k + j] = slopes[3 * i + j];
        }
        return true;
    };
}

// Fits side by side on the machine's cores (where the problem is worth it), each thread with its
// own copy of the problem (it keeps the curves it computed lately); fit(problem, i) gives fit i.
// The fits are kept in their order, so what is chosen from them does not depend on the number of
// threads.
std::vector<MultiStartFit> FitAll(
    const SpeciesProblem& problem, size_t count, const std::function<MultiStartFit(const SpeciesProblem&, size_t)>& fit)
{
    std::vector<MultiStartFit> fits(count);
    const size_t threads
        = problem.Costly() ? std::min<size_t>(count, std::clamp(std::thread::hardware_concurrency(), 1u, 8u)) : 1;
    std::atomic<size_t> next { 0 };
    auto work = [&](const SpeciesProblem& own) {
        for (size_t i = next++; i < count; i = next++)
            fits[i] = fit(own, i);
    };
    std::vector<std::unique_ptr<SpeciesProblem>> copies;
    std::vector<std::thread> workers;
    for (size_t t = 1; t < threads; ++t) {
        copies.push_back(problem.Clone());
        workers.emplace_back(work, std::cref(*copies.back()));
    }
    work(problem);
    for (std::thread& t : workers)
        t.join();
    return fits;
}

MultiStartFit FitOneStart(const SpeciesProblem& problem, const std::vector<double>& start, const LmOptions& lmOptions)
{
    MultiStartFit fit;
    fit.lm = FitLeastSquares(SpeciesResiduals(problem, problem.Data), start, SpeciesScale(problem, start.size() / 3),
        static_cast<int32_t>(problem.SStar.size()), lmOptions, JacobianOf(problem));
    fit.valid = !fit.lm.Residuals.empty();
    return fit;
}

// The best of some fits, in their order.
MultiStartFit BestOf(std::vector<MultiStartFit> fits)
{
    MultiStartFit best;
    for (MultiStartFit& fit : fits) {
        if (Better(fit, best))
            best = std::move(fit);
        else if (!best.valid)
            best.lm.Reason = fit.lm.Reason;
    }
    return best;
}

// A fit from each start, the best of them.
MultiStartFit FitFromStarts(
    const SpeciesProblem& problem, const std::vector<std::vector<double>>& starts, const LmOptions& lmOptions)
{
    return BestOf(FitAll(problem, starts.size(),
        [&](const SpeciesProblem& own, size_t i) { return FitOneStart(own, starts[i], lmOptions); }));
}

std::vector<double> StartOf(const SpeciesProblem& problem, const std::vector<PeakGuess>& peaks)
{
    std::vector<double> p;
    for (const PeakGuess& peak : peaks) {
        const SpeciesParameters s = problem.Start(peak);
        p.insert(p.end(), s.begin(), s.end());
    }
    return p;
}

// The starts from the fit of n - 1 with a species added at the largest peak of what it left over:
// as large as the residual peak, and a tenth of it (the fit of n - 1 nearly unchanged: the fit can
// then only improve on it).
std::vector<std::vector<double>> RestartsOf(const SpeciesProblem& problem, const MultiStartFit& fewer)
{
    std::vector<double> residuals(fewer.lm.Residuals.size());
    for (size_t i = 0; i < residuals.size(); ++i)
        residuals[i] = -fewer.lm.Residuals[i]; // the optimiser's residuals are fit - data
    PeakGuess peak = LargestResidualPeak(problem.SStar, residuals);
    std::vector<std::vector<double>> restarts;
    for (double part : { 1.0, 0.1 }) {
        PeakGuess added = peak;
        added.Area *= part;
        restarts.push_back(fewer.lm.Parameters);
        const SpeciesParameters p = problem.Start(added);
        restarts.back().insert(restarts.back().end(), p.begin(), p.end());
    }
    return restarts;
}

// The starts from the peaks first go this many iterations; those that have not ended by then go on
// after the rest, bounded by the best fit in hand.
constexpr int32_t FirstRoundIterations = 40;

} // namespace

MultiStartFit FitSpeciesCount(const SpeciesProblem& problem, const std::vector<PeakGuess>& peaks, int32_t n,
    const LmOptions& lmOptions, double& fewerSumOfSquares)
{
    fewerSumOfSquares = speciesunits::NaN;
    std::vector<std::vector<double>> starts;
    for (const std::vector<PeakGuess>& set : StartingSets(peaks, n))
        starts.push_back(StartOf(problem, set));
    if (n == 1)
        return FitFromStarts(problem, starts, lmOptions);
    double unused = 0;
    const MultiStartFit fewer = FitSpeciesCount(problem, peaks, n - 1, lmOptions, unused);
    if (!fewer.Good())
        return FitFromStarts(problem, starts, lmOptions);
    fewerSumOfSquares = fewer.lm.SumOfSquares;

    LmOptions first = lmOptions;
    first.MaxIterations = std::min(lmOptions.MaxIterations, FirstRoundIterations);
    std::vector<MultiStartFit> fits = FitAll(problem, starts.size(),
        [&](const SpeciesProblem& own, size_t i) { return FitOneStart(own, starts[i], first); });
    auto ongoing = [&](const MultiStartFit& f) {
        return f.valid && f.lm.AtCap && first.MaxIterations < lmOptions.MaxIterations;
    };
    std::vector<MultiStartFit> ended;
    for (const MultiStartFit& f : fits)
        if (!ongoing(f))
            ended.push_back(f);
    const MultiStartFit endedBest = BestOf(ended);
    MultiStartFit restarted;
    const bool restart = !(endedBest.Good() && endedBest.lm.SumOfSquares < fewer.lm.SumOfSquares);
    if (restart)
        restarted = FitFromStarts(problem, RestartsOf(problem, fewer), lmOptions);
    const MultiStartFit& inHand = Better(restarted, endedBest) ? restarted : endedBest;
    LmOptions bounded = lmOptions;
    bounded.CostToBeat = inHand.Good() ? inHand.lm.SumOfSquares : 0;
    fits = FitAll(problem, fits.size(), [&](const SpeciesProblem& own, size_t i) {
        if (!ongoing(fits[i]))
            return fits[i];
        LmOptions resumed = bounded;
        resumed.Resume = &fits[i].lm.Progress;
        return FitOneStart(own, fits[i].lm.Parameters, resumed);
    });
    MultiStartFit fit = BestOf(std::move(fits));
    if (!restart)
        return fit;
    return Better(restarted, fit) ? restarted : fit;
}

} // namespace morvane
