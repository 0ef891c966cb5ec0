#include "remote_session.h"

#include "inet.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");
// A server that shows one identity after another is not asked about forever.
constexpr int kMostTrustRounds = 3;
constexpr int kRequestTimeoutSeconds = 30;

} // namespace

RemoteSession::RemoteSession(QObject* parent)
    : QObject(parent) {
    createInet();
}

RemoteSession::~RemoteSession() {
    close();
}

Inet* RemoteSession::Inet1() const {
    return m_closed ? nullptr : m_inet1.data();
}

void RemoteSession::createInet() {
    m_inet1 = new Inet(this);
    m_inet1->setRequestTimeout(kRequestTimeoutSeconds);
    connect(m_inet1, &Inet::SecurityEstablished, this, &RemoteSession::logSecurity);
}

// The old component may be the one whose event is being handled right now:
// it is let go once control is back in the event loop.
void RemoteSession::reloadInet() {
    const QString url = m_inet1 ? m_inet1->URL() : QString();
    const QString user = m_inet1 ? m_inet1->UserName() : QString();
    const QString password = m_inet1 ? m_inet1->Password() : QString();
    const ServerProtocol protocol = m_inet1 ? m_inet1->serverProtocol() : ServerProtocol::PlainFtp;
    if (m_inet1) {
        m_inet1->disconnect(this);
        m_inet1->Cancel();
        m_inet1->deleteLater();
    }
    createInet();
    m_inet1->setProtocol(Inet::ProtocolFtp);
    m_inet1->setURL(url);
    m_inet1->setUserName(user);
    m_inet1->setPassword(password);
    m_inet1->setServerProtocol(protocol);
}

void RemoteSession::setHost(const QString& address, const QString& user, const QString& password,
                            ServerProtocol protocol, const QString& keyFile,
                            bool clearTextAllowed) {
    reset();
    m_inet1->setProtocol(Inet::ProtocolFtp);
    m_inet1->setServerProtocol(protocol);
    m_inet1->setURL(address);
    m_inet1->setUserName(user);
    m_inet1->setPassword(password);
    m_trust->setLogin(keyFile, clearTextAllowed);
    m_security = {};
}

void RemoteSession::setPassword(const QString& password) {
    if (m_inet1 && !m_inet1->StillExecuting())
        m_inet1->setPassword(password);
}

QString RemoteSession::remoteHost() const {
    return m_inet1 ? m_inet1->RemoteHost() : QString();
}

bool RemoteSession::busy() const {
    return !m_closed && (m_running || !m_waiting.empty());
}

// --- jobs ------------------------------------------------------------------

RemoteJob* RemoteSession::logIn() {
    return submit(FtpCommand::pwd(), QString());
}

RemoteJob* RemoteSession::listFirst() {
    return submit(FtpCommand::list(QStringLiteral("DIR")), QString(), Listing{QString(), true});
}

RemoteJob* RemoteSession::listDirectory(const QString& directory, const QString& pattern,
                                        ListVerb verb, bool enterFirst) {
    FtpCommand list = FtpCommand::list(
        verb == ListVerb::Dir ? QStringLiteral("DIR") : QStringLiteral("LS"), directory + pattern);
    list.enterFirst = enterFirst;
    return submit(list, QString(), Listing{directory, false});
}

RemoteJob* RemoteSession::remove(const QString& path, const QString& subject) {
    return submit(FtpCommand::remove(path), subject);
}

RemoteJob* RemoteSession::rename(const QString& from, const QString& to, const QString& subject) {
    return submit(FtpCommand::rename(from, to), subject);
}

RemoteJob* RemoteSession::makeDirectory(const QString& path) {
    return submit(FtpCommand::makeDirectory(path), QString());
}

RemoteJob* RemoteSession::removeDirectory(const QString& path) {
    return submit(FtpCommand::removeDirectory(path), QString());
}

RemoteJob* RemoteSession::disconnectFromServer() {
    m_connected = false;
    return submit(FtpCommand::quit(), QString());
}

RemoteJob* RemoteSession::run(const FtpCommand& command, const QString& subject) {
    return submit(command, subject);
}

RemoteJob* RemoteSession::submit(const FtpCommand& command, const QString& subject) {
    return submit(command, subject, Listing{QString(), false});
}

// A job handed to a closed session ends at once, as cancelled.
RemoteJob* RemoteSession::submit(const FtpCommand& command, const QString& subject,
                                 const Listing& listing) {
    auto* job = new RemoteJob(command, subject, this);
    if (m_closed) {
        QMetaObject::invokeMethod(
            job, [job] { job->complete(InetResult::cancelledResult()); },
            Qt::QueuedConnection);
        return job;
    }
    if (command.kind == FtpCommand::Kind::List)
        m_listings.insert(job, listing);
    m_waiting.push_back(job);
    if (!m_running)
        startNext();
    return job;
}

