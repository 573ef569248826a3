// The extrapolation to infinite time on the 999-scan channel the benchmarks share (501 grid
// points): over every smoothed g(s*) set and over the last 11, once with the run's last set as the
// end, and once ending at the newest set that still holds the boundary (in the later sets of this
// channel it has reached the bottom, nothing is left to extrapolate and the computation is cheap).
// Then the dearest case: every grid point of 999 sets takes part; and the search for a sound
// range that a refused extrapolation makes.
//
// Besides, how far the intercept of the plane fit lies from the exact least-squares one where the
// sets are close in time, for the former solution by Cramer's rule on the normal equations and
// for FitPlane: counters "worst_*" are that distance over the largest value (the larger of the
// exact |intercept| and the largest |Z| of the fit), "refused_*" the fits declared singular, and
// "worst_cramer_refused" what the intercepts of those would have been off.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "follower/ChannelSession.h"
#include "realtime/Extrapolation.h"
#include "realtime/ExtrapolationGuard.h"
#include "realtime/Smoothing.h"
#include "testutil/ScanFileWriter.h"

using namespace morvane;

namespace {

struct Channel {
    testutil::TempDir dir;
    ChannelFollower follower;
    int32_t boundaryEnd = 0; // newest set with an extrapolated point over its last 11 sets
    Channel()
    {
        testutil::WriteRun(dir.path(), testutil::LargeChannelSpec());
        OpenChannel(follower, dir.path(), LaunchParameters::Defaults("0*.RA1"));
        for (boundaryEnd = Smooth().GetNumberOfSets() - 1; boundaryEnd > 10; --boundaryEnd) {
            if (Extrapolate(Smooth(), Gofs(), boundaryEnd - 10, boundaryEnd, ExtrapolationParameters())
                    .ExtrapolatedCount
                > 0)
                break;
        }
    }
    const ChannelDataStore& Smooth() const { return *follower.Engine->SmoothGofsStore; }
    const ChannelDataStore& Gofs() const { return *follower.Engine->GofsStore; }
};

Channel& TheChannel()
{
    static Channel c;
    return c;
}

void Measure(
    benchmark::State& state, const ChannelDataStore& smooth, const ChannelDataStore& gofs, int32_t start, int32_t end)
{
    int32_t extrapolated = 0;
    size_t entries = 0;
    for (auto _ : state) {
        const ExtrapolationResult r = Extrapolate(smooth, gofs, start, end, ExtrapolationParameters());
        extrapolated = r.ExtrapolatedCount;
        entries = r.Entries.size();
        benchmark::DoNotOptimize(r.Points.data());
    }
    state.counters["end"] = end;
    state.counters["sets"] = end - start + 1;
    state.counters["extrapolated"] = extrapolated;
    state.counters["entries"] = static_cast<double>(entries);
}

// range(0): 0 ends at the run's last set, 1 at the newest set that holds the boundary;
// range(1): sets in the range, 0 for all from the first.
void BM_ExtrapolateChannel(benchmark::State& state)
{
    const Channel& c = TheChannel();
    const int32_t end = state.range(0) == 0 ? c.Smooth().GetNumberOfSets() - 1 : c.boundaryEnd;
    const auto sets = static_cast<int32_t>(state.range(1));
    Measure(state, c.Smooth(), c.Gofs(), sets > 0 ? end - sets + 1 : 0, end);
}
BENCHMARK(BM_ExtrapolateChannel)
    ->ArgNames({ "boundary_end", "sets" })
    ->Args({ 0, 0 })
    ->Args({ 0, 11 })
    ->Args({ 1, 0 })
    ->Args({ 1, 11 })
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1);

// The search for the sound range nearest to the last 11 sets, which a refused extrapolation
// makes before it says which range would work; range(0) as for BM_ExtrapolateChannel.
void BM_SoundRangeOfTheLastEleven(benchmark::State& state)
{
    const Channel& c = TheChannel();
    const int32_t end = state.range(0) == 0 ? c.Smooth().GetNumberOfSets() - 1 : c.boundaryEnd;
    ExtrapolationRange r;
    for (auto _ : state) {
        r = SoundExtrapolationRange(c.Smooth(), c.Gofs(), end - 10, end, ExtrapolationParameters());
        benchmark::DoNotOptimize(r.Start);
    }
    state.counters["found"] = r.Found;
    state.counters["start"] = r.Start;
    state.counters["end"] = r.End;
}
BENCHMARK(BM_SoundRangeOfTheLastEleven)
    ->ArgName("boundary_end")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1);

