#include "dataview/SpeciesFitWorker.h"

#include <utility>

namespace morvane {

SpeciesFitWorker::SpeciesFitWorker(SpeciesFitJob job, std::vector<ConvergenceFitCache::Missing> convergenceFits)
    : job_(std::move(job))
    , convergenceJobs_(std::move(convergenceFits))
    , thread_([this] {
        result_ = RunSpeciesFit(job_, &cancel_);
        if (result_.Status == FitStatus::Converged)
            for (const ConvergenceFitCache::Missing& missing : convergenceJobs_) {
                ConvergenceFitCache::Fit fit = ConvergenceFitCache::FitOf(missing.Job, &cancel_);
                if (Cancelled()) {
                    convergenceResults_.clear();
                    break;
                }
                convergenceResults_.emplace_back(missing.Key, std::move(fit));
            }
        done_.store(true, std::memory_order_release);
    })
{
}

SpeciesFitWorker::~SpeciesFitWorker()
{
    Cancel();
    if (thread_.joinable())
        thread_.join();
}

SpeciesFitResult SpeciesFitWorker::Take()
{
    if (thread_.joinable())
        thread_.join();
    return std::move(result_);
}

} // namespace morvane
