// The threads the stages are made on: each index once, whatever the threads, also when calls are
// made from two threads at once or from within a call's work (those are made on their own thread).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "analysis/Threads.h"

using namespace morvane;

TEST(ForEachOnThreads, EachIndexOnceWithTheThreadIndexInRange)
{
    for (const int32_t threads : { 1, 2, 8 }) {
        for (const int32_t count : { 0, 1, 7, 8, 9, 1000 }) {
            std::vector<std::atomic<int32_t>> calls(static_cast<size_t>(count));
            std::atomic<bool> inRange { true };
            ForEachOnThreads(count, threads, [&](int32_t i, int32_t t) {
                ++calls[static_cast<size_t>(i)];
                inRange = inRange && t >= 0 && t < threads;
            });
            for (const auto& c : calls)
                EXPECT_EQ(c, 1) << count << " indices on " << threads << " threads";
            EXPECT_TRUE(inRange);
        }
    }
    // With one thread, in order on the calling thread.
    std::vector<int32_t> order;
    ForEachOnThreads(20, 1, [&](int32_t i, int32_t) { order.push_back(i); });
    for (int32_t i = 0; i < 20; ++i)
        EXPECT_EQ(order[static_cast<size_t>(i)], i);
}

TEST(ForEachOnThreads, CallsFromTwoThreadsAndFromWithinWork)
{
    std::atomic<int64_t> sum { 0 };
    auto job = [&] {
        for (int round = 0; round < 50; ++round)
            ForEachOnThreads(64, 4, [&](int32_t i, int32_t) {
                sum += i;
                if (i == 0) // nested: made on the calling thread alone
                    ForEachOnThreads(16, 4, [&](int32_t j, int32_t t) { sum += j + 100 * t; });
            });
    };
    std::thread other(job);
    job();
    other.join();
    EXPECT_EQ(sum, 2 * 50 * (64 * 63 / 2 + 16 * 15 / 2));
}
