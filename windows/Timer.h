#pragma once
#include <cstdint>

// A window's timer as data: the toolkit layer runs a real timer from these fields and calls the
// window's tick handler; tests call the handler themselves.
struct Timer {
    int32_t Interval = 1000; // ms
    bool Enabled = true;
};
