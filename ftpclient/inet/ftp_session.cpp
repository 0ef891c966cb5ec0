#include "ftp_session.h"

#include "ftp_listing.h"
#include "ftp_reply.h"
#include "inet_codes.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr long kReceiveBufferBytes = 512 * 1024;
constexpr long kSendBufferBytes = 2 * 1024 * 1024;
constexpr qint64 kProgressIntervalMs = 100;
constexpr int kPollMs = 1000;

QString systemErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

FtpSession::FtpSession(Host host)
    : m_host(std::move(host)) {
    m_multi = curl_multi_init();
    m_easy = curl_easy_init();
}

FtpSession::~FtpSession() {
    cutSockets();
    if (m_multi)
        curl_multi_cleanup(m_multi);
    if (m_easy)
        curl_easy_cleanup(m_easy);
    if (m_url)
        curl_url_cleanup(m_url);
    curl_slist_free_all(m_quote);
}

void FtpSession::cutSockets() {
    for (curl_socket_t fd : m_sockets)
        ::shutdown(fd, SHUT_RDWR);
    m_controlUp = false;
}

void FtpSession::run(const FtpJob& job) {
    m_jobId = job.id;
    m_job = &job;
    m_untrusted.reset();
    m_facts = {};
    m_ownFailure.reset();
    m_commandUnderway = false;
    if (!m_multi || !m_easy) {
        FtpEvent ev = FtpEvent::make(FtpEvent::Type::Finished, job.id);
        ev.responseCode = InetResponse::LocalError;
        ev.responseInfo = QStringLiteral("The transfer library could not be started.");
        m_host.report(std::move(ev));
    } else if (job.command.kind == FtpCommand::Kind::Quit) {
        runQuit(job);
    } else if (login(job)) {
        runCommand(job);
    }
    m_job = nullptr;
}

bool FtpSession::login(const FtpJob& job) {
    const SecurityOptions& security = job.security;
    const QByteArray identity = job.address.host + ':' + QByteArray::number(job.address.port) +
                                '\n' + QByteArray::number(int(job.address.protocol)) + '\n' +
                                job.userName.toUtf8() + '\n' + job.password.toUtf8() + '\n' +
                                security.privateKeyFile.toUtf8() + '\n' +
                                security.keyPassphrase.toUtf8() + '\n' + security.caFile.toUtf8();
    if (identity != m_identity) {
        m_identity = identity;
        m_controlUp = false;
        m_tlsRefused = false;
    }
    if (m_controlUp && connectionAlive())
        return true;
    m_controlUp = false;

    reportState(InetState::ResolvingHost);
    m_resolvingReported = true;
    m_protocol = job.address.protocol;
    const bool loggedIn = sftp() ? loginSftp(job) : loginFtp(job);
    if (!loggedIn)
        return false;
    if (!m_connectedReported) {
        m_connectedReported = true;
        reportState(InetState::Connected);
    }
    m_controlUp = true;
    reportSecured(job);
    return true;
}

// The greeting, the switch to TLS and the login, and what the server can do.
CURLcode FtpSession::greetFtp(const FtpJob& job) {
    prepare(job, {});
    openFreshConnection();
    curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
    m_quote = curl_slist_append(m_quote, "*FEAT");
    curl_easy_setopt(m_easy, CURLOPT_QUOTE, m_quote);
    const bool tls = job.address.protocol != ServerProtocol::PlainFtp;
    if (tls)
        curl_easy_setopt(m_easy, CURLOPT_CERTINFO, 1L);
    const CURLcode rc = perform(job, Phase::Login);
    m_peerKeyPin =
        rc == CURLE_OK && tls ? publicKeyPinOf(leafCertificatePem(m_easy)) : QByteArray();
    return rc;
}

bool FtpSession::fallBackToClearText(const FtpJob& job, CURLcode rc) {
    if (rc != CURLE_USE_SSL_FAILED || job.address.protocol != ServerProtocol::FtpTlsIfOffered ||
        !m_tlsDetails.isEmpty() || !job.security.clearTextAllowed || job.security.tlsExpected)
        return false;
    m_tlsRefused = true;
    return true;
}

