#pragma once

#include "ftp_job.h"

#include <functional>
#include <memory>

// Runs the jobs of one transfer component, one at a time, on a thread of its
// own. Events are handed to the sink on that thread.
class FtpWorker {
public:
    using Sink = std::function<void(FtpEvent&&)>;

    explicit FtpWorker(Sink sink);
    // Abandons the running job and stops the thread. Waits for it at most
    // about a second; a thread still busy then finishes on its own, and the
    // sink is never called again either way.
    ~FtpWorker();
    FtpWorker(const FtpWorker&) = delete;
    FtpWorker& operator=(const FtpWorker&) = delete;

    void submit(FtpJob job);
    // Abandons the job with this id (and any earlier one) as soon as possible.
    void abandon(quint64 jobId);

    // State shared with the thread, which may outlive this object.
    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
};
