#pragma once
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "analysis/CustomSettings.h"
#include "analysis/LargeBlock.h"
#include "scanfiles/ScanHeader.h"

namespace morvane {

// Minima and maxima of a store's points.
struct StoreExtents {
    double MaxX;
    double MaxY;
    double MinX;
    double MinY;
};

// A cyclic index over a range of sets. Invariant: First <= Current <= Last.
struct SetCursor {
    int32_t Current = 0;
    int32_t Last = 0;
    int32_t First = 0;

    void SetFirst(int32_t v);
    void SetLast(int32_t v);
    void Next();
    int32_t GetCurrent() const { return Current; }
};

// A family of curves on one common x grid: up to 999 sets, each a y array, an e array and a
// ScanHeader. A curve is interpolated onto the grid when added. e >= 0 marks a point that holds
// data; any negative e marks a point without data.
class ChannelDataStore {
public:
    static constexpr int32_t Slots = 1000;   // storage slots
    static constexpr int32_t MaxSets = 999;  // sets AddSet accepts

    // Uniform grid of n points from xLow to xHigh.
    ChannelDataStore(const CustomSettings& settings, double xLow, double xHigh, int32_t n);
    // A copy of the given grid (strictly increasing).
    ChannelDataStore(const CustomSettings& settings, const double* x, int32_t n);
    ~ChannelDataStore();
    ChannelDataStore(const ChannelDataStore&) = delete;
    ChannelDataStore& operator=(const ChannelDataStore&) = delete;

    // AddSet in two steps, for sets made on several threads at once. PlaceSet puts a curve into
    // storage slot `slot` (at or beyond the sets held; each thread its own slots) as AddSet would
    // put it into the next set, and says whether AddSet would have found points to take.
    // KeepPlacedSet then appends, in order, what a placed slot holds (moving it down when earlier
    // slots were not kept) under the same rules as AddSet: the set's index, or -1.
    bool PlaceSet(int32_t slot, const double* r, const double* y, const double* e, int32_t n) const;
    int32_t KeepPlacedSet(int32_t slot, bool placed, const ScanHeader& header);

    // Queries: out-of-range indices give 0.0.
    double GetX(int32_t index) const;
    double GetX(int32_t set, int32_t index) const { return (void)set, GetX(index); }
    double GetY(int32_t set, int32_t index) const;
    double GetE(int32_t set, int32_t index) const;
    int32_t GetNumberOfPoints() const { return NumberOfPoints; }
    int32_t GetNumberOfSets() const { return NumberOfSets; }
    const double* GetGrid() const { return Grid.get(); }
    double* GetSetY(int32_t set) { return Y(set); }
    const double* GetSetY(int32_t set) const { return Y(set); }
    const double* GetSetE(int32_t set) const { return E(set); }
    StoreExtents GetExtents(int32_t set, bool validOnly) const;
    // The set in scan-file layout, CR LF line ends; empty for a slot that holds no set.
    std::string SetToText(int32_t set, const std::string& suffix) const;

    // Appends one set (curve r, y, e of n points; e may be null). Returns its index or -1.
    int32_t AddSet(const double* r, const double* y, const double* e, int32_t n, const ScanHeader& header, double time);
    int32_t CopySet(const ChannelDataStore& source, int32_t set);
    void ClearSets()
    {
        NumberOfSets = 0;
        asAdded_.clear();
    }
    // Inline: the g(s*) stage sets every e of every set through it.
    void SetE(int32_t set, int32_t index, double value)
    {
        if (set >= 0 && set < NumberOfSets && index >= 0 && index < NumberOfPoints)
            E(set)[index] = value;
    }
    void ShiftSet(int32_t set, double c);
    // Keeps the y values of the newest set as they are now, before a correction shifts them;
    // RestoreAsAdded puts every kept set back. A correction that reads its shift from the set
    // itself then starts from the same values whatever corrections came before.
    void KeepAsAdded(int32_t set);
    void RestoreAsAdded();
    void ZeroAtRadius(int32_t set, double x, int32_t width);
    void ZeroAllAtRadius(double x, int32_t width);
    void RemoveFringeJump(int32_t set, double x);
    void RemoveAllFringeJumps(double x);

    // The process-wide diagnostic log of all stores (nothing displays it).
    static std::string DiagnosticLog();
    static void AppendDiagnostic(const std::string& text);

    std::array<int32_t, Slots> Visible {};   // per-slot display flag: > 0 drawn
    std::vector<ScanHeader> Headers;      // Slots headers, one per slot
    std::string XTitle;
    std::string YTitle;
    const CustomSettings* Settings;
    double XLow = 0;
    double XHigh = -1;
    double XStep = 1;
    int32_t NumberOfPoints = 0;
    int32_t NumberOfSets = 0;

private:
    struct FreeDeleter {
        void operator()(double* p) const { std::free(p); }
    };
    using Block = std::unique_ptr<double[], FreeDeleter>;

    bool Allocate(int32_t n);
    double* Y(int32_t set) const
    {
        return YData.As<double>() + static_cast<size_t>(set) * static_cast<size_t>(NumberOfPoints);
    }
    double* E(int32_t set) const
    {
        return EData.As<double>() + static_cast<size_t>(set) * static_cast<size_t>(NumberOfPoints);
    }
    int32_t FirstIndexBeyond(double x) const;

    std::vector<std::vector<double>> asAdded_; // sets 0 .. n - 1 kept by KeepAsAdded

    Block Grid;
    LargeBlock YData; // Slots x NumberOfPoints, zero-filled at construction
    LargeBlock EData;
};

} // namespace morvane
