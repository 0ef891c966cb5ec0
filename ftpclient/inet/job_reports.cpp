#include "job_reports.h"

#include "ftp_running_job.h"

#include <utility>

JobReports::JobReports(Host host, const RunningJob& run, FileProgress& progress)
    : m_host(std::move(host))
    , m_run(run)
    , m_progress(progress) {}

void JobReports::state(short state) {
    if (m_run.probing || (m_run.job && !m_run.job->stepStates))
        return;
    FtpEvent ev = FtpEvent::make(FtpEvent::Type::State, m_run.id);
    ev.state = state;
    m_host.report(std::move(ev));
}

void JobReports::states(const std::vector<short>& states) {
    for (short each : states)
        state(each);
}

void JobReports::progress(qint64 done, qint64 total, bool force) {
    if (!m_progress.due(done, total, force))
        return;
    FtpEvent ev = FtpEvent::make(FtpEvent::Type::Progress, m_run.id);
    ev.done = done;
    ev.total = total;
    m_host.report(std::move(ev));
}

void JobReports::secured(quint64 job, const ConnectionSecurity& security) {
    FtpEvent ev = FtpEvent::make(FtpEvent::Type::Secured, job);
    ev.security = security;
    m_host.report(std::move(ev));
}

void JobReports::finished(FtpEvent&& ev) {
    m_host.report(std::move(ev));
}
