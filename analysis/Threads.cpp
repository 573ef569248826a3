#include "analysis/Threads.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <system_error>
#include <thread>
#include <vector>

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
    // Chunks small enough that a thread slowed by others on a shared machine holds up little.
    constexpr int32_t chunk = 8;
    std::atomic<int32_t> next { 0 };
    auto run = [&](int32_t t) {
        for (int32_t begin = next.fetch_add(chunk); begin < count; begin = next.fetch_add(chunk))
            for (int32_t i = begin; i < std::min(begin + chunk, count); ++i)
                work(i, t);
    };
    const int32_t n = std::max(1, std::min(threads, (count + chunk - 1) / chunk));
    std::vector<std::thread> helpers;
    for (int32_t t = 1; t < n; ++t) {
        try {
            helpers.emplace_back(run, t);
        } catch (const std::system_error&) {
            break; // fewer threads: the ones started and this one share the work
        }
    }
    run(0);
    for (std::thread& h : helpers)
        h.join();
}
