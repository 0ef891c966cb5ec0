#include "lingering_close.h"

#include <cerrno>
#include <chrono>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSliceMs = 100; // how often `stop` is asked

// Bytes sent but not yet acknowledged by the peer, or still to be sent.
int unacknowledgedBytes(int fd) {
    int bytes = 0;
    return ::ioctl(fd, SIOCOUTQ, &bytes) == 0 ? bytes : 0;
}

// Reads and drops what has come; false once the peer has closed or the
// connection failed.
bool dropIncoming(int fd, bool* gotSome) {
    char sink[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, sink, sizeof sink, MSG_DONTWAIT);
        if (n > 0) {
            *gotSome = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

void waitForPeerClose(int fd, int idleSeconds, const std::function<bool()>& stop) {
    using Clock = std::chrono::steady_clock;
    const auto idleLimit = std::chrono::seconds(idleSeconds);
    auto lastProgress = Clock::now();
    int unacknowledged = unacknowledgedBytes(fd);
    while (!stop()) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kSliceMs) < 0 && errno != EINTR)
            return;
        bool progress = false;
        if (p.revents != 0 && !dropIncoming(fd, &progress))
            return;
        const int stillUnacknowledged = unacknowledgedBytes(fd);
        if (stillUnacknowledged < unacknowledged)
            progress = true;
        unacknowledged = stillUnacknowledged;
        if (progress)
            lastProgress = Clock::now();
        else if (idleSeconds > 0 && Clock::now() - lastProgress >= idleLimit)
            return;
    }
}

} // namespace

int closeAfterPeer(int fd, int idleSeconds, const std::function<bool()>& stop) {
    if (::shutdown(fd, SHUT_WR) == 0)
        waitForPeerClose(fd, idleSeconds, stop);
    return ::close(fd);
}
