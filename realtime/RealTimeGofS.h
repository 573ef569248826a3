#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "analysis/ChannelDataStore.h"
#include "analysis/CustomSettings.h"
#include "realtime/CellParameters.h"

namespace morvane {

// The g(s*) engine of one channel. Raw scans on a radial grid become, stage by stage:
//   dc/dt sets (pairs of scans, t*dc/dt against ln s*)  -> DcdtStore
//   averaged dc/dt sets (point-wise mean over a window) -> AvgDcdtStore
//   g(s*) sets (corrected for radial dilution)          -> GofsStore, smoothed copies in SmoothGofsStore
//   and one composite g(s*) curve of the newest fully averaged values.
// Operations return 0, an index or a count, or -1 when nothing could be computed; none throws.
class RealTimeGofS {
public:
    CellParameters Cell; // the positions and the window rule
    bool CorrectFringes = false;
    bool CorrectJitter = false;
    std::unique_ptr<ChannelDataStore> RawStore;
    std::unique_ptr<ChannelDataStore> DcdtStore;
    std::string ChannelName; // the channel entry, e.g. "0*.RA1" or "0*.RI3Sam"
    CustomSettings Settings;
    std::string StatusLog = "Initialized with () \n";
    std::unique_ptr<ChannelDataStore> GofsStore;
    std::unique_ptr<ChannelDataStore> AvgDcdtStore;
    std::unique_ptr<ChannelDataStore> SmoothGofsStore;
    std::vector<double> CompositeX; // ln s
    std::vector<double> CompositeY;
    std::vector<double> CompositeE; // e >= 0: the point holds data
    bool Created = false;
    // The threads the dc/dt pairs of a whole stage are made on; 0: ThreadsFromEnvironment(). The
    // pairs are independent and kept in order: the stage is the same whatever the number.
    int32_t Threads = 0;
    bool CompositeEmpty = true;

    RealTimeGofS();

    // Sets CorrectJitter and CorrectFringes from ChannelName: both on for an interference channel.
    void SetCorrectionsFromChannel();
    // The unit of the channel's values, from the optics of its entry: "OD", "fringes" or "counts"
    // (intensity and fluorescence: the detector's).
    std::string SignalUnit() const;

    // Destroys every store and makes them anew, empty: RawStore on the given radii, the four others
    // on the ln s grid; a later g(s*) set starts the composite afresh. 0, or -1 (StatusLog) when
    // fewer than two radii are given or a store cannot be made.
    int32_t CreateX(const double* radii, int32_t count);
    // The same around a raw store already made on the settings of this engine, its sets kept
    // (a load fills one while it reads the files).
    int32_t CreateX(std::unique_ptr<ChannelDataStore> raw);

    // The stage pipeline, the one way to rebuild the stages after a load or a changed parameter:
    //   [IPtransform] -> Refreshdcdtvss -> RefreshAvgdcdtvss -> RefreshGofsvss
    // transform: correct the raw sets first (after a load, or a moved jitter or fringe reference).
    // Returns RefreshGofsvss's result: the index of the newest g(s*) set, -1 when there is none.
    int32_t RefreshStages(bool transform);
    // The averaged and g(s*) stages alone, after dc/dt sets were added one by one (AddOnedcdtvss).
    int32_t RefreshAveragedStages();

    // Corrects every raw set: the jitter baseline at JitterRadius (CorrectJitter), then whole-fringe
    // jumps at FringeRadius (CorrectFringes), each set from its values as read where the store kept
    // them (KeepAsAdded), so that the result never depends on the references tried before. Clears
    // nothing. 0, or -1 without a raw set.
    int32_t IPtransform();
    // Clears DcdtStore and builds it again from pairs of raw scans. 0, or -1 (the store left empty)
    // before CreateX, with fewer than two raw sets or a meniscus <= 0.
    int32_t Refreshdcdtvss();
    // For raw scan k just appended: leaves DcdtStore exactly as Refreshdcdtvss would make it.
    // Appends the set of k and its partner when the stage was paired scan by scan (each scan with
    // its own window) before k arrived and still is with k; otherwise re-pairs the whole stage. 0, or -1.
    int32_t AddOnedcdtvss(int32_t k);
    // Clears AvgDcdtStore and builds one averaged set per dc/dt set from set 1 on. Returns the
    // number of dc/dt sets less one, -1 before CreateX.
    int32_t RefreshAvgdcdtvss();
    // Appends the mean of the dc/dt sets within the window that ends at dc/dt set k. 0 (nothing
    // appended for k outside 1 .. sets - 1), or -1 before CreateX, with fewer than two raw sets
    // or a meniscus <= 0.
    int32_t AddOneAvgdcdtvss(int32_t k);
    // Clears GofsStore and SmoothGofsStore and builds one g(s*) set and its smoothed copy per
    // averaged set, and the composite afresh from them (so it never depends on how the run was
    // watched: beyond every set's LastPoint it holds g(s*) set 0). Returns the number of averaged sets less one (the
    // index of the newest g(s*) set), -1 before CreateX.
    int32_t RefreshGofsvss();
    // Appends the g(s*) set of averaged set k and its smoothed copy, and updates the composite:
    // whole after a restart or changed parameters, otherwise up to the set's LastPoint. Returns
    // the number of points that hold data, or -1 before CreateX or when k is not an averaged set.
    int32_t AddOneGofsvss(int32_t k);
    double ComputeDcdtWindow(double omega2t, double meniscus, double bottom, double time) const;
    static double OmegaSquared(double rpm);
    bool IsCreated() const { return Created; }

