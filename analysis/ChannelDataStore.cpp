#include "analysis/ChannelDataStore.h"

#include "scanfiles/ScanText.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <mutex>
#include <new>

namespace morvane {

namespace {

// Sets v to +0.0 without writing where it holds that already: the e of a curve given without
// any is all zeros, and a page of fresh memory that is only read stays the kernel's shared zero
// page rather than costing a fault, a page and its clearing.
void SetZero(double& v)
{
    if (std::bit_cast<uint64_t>(v) != 0)
        v = 0.0;
}

std::mutex& LogMutex()
{
    static std::mutex m;
    return m;
}

std::string& LogText()
{
    static std::string text;
    return text;
}

} // namespace

void SetCursor::SetFirst(int32_t v)
{
    First = v;
    if (First > Last)
        Last = First;
    if (Current > Last)
        Current = Last;
    if (Current < First)
        Current = First;
}

void SetCursor::SetLast(int32_t v)
{
    Last = v;
    if (Last < First)
        First = Last;
    if (Current > Last)
        Current = Last;
    if (Current < First)
        Current = First;
}

void SetCursor::Next()
{
    ++Current;
    if (Current > Last)
        Current = First;
}

std::string ChannelDataStore::DiagnosticLog()
{
    std::lock_guard<std::mutex> lock(LogMutex());
    return LogText();
}

void ChannelDataStore::AppendDiagnostic(const std::string& text)
{
    std::lock_guard<std::mutex> lock(LogMutex());
    LogText() += text;
}

bool ChannelDataStore::Allocate(int32_t n)
{
    // A grid needs two points for its step; calloc gives zero pages lazily, so a large store is cheap to build.
    if (n < 2 || n > 100000000 / Slots)
        return false;
    const size_t points = static_cast<size_t>(n);
    Grid.reset(static_cast<double*>(std::calloc(points, sizeof(double))));
    YData = LargeBlock(points * Slots * sizeof(double));
    EData = LargeBlock(points * Slots * sizeof(double));
    if (!Grid || !YData.Data() || !EData.Data()) {
        Grid.reset();
        YData = LargeBlock();
        EData = LargeBlock();
        return false;
    }
    NumberOfPoints = n;
    return true;
}

ChannelDataStore::ChannelDataStore(const CustomSettings& settings, double xLow, double xHigh, int32_t n)
    : Headers(Slots)
    , Settings(&settings)
{
    if (!Allocate(n)) {
        AppendDiagnostic("\nTrouble allocating memory in ChannelDataStore::ChannelDataStore.");
        return;
    }
    XLow = xLow;
    XHigh = xHigh;
    XStep = (xHigh - xLow) / (n - 1);
    for (int32_t i = 0; i < n; ++i)
        Grid[static_cast<size_t>(i)] = i * XStep + XLow;
}

ChannelDataStore::ChannelDataStore(const CustomSettings& settings, const double* x, int32_t n)
    : Headers(Slots)
    , Settings(&settings)
{
    if (!x || !Allocate(n)) {
        AppendDiagnostic("\nTrouble allocating memory in ChannelDataStore::ChannelDataStore.");
        return;
    }
    for (int32_t i = 0; i < n; ++i)
        Grid[static_cast<size_t>(i)] = x[i];
    XLow = x[0];
    XHigh = x[n - 1];
    XStep = (XHigh - XLow) / (n - 1);
}

ChannelDataStore::~ChannelDataStore() = default;

double ChannelDataStore::GetX(int32_t index) const
{
    if (index < 0 || index >= NumberOfPoints)
        return 0.0;
    return Grid[static_cast<size_t>(index)];
}

double ChannelDataStore::GetY(int32_t set, int32_t index) const
{
    if (set < 0 || set >= Slots || index < 0 || index >= NumberOfPoints)
        return 0.0;
    return Y(set)[index];
}

double ChannelDataStore::GetE(int32_t set, int32_t index) const
{
    if (set < 0 || set >= Slots || index < 0 || index >= NumberOfPoints)
        return 0.0;
    return E(set)[index];
}

int32_t ChannelDataStore::AddSet(
    const double* r, const double* y, const double* e, int32_t n, const ScanHeader& header, double time)
{
    if (NumberOfSets > 0 && !(time > Headers[static_cast<size_t>(NumberOfSets - 1)].Time))
        return -1;
    if (NumberOfSets < Slots)
        Headers[static_cast<size_t>(NumberOfSets)] = header;
    if (NumberOfSets >= MaxSets || NumberOfPoints == 0 || n < 1 || !r || !y)
        return -1;
    if (!PlaceSet(NumberOfSets, r, y, e, n))
        return -1;
    return NumberOfSets++;
}

bool ChannelDataStore::PlaceSet(int32_t s, const double* r, const double* y, const double* e, int32_t n) const
{
    if (s < 0 || s >= Slots || NumberOfPoints == 0 || n < 1 || !r || !y)
        return false;
    for (int32_t j = 1; j < n; ++j) {
        if (r[j] < r[j - 1]) {
            AppendDiagnostic("\nA file read has a non-sequential R.  File index:  " + std::to_string(s) + "  ");
            break;
        }
    }

    double* ys = Y(s);
    double* es = E(s);
    const double negativeTag = Settings->DefaultNegativeTag;
    int32_t k = 1;
    int32_t count = 0;
    for (int32_t i = 0; i < NumberOfPoints; ++i) {
        const double x = Grid[static_cast<size_t>(i)];
        if (i < n && x == r[i]) {
            ys[i] = y[i];
            if (e)
                es[i] = e[i];
            else
                SetZero(es[i]);
            ++count;
        } else if (x < r[0] || x > r[n - 1]) {
            ys[i] = 0;
            // An outside point must read as invalid even where the given e is 0 (-|0| is -0.0,
            // which a test e >= 0 takes for data) or where the curve has no e at this index.
            const double tagged = (e && i < n) ? -std::fabs(e[i]) : negativeTag;
            es[i] = tagged < 0 ? tagged : negativeTag;
        } else if (n == 1) {
            // A one-point curve covers only its own radius.
            ys[i] = y[0];
            if (e)
                es[i] = e[0];
            else
                SetZero(es[i]);
            ++count;
        } else {
            while (k < n - 1 && r[k] < x)
                ++k;
            const double dr = r[k] - r[k - 1];
            if (dr == 0)
                return false;
            const double f = (x - r[k - 1]) / dr;
            ys[i] = y[k - 1] + (y[k] - y[k - 1]) * f;
            if (e)
                es[i] = e[k - 1] + (e[k] - e[k - 1]) * f;
            else
                SetZero(es[i]);
            ++count;
        }
    }
    return count > 0;
}

int32_t ChannelDataStore::KeepPlacedSet(int32_t slot, bool placed, const ScanHeader& header)
{
    if (NumberOfSets > 0 && !(header.Time > Headers[static_cast<size_t>(NumberOfSets - 1)].Time))
        return -1;
    if (NumberOfSets < Slots)
        Headers[static_cast<size_t>(NumberOfSets)] = header;
    if (NumberOfSets >= MaxSets || !placed || slot < NumberOfSets || slot >= Slots)
        return -1;
    if (slot != NumberOfSets) {
        std::copy(Y(slot), Y(slot) + NumberOfPoints, Y(NumberOfSets));
        std::copy(E(slot), E(slot) + NumberOfPoints, E(NumberOfSets));
    }
    return NumberOfSets++;
}

int32_t ChannelDataStore::CopySet(const ChannelDataStore& source, int32_t set)
{
    if (set < 0 || set >= source.NumberOfSets)
        return -1;
    const ScanHeader& h = source.Headers[static_cast<size_t>(set)];
    return AddSet(source.GetGrid(), source.GetSetY(set), nullptr, source.NumberOfPoints, h, h.Time);
}

void ChannelDataStore::ShiftSet(int32_t set, double c)
{
    if (set < 0 || set >= Slots)
        return;
    double* ys = Y(set);
    for (int32_t i = 0; i < NumberOfPoints; ++i)
        ys[i] += c;
}

int32_t ChannelDataStore::FirstIndexBeyond(double x) const
{
    for (int32_t i = 0; i < NumberOfPoints - 1; ++i)
        if (Grid[static_cast<size_t>(i)] > x)
            return i;
    return NumberOfPoints - 1;
}

void ChannelDataStore::KeepAsAdded(int32_t set)
{
    if (set != static_cast<int32_t>(asAdded_.size()) || set >= NumberOfSets)
        return;
    const double* ys = Y(set);
    asAdded_.emplace_back(ys, ys + NumberOfPoints);
}

void ChannelDataStore::RestoreAsAdded()
{
    for (size_t k = 0; k < asAdded_.size() && static_cast<int32_t>(k) < NumberOfSets; ++k)
        std::copy(asAdded_[k].begin(), asAdded_[k].end(), Y(static_cast<int32_t>(k)));
}

void ChannelDataStore::ZeroAtRadius(int32_t set, double x, int32_t width)
{
    if (set < 0 || set >= NumberOfSets || NumberOfPoints == 0)
        return;
    const int32_t w = width < 0 ? 0 : width;
    const int32_t i0 = FirstIndexBeyond(x);
    int32_t lo = i0 - w;
    if (lo < 0)
        lo = 0;
    int32_t hi = lo + w;
    if (hi > NumberOfPoints - 1)
        hi = NumberOfPoints - 1;
    if (hi < lo)
        hi = lo;
    const double* ys = Y(set);
    double sum = 0;
    for (int32_t i = lo; i <= hi; ++i)
        sum += ys[i];
    ShiftSet(set, -sum / (hi - lo + 1));
}

void ChannelDataStore::ZeroAllAtRadius(double x, int32_t width)
{
    for (int32_t s = 0; s < NumberOfSets; ++s)
        ZeroAtRadius(s, x, width);
}

void ChannelDataStore::RemoveFringeJump(int32_t set, double x)
{
    if (set < 1 || set >= NumberOfSets || NumberOfPoints == 0)
        return;
    const int32_t i0 = FirstIndexBeyond(x);
    double d = Y(set)[i0] - Y(set - 1)[i0];
    // Only a difference beyond 0.51 fringes in magnitude counts as a whole-fringe jump.
    d = d > 0 ? std::floor(d + 0.49) : std::ceil(d - 0.49);
    if (d != 0 && std::isfinite(d))
        ShiftSet(set, -d);
}

void ChannelDataStore::RemoveAllFringeJumps(double x)
{
    for (int32_t s = 1; s < NumberOfSets; ++s)
        RemoveFringeJump(s, x);
}

StoreExtents ChannelDataStore::GetExtents(int32_t set, bool validOnly) const
{
    const double inf = std::numeric_limits<double>::infinity();
    StoreExtents x { -inf, -inf, inf, inf };
    int32_t first = 0, last = NumberOfSets - 1;
    if (set >= 0 && set < NumberOfSets)
        first = last = set;
    if (!validOnly) {
        for (int32_t i = 0; i < NumberOfPoints; ++i) {
            const double g = Grid[static_cast<size_t>(i)];
            if (g > x.MaxX)
                x.MaxX = g;
            if (g < x.MinX)
                x.MinX = g;
        }
    }
    for (int32_t s = first; s <= last; ++s) {
        const double* ys = Y(s);
        const double* es = E(s);
        for (int32_t i = 0; i < NumberOfPoints; ++i) {
            if (validOnly) {
                if (!(es[i] >= 0))
                    continue;
                const double g = Grid[static_cast<size_t>(i)];
                if (g > x.MaxX)
                    x.MaxX = g;
                if (g < x.MinX)
                    x.MinX = g;
            }
            if (ys[i] > x.MaxY)
                x.MaxY = ys[i];
            if (ys[i] < x.MinY)
                x.MinY = ys[i];
        }
    }
    return x;
}

std::string ChannelDataStore::SetToText(int32_t set, const std::string& suffix) const
{
    if (set < 0 || set >= NumberOfSets)
        return {};
    const ScanHeader& h = Headers[static_cast<size_t>(set)];
    return ScanText(h.Description + suffix, h.HeaderLine, Grid.get(), Y(set), h.OpticalSystem == 3 ? nullptr : E(set),
        NumberOfPoints);
}

} // namespace morvane