bool FtpSession::loginFtp(const FtpJob& job) {
    const CURLcode rc = connectFtp(job);
    if (rc != CURLE_OK)
        finishFailed(job, rc);
    return rc == CURLE_OK;
}

CURLcode FtpSession::connectFtp(const FtpJob& job) {
    m_tlsSessionSpent = false;
    CURLcode rc = greetFtp(job);
    if (fallBackToClearText(job, rc))
        rc = greetFtp(job);
    if (rc != CURLE_OK)
        return rc;

    const ServerFeatures features = readFeatures(m_replyLines);
    const bool utf8 = features.utf8;
    m_mlsd = features.mlsd;
    m_mfmt = features.mfmt;
    if (utf8) {
        prepare(job, {});
        curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
        m_quote = curl_slist_append(m_quote, "*OPTS UTF8 ON");
        curl_easy_setopt(m_easy, CURLOPT_QUOTE, m_quote);
        rc = perform(job, Phase::Login);
        if (rc != CURLE_OK)
            return rc;
    }
    m_codec = FtpNameCodec(utf8);
    return CURLE_OK;
}

// A server may insist that every data connection resume the TLS session of
// the commands (vsftpd and ProFTPD do by default). With TLS 1.3 the session
// a data connection resumed is spent, and the new one the server sends on it
// reaches libcurl only when libcurl reads that connection, which an upload
// never does: the next transfer offers the spent one and is refused. A
// transfer that fails after an upload therefore gets one more try on a new
// login, whose handshake brings a fresh session.
bool FtpSession::renewSpentTlsSession(const FtpJob& job, CURLcode rc) {
    if (rc == CURLE_OK || !m_tlsSessionSpent || rc == CURLE_ABORTED_BY_CALLBACK ||
        rc == CURLE_REMOTE_FILE_NOT_FOUND || rc == CURLE_REMOTE_ACCESS_DENIED ||
        m_host.abandoned(job.id))
        return false;
    m_tlsSessionSpent = false;
    if (m_controlFd != CURL_SOCKET_BAD)
        ::shutdown(m_controlFd, SHUT_RDWR);
    m_controlUp = false;
    if (connectFtp(job) != CURLE_OK)
        return false;
    m_controlUp = true;
    return true;
}

// SSH has no greeting to read and no features to ask for: logging in is
// the whole of it. Names are UTF-8 where they are valid UTF-8.
bool FtpSession::loginSftp(const FtpJob& job) {
    prepare(job, {});
    openFreshConnection();
    curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
    const CURLcode rc = perform(job, Phase::Login);
    if (rc != CURLE_OK) {
        finishFailed(job, rc);
        return false;
    }
    m_mlsd = false;
    m_codec = FtpNameCodec(true);
    return true;
}

// A login always opens a connection of its own. One that libcurl still keeps
// is one this session gave up on (after QUIT, a cut, a failure), and libcurl
// may take it for alive: over TLS a server's close_notify waiting unread on
// it looks like data.
void FtpSession::openFreshConnection() {
    curl_easy_setopt(m_easy, CURLOPT_FRESH_CONNECT, 1L);
}

void FtpSession::runQuit(const FtpJob& job) {
    if (m_controlUp && connectionAlive()) {
        reportState(InetState::Disconnecting);
        // SSH has no QUIT of its own: closing the connection says goodbye.
        if (!sftp()) {
            prepare(job, {});
            curl_easy_setopt(m_easy, CURLOPT_NOBODY, 1L);
            m_quote = curl_slist_append(m_quote, "QUIT");
            curl_easy_setopt(m_easy, CURLOPT_QUOTE, m_quote);
            // libcurl closes the connection afterwards instead of keeping it.
            curl_easy_setopt(m_easy, CURLOPT_FORBID_REUSE, 1L);
            perform(job, Phase::Login);
        }
        // Whatever the server answered, this connection is over: cut it so
        // that libcurl drops it rather than reusing it.
        if (m_controlFd != CURL_SOCKET_BAD)
            ::shutdown(m_controlFd, SHUT_RDWR);
        m_controlUp = false;
        reportState(InetState::Disconnected);
    }
    m_controlUp = false;
    finishOk(job, {});
}

