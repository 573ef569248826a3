#include "realtime/RealTimeGofS.h"

#include "analysis/Threads.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <new>

#include "realtime/Smoothing.h"

namespace {
constexpr int32_t WorkingPoints = 4096; // least size of the composite arrays
}

RealTimeGofS::RealTimeGofS()
    : CompositeX(WorkingPoints, 0.0)
    , CompositeY(WorkingPoints, 0.0)
    , CompositeE(WorkingPoints, 0.0)
{
}

std::string RealTimeGofS::SignalUnit() const
{
    const std::string optics = ChannelName.size() >= 5 ? ChannelName.substr(3, 2) : std::string();
    const auto is = [&optics](const char* o) {
        return optics.size() == 2 && std::toupper(static_cast<unsigned char>(optics[0])) == o[0]
            && std::toupper(static_cast<unsigned char>(optics[1])) == o[1];
    };
    return is("RA") ? "OD" : is("IP") ? "fringes" : "counts";
}

void RealTimeGofS::SetCorrectionsFromChannel()
{
    // Characters 4 and 5 of the entry, in upper case, name the optical system.
    const bool interference = ChannelName.size() >= 5 && std::toupper(static_cast<unsigned char>(ChannelName[3])) == 'I'
        && std::toupper(static_cast<unsigned char>(ChannelName[4])) == 'P';
    CorrectJitter = interference;
    CorrectFringes = interference;
}

double RealTimeGofS::OmegaSquared(double rpm) { return 0.01096622711 * rpm * rpm; }

int32_t RealTimeGofS::CreateX(const double* radii, int32_t count)
{
    try {
        RawStore.reset();
        DcdtStore.reset();
        AvgDcdtStore.reset();
        SmoothGofsStore.reset();
        GofsStore.reset();
        if (!radii || count < 2)
            throw std::bad_alloc();
        RawStore = std::make_unique<ChannelDataStore>(Settings, radii, count);
        const int32_t n = Settings.sGridNumberOfPoints;
        DcdtStore = std::make_unique<ChannelDataStore>(Settings, std::log(Settings.LowS), std::log(Settings.HighS), n);
        if (RawStore->GetNumberOfPoints() == 0 || DcdtStore->GetNumberOfPoints() == 0)
            throw std::bad_alloc();
        AvgDcdtStore = std::make_unique<ChannelDataStore>(Settings, DcdtStore->GetGrid(), n);
        SmoothGofsStore = std::make_unique<ChannelDataStore>(Settings, DcdtStore->GetGrid(), n);
        GofsStore = std::make_unique<ChannelDataStore>(Settings, DcdtStore->GetGrid(), n);
        const size_t composite = static_cast<size_t>(std::max(n, WorkingPoints));
        if (CompositeX.size() < composite) {
            CompositeX.resize(composite, 0.0);
            CompositeY.resize(composite, 0.0);
            CompositeE.resize(composite, 0.0);
        }
        const size_t work = static_cast<size_t>(std::max(count, WorkingPoints));
        workX_.assign(work, 0.0);
        workY_.assign(work, 0.0);
        workE_.assign(work, 0.0);
    } catch (const std::exception&) {
        StatusLog += "Unexpected error in CreateX.  \n";
        return -1;
    }
    Created = true;
    compositeRestart_ = true;
    pairing_ = Pairing::None;
    SetupAxisTitles();
    return 0;
}

int32_t RealTimeGofS::RefreshStages(bool transform)
{
    if (transform)
        IPtransform();
    Refreshdcdtvss();
    return RefreshAveragedStages();
}

int32_t RealTimeGofS::RefreshAveragedStages()
{
    RefreshAvgdcdtvss();
    return RefreshGofsvss();
}

int32_t RealTimeGofS::IPtransform()
{
    if (!RawStore || RawStore->GetNumberOfSets() < 1)
        return -1;
    // From the values as read: correcting corrected values again would differ in the last bits.
    RawStore->RestoreAsAdded();
    if (CorrectJitter)
        RawStore->ZeroAllAtRadius(JitterRadius, Settings.JitterWindow);
    if (CorrectFringes)
        RawStore->RemoveAllFringeJumps(FringeRadius);
    return 0;
}

