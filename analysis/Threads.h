#pragma once
#include <cstdint>
#include <functional>

namespace morvane {

// The threads a full load and its stages work on: MORVANE_THREADS when it holds a positive number
// (at most 64), otherwise the processors of the machine; at least 1.
int32_t ThreadsFromEnvironment();

// Calls work(i, t) for every i in [0, count) on up to `threads` threads (t: 0 .. threads - 1, the
// calling thread being 0), each index once, in chunks taken as threads come free. The other
// threads are kept asleep between calls, and a call waits only for the chunks they took. Returns
// when all are done. With one thread, when no thread can be started, while another call is in
// progress (on another thread, or from within work), the calling thread does them all in order.
// `work` must not throw.
void ForEachOnThreads(int32_t count, int32_t threads, const std::function<void(int32_t i, int32_t t)>& work);

} // namespace morvane
