#include "analysis/LargeBlock.h"

#include <cstdint>
#include <cstdlib>
#include <utility>
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace morvane {

namespace {

constexpr size_t HugePage = size_t { 1 } << 21;
constexpr size_t LeastMapped = size_t { 1 } << 20;

} // namespace

LargeBlock::LargeBlock(size_t bytes)
{
    if (bytes == 0)
        return;
#ifdef __linux__
    if (bytes >= LeastMapped) {
        // Mapped with a huge page to spare, then cut down to whole huge pages on a huge-page boundary.
        const size_t whole = (bytes + HugePage - 1) & ~(HugePage - 1);
        void* base = ::mmap(nullptr, whole + HugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED)
            return;
        const auto begin = reinterpret_cast<uintptr_t>(base);
        const uintptr_t aligned = (begin + HugePage - 1) & ~(HugePage - 1);
        if (aligned > begin)
            ::munmap(base, aligned - begin);
        if (const size_t tail = begin + whole + HugePage - (aligned + whole); tail > 0)
            ::munmap(reinterpret_cast<void*>(aligned + whole), tail);
        data_ = reinterpret_cast<void*>(aligned);
        ::madvise(data_, whole, MADV_HUGEPAGE); // only advice: a refusal leaves 4 KB pages
        size_ = bytes;
        mapped_ = whole;
        return;
    }
#endif
    data_ = std::calloc(bytes, 1);
    size_ = data_ ? bytes : 0;
}

LargeBlock::~LargeBlock() { Release(); }

LargeBlock::LargeBlock(LargeBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr))
    , size_(std::exchange(other.size_, 0))
    , mapped_(std::exchange(other.mapped_, 0))
{
}

LargeBlock& LargeBlock::operator=(LargeBlock&& other) noexcept
{
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, 0);
    }
    return *this;
}

void LargeBlock::Release()
{
#ifdef __linux__
    if (mapped_ > 0)
        ::munmap(data_, mapped_);
    else
        std::free(data_);
#else
    std::free(data_);
#endif
    data_ = nullptr;
    size_ = 0;
    mapped_ = 0;
}

} // namespace morvane
