#pragma once
#include <atomic>
#include <thread>
#include <utility>
#include <vector>

#include "species/RunConvergence.h"
#include "species/SpeciesFit.h"

namespace morvane {

// One species fit on a thread of its own, so the window that asked for it stays responsive. The
// job holds copies of all the fit reads (SpeciesFitJob); the window thread asks Done() (from a
// timer), then takes the result. Cancel() sets the flag the optimiser looks at between iterations.
// Destroying the worker cancels the fit and waits for the thread: no thread outlives its view.
// Once the fit has converged, the same thread makes the fits the convergence verdict will ask for
// with its options (convergenceFits, collected by ConvergenceFitCache), so that the verdict shown
// with the fit is drawn from the cache, not fitted on the window thread.
class SpeciesFitWorker {
public:
    using ConvergenceFits = std::vector<std::pair<uint64_t, ConvergenceFitCache::Fit>>;

    explicit SpeciesFitWorker(SpeciesFitJob job, std::vector<ConvergenceFitCache::Missing> convergenceFits = {});
    ~SpeciesFitWorker();
    SpeciesFitWorker(const SpeciesFitWorker&) = delete;
    SpeciesFitWorker& operator=(const SpeciesFitWorker&) = delete;

    void Cancel() { cancel_.store(true, std::memory_order_relaxed); }
    bool Cancelled() const { return cancel_.load(std::memory_order_relaxed); }
    // The fit has ended (its result is ready, or it stopped at the cancel flag).
    bool Done() const { return done_.load(std::memory_order_acquire); }
    // Waits for the thread and gives its result (once).
    SpeciesFitResult Take();
    // After Take: the convergence fits made, by their cache keys (none after a cancel).
    ConvergenceFits TakeConvergenceFits() { return std::move(convergenceResults_); }
    const SpeciesFitJob& Job() const { return job_; }

private:
    const SpeciesFitJob job_;
    const std::vector<ConvergenceFitCache::Missing> convergenceJobs_;
    std::atomic<bool> cancel_ { false };
    std::atomic<bool> done_ { false };
    SpeciesFitResult result_;
    ConvergenceFits convergenceResults_;
    std::thread thread_; // last: started once everything it uses exists
};

} // namespace morvane
