// The stages of the engine made on several threads. Each set of a stage depends only on the stage
// before, so the sets are made at once, each into the storage slot of its own index, and then kept
// in order (ChannelDataStore::KeepPlacedSet) under the rules of adding them one by one: a stage is
// the same, bit for bit, whatever the number of threads.
#include "realtime/RealTimeGofS.h"

#include "analysis/Threads.h"

#include <algorithm>

#include "realtime/Smoothing.h"

namespace morvane {

namespace {

// Fewer sets than this are made on the calling thread: starting threads would cost more.
constexpr int32_t LeastSetsForThreads = 32;

// Grid columns of the running window sums given to one thread at a time.
constexpr int32_t SumColumns = 16;

} // namespace

int32_t RealTimeGofS::StageThreads() const { return std::min(Threads > 0 ? Threads : ThreadsFromEnvironment(), 64); }

double* RealTimeGofS::Scratch(int32_t t, size_t doubles)
{
    const auto u = static_cast<size_t>(t);
    if (scratch_.size() <= u)
        scratch_.resize(u + 1);
    if (scratch_[u].size() < doubles)
        scratch_[u].resize(doubles);
    return scratch_[u].data();
}

void RealTimeGofS::AddPairs(const std::vector<std::pair<int32_t, int32_t>>& pairs, const char* error)
{
    const auto count = static_cast<int32_t>(pairs.size());
    const int32_t threads = StageThreads();
    // Pair p goes to slot p of the dc/dt store, each thread with curves of its own; the slots are
    // then kept in order, as AddPair would add them one after the other.
    if (threads <= 1 || count < LeastSetsForThreads || count > ChannelDataStore::Slots) {
        for (const auto& [f, l] : pairs)
            if (AddPair(f, l) < 0)
                StatusLog += error;
        return;
    }
    const auto n = static_cast<size_t>(RawStore->GetNumberOfPoints());
    for (int32_t t = 0; t < threads; ++t)
        Scratch(t, 3 * n);
    std::vector<ScanHeader> headers(pairs.size());
    std::vector<char> paired(pairs.size(), 0), placed(pairs.size(), 0);
    ForEachOnThreads(count, threads, [&](int32_t p, int32_t t) {
        double* x = scratch_[static_cast<size_t>(t)].data();
        const auto u = static_cast<size_t>(p);
        paired[u] = PairCurve(pairs[u].first, pairs[u].second, x, x + n, x + 2 * n, headers[u]);
        placed[u] = paired[u] && DcdtStore->PlaceSet(p, x, x + n, x + 2 * n, static_cast<int32_t>(n));
    });
    for (size_t p = 0; p < pairs.size(); ++p)
        if (!paired[p] || DcdtStore->KeepPlacedSet(static_cast<int32_t>(p), placed[p] != 0, headers[p]) < 0)
            StatusLog += error;
}

void RealTimeGofS::BuildWindowSums()
{
    sumsValid_ = false;
    const int32_t sets = DcdtStore->GetNumberOfSets();
    const int32_t n = DcdtStore->GetNumberOfPoints();
    const size_t need = static_cast<size_t>(sets + 1) * static_cast<size_t>(n);
    if (sums_.room < need) {
        // Room for a full store from the start: a run that grows by a set per refresh then
        // never moves the sums to fresh memory (10 MB of page faults at each refresh).
        const size_t room = static_cast<size_t>(std::max(sets, ChannelDataStore::MaxSets) + 1) * static_cast<size_t>(n);
        sums_.sum = LargeBlock(room * sizeof(long double));
        sums_.count = LargeBlock(room * sizeof(int32_t));
        if (!sums_.sum.Data() || !sums_.count.Data()) {
            sums_.sum = LargeBlock();
            sums_.count = LargeBlock();
            sums_.room = 0;
            return; // the averaged stage falls back to direct sums
        }
        sums_.room = room;
    }
    sums_.sets = sets;
    sums_.points = n;
    auto* const sum = sums_.sum.As<long double>();
    auto* const count = sums_.count.As<int32_t>();
    // Each column is a running sum of its own: columns go to threads in blocks.
    const int32_t blocks = (n + SumColumns - 1) / SumColumns;
    const int32_t threads = sets < LeastSetsForThreads ? 1 : StageThreads();
    ForEachOnThreads(blocks, threads, [&](int32_t b, int32_t) {
        const auto lo = static_cast<size_t>(b * SumColumns);
        const auto hi = static_cast<size_t>(std::min(n, (b + 1) * SumColumns));
        std::fill(sum + lo, sum + hi, 0.0L);
        std::fill(count + lo, count + hi, 0);
        for (int32_t m = 0; m < sets; ++m) {
            const double* y = DcdtStore->GetSetY(m);
            const double* e = DcdtStore->GetSetE(m);
            const size_t from = static_cast<size_t>(m) * static_cast<size_t>(n);
            const size_t to = from + static_cast<size_t>(n);
            for (size_t i = lo; i < hi; ++i) {
                const bool holds = e[i] > 0;
                sum[to + i] = sum[from + i] + static_cast<long double>(holds ? y[i] : 0.0);
                count[to + i] = count[from + i] + (holds ? 1 : 0);
            }
        }
    });
    sumsValid_ = true;
}

int32_t RealTimeGofS::RefreshAvgdcdtvss()
{
    if (!AvgDcdtStore || !DcdtStore)
        return -1;
    AvgDcdtStore->ClearSets();
    const int32_t sets = DcdtStore->GetNumberOfSets();
    BuildWindowSums();
    const int32_t threads = StageThreads();
    if (!CanAverage() || sets < 2) {
        // Nothing to average.
    } else if (threads <= 1 || sets < LeastSetsForThreads || sets > ChannelDataStore::Slots) {
        for (int32_t k = 1; k < sets; ++k)
            AddOneAvgdcdtvss(k);
    } else {
        // Averaged set k - 1 is made from dc/dt set k.
        const auto n = static_cast<size_t>(DcdtStore->GetNumberOfPoints());
        for (int32_t t = 0; t < threads; ++t)
            Scratch(t, 4 * n);
        std::vector<ScanHeader> headers(static_cast<size_t>(sets - 1));
        std::vector<char> placed(headers.size(), 0);
        ForEachOnThreads(sets - 1, threads, [&](int32_t p, int32_t t) {
            double* w = scratch_[static_cast<size_t>(t)].data();
            const auto u = static_cast<size_t>(p);
            AvgCurve(p + 1, w, w + 2 * n, w + 3 * n, headers[u]);
            placed[u] = AvgDcdtStore->PlaceSet(p, DcdtStore->GetGrid(), w + 2 * n, w + 3 * n, static_cast<int32_t>(n));
        });
        for (size_t p = 0; p < headers.size(); ++p)
            AvgDcdtStore->KeepPlacedSet(static_cast<int32_t>(p), placed[p] != 0, headers[p]);
    }
    sumsValid_ = false;
    return sets - 1;
}

bool RealTimeGofS::PlaceGofs(int32_t k, double* work)
{
    const auto n = static_cast<size_t>(AvgDcdtStore->GetNumberOfPoints());
    double* x = work;
    double* a = work + n;
    const int32_t m = GofsCurve(k, x, a, work + 2 * n, work + 3 * n);
    if (!GofsStore->PlaceSet(k, x, a, work + 2 * n, m))
        return false;
    // The smoothed copy as CopySet makes it: the set on its own grid, e set later.
    SmoothGofsStore->PlaceSet(k, GofsStore->GetGrid(), GofsStore->GetSetY(k), nullptr, static_cast<int32_t>(n));
    SmoothBoxcar(SmoothGofsStore->GetSetY(k), SmoothGofsStore->GetNumberOfPoints(), Settings.SmoothRepetition,
        Settings.SmoothCarSize);
    return true;
}

int32_t RealTimeGofS::RefreshGofsvss()
{
    if (!GofsStore || !SmoothGofsStore || !AvgDcdtStore)
        return -1;
    GofsStore->ClearSets();
    SmoothGofsStore->ClearSets();
    compositeRestart_ = true;
    const int32_t sets = AvgDcdtStore->GetNumberOfSets();
    const int32_t threads = StageThreads();
    if (!Created) {
        // Nothing to correct.
    } else if (threads <= 1 || sets < LeastSetsForThreads || sets > ChannelDataStore::Slots) {
        for (int32_t k = 0; k < sets; ++k)
            AddOneGofsvss(k);
    } else {
        const auto n = static_cast<size_t>(AvgDcdtStore->GetNumberOfPoints());
        for (int32_t t = 0; t < threads; ++t)
            Scratch(t, 5 * n);
        std::vector<char> placed(static_cast<size_t>(sets), 0);
        ForEachOnThreads(sets, threads, [&](int32_t k, int32_t t) {
            placed[static_cast<size_t>(k)] = PlaceGofs(k, scratch_[static_cast<size_t>(t)].data());
        });
        // In order: the composite takes each set as it comes, with its e as placed.
        struct Kept {
            int32_t k, g, q;
        };
        std::vector<Kept> kept;
        kept.reserve(static_cast<size_t>(sets));
        for (int32_t k = 0; k < sets; ++k) {
            const ScanHeader& hk = AvgDcdtStore->Headers[static_cast<size_t>(k)];
            const int32_t g = GofsStore->KeepPlacedSet(k, placed[static_cast<size_t>(k)] != 0, hk);
            if (g < 0)
                continue;
            UpdateComposite(g);
            kept.push_back({ k, g, SmoothGofsStore->KeepPlacedSet(k, true, hk) });
        }
        // Then each set takes the e of its averaged set.
        ForEachOnThreads(static_cast<int32_t>(kept.size()), threads, [&](int32_t i, int32_t) {
            const Kept& s = kept[static_cast<size_t>(i)];
            const double* es = AvgDcdtStore->GetSetE(s.k);
            for (int32_t j = 0; j < static_cast<int32_t>(n); ++j) {
                GofsStore->SetE(s.g, j, es[j]);
                SmoothGofsStore->SetE(s.q, j, es[j]);
            }
        });
    }
    return sets - 1;
}

} // namespace morvane
