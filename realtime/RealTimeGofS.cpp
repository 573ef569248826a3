#include "realtime/RealTimeGofS.h"

#include "analysis/Threads.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <new>

#include "realtime/Smoothing.h"

namespace morvane {

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
    std::unique_ptr<ChannelDataStore> raw;
    try {
        if (radii && count >= 2)
            raw = std::make_unique<ChannelDataStore>(Settings, radii, count);
    } catch (const std::exception&) {
        raw.reset(); // as no radii: CreateX below fails
    }
    return CreateX(std::move(raw));
}

int32_t RealTimeGofS::CreateX(std::unique_ptr<ChannelDataStore> raw)
{
    try {
        RawStore.reset();
        DcdtStore.reset();
        AvgDcdtStore.reset();
        SmoothGofsStore.reset();
        GofsStore.reset();
        if (!raw || raw->GetNumberOfPoints() < 2)
            throw std::bad_alloc();
        RawStore = std::move(raw);
        const int32_t count = RawStore->GetNumberOfPoints();
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
        RawStore->ZeroAllAtRadius(Cell.JitterRadius, Settings.JitterWindow);
    if (CorrectFringes)
        RawStore->RemoveAllFringeJumps(Cell.FringeRadius);
    return 0;
}

double RealTimeGofS::ComputeDcdtWindow(double omega2t, double meniscus, double bottom, double time) const
{
    const double rMid = (bottom + meniscus) * 0.5;
    double W = 0;
    if (!(omega2t > 0) || !(meniscus > 0) || !(time >= 0))
        return 0;
    if (!Cell.WindowByMW) {
        const double s = std::log(rMid / meniscus) / omega2t;
        const double M = 6270 * std::pow(s * 1e13, 1.5);
        const double D = 9.34e10 * s / M;
        const double w = 1.665 * std::sqrt(D * time);
        W = (std::log(rMid + w) - std::log(rMid)) / s;
        if (W / omega2t > Settings.MaxAveragingPercent)
            W = Settings.MaxAveragingPercent * omega2t;
    } else {
        const double s = 0.3125 * 1e-13 * std::pow(0.001 * Cell.AssumedMW, 0.6666666);
        const double D = 9.1e10 * s / Cell.AssumedMW;
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
    return ComputeDcdtWindow(h.Omega2t, Cell.Meniscus, Cell.Bottom, h.Time) * Settings.dcdtWindowFactor * 0.5;
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
    const double low = Cell.Meniscus + Settings.DefaultMeniscusIgnore;
    const double high = Cell.Bottom - Settings.DefaultBottomIgnore;
    const double* yf = RawStore->GetSetY(f);
    const double* yl = RawStore->GetSetY(l);
    const double* ef = RawStore->GetSetE(f);
    const double* el = RawStore->GetSetE(l);
    const bool cached = logRatioMeniscus_ == Cell.Meniscus && static_cast<int32_t>(logRatio_.size()) == n;
    for (int32_t i = 0; i < n; ++i) {
        const double r = RawStore->GetX(i);
        if (low < r && r < high) {
            const double logRatio = cached ? logRatio_[static_cast<size_t>(i)] : std::log(r / Cell.Meniscus);
            x[i] = std::log(logRatio / thm / omega2);
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

RealTimeGofS::PairingParameters RealTimeGofS::CurrentPairingParameters() const
{
    return { Cell.Meniscus, Cell.Bottom, Cell.AssumedMW, Settings.dcdtWindowFactor, Settings.MaxAveragingPercent,
        Settings.DefaultMeniscusIgnore, Settings.DefaultBottomIgnore, Settings.LowLogS, Settings.HighLogS,
        Cell.WindowByMW };
}

void RealTimeGofS::CacheLogRatios()
{
    const int32_t n = RawStore->GetNumberOfPoints();
    logRatio_.resize(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        logRatio_[static_cast<size_t>(i)] = std::log(RawStore->GetX(i) / Cell.Meniscus);
    logRatioMeniscus_ = Cell.Meniscus;
}

int32_t RealTimeGofS::Refreshdcdtvss()
{
    pairing_ = Pairing::None;
    if (DcdtStore)
        DcdtStore->ClearSets();
    if (!Created || !RawStore || RawStore->GetNumberOfSets() < 2 || !(Cell.Meniscus > 0))
        return -1;
    CacheLogRatios();
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
    if (!Created || !RawStore || RawStore->GetNumberOfSets() < 2 || !(Cell.Meniscus > 0))
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
    CacheLogRatios();
    const int32_t added = AddPair(j, k);
    pairedSets_ = DcdtStore->GetNumberOfSets();
    if (added < 0) {
        StatusLog += "\nError adding a set in AddOnedcdtvss.  ";
        return -1;
    }
    return 0;
}

bool RealTimeGofS::CanAverage() const
{
    return Created && RawStore && RawStore->GetNumberOfSets() >= 2 && Cell.Meniscus > 0;
}

int32_t RealTimeGofS::AddOneAvgdcdtvss(int32_t k)
{
    if (!CanAverage())
        return -1;
    if (k <= 0 || k >= DcdtStore->GetNumberOfSets())
        return 0;
    const auto n = static_cast<size_t>(DcdtStore->GetNumberOfPoints());
    double* work = Scratch(0, 4 * n);
    ScanHeader h;
    AvgCurve(k, work, work + 2 * n, work + 3 * n, h);
    AvgDcdtStore->AddSet(DcdtStore->GetGrid(), work + 2 * n, work + 3 * n, static_cast<int32_t>(n), h, h.Time);
    return 0;
}

void RealTimeGofS::AvgCurve(int32_t k, double* work, double* y, double* e, ScanHeader& h) const
{
    const int32_t n = DcdtStore->GetNumberOfPoints();
    const ScanHeader& hk = DcdtStore->Headers[static_cast<size_t>(k)];
    const double omega2 = OmegaSquared(hk.Rpm);
    const double W = ComputeDcdtWindow(hk.Omega2t, Cell.Meniscus, Cell.Bottom, hk.Time) * Settings.dcdtWindowFactor;
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

    // Counts are small whole numbers: a double holds them exactly.
    double* sum = work;
    double* contributions = work + n;
    if (sumsValid_ && sums_.points == n && k < sums_.sets) {
        const size_t lo = static_cast<size_t>(j) * static_cast<size_t>(n);
        const size_t hi = static_cast<size_t>(k + 1) * static_cast<size_t>(n);
        for (size_t i = 0; i < static_cast<size_t>(n); ++i) {
            sum[i] = static_cast<double>(sums_.sum.As<long double>()[hi + i] - sums_.sum.As<long double>()[lo + i]);
            contributions[i] = sums_.count.As<int32_t>()[hi + i] - sums_.count.As<int32_t>()[lo + i];
        }
    } else {
        std::fill_n(sum, n, 0.0);
        std::fill_n(contributions, n, 0.0);
        for (int32_t m = j; m <= k; ++m) {
            const double* ym = DcdtStore->GetSetY(m);
            const double* em = DcdtStore->GetSetE(m);
            for (int32_t i = 0; i < n; ++i) {
                if (em[i] > 0) {
                    sum[i] += ym[i];
                    contributions[i] += 1;
                }
            }
        }
    }
    int32_t lastPoint = 0;
    for (int32_t i = 0; i < n; ++i) {
        const double c = contributions[i];
        if (c >= 1) {
            y[i] = sum[i] / c;
            e[i] = Settings.DefaultPositiveError;
            if (c == count)
                lastPoint = i;
        } else {
            y[i] = 0;
            e[i] = Settings.DefaultNegativeTag;
        }
    }
    h = hk;
    h.Time = thm;
    h.Omega2t = omega2 * thm;
    h.FirstScan = j;
    h.LastScan = k;
    h.LastPoint = lastPoint;
}

int32_t RealTimeGofS::GofsCurve(int32_t k, double* x, double* a, double* e, double* work) const
{
    const int32_t n = AvgDcdtStore->GetNumberOfPoints();
    const ScanHeader& hk = AvgDcdtStore->Headers[static_cast<size_t>(k)];
    const double omega2 = OmegaSquared(hk.Rpm);
    const double t = hk.Time;
    const double* ys = AvgDcdtStore->GetSetY(k);
    const double* es = AvgDcdtStore->GetSetE(k);
    double* b = work;
    double* integral = work + n;
    int32_t m = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (es[i] >= 0) {
            x[m] = AvgDcdtStore->GetX(i);
            b[m] = ys[i];
            ++m;
        }
    }
    std::fill_n(e, m, Settings.DefaultPositiveError);

    // Running integral of B over s (exp(X) dX = ds); the last point takes half a step. A set of
    // one valid point has nothing to integrate and passes on uncorrected.
    if (m > 0)
        integral[0] = 0;
    auto step = [&](int32_t j, double factor) {
        const double term = factor * std::exp(x[j]) * b[j] * (x[j] - x[j - 1]);
        integral[j] = integral[j - 1] + (std::isfinite(term) ? term : 0.0);
    };
    for (int32_t j = 1; j <= m - 2; ++j)
        step(j, 1.0);
    if (m >= 2)
        step(m - 1, 0.5);
    for (int32_t j = 0; j < m; ++j) {
        a[j] = b[j] - 2 * omega2 * t * integral[j];
        if (!std::isfinite(a[j]))
            a[j] = b[j];
    }
    return m;
}

void RealTimeGofS::UpdateComposite(int32_t g)
{
    const int32_t n = GofsStore->GetNumberOfPoints();
    const double* gy = GofsStore->GetSetY(g);
    const double* ge = GofsStore->GetSetE(g);
    const CellParameters now = Cell;
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
}

int32_t RealTimeGofS::AddOneGofsvss(int32_t k)
{
    if (!Created || !AvgDcdtStore || k < 0 || k >= AvgDcdtStore->GetNumberOfSets())
        return -1;
    const int32_t n = AvgDcdtStore->GetNumberOfPoints();
    const auto u = static_cast<size_t>(n);
    double* w = Scratch(0, 5 * u);
    const int32_t m = GofsCurve(k, w, w + u, w + 2 * u, w + 3 * u);
    const ScanHeader& hk = AvgDcdtStore->Headers[static_cast<size_t>(k)];
    const int32_t g = GofsStore->AddSet(w, w + u, w + 2 * u, m, hk, hk.Time);
    if (g >= 0) {
        UpdateComposite(g);
        const int32_t q = SmoothGofsStore->CopySet(*GofsStore, g);
        if (q >= 0)
            SmoothBoxcar(SmoothGofsStore->GetSetY(q), SmoothGofsStore->GetNumberOfPoints(), Settings.SmoothRepetition,
                Settings.SmoothCarSize);
        const double* es = AvgDcdtStore->GetSetE(k);
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

} // namespace morvane
