#include "remote_job.h"

#include "inet_error.h"

RemoteJob::RemoteJob(const FtpCommand& command, const QString& subject, QObject* parent)
    : QObject(parent)
    , m_command(command)
    , m_subject(subject) {}

void RemoteJob::complete(const InetResult& result) {
    if (m_finished)
        return;
    m_finished = true;
    m_result = result;
    deleteLater();
    emit finished(m_result);
}

JobChain::JobChain(QObject* parent)
    : QObject(parent) {}

JobChain::~JobChain() = default;

JobChain* JobChain::of(RemoteJob* job, QObject* parent) {
    auto* chain = new JobChain(parent);
    chain->then([job] { return job; });
    return chain;
}

JobChain& JobChain::then(Step step) {
    m_steps.push_back(std::move(step));
    return *this;
}

void JobChain::start() {
    runNext();
}

void JobChain::cancel() {
    end(true);
}

void JobChain::runNext() {
    while (!m_ended && m_next < m_steps.size()) {
        RemoteJob* job = nullptr;
        try {
            job = m_steps[m_next++]();
        } catch (...) {
            end(false, std::current_exception());
            return;
        }
        if (!job)
            continue;
        m_running = job;
        connect(job, &RemoteJob::finished, this, [this](const InetResult& result) {
            m_running = nullptr;
            m_last = result;
            if (result.cancelled())
                end(true);
            else if (result.refused())
                end(false, std::make_exception_ptr(InetError(result.code, result.info)));
            else
                runNext();
        });
        return;
    }
    end(false);
}

void JobChain::end(bool cancelled, std::exception_ptr error) {
    if (m_ended)
        return;
    m_ended = true;
    if (m_running)
        m_running->disconnect(this);
    deleteLater();
    emit finished(cancelled, error);
}