double RealTimeGofS::ComputeDcdtWindow(double omega2t, double meniscus, double bottom, double time) const
{
    const double rMid = (bottom + meniscus) * 0.5;
    double W = 0;
    if (!(omega2t > 0) || !(meniscus > 0) || !(time >= 0))
        return 0;
    if (!WindowByMW) {
        const double s = std::log(rMid / meniscus) / omega2t;
        const double M = 6270 * std::pow(s * 1e13, 1.5);
        const double D = 9.34e10 * s / M;
        const double w = 1.665 * std::sqrt(D * time);
        W = (std::log(rMid + w) - std::log(rMid)) / s;
        if (W / omega2t > Settings.MaxAveragingPercent)
            W = Settings.MaxAveragingPercent * omega2t;
    } else {
        const double s = 0.3125 * 1e-13 * std::pow(0.001 * AssumedMW, 0.6666666);
        const double D = 9.1e10 * s / AssumedMW;
        const double w = 1.665 * std::sqrt(D * time);
        const double rb = meniscus * std::exp(s * omega2t);
        W = (std::log(rb + w) - std::log(rb)) / s;
        if (W / omega2t > Settings.MaxAveragingPercent && rb > rMid)
            W = Settings.MaxAveragingPercent * omega2t;
    }
    return std::isfinite(W) ? W : 0;
}

double RealTimeGofS::PairingSpan(int32_t k) const
{
    const ScanHeader& h = RawStore->Headers[static_cast<size_t>(k)];
    return ComputeDcdtWindow(h.Omega2t, Meniscus, Bottom, h.Time) * Settings.dcdtWindowFactor * 0.5;
}

int32_t RealTimeGofS::PartnerOf(int32_t k, double span) const
{
    const double cut = RawStore->Headers[static_cast<size_t>(k)].Omega2t - span;
    for (int32_t j = k - 2; j >= 0; --j)
        if (RawStore->Headers[static_cast<size_t>(j)].Omega2t < cut)
            return j;
    return -1;
}

bool RealTimeGofS::PairCurve(int32_t f, int32_t l, double* x, double* y, double* e, ScanHeader& h) const
{
    const ScanHeader& hf = RawStore->Headers[static_cast<size_t>(f)];
    const ScanHeader& hl = RawStore->Headers[static_cast<size_t>(l)];
    const double tf = hf.Time, tl = hl.Time;
    const double omega2 = OmegaSquared(hl.Rpm);
    const double dt = tl - tf;
    if (!(tf > 0) || !(tl > 0) || !(dt > 0) || !(omega2 > 0))
        return false;
    const double thm = 2 / (1 / tl + 1 / tf);
    const int32_t n = RawStore->GetNumberOfPoints();
    const double low = Meniscus + Settings.DefaultMeniscusIgnore;
    const double high = Bottom - Settings.DefaultBottomIgnore;
    const double* yf = RawStore->GetSetY(f);
    const double* yl = RawStore->GetSetY(l);
    const double* ef = RawStore->GetSetE(f);
    const double* el = RawStore->GetSetE(l);
    for (int32_t i = 0; i < n; ++i) {
        const double r = RawStore->GetX(i);
        if (low < r && r < high) {
            x[i] = std::log(std::log(r / Meniscus) / thm / omega2);
            // A radius that one of the two scans does not cover holds no difference.
            if (ef[i] >= 0 && el[i] >= 0) {
                y[i] = (yf[i] - yl[i]) * thm / dt;
                e[i] = Settings.DefaultPositiveError;
            } else {
                y[i] = 0;
                e[i] = Settings.DefaultIgnoreTag;
            }
        } else {
            y[i] = 0;
            x[i] = r <= low ? Settings.LowLogS : Settings.HighLogS;
            e[i] = Settings.DefaultIgnoreTag;
        }
    }
    h = hl;
    h.Time = thm;
    h.Omega2t = omega2 * thm;
    h.FirstScan = f;
    h.LastScan = l;
    return true;
}

// One dc/dt set from raw scans f (first) and l (last). Returns AddSet's result; -1 also for a
// pair without a usable time span (equal times, a time of 0, no speed), which is skipped.
int32_t RealTimeGofS::AddPair(int32_t f, int32_t l)
{
    ScanHeader h;
    if (!PairCurve(f, l, workX_.data(), workY_.data(), workE_.data(), h))
        return -1;
    return DcdtStore->AddSet(workX_.data(), workY_.data(), workE_.data(), RawStore->GetNumberOfPoints(), h, h.Time);
}

