#pragma once
#include <cstddef>

namespace morvane {

// Zero-filled memory for the large arrays of the engine (the stores, the running window sums).
// On Linux a block of a megabyte or more is mapped on its own, aligned to 2 MB and advised into
// huge pages: a load fills some 70 MB of fresh memory, which in 4 KB pages costs thousands of
// page faults (each one dear in a virtual machine), in huge pages a few dozen.
class LargeBlock {
public:
    LargeBlock() = default;
    // Empty (Data() null) when there is no memory for it.
    explicit LargeBlock(size_t bytes);
    ~LargeBlock();
    LargeBlock(LargeBlock&& other) noexcept;
    LargeBlock& operator=(LargeBlock&& other) noexcept;
    LargeBlock(const LargeBlock&) = delete;
    LargeBlock& operator=(const LargeBlock&) = delete;

    void* Data() const { return data_; }
    template <class T> T* As() const { return static_cast<T*>(data_); }
    size_t Size() const { return size_; }

private:
    void Release();
    void* data_ = nullptr;
    size_t size_ = 0;
    size_t mapped_ = 0; // bytes mapped on their own; 0 when from calloc
};

} // namespace morvane
