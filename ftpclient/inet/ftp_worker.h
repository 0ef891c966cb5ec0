#pragma once

#include "ftp_job.h"

#include <functional>
#include <memory>

// Runs jobs on one connection, one at a time and in the order given, on a
// thread of its own. Several transfer components may hand it jobs (each
// through a front of its own); the events of a job go to the sink of the
// front that gave it, on that thread.
class FtpWorker {
public:
    using Sink = std::function<void(FtpEvent&&)>;

    FtpWorker();
    // Abandons the running job and stops the thread. Waits for it at most
    // about a second; a thread still busy then finishes on its own, and no
    // sink is called again either way.
    ~FtpWorker();
    FtpWorker(const FtpWorker&) = delete;
    FtpWorker& operator=(const FtpWorker&) = delete;

    // A new front, whose jobs report to `sink`.
    quint64 attach(Sink sink);
    // The front's sink is never called again; its jobs are abandoned, those
    // not started yet never start.
    void detach(quint64 front);

    void submit(quint64 front, FtpJob job);
    // Abandons the job with this id as soon as possible; one that has not
    // started yet never starts.
    void abandon(quint64 jobId);

    // State shared with the thread, which may outlive this object.
    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
};
