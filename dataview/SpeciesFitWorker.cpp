#include "dataview/SpeciesFitWorker.h"

#include <utility>

SpeciesFitWorker::SpeciesFitWorker(SpeciesFitJob job)
    : job_(std::move(job))
    , thread_([this] {
        result_ = RunSpeciesFit(job_, &cancel_);
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
