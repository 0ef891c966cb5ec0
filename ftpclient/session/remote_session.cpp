#include "remote_session.h"

#include "inet.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>

namespace {

const QString kCrLf = QStringLiteral("\r\n");
// A server that shows one identity after another is not asked about forever.
constexpr int kMostTrustRounds = 3;

QString descriptionOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const InetError& e) {
        return e.description();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

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
    connect(m_inet1, &Inet::StateChanged, this, &RemoteSession::Inet1_StateChanged);
    connect(m_inet1, &Inet::TransferProgress, this, &RemoteSession::progress);
    connect(m_inet1, &Inet::SecurityEstablished, this, &RemoteSession::logSecurity);
}

// The old component may be the one whose event is being handled right now:
// it is silenced and let go once control is back in the event loop.
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
    m_inet1->setRequestTimeout(30);
    m_inet1->setProtocol(Inet::ProtocolFtp);
    m_inet1->setURL(url);
    m_inet1->setUserName(user);
    m_inet1->setPassword(password);
    m_inet1->setServerProtocol(protocol);
    wakeWaits();
}

void RemoteSession::setHost(const QString& address, const QString& user, const QString& password,
                            ServerProtocol protocol, const QString& keyFile,
                            bool clearTextAllowed) {
    m_inet1->setProtocol(Inet::ProtocolFtp);
    m_inet1->setServerProtocol(protocol);
    m_inet1->setURL(address);
    m_inet1->setUserName(user);
    m_inet1->setPassword(password);
    m_trust->setLogin(keyFile, clearTextAllowed);
    m_security = {};
}

void RemoteSession::setPassword(const QString& password) {
    if (m_inet1)
        m_inet1->setPassword(password);
}

bool RemoteSession::loginRefused() const {
    return m_commandFailed && m_inet1 && m_inet1->ResponseCode() == InetResponse::LoginFailure;
}

QString RemoteSession::remoteHost() const {
    return m_inet1 ? m_inet1->RemoteHost() : QString();
}

bool RemoteSession::busy() const {
    return !m_closed && m_inet1 && m_inet1->StillExecuting();
}

void RemoteSession::execute(short code, const FtpCommand& command) {
    state.iLastCommand = code;
    state.bCancel = false;
    state.sCommand = command.text();
    m_command = command;
    if (m_closed || !m_inet1)
        return;
    m_commandFailed = false;
    m_trustRounds = 0;
    applySecurityOptions();
    m_inet1->Execute(m_inet1->URL(), command);
    emit commandExecuted(state.sCommand);
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

void RemoteSession::WaitResp() {
    emit waitStarted();
    if (!busy())
        QCoreApplication::processEvents();
    while (busy()) {
        QEventLoop loop;
        m_waits.push_back(&loop);
        loop.exec();
        m_waits.erase(std::find(m_waits.begin(), m_waits.end(), &loop));
    }
    emit waitEnded();
}

void RemoteSession::wakeWaits() {
    if (busy())
        return;
    for (QEventLoop* loop : m_waits)
        loop->quit();
}

void RemoteSession::runCommand(short code, const FtpCommand& command) {
    execute(code, command);
    WaitResp();
}

void RemoteSession::Cancel() {
    state.iLastCommand = LastCommand::Cancelled;
    // The timeout can only change while the component is idle; an abandoned
    // command ends at once anyway.
    if (m_inet1 && !m_inet1->StillExecuting())
        m_inet1->setRequestTimeout(1);
    state.bCancel = true;
    emit logCleared();
    if (m_inet1)
        m_inet1->Cancel();
    WaitResp();
    if (m_closed)
        return;
    reloadInet();
    state.bCancel = true;
}

void RemoteSession::reset() {
    if (busy()) {
        m_inet1->Cancel();
        reloadInet();
    }
}

void RemoteSession::close() {
    if (m_closed)
        return;
    m_closed = true;
    if (m_inet1) {
        if (m_inet1->StillExecuting())
            m_inet1->Cancel();
        m_inet1->disconnect(this);
        m_inet1->deleteLater();
    }
    for (QEventLoop* loop : m_waits)
        loop->quit();
}

void RemoteSession::log(const QString& text) {
    emit logAppended(text);
}

// Nothing may escape into the event loop: a failure here is reported like
// any other run-time failure.
void RemoteSession::Inet1_StateChanged(short s) {
    try {
        reactToState(s);
    } catch (...) {
        emit failure(QStringLiteral("The following error occurred: ") +
                     descriptionOf(std::current_exception()));
    }
    emit logTrimmed();
    wakeWaits();
}

void RemoteSession::reactToState(short s) {
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
    case InetState::Error:
        log(QStringLiteral("Error! ") + QString::number(m_inet1->ResponseCode()) +
            QStringLiteral(": ") + m_inet1->ResponseInfo() + kCrLf);
        m_commandFailed = true;
        if (m_inet1->ResponseCode() == InetResponse::ServerError)
            recoverFromRefusal();
        else if (InetResponse::isTrustQuestion(m_inet1->ResponseCode()))
            answerTrustQuestion();
        else if (m_inet1->ResponseCode() == InetResponse::TlsNotOffered)
            answerClearTextQuestion();
        else if (m_inet1->ResponseCode() == InetResponse::LoginFailure)
            m_trust->forgetPassphrase();
        break;
    case InetState::ResponseCompleted:
        m_commandFailed = false;
        ReactToResponse(state.iLastCommand);
        break;
    default:
        break;
    }
}