void RealTimeGofS::AddPairs(const std::vector<std::pair<int32_t, int32_t>>& pairs, const char* error)
{
    const auto count = static_cast<int32_t>(pairs.size());
    const int32_t threads = std::min(Threads > 0 ? Threads : ThreadsFromEnvironment(), 64);
    // Pair p goes to slot p of the dc/dt store, each thread with curves of its own; the slots are
    // then kept in order, as AddPair would add them one after the other.
    if (threads <= 1 || count < 32 || count > ChannelDataStore::Slots) {
        for (const auto& [f, l] : pairs)
            if (AddPair(f, l) < 0)
                StatusLog += error;
        return;
    }
    const auto n = static_cast<size_t>(RawStore->GetNumberOfPoints());
    std::vector<std::vector<double>> work(static_cast<size_t>(threads), std::vector<double>(3 * n));
    std::vector<ScanHeader> headers(pairs.size());
    std::vector<char> paired(pairs.size(), 0), placed(pairs.size(), 0);
    ForEachOnThreads(count, threads, [&](int32_t p, int32_t t) {
        double* x = work[static_cast<size_t>(t)].data();
        const auto u = static_cast<size_t>(p);
        paired[u] = PairCurve(pairs[u].first, pairs[u].second, x, x + n, x + 2 * n, headers[u]);
        placed[u] = paired[u] && DcdtStore->PlaceSet(p, x, x + n, x + 2 * n, static_cast<int32_t>(n));
    });
    for (size_t p = 0; p < pairs.size(); ++p)
        if (!paired[p] || DcdtStore->KeepPlacedSet(static_cast<int32_t>(p), placed[p] != 0, headers[p]) < 0)
            StatusLog += error;
}

RealTimeGofS::PairingParameters RealTimeGofS::CurrentPairingParameters() const
{
    return { Meniscus, Bottom, AssumedMW, Settings.dcdtWindowFactor, Settings.MaxAveragingPercent,
        Settings.DefaultMeniscusIgnore, Settings.DefaultBottomIgnore, Settings.LowLogS, Settings.HighLogS, WindowByMW };
}

int32_t RealTimeGofS::Refreshdcdtvss()
{
    pairing_ = Pairing::None;
    if (DcdtStore)
        DcdtStore->ClearSets();
    if (!Created || !RawStore || RawStore->GetNumberOfSets() < 2 || !(Meniscus > 0))
        return -1;
    const int32_t n = RawStore->GetNumberOfSets();
    const int32_t l = n - 1;
    const int32_t j = PartnerOf(l, PairingSpan(l));
    if (n < 4) {
        pairing_ = Pairing::Single;
        if (AddPair(0, l) < 0)
            StatusLog += "\nError adding a set.  ";
    } else if (j < l - j) {
        pairing_ = Pairing::Spaced;
        const int32_t d = n / 2 - 1;
        std::vector<std::pair<int32_t, int32_t>> pairs;
        for (int32_t k = d; k <= l; ++k)
            pairs.emplace_back(k - d, k);
        AddPairs(pairs, "\nError adding a set.  ");
    } else {
        pairing_ = Pairing::OwnWindow;
        std::vector<std::pair<int32_t, int32_t>> pairs;
        for (int32_t k = 0; k <= l; ++k) {
            const int32_t jk = PartnerOf(k, PairingSpan(k));
            if (jk >= 0)
                pairs.emplace_back(jk, k);
        }
        AddPairs(pairs, "\nError adding a set in Refreshdcdtvss.  ");
    }
    pairingParameters_ = CurrentPairingParameters();
    pairedRawSets_ = n;
    pairedSets_ = DcdtStore->GetNumberOfSets();
    return 0;
}