void RemoteSession::startNext() {
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

// One try of the running job on the component as it stands now. A command
// the component refused to start was not sent: its job ends later, through
// the event loop, but the component never began executing it.
void RemoteSession::attempt() {
    applySecurityOptions();
    const bool wasIdle = !m_inet1->StillExecuting();
    m_attempt = InetJob::start(*m_inet1, m_running->command(), this);
    connect(m_attempt, &InetJob::stateChanged, this, &RemoteSession::Inet1_StateChanged);
    connect(m_attempt, &InetJob::finished, this, &RemoteSession::onAttemptEnded);
    if (wasIdle && m_inet1->StillExecuting())
        emit commandExecuted(m_running->command().text());
}

void RemoteSession::onAttemptEnded(const InetResult& result) {
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
bool RemoteSession::recoverFromFailure(const InetResult& result) {
    switch (result.code) {
    case InetResponse::ServerError:
        // A refusal starts again with a fresh component; every other refusal
        // since start-up gets one more try.
        reloadInet();
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
void RemoteSession::endRunning(const InetResult& result) {
    RemoteJob* job = m_running;
    m_running = nullptr;
    m_lastFailed = result.failed() || result.refused();
    m_loginRefused = result.failed() && result.code == InetResponse::LoginFailure;
    if (result.cancelled())
        reloadInet();
    try {
        ReactToResponse(*job, result);
    } catch (const std::exception& e) {
        emit failure(QStringLiteral("The following error occurred: ") +
                     QString::fromLocal8Bit(e.what()));
    }
    emit logTrimmed();
    m_listings.remove(job);
    job->complete(result);
    if (m_closed || m_running)
        return;
    if (!m_waiting.empty())
        startNext();
    else if (std::exchange(m_busy, false))
        emit busyChanged(false);
}

void RemoteSession::Cancel() {
    emit logCleared();
    abandonAll(true);
}

void RemoteSession::reset() {
    m_connected = false;
    abandonAll(false);
}

// The running job ends once its component has let go of it (the Cancel
// button's log line comes with that); the waiting ones end at once.
void RemoteSession::abandonAll(bool logCancel) {
    std::deque<QPointer<RemoteJob>> waiting;
    waiting.swap(m_waiting);
    for (const QPointer<RemoteJob>& job : waiting) {
        if (job) {
            m_listings.remove(job);
            job->complete(InetResult::cancelledResult());
        }
    }
    if (!m_running) {
        if (logCancel)
            reloadInet();
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
    reloadInet();
    m_listings.remove(job);
    job->complete(cancelled);
    if (!m_running && m_waiting.empty() && std::exchange(m_busy, false))
        emit busyChanged(false);
}

void RemoteSession::close() {
    if (m_closed)
        return;
    m_closed = true;
    m_connected = false;
    if (m_attempt)
        m_attempt->discard();
    if (m_running)
        m_running->deleteLater();
    for (const QPointer<RemoteJob>& job : m_waiting)
        if (job)
            job->deleteLater();
    m_waiting.clear();
    if (m_inet1) {
        m_inet1->disconnect(this);
        m_inet1->Cancel();
        m_inet1->deleteLater();
    }
}

void RemoteSession::log(const QString& text) {
    emit logAppended(text);
}

// --- what the component reports --------------------------------------------

void RemoteSession::Inet1_StateChanged(short s) {
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

std::optional<FtpAddress> RemoteSession::address() const {
    return parseServerAddress(m_inet1->URL(), m_inet1->serverProtocol(), nullptr);
}

// Pins, known hosts and the key file as they stand now; an address that
// cannot be read is left for Execute to refuse.
void RemoteSession::applySecurityOptions() {
    if (const std::optional<FtpAddress> server = address())
        m_inet1->setSecurityOptions(m_trust->optionsFor(*server));
}

// The server showed a certificate or host key that is not trusted yet, or
// not the one trusted before: the user decides, and the job is tried again
// if the answer allows it.
bool RemoteSession::answerTrustQuestion(const InetResult& result) {
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
bool RemoteSession::answerClearTextQuestion() {
    const std::optional<FtpAddress> server = address();
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
void RemoteSession::logSecurity() {
    const ConnectionSecurity& security = m_inet1->Security();
    m_security = security;
    const std::optional<FtpAddress> server = address();
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

void RemoteSession::ReactToResponse(const RemoteJob& job, const InetResult& result) {
    const Listing listing = m_listings.value(const_cast<RemoteJob*>(&job));
    if (listing.first)
        takeFirstListing();
    if (result.cancelled()) {
        if (std::exchange(m_cancelAsked, false))
            log(kCrLf + QStringLiteral("Operation cancled"));
        return;
    }
    if (!result.completed())
        return;
    switch (job.command().kind) {
    case FtpCommand::Kind::List:
        if (!listing.directory.isEmpty())
            setDirectory(listing.directory);
        showListing(result.listing);
        break;
    case FtpCommand::Kind::Delete:
        log(kCrLf + job.subject() + QStringLiteral(" deleted"));
        break;
    case FtpCommand::Kind::Pwd:
        ShowDir(result.reply);
        break;
    case FtpCommand::Kind::Quit:
        emit disconnected();
        break;
    case FtpCommand::Kind::Rename:
        log(kCrLf + job.subject() + QStringLiteral(" renamed"));
        break;
    default:
        break;
    }
}

// Connected once the first listing has ended, however it ended; a login
// directory the server gave as "//" is taken as "/".
void RemoteSession::takeFirstListing() {
    m_connected = true;
    if (m_remoteDir.startsWith(QStringLiteral("//"))) {
        m_rootDir = QStringLiteral("/");
        setDirectory(QStringLiteral("/"));
    }
}

// Lines the parser could not read are counted in the log, so that a list
// shorter than the directory never goes unnoticed.
void RemoteSession::showListing(const SharedListing& listing) {
    const int unread = listing ? listing->linesNotUnderstood : 0;
    if (unread > 0)
        log(kCrLf + QString::number(unread) +
            (unread == 1 ? QStringLiteral(" line not understood")
                         : QStringLiteral(" lines not understood")));
    emit listingRead(listing);
}

// The current directory always ends with "/", so that names and patterns
// can be appended to it; the root stays as the server said.
void RemoteSession::ShowDir(const QString& reply) {
    m_rootDir = reply;
    setDirectory(reply.endsWith(u'/') ? reply : reply + u'/');
}

void RemoteSession::setDirectory(const QString& directory) {
    m_remoteDir = directory;
    emit directoryChanged(m_remoteDir);
}