// A refusal starts again with a fresh component; every other refusal since
// start-up gets one more try.
void RemoteSession::recoverFromRefusal() {
    reloadInet();
    if (++iRetry == 1)
        runAgain();
    else
        iRetry = 0;
}

void RemoteSession::runAgain() {
    m_commandFailed = false;
    applySecurityOptions();
    m_inet1->Execute(m_inet1->URL(), m_command);
    emit commandExecuted(state.sCommand);
    WaitResp();
}

// The server showed a certificate or host key that is not trusted yet, or
// not the one trusted before: the user decides, and the command runs again
// if the answer allows it.
void RemoteSession::answerTrustQuestion() {
    const std::optional<PeerIdentity> peer = m_inet1->UntrustedPeer();
    if (!peer || ++m_trustRounds > kMostTrustRounds)
        return;
    QString error;
    const bool again = m_trust->resolve(*peer, &error);
    if (!error.isEmpty())
        emit failure(error);
    if (again && !m_closed && m_inet1)
        runAgain();
}

// The server does not offer TLS: nothing was sent, and the user decides
// whether to go on in clear text before the password leaves.
void RemoteSession::answerClearTextQuestion() {
    const std::optional<FtpAddress> server = address();
    bool always = false;
    if (!server || ++m_trustRounds > kMostTrustRounds || !m_trust->allowClearText(*server, &always))
        return;
    if (always)
        emit clearTextAllowedForGood();
    if (!m_closed && m_inet1)
        runAgain();
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

int RemoteSession::ReactToResponse(short code) {
    switch (code) {
    case LastCommand::Listing:
        showListing(m_inet1->Listing());
        break;
    case LastCommand::Upload:
        log(kCrLf + sCurFile + QStringLiteral(" sent"));
        break;
    case LastCommand::Download:
        log(kCrLf + sCurFile + QStringLiteral(" retrieved"));
        break;
    case LastCommand::Delete:
        log(kCrLf + sCurFile + QStringLiteral(" deleted"));
        break;
    case LastCommand::FirstAfterConnect:
        ShowDir();
        break;
    case LastCommand::Disconnect:
        emit disconnected();
        break;
    case LastCommand::Rename:
        log(kCrLf + sCurFile + QStringLiteral(" renamed"));
        break;
    case LastCommand::Cancelled:
        log(kCrLf + QStringLiteral("Operation cancled"));
        break;
    default:
        break;
    }
    emit logTrimmed();
    return 0;
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
short RemoteSession::ShowDir() {
    QString reply;
    for (QString part = m_inet1->GetChunk(1024); !part.isEmpty(); part = m_inet1->GetChunk(1024))
        reply += part;
    sRemoteDir = reply.endsWith(u'/') ? reply : reply + u'/';
    sRootDir = reply;
    emit directoryChanged(sRemoteDir);
    return 0;
}
