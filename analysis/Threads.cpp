#include "analysis/Threads.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace morvane {

namespace {

// Chunks small enough that a thread slowed by others on a shared machine holds up little.
constexpr int32_t Chunk = 8;

// Whether this thread is taking part in a call of the pool: a call made from within its work is
// made on the thread alone.
thread_local bool inPoolCall = false;

// One call's work, shared by the threads that take part in it.
struct Job {
    const std::function<void(int32_t, int32_t)>* work = nullptr;
    int32_t count = 0;
    std::atomic<int32_t> next { 0 }; // the first index not yet taken
    std::atomic<int32_t> done { 0 }; // indices finished
};

// Threads kept between calls, asleep until a call wakes them: a stage no longer starts and joins
// threads of its own, and a call never waits for a thread that the machine has not yet run (one
// that wakes late finds every index taken and sleeps again). One call at a time; a call made while
// the pool is busy (from another thread, or from within a call's work) is made on its own thread.
class Pool {
public:
    static Pool& Instance()
    {
        static Pool pool;
        return pool;
    }

    ~Pool()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }

    // Does the work with up to `helpers` threads of the pool besides the caller's; false (nothing
    // done) when the pool is busy or no thread of it can be started.
    bool Run(int32_t count, int32_t helpers, const std::function<void(int32_t, int32_t)>& work)
    {
        const std::unique_lock<std::mutex> busy(busy_, std::try_to_lock);
        if (!busy.owns_lock())
            return false;
        const auto job = std::make_shared<Job>();
        job->work = &work;
        job->count = count;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            while (static_cast<int32_t>(threads_.size()) < helpers) {
                try {
                    threads_.emplace_back([this, t = static_cast<int32_t>(threads_.size()) + 1] { Serve(t); });
                } catch (const std::system_error&) {
                    break; // fewer threads: the ones started and the caller share the work
                }
            }
            if (threads_.empty())
                return false;
            job_ = job;
            joining_ = std::min(helpers, static_cast<int32_t>(threads_.size()));
            ++generation_;
        }
        wake_.notify_all();
        inPoolCall = true;
        Take(*job, 0);
        inPoolCall = false;
        std::unique_lock<std::mutex> lock(mutex_);
        finished_.wait(lock, [&] { return job->done.load() == count; });
        job_.reset();
        return true;
    }

private:
    // Takes chunks of the job until none is left; thread t is the work's thread index.
    void Take(Job& job, int32_t t)
    {
        for (int32_t begin = job.next.fetch_add(Chunk); begin < job.count; begin = job.next.fetch_add(Chunk)) {
            const int32_t end = std::min(begin + Chunk, job.count);
            for (int32_t i = begin; i < end; ++i)
                (*job.work)(i, t);
            if (job.done.fetch_add(end - begin) + (end - begin) == job.count) {
                { // under the lock, so that the caller cannot miss the news between its test and its sleep
                    const std::lock_guard<std::mutex> lock(mutex_);
                }
                finished_.notify_all();
            }
        }
    }

    void Serve(int32_t t)
    {
        inPoolCall = true;
        uint64_t seen = 0;
        for (;;) {
            std::shared_ptr<Job> job;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [&] { return stopping_ || (generation_ != seen && job_ && t <= joining_); });
                if (stopping_)
                    return;
                seen = generation_;
                job = job_;
            }
            Take(*job, t);
        }
    }

    std::mutex busy_; // held by the call in progress
    std::mutex mutex_;
    std::condition_variable wake_, finished_;
    std::vector<std::thread> threads_; // thread k - 1 is the work's thread index k
    std::shared_ptr<Job> job_; // the call in progress
    int32_t joining_ = 0; // threads 1 .. joining_ take part in it
    uint64_t generation_ = 0;
    bool stopping_ = false;
};

} // namespace

int32_t ThreadsFromEnvironment()
{
    if (const char* text = std::getenv("MORVANE_THREADS")) {
        char* end = nullptr;
        const long n = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && n > 0)
            return static_cast<int32_t>(std::min(n, 64L));
    }
    return static_cast<int32_t>(std::max(1U, std::min(std::thread::hardware_concurrency(), 64U)));
}

void ForEachOnThreads(int32_t count, int32_t threads, const std::function<void(int32_t i, int32_t t)>& work)
{
    const int32_t n = std::max(1, std::min(threads, (count + Chunk - 1) / Chunk));
    if (n > 1 && !inPoolCall && Pool::Instance().Run(count, n - 1, work))
        return;
    for (int32_t i = 0; i < count; ++i)
        work(i, 0);
}

} // namespace morvane
