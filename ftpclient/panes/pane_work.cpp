#include "pane_work.h"

#include "large_pages.h"

#include <thread>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

void inTwoParts(qsizetype count, qsizetype splitFrom,
                const std::function<void(qsizetype, qsizetype)>& work) {
    const auto part = [&work](qsizetype from, qsizetype to) {
        preferLargePagesFor(to - from);
        work(from, to);
    };
    const qsizetype half = count >= splitFrom ? count / 2 : count;
    std::thread other;
    if (half < count)
        other = std::thread(part, half, count);
    part(0, half);
    if (other.joinable())
        other.join();
}

void yieldToTheWindow() {
    ::setpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)), 5);
}
