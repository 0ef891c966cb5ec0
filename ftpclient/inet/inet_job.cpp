#include "inet_job.h"

#include "inet.h"

InetJob::InetJob(Inet& inet, const FtpCommand& command, QObject* parent)
    : QObject(parent)
    , m_inet(&inet)
    , m_command(command) {}

InetJob::~InetJob() {
    release();
}

InetJob* InetJob::start(Inet& inet, const FtpCommand& command, QObject* parent) {
    auto* job = new InetJob(inet, command, parent);
    job->run();
    return job;
}

// A command the component will not start ends like any other failure, once
// control is back in the event loop.
void InetJob::run() {
    connect(m_inet, &Inet::StateChanged, this, &InetJob::onState);
    connect(m_inet, &Inet::TransferProgress, this, &InetJob::progress);
    connect(m_inet, &Inet::SecurityEstablished, this, &InetJob::securityEstablished);
    connect(m_inet, &QObject::destroyed, this, &InetJob::onInetGone);
    try {
        m_inet->Execute(m_inet->URL(), m_command);
        m_started = true;
    } catch (const InetError& e) {
        m_inet->disconnect(this);
        InetResult refused;
        refused.end = InetResult::End::Refused;
        refused.code = e.number();
        refused.info = e.description();
        QMetaObject::invokeMethod(
            this, [this, refused] { finish(refused); }, Qt::QueuedConnection);
    }
}

void InetJob::abort() {
    if (m_finished || m_aborted)
        return;
    m_aborted = true;
    if (m_inet && m_inet->StillExecuting()) {
        m_inet->Cancel();
        return;
    }
    // Not running (refused at the start, or the component is gone).
    InetResult cancelled;
    cancelled.end = InetResult::End::Cancelled;
    QMetaObject::invokeMethod(
        this, [this, cancelled] { finish(cancelled); }, Qt::QueuedConnection);
}

void InetJob::discard() {
    if (m_finished)
        return;
    release();
    m_finished = true;
    deleteLater();
}

void InetJob::release() {
    if (m_finished || !m_inet)
        return;
    m_inet->disconnect(this);
    if (m_inet->StillExecuting())
        m_inet->Cancel();
}

// The component went away with its command: nothing of it can be read now.
void InetJob::onInetGone() {
    m_inet = nullptr;
    InetResult cancelled;
    cancelled.end = InetResult::End::Cancelled;
    finish(cancelled);
}

void InetJob::onState(short state) {
    if (m_finished)
        return;
    if (state != InetState::ResponseCompleted && state != InetState::Error) {
        emit stateChanged(state);
        return;
    }
    InetResult result = resultOfCompletion();
    if (m_aborted)
        result.end = InetResult::End::Cancelled;
    else if (state == InetState::Error)
        result.end = InetResult::End::Failed;
    finish(std::move(result));
}

InetResult InetJob::resultOfCompletion() const {
    InetResult result;
    result.code = m_inet->ResponseCode();
    result.info = m_inet->ResponseInfo();
    result.listing = m_inet->Listing();
    result.facts = m_inet->LastTransfer();
    result.untrustedPeer = m_inet->UntrustedPeer();
    if (!result.listing) {
        for (QString part = m_inet->GetChunk(8192); !part.isEmpty(); part = m_inet->GetChunk(8192))
            result.reply += part;
    }
    return result;
}

// The component is let go first, so that a handler may start its next
// command at once.
void InetJob::finish(InetResult result) {
    if (m_finished)
        return;
    m_finished = true;
    if (m_inet)
        m_inet->disconnect(this);
    m_result = std::move(result);
    deleteLater();
    emit finished(m_result);
}