// 999 sets 30 s apart from 300 s in which every one of 501 points holds a value that declines
// towards infinite time, with a ripple of 1 %.
const ChannelDataStore& EveryPointStore()
{
    static const CustomSettings settings;
    static const auto store = [] {
        auto s = std::make_unique<ChannelDataStore>(settings, std::log(settings.LowS), std::log(settings.HighS), 501);
        std::vector<double> y(501), e(501, settings.DefaultPositiveError);
        for (int32_t k = 0; k < ChannelDataStore::MaxSets; ++k) {
            ScanHeader h;
            h.Time = 300 + 30.0 * k;
            for (int32_t p = 0; p < 501; ++p)
                y[static_cast<size_t>(p)] = (1 + 0.001 * p) * std::exp(-3 / std::sqrt(h.Time) + 0.01 * std::sin(k + p));
            s->AddSet(s->GetGrid(), y.data(), e.data(), 501, h, h.Time);
        }
        return s;
    }();
    return *store;
}

void BM_ExtrapolateEveryPoint(benchmark::State& state)
{
    const ChannelDataStore& store = EveryPointStore();
    const auto sets = static_cast<int32_t>(state.range(0));
    const int32_t end = store.GetNumberOfSets() - 1;
    Measure(state, store, store, sets > 0 ? end - sets + 1 : 0, end);
}
BENCHMARK(BM_ExtrapolateEveryPoint)->ArgName("sets")->Arg(0)->Arg(11)->Unit(benchmark::kMillisecond)->MinTime(1);

// The plane fit as it was: Cramer's rule on the normal equations, singular below 1e-12 of N Sxx Syy.
// a is set even for a fit declared singular, to show what it would have been.
int32_t CramerFitPlane(const double* x, const double* y, const double* z, int32_t n, double& a)
{
    if (n < 2)
        return -1;
    double sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0, sz = 0, sxz = 0, syz = 0;
    for (int32_t i = 0; i < n; ++i) {
        sx += x[i];
        sy += y[i];
        sxx += x[i] * x[i];
        sxy += x[i] * y[i];
        syy += y[i] * y[i];
        sz += z[i];
        sxz += x[i] * z[i];
        syz += y[i] * z[i];
    }
    const double d = n * (sxx * syy - sxy * sxy) - sx * (sx * syy - sxy * sy) + sy * (sx * sxy - sxx * sy);
    if (d == 0 || !std::isfinite(d))
        return -1;
    a = (sz * (sxx * syy - sxy * sxy) - sx * (sxz * syy - sxy * syz) + sy * (sxz * sxy - sxx * syz)) / d;
    return std::isfinite(a) && std::fabs(d) >= 1e-12 * std::fabs(n * sxx * syy + 1e-300) ? 0 : -1;
}

// The exact least-squares intercept, to far more digits than a double holds: the normal equations
// in quadruple precision, whose 113-bit significand absorbs their conditioning.
double ReferenceIntercept(const double* x, const double* y, const double* z, int32_t n)
{
    __float128 s[8] = {};
    for (int32_t i = 0; i < n; ++i) {
        const auto X = static_cast<__float128>(x[i]), Y = static_cast<__float128>(y[i]),
                   Z = static_cast<__float128>(z[i]);
        s[0] += X, s[1] += Y, s[2] += X * X, s[3] += X * Y, s[4] += Y * Y, s[5] += Z, s[6] += X * Z, s[7] += Y * Z;
    }
    const __float128 N = n, sx = s[0], sy = s[1], sxx = s[2], sxy = s[3], syy = s[4], sz = s[5], sxz = s[6], syz = s[7];
    const __float128 d = N * (sxx * syy - sxy * sxy) - sx * (sx * syy - sxy * sy) + sy * (sx * sxy - sxx * sy);
    return static_cast<double>(
        (sz * (sxx * syy - sxy * sxy) - sx * (sxz * syy - sxy * syz) + sy * (sxz * sxy - sxx * syz)) / d);
}

