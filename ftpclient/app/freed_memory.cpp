#include "freed_memory.h"

#include <QThreadPool>

#include <malloc.h>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLibraryAllocator = false;
#else
constexpr bool kLibraryAllocator = true;
#endif

} // namespace

bool keepFreedMemory() {
    if (!kLibraryAllocator)
        return false;
    // No block mapped on its own: each would go back to the system when
    // freed. The heap then grows for large blocks too; what stays free is
    // given back by FreedMemoryRelease rather than on every free.
    const bool heapOnly = mallopt(M_MMAP_MAX, 0) == 1;
    const bool untrimmed = mallopt(M_TRIM_THRESHOLD, 1 << 30) == 1;
    return heapOnly && untrimmed;
}

FreedMemoryRelease::FreedMemoryRelease(std::chrono::milliseconds period, QObject* parent)
    : QObject(parent) {
    m_timer.setTimerType(Qt::VeryCoarseTimer);
    // Giving back the pages of a few hundred megabytes takes some 20 ms: not
    // on the window's thread.
    connect(&m_timer, &QTimer::timeout, this,
            [] { QThreadPool::globalInstance()->start([] { releaseNow(); }); });
    m_timer.start(period);
}

bool FreedMemoryRelease::releaseNow() {
    return kLibraryAllocator && malloc_trim(0) == 1;
}
