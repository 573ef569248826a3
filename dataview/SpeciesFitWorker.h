#pragma once
#include <atomic>
#include <thread>

#include "species/SpeciesFit.h"

// One species fit on a thread of its own, so the window that asked for it stays responsive. The
// job holds copies of all the fit reads (SpeciesFitJob); the window thread asks Done() (from a
// timer), then takes the result. Cancel() sets the flag the optimiser looks at between iterations.
// Destroying the worker cancels the fit and waits for the thread: no thread outlives its view.
class SpeciesFitWorker {
public:
    explicit SpeciesFitWorker(SpeciesFitJob job);
    ~SpeciesFitWorker();
    SpeciesFitWorker(const SpeciesFitWorker&) = delete;
    SpeciesFitWorker& operator=(const SpeciesFitWorker&) = delete;

    void Cancel() { cancel_.store(true, std::memory_order_relaxed); }
    bool Cancelled() const { return cancel_.load(std::memory_order_relaxed); }
    // The fit has ended (its result is ready, or it stopped at the cancel flag).
    bool Done() const { return done_.load(std::memory_order_acquire); }
    // Waits for the thread and gives its result (once).
    SpeciesFitResult Take();
    const SpeciesFitJob& Job() const { return job_; }

private:
    const SpeciesFitJob job_;
    std::atomic<bool> cancel_ { false };
    std::atomic<bool> done_ { false };
    SpeciesFitResult result_;
    std::thread thread_; // last: started once everything it uses exists
};
