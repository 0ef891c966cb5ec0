#include "session_runner.h"

#include "inet.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");
// A server that shows one identity after another is not asked about forever.
constexpr int kMostTrustRounds = 3;

} // namespace

SessionRunner::SessionRunner(QObject* parent)
    : QObject(parent) {
    connect(&m_component, &SessionComponent::securityEstablished, this,
            &SessionRunner::logSecurity);
}

SessionRunner::~SessionRunner() {
    close();
}

// A job handed to a closed session ends at once, as cancelled.
RemoteJob* SessionRunner::submit(const FtpCommand& command, const QString& subject) {
    auto* job = new RemoteJob(command, subject, this);
    if (m_closed) {
        QMetaObject::invokeMethod(
            job, [job] { job->complete(InetResult::cancelledResult()); }, Qt::QueuedConnection);
        return job;
    }
    m_waiting.push_back(job);
    if (!m_running)
        startNext();
    return job;
}

Inet* SessionRunner::Inet1() const {
    return m_closed ? nullptr : m_component.Inet1();
}

void SessionRunner::setHost(const QString& address, const QString& user, const QString& password,
                            ServerProtocol protocol, const QString& keyFile,
                            bool clearTextAllowed) {
    reset();
    Inet* inet = Inet1();
    if (!inet)
        return;
    inet->setProtocol(Inet::ProtocolFtp);
    inet->setServerProtocol(protocol);
    inet->setURL(address);
    inet->setUserName(user);
    inet->setPassword(password);
    m_trust->setLogin(keyFile, clearTextAllowed);
    m_security = {};
}

void SessionRunner::setPassword(const QString& password) {
    if (Inet* inet = Inet1(); inet && !inet->StillExecuting())
        inet->setPassword(password);
}

QString SessionRunner::remoteHost() const {
    const Inet* inet = Inet1();
    return inet ? inet->RemoteHost() : QString();
}

bool SessionRunner::busy() const {
    return !m_closed && (m_running || !m_waiting.empty());
}

void SessionRunner::startNext() {
    while (!m_running && !m_waiting.empty()) {
        m_running = m_waiting.front();
        m_waiting.pop_front();
    }
    if (!m_running)
        return;
    if (!std::exchange(m_busy, true))
        emit busyChanged(true);
    m_trustRounds = 0;
    attempt();
}

// One try of the running job on the component as it stands now.
void SessionRunner::attempt() {
    applySecurityOptions();
    m_attempt = InetJob::start(*m_component.Inet1(), m_running->command(), this);
    connect(m_attempt, &InetJob::stateChanged, this, &SessionRunner::Inet1_StateChanged);
    connect(m_attempt, &InetJob::finished, this, &SessionRunner::onAttemptEnded);
    if (m_attempt->started())
        emit commandExecuted(m_running->command().text());
}

void SessionRunner::onAttemptEnded(const InetResult& result) {
    m_attempt = nullptr;
    if (!m_running)
        return;
    if (result.failed()) {
        log(QStringLiteral("Error! ") + QString::number(result.code) + QStringLiteral(": ") +
            result.info + kCrLf);
        if (recoverFromFailure(result))
            return;
    }
    endRunning(result);
}

// True when the job was tried again.
bool SessionRunner::recoverFromFailure(const InetResult& result) {
    switch (result.code) {
    case InetResponse::ServerError:
        // A refusal starts again with a fresh component; every other refusal
        // since start-up gets one more try.
        m_component.renew();
        if (++m_iRetry == 1) {
            attempt();
            return true;
        }
        m_iRetry = 0;
        return false;
    case InetResponse::TlsNotOffered:
        return answerClearTextQuestion();
    case InetResponse::LoginFailure:
        m_trust->forgetPassphrase();
        return false;
    default:
        return InetResponse::isTrustQuestion(result.code) && answerTrustQuestion(result);
    }
}

// What the completion calls for happens before the job's own listeners
// hear of it; one of them may start the next job at once.
void SessionRunner::endRunning(const InetResult& result) {
    RemoteJob* job = m_running;
    m_running = nullptr;
    m_lastFailed = result.failed() || result.refused();
    m_loginRefused = result.failed() && result.code == InetResponse::LoginFailure;
    if (result.cancelled())
        m_component.renew();
    if (result.cancelled() && std::exchange(m_cancelAsked, false))
        log(kCrLf + QStringLiteral("Operation cancled"));
    emit jobEnding(*job, result);
    emit logTrimmed();
    job->complete(result);
    if (m_closed || m_running)
        return;
    if (!m_waiting.empty())
        startNext();
    else if (std::exchange(m_busy, false))
        emit busyChanged(false);
}

void SessionRunner::Cancel() {
    emit logCleared();
    abandonAll(true);
}