void FtpSession::prepare(const FtpJob& job, const QByteArray& rawPath) {
    curl_easy_reset(m_easy);
    curl_slist_free_all(m_quote);
    m_quote = nullptr;
    if (m_url)
        curl_url_cleanup(m_url);
    const ServerProtocol protocol = job.address.protocol;
    const char* scheme = protocol == ServerProtocol::Sftp           ? "sftp"
                         : protocol == ServerProtocol::FtpsImplicit ? "ftps"
                                                                    : "ftp";
    m_url = curl_url();
    curl_url_set(m_url, CURLUPART_SCHEME, scheme, 0);
    curl_url_set(m_url, CURLUPART_HOST, job.address.host.constData(), 0);
    curl_url_set(m_url, CURLUPART_PORT, QByteArray::number(job.address.port).constData(), 0);
    const QByteArray urlPath = sftp() ? sftpUrlPath(rawPath) : ftpUrlPath(rawPath);
    curl_url_set(m_url, CURLUPART_PATH, urlPath.constData(), 0);

    CURL* e = m_easy;
    curl_easy_setopt(e, CURLOPT_CURLU, m_url);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, scheme);
    if (!job.userName.isEmpty()) {
        curl_easy_setopt(e, CURLOPT_USERNAME, job.userName.toUtf8().constData());
        curl_easy_setopt(e, CURLOPT_PASSWORD, job.password.toUtf8().constData());
    }
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    if (sftp()) {
        prepareSsh(job);
    } else {
        curl_easy_setopt(e, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
        curl_easy_setopt(e, CURLOPT_FTP_USE_EPSV, 1L);
        prepareTls(job);
    }
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
    curl_easy_setopt(e, CURLOPT_UPLOAD_BUFFERSIZE, kSendBufferBytes);

    const long timeout = job.timeoutSeconds > 0 ? job.timeoutSeconds : 0;
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, timeout);
    curl_easy_setopt(e, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeout);
    if (timeout > 0) {
        curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, timeout);
    }

    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, m_errorText);
    curl_easy_setopt(e, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(e, CURLOPT_DEBUGFUNCTION, &FtpSession::debugTrace);
    curl_easy_setopt(e, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, &FtpSession::openSocket);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, this);
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETFUNCTION, &FtpSession::closeSocket);
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETDATA, this);
    curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, &FtpSession::transferInfo);
    curl_easy_setopt(e, CURLOPT_XFERINFODATA, this);
}