int32_t RealTimeGofS::AddOnedcdtvss(int32_t k)
{
    if (!Created || !RawStore || RawStore->GetNumberOfSets() < 2 || !(Meniscus > 0))
        return -1;
    const int32_t n = RawStore->GetNumberOfSets();
    if (k < 0 || k >= n)
        return -1;
    const int32_t j = PartnerOf(k, PairingSpan(k));
    // With the newest scan's partner in the later half, every scan pairs within its own window,
    // which later scans do not change: the stage paired so for the scans before k grows by k's
    // pair alone. Any other moment (fewer than four scans, consecutive pairs, a switch between
    // the two ways, anything changed since the stage was made) re-pairs the whole stage.
    const bool ownWindow = n >= 4 && k == n - 1 && j >= (n - 1) - j;
    const bool builtSo = pairing_ == Pairing::OwnWindow && pairedRawSets_ == n - 1
        && pairedSets_ == DcdtStore->GetNumberOfSets() && pairingParameters_ == CurrentPairingParameters();
    if (!ownWindow || !builtSo) {
        Refreshdcdtvss();
        return 0;
    }
    pairedRawSets_ = n;
    const int32_t added = AddPair(j, k);
    pairedSets_ = DcdtStore->GetNumberOfSets();
    if (added < 0) {
        StatusLog += "\nError adding a set in AddOnedcdtvss.  ";
        return -1;
    }
    return 0;
}

int32_t RealTimeGofS::RefreshAvgdcdtvss()
{
    if (!AvgDcdtStore || !DcdtStore)
        return -1;
    AvgDcdtStore->ClearSets();
    const int32_t sets = DcdtStore->GetNumberOfSets();
    BuildWindowSums();
    for (int32_t k = 0; k < sets; ++k)
        AddOneAvgdcdtvss(k);
    sumsValid_ = false;
    return sets - 1;
}

void RealTimeGofS::BuildWindowSums()
{
    sumsValid_ = false;
    const int32_t sets = DcdtStore->GetNumberOfSets();
    const int32_t n = DcdtStore->GetNumberOfPoints();
    try {
        sums_.sets = sets;
        sums_.points = n;
        // Room for a full store from the start: a run that grows by a set per refresh then
        // never moves the sums to fresh memory (10 MB of page faults at each refresh).
        const size_t room = static_cast<size_t>(std::max(sets, ChannelDataStore::MaxSets) + 1) * static_cast<size_t>(n);
        sums_.sum.reserve(room);
        sums_.count.reserve(room);
        // Row 0 is zero; the loop below writes every other row.
        sums_.sum.resize(static_cast<size_t>(sets + 1) * static_cast<size_t>(n));
        sums_.count.resize(static_cast<size_t>(sets + 1) * static_cast<size_t>(n));
        std::fill_n(sums_.sum.begin(), n, 0.0L);
        std::fill_n(sums_.count.begin(), n, 0);
    } catch (const std::bad_alloc&) {
        return; // the averaged stage falls back to direct sums
    }
    for (int32_t m = 0; m < sets; ++m) {
        const double* y = DcdtStore->GetSetY(m);
        const double* e = DcdtStore->GetSetE(m);
        const size_t from = static_cast<size_t>(m) * static_cast<size_t>(n);
        const size_t to = from + static_cast<size_t>(n);
        for (int32_t i = 0; i < n; ++i) {
            const bool holds = e[i] > 0;
            sums_.sum[to + static_cast<size_t>(i)] = sums_.sum[from + static_cast<size_t>(i)] + static_cast<long double>(holds ? y[i] : 0.0);
            sums_.count[to + static_cast<size_t>(i)] = sums_.count[from + static_cast<size_t>(i)] + (holds ? 1 : 0);
        }
    }
    sumsValid_ = true;
}

