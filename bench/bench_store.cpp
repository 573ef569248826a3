// AddSet of a 1600-point curve: onto a 1600-point radial grid (the raw store) and onto the
// 501-point ln s grid (a dc/dt set).
#include <benchmark/benchmark.h>
#include <cmath>
#include <vector>

#include "analysis/ChannelDataStore.h"

using namespace morvane;

namespace {

constexpr int32_t Points = 1600;

std::vector<double> Radii(double first)
{
    std::vector<double> r(Points);
    for (int32_t i = 0; i < Points; ++i)
        r[static_cast<size_t>(i)] = first + 0.0008 * i;
    return r;
}

// range(0): 0 the curve on the grid's own radii (exact matches), 1 radii between grid points.
void BM_AddSetRadialGrid(benchmark::State& state)
{
    const CustomSettings settings;
    const std::vector<double> grid = Radii(5.85);
    ChannelDataStore store(settings, grid.data(), Points);
    const std::vector<double> r = Radii(state.range(0) == 0 ? 5.85 : 5.8504);
    std::vector<double> y(Points);
    for (int32_t i = 0; i < Points; ++i)
        y[static_cast<size_t>(i)] = std::tanh((r[static_cast<size_t>(i)] - 6.4) * 20);
    ScanHeader h;
    h.Time = 1;
    for (auto _ : state) {
        store.ClearSets();
        benchmark::DoNotOptimize(store.AddSet(r.data(), y.data(), nullptr, Points, h, 1));
    }
}
BENCHMARK(BM_AddSetRadialGrid)->Arg(0)->Arg(1);

void BM_AddSetLogGrid(benchmark::State& state)
{
    const CustomSettings settings;
    ChannelDataStore store(settings, std::log(settings.LowS), std::log(settings.HighS), settings.sGridNumberOfPoints);
    // A dc/dt curve: ln s* of each radius at a harmonic-mean time of 3000 s and 50000 rpm.
    const std::vector<double> r = Radii(5.92);
    const double w2t = 0.01096622711 * 50000.0 * 50000.0 * 3000;
    std::vector<double> x(Points), y(Points), e(Points, settings.DefaultPositiveError);
    for (size_t i = 0; i < x.size(); ++i) {
        x[i] = std::log(std::log(r[i] / 5.9) / w2t);
        y[i] = std::exp(-std::pow((x[i] - std::log(4.4e-13)) * 8, 2));
    }
    ScanHeader h;
    h.Time = 1;
    for (auto _ : state) {
        store.ClearSets();
        benchmark::DoNotOptimize(store.AddSet(x.data(), y.data(), e.data(), Points, h, 1));
    }
}
BENCHMARK(BM_AddSetLogGrid);

} // namespace

BENCHMARK_MAIN();