CURLcode FtpSession::perform(const FtpJob& job, Phase phase) {
    m_phase = phase;
    // A command of several exchanges reports its request states once.
    const bool firstOfCommand = phase == Phase::Command && !m_commandUnderway;
    if (phase == Phase::Login || firstOfCommand) {
        m_requestSent = false;
        m_responseSeen = false;
    }
    m_replyLines.clear();
    m_hostKeyChecked = false;
    m_errorText[0] = '\0';
    m_fileErrno = 0;
    m_lastDone = -1;
    m_roundsWithoutSockets = 0;
    m_progressClock.start();
    if (firstOfCommand) {
        m_commandUnderway = true;
        reportState(InetState::Requesting);
    }

    CURLcode rc = CURLE_OK;
    bool abandoned = false;
    curl_multi_add_handle(m_multi, m_easy);
    for (;;) {
        int running = 0;
        if (curl_multi_perform(m_multi, &running) != CURLM_OK) {
            rc = CURLE_OUT_OF_MEMORY;
            break;
        }
        if (m_host.abandoned(job.id)) {
            abandoned = true;
            break;
        }
        if (running == 0) {
            int queued = 0;
            while (CURLMsg* msg = curl_multi_info_read(m_multi, &queued))
                if (msg->msg == CURLMSG_DONE && msg->easy_handle == m_easy)
                    rc = msg->data.result;
            break;
        }
        curl_multi_poll(m_multi, nullptr, 0, nextWaitMs(), nullptr);
    }
    // The control connection is only known while the transfer holds it.
    curl_socket_t fd = CURL_SOCKET_BAD;
    if (!abandoned && curl_easy_getinfo(m_easy, CURLINFO_ACTIVESOCKET, &fd) == CURLE_OK &&
        fd != CURL_SOCKET_BAD && m_sockets.count(fd))
        m_controlFd = fd;
    curl_multi_remove_handle(m_multi, m_easy);

    if (abandoned)
        rc = CURLE_ABORTED_BY_CALLBACK;
    else if (sftp() && phase == Phase::Command && rc == CURLE_OK)
        noteSftpExchange(false);
    m_controlOpening = false;
    m_resolvingReported = false;
    if (abandoned || rc == CURLE_OPERATION_TIMEDOUT) {
        // The connection is in an unknown state: let the next command start afresh.
        if (m_controlFd != CURL_SOCKET_BAD)
            ::shutdown(m_controlFd, SHUT_RDWR);
        m_controlUp = false;
    }
    return rc;
}

int FtpSession::nextWaitMs() {
    // Between some FTP steps (the data connection after EPSV, for one)
    // libcurl has neither a socket to watch nor a timer set, although it can
    // go on at once: a wait would last its whole length. Go round again
    // straight away, and only then by the millisecond, should it stay so.
    fd_set readable, writable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    int maxFd = -1;
    curl_multi_fdset(m_multi, &readable, &writable, &failed, &maxFd);
    if (maxFd >= 0) {
        m_roundsWithoutSockets = 0;
        return kPollMs;
    }
    return m_roundsWithoutSockets++ < 2 ? 0 : 1;
}

bool FtpSession::connectionAlive() const {
    if (m_controlFd == CURL_SOCKET_BAD)
        return false;
    // An FTP control connection has nothing to say between commands:
    // anything readable is the server closing it (often after a "421"
    // line). An SSH server may send messages of its own at any time, so
    // there only a closed or broken connection counts.
    pollfd p{m_controlFd, short(POLLIN | POLLRDHUP), 0};
    if (::poll(&p, 1, 0) == 0)
        return true;
    return sftp() && !(p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL));
}

void FtpSession::finishOk(const FtpJob& job, const QString& reply, SharedListing listing) {
    FtpEvent ev = FtpEvent::make(FtpEvent::Type::Finished, job.id);
    ev.ok = true;
    ev.reply = reply;
    ev.listing = std::move(listing);
    ev.facts = m_facts;
    m_host.report(std::move(ev));
}

QString FtpSession::firstRefusal() const {
    return m_codec.decode(firstRefusalLine(m_replyLines)).trimmed();
}

QString FtpSession::lastReplyText(char kind) const {
    return m_codec.decode(lastReplyLine(m_replyLines, kind)).trimmed();
}

QString FtpSession::loginRefusal(const FtpJob& job, const QString& serverText) const {
    if (sftp() && !job.security.privateKeyFile.isEmpty())
        return QStringLiteral("The server refused the login with the password and with the key "
                              "file %1 (is its passphrase right?).")
            .arg(job.security.privateKeyFile);
    return serverText.isEmpty() ? QStringLiteral("The server refused the login.") : serverText;
}