int32_t RealTimeGofS::AddOneAvgdcdtvss(int32_t k)
{
    if (!Created || !RawStore || RawStore->GetNumberOfSets() < 2 || !(Meniscus > 0))
        return -1;
    if (k <= 0 || k >= DcdtStore->GetNumberOfSets())
        return 0;
    const int32_t n = DcdtStore->GetNumberOfPoints();
    const ScanHeader& hk = DcdtStore->Headers[static_cast<size_t>(k)];
    const double omega2 = OmegaSquared(hk.Rpm);
    const double W = ComputeDcdtWindow(hk.Omega2t, Meniscus, Bottom, hk.Time) * Settings.dcdtWindowFactor;
    const double cut = hk.Omega2t - W;
    int32_t j = 0;
    if (cut >= 0) {
        for (int32_t m = k; m >= 0; --m) {
            if (DcdtStore->Headers[static_cast<size_t>(m)].Omega2t < cut) {
                j = m;
                break;
            }
        }
    }
    const int32_t count = k - j + 1;
    double inverseSum = 0;
    for (int32_t m = j; m <= k; ++m)
        inverseSum += 1 / DcdtStore->Headers[static_cast<size_t>(m)].Time;
    const double thm = count / inverseSum;

    std::vector<double> sum(static_cast<size_t>(n), 0.0);
    std::vector<int32_t> contributions(static_cast<size_t>(n), 0);
    if (sumsValid_ && sums_.points == n && k < sums_.sets) {
        const size_t lo = static_cast<size_t>(j) * static_cast<size_t>(n);
        const size_t hi = static_cast<size_t>(k + 1) * static_cast<size_t>(n);
        for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
            sum[i] = static_cast<double>(sums_.sum[hi + i] - sums_.sum[lo + i]);
            contributions[i] = sums_.count[hi + i] - sums_.count[lo + i];
        }
    } else {
        for (int32_t m = j; m <= k; ++m) {
            const double* y = DcdtStore->GetSetY(m);
            const double* e = DcdtStore->GetSetE(m);
            for (int32_t i = 0; i < n; ++i) {
                if (e[i] > 0) {
                    sum[static_cast<size_t>(i)] += y[i];
                    ++contributions[static_cast<size_t>(i)];
                }
            }
        }
    }
    std::vector<double> y(static_cast<size_t>(n)), e(static_cast<size_t>(n));
    int32_t lastPoint = 0;
    for (int32_t i = 0; i < n; ++i) {
        const size_t u = static_cast<size_t>(i);
        const int32_t c = contributions[u];
        if (c >= 1) {
            y[u] = sum[u] / c;
            e[u] = Settings.DefaultPositiveError;
            if (c == count)
                lastPoint = i;
        } else {
            y[u] = 0;
            e[u] = Settings.DefaultNegativeTag;
        }
    }
    ScanHeader h = hk;
    h.Time = thm;
    h.Omega2t = omega2 * thm;
    h.FirstScan = j;
    h.LastScan = k;
    h.LastPoint = lastPoint;
    AvgDcdtStore->AddSet(DcdtStore->GetGrid(), y.data(), e.data(), n, h, thm);
    return 0;
}

int32_t RealTimeGofS::RefreshGofsvss()
{
    if (!GofsStore || !SmoothGofsStore || !AvgDcdtStore)
        return -1;
    GofsStore->ClearSets();
    SmoothGofsStore->ClearSets();
    compositeRestart_ = true;
    const int32_t sets = AvgDcdtStore->GetNumberOfSets();
    for (int32_t k = 0; k < sets; ++k)
        AddOneGofsvss(k);
    return sets - 1;
}

RealTimeGofS::CompositeParameters RealTimeGofS::CurrentParameters() const
{
    return { Meniscus, JitterRadius, FringeRadius, AssumedMW, WindowByMW };
}

