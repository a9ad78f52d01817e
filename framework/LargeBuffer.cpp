#include "framework/LargeBuffer.h"

#include <atomic>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace LargeBuffer {

namespace {

std::atomic<bool> hugePages{true};

// Advises the whole pages inside [data, data + size); the first and last
// partial pages belong to the allocator too and are left alone.
void adviseHugePages(char* data, std::size_t size) {
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + page - 1) & ~(page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(page - 1);
    if (end > begin) {
        // only advice: a system without huge pages simply ignores it
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
}

} // namespace

void Reserve(std::string& s, std::size_t size) {
    if (size <= s.capacity()) {
        return;
    }
    s.reserve(size);
    if (size >= HugePageThreshold && hugePages.load(std::memory_order_relaxed)) {
        adviseHugePages(s.data(), s.capacity());
    }
}

void SetHugePages(bool on) {
    hugePages.store(on, std::memory_order_relaxed);
}

bool HugePages() {
    return hugePages.load(std::memory_order_relaxed);
}

} // namespace LargeBuffer