std::pair<int, QString> FtpSession::failureOf(const FtpJob& job, CURLcode rc) const {
    if (const auto secure = secureChannelFailureOf(job, rc))
        return *secure;
    QString serverText = rc == CURLE_QUOTE_ERROR ? firstRefusal() : QString();
    if (serverText.isEmpty())
        serverText = lastReplyText('5');
    if (serverText.isEmpty())
        serverText = lastReplyText('4');
    const QString curlText =
        QString::fromLocal8Bit(m_errorText[0] ? m_errorText : curl_easy_strerror(rc));
    // An SFTP server's refusals reach here as libcurl's words only.
    if (serverText.isEmpty() && sftp() &&
        (rc == CURLE_QUOTE_ERROR || rc == CURLE_REMOTE_FILE_NOT_FOUND ||
         rc == CURLE_REMOTE_ACCESS_DENIED || rc == CURLE_UPLOAD_FAILED))
        serverText = curlText;
    const QString host = QString::fromUtf8(job.address.host);
    switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return {InetResponse::NameNotResolved,
                QStringLiteral("The server name \"%1\" could not be resolved.").arg(host)};
    case CURLE_COULDNT_CONNECT:
        return {InetResponse::CannotConnect, QStringLiteral("Cannot connect to %1 port %2: %3")
                                                 .arg(host)
                                                 .arg(job.address.port)
                                                 .arg(curlText)};
    case CURLE_OPERATION_TIMEDOUT:
        return {InetResponse::Timeout,
                QStringLiteral("The server did not answer within %1 %2.")
                    .arg(job.timeoutSeconds)
                    .arg(job.timeoutSeconds == 1 ? QStringLiteral("second")
                                                 : QStringLiteral("seconds"))};
    case CURLE_LOGIN_DENIED:
        return {InetResponse::LoginFailure, loginRefusal(job, serverText)};
    case CURLE_WRITE_ERROR:
    case CURLE_READ_ERROR:
        if (m_fileErrno != 0)
            return {
                InetResponse::LocalError,
                QStringLiteral("Cannot %1 the local file %2: %3")
                    .arg(rc == CURLE_WRITE_ERROR ? QStringLiteral("write") : QStringLiteral("read"),
                         RawName::shownWithMarks(job.command.local), systemErrorText(m_fileErrno))};
        [[fallthrough]];
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return {InetResponse::ConnectionLost,
                QStringLiteral("The connection to the server was lost: %1").arg(curlText)};
    case CURLE_ABORTED_BY_CALLBACK:
        return {InetResponse::ConnectionLost, QStringLiteral("The command was abandoned.")};
    default:
        return {
            InetResponse::ServerError,
            serverText.isEmpty()
                ? QStringLiteral("The server sent an answer that cannot be used: %1").arg(curlText)
                : serverText};
    }
}

void FtpSession::finishFailed(const FtpJob& job, CURLcode rc) {
    const auto [code, info] = m_ownFailure ? *m_ownFailure : failureWithTrust(job, rc);
    if (code != InetResponse::ServerError && code != InetResponse::LocalError)
        m_controlUp = false;
    FtpEvent ev = FtpEvent::make(FtpEvent::Type::Finished, job.id);
    ev.responseCode = code;
    ev.responseInfo = info;
    ev.peer = m_untrusted;
    ev.facts = m_facts;
    m_host.report(std::move(ev));
}

std::pair<int, QString> FtpSession::failureWithTrust(const FtpJob& job, CURLcode rc) {
    if (auto trust = trustFailureOf(job, rc))
        return *trust;
    return failureOf(job, rc);
}

void FtpSession::reportState(short state) {
    if (m_probing)
        return;
    FtpEvent ev = FtpEvent::make(FtpEvent::Type::State, m_jobId);
    ev.state = state;
    m_host.report(std::move(ev));
}

void FtpSession::reportProgress(qint64 done, qint64 total, bool force) {
    if (done == m_lastDone)
        return;
    if (!force && m_lastDone >= 0 && m_progressClock.elapsed() < kProgressIntervalMs &&
        (total <= 0 || done < total))
        return;
    m_lastDone = done;
    m_progressClock.restart();
    FtpEvent ev = FtpEvent::make(FtpEvent::Type::Progress, m_jobId);
    ev.done = done;
    ev.total = total;
    m_host.report(std::move(ev));
}