int32_t RealTimeGofS::AddOneGofsvss(int32_t k)
{
    if (!Created || !AvgDcdtStore || k < 0 || k >= AvgDcdtStore->GetNumberOfSets())
        return -1;
    const int32_t n = AvgDcdtStore->GetNumberOfPoints();
    const ScanHeader& hk = AvgDcdtStore->Headers[static_cast<size_t>(k)];
    const double omega2 = OmegaSquared(hk.Rpm);
    const double t = hk.Time;
    const double* ys = AvgDcdtStore->GetSetY(k);
    const double* es = AvgDcdtStore->GetSetE(k);

    std::vector<double> X, B, E;
    X.reserve(static_cast<size_t>(n));
    B.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        if (es[i] >= 0) {
            X.push_back(AvgDcdtStore->GetX(i));
            B.push_back(ys[i]);
        }
    }
    const int32_t m = static_cast<int32_t>(X.size());
    E.assign(static_cast<size_t>(m), Settings.DefaultPositiveError);

    // Running integral of B over s (exp(X) dX = ds); the last point takes half a step. A set of
    // one valid point has nothing to integrate and passes on uncorrected.
    std::vector<double> I(static_cast<size_t>(m), 0.0), A(static_cast<size_t>(m));
    auto step = [&](int32_t j, double factor) {
        const size_t u = static_cast<size_t>(j);
        const double term = factor * std::exp(X[u]) * B[u] * (X[u] - X[u - 1]);
        I[u] = I[u - 1] + (std::isfinite(term) ? term : 0.0);
    };
    for (int32_t j = 1; j <= m - 2; ++j)
        step(j, 1.0);
    if (m >= 2)
        step(m - 1, 0.5);
    for (int32_t j = 0; j < m; ++j) {
        const size_t u = static_cast<size_t>(j);
        A[u] = B[u] - 2 * omega2 * t * I[u];
        if (!std::isfinite(A[u]))
            A[u] = B[u];
    }

    const int32_t g = GofsStore->AddSet(X.data(), A.data(), E.data(), m, hk, t);
    if (g >= 0) {
        const double* gy = GofsStore->GetSetY(g);
        const double* ge = GofsStore->GetSetE(g);
        const CompositeParameters now = CurrentParameters();
        if (CompositeEmpty || compositeRestart_ || !(now == compositeParameters_)) {
            for (int32_t i = 0; i < n; ++i) {
                CompositeX[static_cast<size_t>(i)] = GofsStore->GetX(i);
                CompositeY[static_cast<size_t>(i)] = gy[i];
                CompositeE[static_cast<size_t>(i)] = ge[i];
            }
            CompositeEmpty = false;
            compositeRestart_ = false;
            compositeParameters_ = now;
        } else {
            const int32_t last = std::min(GofsStore->Headers[static_cast<size_t>(g)].LastPoint, n - 1);
            for (int32_t i = 0; i <= last; ++i) {
                CompositeY[static_cast<size_t>(i)] = gy[i];
                CompositeE[static_cast<size_t>(i)] = ge[i];
            }
        }
        const int32_t q = SmoothGofsStore->CopySet(*GofsStore, g);
        if (q >= 0)
            SmoothBoxcar(SmoothGofsStore->GetSetY(q), SmoothGofsStore->GetNumberOfPoints(), Settings.SmoothRepetition,
                Settings.SmoothCarSize);
        for (int32_t i = 0; i < n; ++i) {
            GofsStore->SetE(g, i, es[i]);
            SmoothGofsStore->SetE(q, i, es[i]);
        }
    }
    return m;
}

void RealTimeGofS::SetupAxisTitles()
{
    if (RawStore) {
        RawStore->XTitle = "Radius cm";
        RawStore->YTitle = "c";
    }
    for (ChannelDataStore* s : { DcdtStore.get(), AvgDcdtStore.get() }) {
        if (s) {
            s->XTitle = "s* Svedburgs";
            s->YTitle = "t (dc/dt)";
        }
    }
    if (GofsStore) {
        GofsStore->XTitle = "s* Svedburgs";
        GofsStore->YTitle = "s g(s)";
    }
    if (SmoothGofsStore) {
        SmoothGofsStore->XTitle.clear();
        SmoothGofsStore->YTitle.clear();
    }
}

std::string RealTimeGofS::DescribeSet(const ChannelDataStore* store, int32_t k) const
{
    if (!store || !RawStore || k < 0 || k >= store->GetNumberOfSets())
        return {};
    auto rawName = [&](int32_t i) -> std::string {
        if (i < 0 || i >= RawStore->GetNumberOfSets())
            return {};
        return RawStore->Headers[static_cast<size_t>(i)].FileName;
    };
    auto pairText = [&](int32_t d) -> std::string {
        if (!DcdtStore || d < 0 || d >= DcdtStore->GetNumberOfSets())
            return " - ";
        const ScanHeader& h = DcdtStore->Headers[static_cast<size_t>(d)];
        return rawName(h.FirstScan) + " - " + rawName(h.LastScan);
    };
    const ScanHeader& h = store->Headers[static_cast<size_t>(k)];
    if (store == RawStore.get())
        return h.FileName + "^" + h.Description + h.HeaderLine;
    if (store == DcdtStore.get())
        return rawName(h.FirstScan) + " - " + rawName(h.LastScan) + "^";
    if (store == AvgDcdtStore.get() || store == GofsStore.get()) {
        std::string label;
        const bool known = DcdtStore && h.FirstScan >= 0 && h.LastScan < DcdtStore->GetNumberOfSets();
        if (!known)
            return {};
        label = rawName(DcdtStore->Headers[static_cast<size_t>(h.FirstScan)].FirstScan) + " - "
            + rawName(DcdtStore->Headers[static_cast<size_t>(h.LastScan)].LastScan) + "^";
        for (int32_t d = h.FirstScan; d <= h.LastScan; ++d)
            label += pairText(d) + "  ";
        return label;
    }
    return {};
}