struct InterceptErrors {
    double worstCramer = 0, worstCramerRefused = 0, worstFitPlane = 0;
    int32_t fits = 0, refusedCramer = 0, refusedFitPlane = 0;

    void Add(const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& z)
    {
        const auto n = static_cast<int32_t>(x.size());
        const double exact = ReferenceIntercept(x.data(), y.data(), z.data(), n);
        double largest = std::fabs(exact);
        for (double v : z)
            largest = std::max(largest, std::fabs(v));
        ++fits;
        double a = 0, b = 0, c = 0, sa = 0;
        a = std::numeric_limits<double>::quiet_NaN();
        if (CramerFitPlane(x.data(), y.data(), z.data(), n, a) < 0) {
            ++refusedCramer;
            if (std::isfinite(a))
                worstCramerRefused = std::max(worstCramerRefused, std::fabs(a - exact) / largest);
        } else
            worstCramer = std::max(worstCramer, std::fabs(a - exact) / largest);
        if (FitPlane(x.data(), y.data(), z.data(), n, a, b, c, sa) < 0)
            ++refusedFitPlane;
        else
            worstFitPlane = std::max(worstFitPlane, std::fabs(a - exact) / largest);
    }

    void Report(benchmark::State& state) const
    {
        state.counters["fits"] = fits;
        state.counters["worst_cramer"] = worstCramer;
        state.counters["worst_fitplane"] = worstFitPlane;
        state.counters["refused_cramer"] = refusedCramer;
        state.counters["worst_cramer_refused"] = worstCramerRefused;
        state.counters["refused_fitplane"] = refusedFitPlane;
    }
};

// Every grid point of the sets end - 9 .. end, with the entries the extrapolation fits.
void LastTenSets(benchmark::State& state, const ChannelDataStore& smooth, int32_t end)
{
    const ExtrapolationResult r = Extrapolate(smooth, smooth, end - 9, end, ExtrapolationParameters());
    InterceptErrors errors;
    for (auto _ : state) {
        errors = InterceptErrors();
        for (int32_t p = 0; p < static_cast<int32_t>(r.Points.size()); ++p) {
            std::vector<double> x, y, z;
            for (const ExtrapolationEntry& e : r.EntriesOf(p)) {
                x.push_back(e.X);
                y.push_back(e.Y);
                z.push_back(e.Z);
            }
            if (x.size() >= 4)
                errors.Add(x, y, z);
        }
    }
    errors.Report(state);
}

void BM_InterceptLast10SetsOfTheChannel(benchmark::State& state)
{
    const Channel& c = TheChannel();
    LastTenSets(state, c.Smooth(), c.boundaryEnd);
}
BENCHMARK(BM_InterceptLast10SetsOfTheChannel)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_InterceptLast10SetsEveryPoint(benchmark::State& state)
{
    LastTenSets(state, EveryPointStore(), EveryPointStore().GetNumberOfSets() - 1);
}
BENCHMARK(BM_InterceptLast10SetsEveryPoint)->Unit(benchmark::kMillisecond)->Iterations(1);

// Ten sets evenly spaced from 20000 s to 26000 s, Z a quadratic in X = 1/sqrt(t) with coefficients
// spread over what ln g(s*) takes, plus noise of 1e-3.
void BM_InterceptTenSetsFrom20000s(benchmark::State& state)
{
    InterceptErrors errors;
    for (auto _ : state) {
        errors = InterceptErrors();
        uint64_t seed = 12345;
        auto uniform = [&seed] {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            return static_cast<double>(seed >> 11) * 0x1.0p-53;
        };
        for (int trial = 0; trial < 1000; ++trial) {
            const double a = 20 + 10 * uniform(), b = -200 + 400 * uniform(), c = -10000 + 20000 * uniform();
            std::vector<double> x, y, z;
            for (int k = 0; k < 10; ++k) {
                const double t = 20000 + 6000.0 * k / 9;
                x.push_back(std::sqrt(1 / t));
                y.push_back(1 / t);
                z.push_back(a + b * x.back() + c * y.back() + 1e-3 * (uniform() - 0.5));
            }
            errors.Add(x, y, z);
        }
    }
    errors.Report(state);
}
BENCHMARK(BM_InterceptTenSetsFrom20000s)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