void SessionRunner::reset() {
    abandonAll(false);
}

// The running job ends once its component has let go of it (the Cancel
// button's log line comes with that); the waiting ones end at once.
void SessionRunner::abandonAll(bool logCancel) {
    std::deque<QPointer<RemoteJob>> waiting;
    waiting.swap(m_waiting);
    for (const QPointer<RemoteJob>& job : waiting) {
        if (job) {
            job->complete(InetResult::cancelledResult());
        }
    }
    if (!m_running) {
        if (logCancel)
            m_component.renew();
        return;
    }
    if (logCancel && m_attempt) {
        m_cancelAsked = true;
        m_attempt->abort();
        return;
    }
    if (m_attempt)
        m_attempt->discard();
    m_attempt = nullptr;
    const InetResult cancelled = InetResult::cancelledResult();
    RemoteJob* job = m_running;
    m_running = nullptr;
    m_component.renew();
    job->complete(cancelled);
    if (!m_running && m_waiting.empty() && std::exchange(m_busy, false))
        emit busyChanged(false);
}

void SessionRunner::close() {
    if (m_closed)
        return;
    m_closed = true;
    if (m_attempt)
        m_attempt->discard();
    if (m_running)
        m_running->deleteLater();
    for (const QPointer<RemoteJob>& job : m_waiting)
        if (job)
            job->deleteLater();
    m_waiting.clear();
    m_component.release();
}

void SessionRunner::log(const QString& text) {
    emit logAppended(text);
}

void SessionRunner::Inet1_StateChanged(short s) {
    switch (s) {
    case InetState::ResolvingHost:
        log(kCrLf + QStringLiteral("Resolving Host"));
        break;
    case InetState::HostResolved:
        log(kCrLf + QStringLiteral("Host Resolved"));
        break;
    case InetState::Connecting:
        log(kCrLf + QStringLiteral("Connecting..."));
        break;
    case InetState::Connected:
        log(kCrLf + QStringLiteral("Connected!"));
        break;
    case InetState::Disconnecting:
        log(kCrLf + QStringLiteral("Disconnecting..."));
        break;
    case InetState::Disconnected:
        log(kCrLf + QStringLiteral("Disconnected"));
        break;
    default:
        break;
    }
    emit logTrimmed();
}

// Pins, known hosts and the key file as they stand now; an address that
// cannot be read is left for Execute to refuse.
void SessionRunner::applySecurityOptions() {
    if (const std::optional<FtpAddress> server = m_component.address())
        m_component.Inet1()->setSecurityOptions(m_trust->optionsFor(*server));
}

// The server showed a certificate or host key that is not trusted yet, or
// not the one trusted before: the user decides, and the job is tried again
// if the answer allows it.
bool SessionRunner::answerTrustQuestion(const InetResult& result) {
    if (!result.untrustedPeer || ++m_trustRounds > kMostTrustRounds)
        return false;
    QString error;
    const bool again = m_trust->resolve(*result.untrustedPeer, &error);
    if (!error.isEmpty())
        emit failure(error);
    if (!again || m_closed || !m_running)
        return false;
    attempt();
    return true;
}

// The server does not offer TLS: nothing was sent, and the user decides
// whether to go on in clear text before the password leaves.
bool SessionRunner::answerClearTextQuestion() {
    const std::optional<FtpAddress> server = m_component.address();
    bool always = false;
    if (!server || ++m_trustRounds > kMostTrustRounds || !m_trust->allowClearText(*server, &always))
        return false;
    if (always)
        emit clearTextAllowedForGood();
    if (m_closed || !m_running)
        return false;
    attempt();
    return true;
}

// Plain FTP says nothing, as it always did; the window shows it unprotected.
// A server that once used TLS is held to it from then on.
void SessionRunner::logSecurity() {
    const ConnectionSecurity& security = m_component.Inet1()->Security();
    m_security = security;
    const std::optional<FtpAddress> server = m_component.address();
    QString error;
    if (security.encrypted && isFtpFamily(security.protocol) && server &&
        !m_trust->acceptedForNow(*server) && !m_trust->rememberTls(*server, &error))
        log(kCrLf + error);
    switch (security.protocol) {
    case ServerProtocol::PlainFtp:
        break;
    case ServerProtocol::Sftp:
        log(kCrLf + QStringLiteral("Encrypted: SFTP over SSH, host key ") + security.details);
        break;
    default:
        if (security.encrypted)
            log(kCrLf + QStringLiteral("Encrypted: FTP over TLS, ") + security.details);
        else
            log(kCrLf + QStringLiteral("Not encrypted: the server does not offer TLS, so the "
                                       "password and files travel in clear text"));
        break;
    }
    emit securityEstablished(security);
}
