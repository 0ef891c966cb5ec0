#pragma once

#include "ftp_job.h"

#include <functional>
#include <vector>

class FileProgress;
struct RunningJob;

// What a session tells the one it works for about the job it runs, and what
// it asks of it: the states the job goes through (none while a server's
// identity is looked at), the progress of the file it moves (only when
// due), how a new connection is protected and how the job ended; and
// whether the job was given up.
class JobReports {
public:
    struct Host {
        std::function<void(FtpEvent&&)> report;
        std::function<bool(quint64 job)> abandoned;
    };

    // `run` and `progress` are the session's, and outlive this.
    JobReports(Host host, const RunningJob& run, FileProgress& progress);

    void state(short state);
    void states(const std::vector<short>& states);
    // Told when due, or at once when `force`d.
    void progress(qint64 done, qint64 total, bool force);
    void secured(quint64 job, const ConnectionSecurity& security);
    // `ev`, a Finished event.
    void finished(FtpEvent&& ev);
    bool abandoned(quint64 job) const { return m_host.abandoned(job); }

private:
    Host m_host;
    const RunningJob& m_run;
    FileProgress& m_progress;
};
