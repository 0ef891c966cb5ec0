#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

// A long listing fills tens of megabytes with blocks of every size and frees
// them again when the next one comes. Left to itself, the C library hands
// every block of 128 KiB or more back to the system as soon as it is freed,
// and trims the heap as its top comes free; the next listing then takes the
// same amount of fresh memory from the system, and every fresh page costs a
// fault when it is first written. On some virtual machines those faults take
// longer than the work done in the pages.
//
// Keeps the memory the program frees for its next use: blocks come from the
// heap (only one larger than a thread's heap is still mapped on its own),
// and freeing trims the heap only past a gigabyte. Called once, first thing
// in main. False where the allocator is not the C library's (a sanitizer's),
// which is then left as it is.
bool keepFreedMemory();

// Gives the system back, once a `period`, the pages of the heap that are
// free at that moment, so that what a long listing left behind is not kept
// for ever by a program that sits idle.
class FreedMemoryRelease : public QObject {
public:
    explicit FreedMemoryRelease(std::chrono::milliseconds period, QObject* parent = nullptr);

    // What the timer does: gives the free pages back now. False when there
    // was nothing to give.
    static bool releaseNow();

private:
    QTimer m_timer;
};
