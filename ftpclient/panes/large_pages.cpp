#include "large_pages.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include <sys/mman.h>

namespace {

constexpr std::uintptr_t kLargePage = 2 * 1024 * 1024;
constexpr std::size_t kFewest = 2 * kLargePage;
// A thread's heap other than the first holds 64 MiB at most.
constexpr std::size_t kMost = 32 * 1024 * 1024;
// What a listing makes for each entry at its busiest step, roughly: a name,
// a text, a list entry, their share of the arrays.
constexpr std::size_t kBytesPerEntry = 256;

// A sanitizer's allocator maps large blocks on their own and holds freed
// ones back: nothing would come of the advice.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLibraryAllocator = false;
#else
constexpr bool kLibraryAllocator = true;
#endif

} // namespace

void preferLargePages(std::size_t bytes) {
    if (!kLibraryAllocator || bytes < kFewest)
        return;
    bytes = std::min(bytes, kMost);
    // A block that size, untouched, lies where the thread's next blocks will
    // come from once it is free again: the advice stays with those pages.
    void* const block = std::malloc(bytes);
    if (!block)
        return;
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t from = (start + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t to = (start + bytes) & ~(kLargePage - 1);
    if (to > from)
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
    std::free(block);
}

void preferLargePagesFor(qsizetype entries) {
    if (entries > 0)
        preferLargePages(std::size_t(entries) * kBytesPerEntry);
}