    void SetupAxisTitles();
    // Label of set k of one of the engine's stores; empty for SmoothGofsStore, a foreign store
    // or an index outside the store.
    std::string DescribeSet(const ChannelDataStore* store, int32_t k) const;

    // Composite point i, for readers.
    int32_t CompositeSize() const { return static_cast<int32_t>(CompositeX.size()); }

private:
    int32_t PartnerOf(int32_t k, double span) const;
    // How Refreshdcdtvss paired the raw scans: A one pair, B consecutive pairs d apart, C each
    // scan with the partner of its own window.
    enum class Pairing { None, Single, Spaced, OwnWindow };
    // What the pairing depends on besides the raw scans: an append is exact only while these hold.
    struct PairingParameters {
        double meniscus, bottom, mw, factor, maxPercent, meniscusIgnore, bottomIgnore, lowLogS, highLogS;
        bool byMW;
        bool operator==(const PairingParameters&) const = default;
    };
    PairingParameters CurrentPairingParameters() const;
    Pairing pairing_ = Pairing::None;
    PairingParameters pairingParameters_ {};
    int32_t pairedRawSets_ = 0; // raw sets the dc/dt stage was made from
    int32_t pairedSets_ = 0; // dc/dt sets it then held
    double PairingSpan(int32_t k) const;
    int32_t AddPair(int32_t f, int32_t l);
    // The dc/dt curve of raw scans f and l into x, y, e (raw grid size) and its header; false for
    // a pair without a usable time span.
    bool PairCurve(int32_t f, int32_t l, double* x, double* y, double* e, ScanHeader& h) const;
    // ln(r / Meniscus) of every raw grid radius, which every pair of a stage takes: once per stage.
    void CacheLogRatios();
    std::vector<double> logRatio_;
    double logRatioMeniscus_ = 0; // the meniscus logRatio_ holds; PairCurve computes its own for another
    // Adds the pairs in order, made on several threads; `error` is logged for each one not added.
    void AddPairs(const std::vector<std::pair<int32_t, int32_t>>& pairs, const char* error);
    // The threads a whole stage is made on (Threads, or the environment's), at most 64.
    int32_t StageThreads() const;
    // Working arrays of thread t, at least `doubles` long; kept from stage to stage.
    double* Scratch(int32_t t, size_t doubles);
    // Whether the averaged stage can be made at all (AddOneAvgdcdtvss's conditions).
    bool CanAverage() const;
    // The averaged curve of dc/dt set k into y, e (n points; `work` holds n doubles and n counts)
    // and its header.
    void AvgCurve(int32_t k, double* work, double* y, double* e, ScanHeader& h) const;
    // The g(s*) curve of averaged set k: its m points that hold data into x, a (and e, all
    // positive); `work` holds 2 n doubles. Returns m.
    int32_t GofsCurve(int32_t k, double* x, double* a, double* e, double* work) const;
    // Updates the composite with g(s*) set g, as its sets are appended in order.
    void UpdateComposite(int32_t g);
    // Makes the g(s*) set of averaged set k and its smoothed copy into slot k of both stores.
    bool PlaceGofs(int32_t k, double* work);

    // The parameters the composite curve was last filled with: a change starts it afresh,
    // so no point keeps a value computed with an old meniscus, reference or window rule.
    CellParameters compositeParameters_ {};
    bool compositeRestart_ = false; // set by CreateX and RefreshGofsvss: the next g(s*) set fills it whole

    std::vector<double> workX_, workY_, workE_; // pairing arrays, sized to the raw grid

    // Running sums over the dc/dt sets, per grid point, of the values that hold data and of their
    // count: a rebuild of the averaged stage then costs one pass per set instead of one per set
    // and window member. Extended precision keeps the differences as exact as a direct sum.
    struct WindowSums {
        int32_t sets = 0;
        int32_t points = 0;
        size_t room = 0; // entries each array holds
        LargeBlock sum; // long double, (sets + 1) x points
        LargeBlock count; // int32_t, (sets + 1) x points
    };
    void BuildWindowSums();
    WindowSums sums_;
    bool sumsValid_ = false;
    std::vector<std::vector<double>> scratch_; // per thread
};

} // namespace morvane
