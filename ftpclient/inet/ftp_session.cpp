#include "ftp_session.h"

#include "exchange_failure.h"
#include "ftp_session_steps.h"
#include "inet_codes.h"

namespace {

constexpr long kReceiveBufferBytes = 512 * 1024;
constexpr long kSendBufferBytes = 2 * 1024 * 1024;

// Whom a connection is opened for: a job for anyone else needs one of its own.
QByteArray connectionIdentity(const FtpJob& job) {
    const SecurityOptions& security = job.security;
    return job.address.host + ':' + QByteArray::number(job.address.port) + '\n' +
           QByteArray::number(int(job.address.protocol)) + '\n' + job.userName.toUtf8() + '\n' +
           job.password.toUtf8() + '\n' + security.privateKeyFile.toUtf8() + '\n' +
           security.keyPassphrase.toUtf8() + '\n' + security.caFile.toUtf8();
}

} // namespace

FtpSession::FtpSession(Host host)
    : m_reports(std::move(host), m_run, m_progress) {}

FtpSession::~FtpSession() {
    cutSockets();
}

void FtpSession::cutSockets() {
    m_server.cutAll();
}

void FtpSession::run(const FtpJob& job) {
    m_run.begin(job);
    if (!m_curl.ready()) {
        FtpEvent ev = FtpEvent::make(FtpEvent::Type::Finished, job.id);
        ev.responseCode = InetResponse::LocalError;
        ev.responseInfo = QStringLiteral("The transfer library could not be started.");
        m_reports.finished(std::move(ev));
    } else if (job.command.kind == FtpCommand::Kind::Quit) {
        runQuit(job);
    } else if (login(job)) {
        runCommand(job);
    }
    m_run.job = nullptr;
}

bool FtpSession::login(const FtpJob& job) {
    m_server.openFor(connectionIdentity(job));
    if (m_server.up && m_server.alive() && !needsFreshTlsSession(job))
        return true;
    // Cut, so that libcurl does not take it up again.
    if (m_server.up)
        m_server.cut();
    m_server.up = false;

    m_reports.state(InetState::ResolvingHost);
    m_server.resolvingReported = true;
    m_server.protocol = job.address.protocol;
    Login steps(*this, job);
    const bool loggedIn = sftp() ? steps.loginSftp() : steps.loginFtp();
    if (!loggedIn)
        return false;
    if (!m_server.connectedReported) {
        m_server.connectedReported = true;
        m_reports.state(InetState::Connected);
    }
    m_server.up = true;
    m_reports.secured(job.id, m_server.secure.describe(job.address.protocol));
    return true;
}

// A command with a data connection cannot resume a spent TLS session
// (SessionTickets): the server would refuse it, and vsftpd drops the login
// as well. A new login brings a fresh one.
bool FtpSession::needsFreshTlsSession(const FtpJob& job) const {
    switch (job.command.kind) {
    case FtpCommand::Kind::List:
    case FtpCommand::Kind::Get:
    case FtpCommand::Kind::Put:
    case FtpCommand::Kind::Checksum:
        return m_server.secure.tickets.spent;
    default:
        return false;
    }
}

void FtpSession::runQuit(const FtpJob& job) {
    if (m_server.up && m_server.alive()) {
        m_reports.state(InetState::Disconnecting);
        // SSH has no QUIT of its own: closing the connection says goodbye.
        if (!sftp()) {
            prepare(job, {});
            curl_easy_setopt(m_curl.easy, CURLOPT_NOBODY, 1L);
            curl_easy_setopt(m_curl.easy, CURLOPT_QUOTE, m_curl.quote("QUIT"));
            // libcurl closes the connection afterwards instead of keeping it.
            curl_easy_setopt(m_curl.easy, CURLOPT_FORBID_REUSE, 1L);
            perform(job, Phase::Login);
        }
        // Whatever the server answered, this connection is over: cut it so
        // that libcurl drops it rather than reusing it.
        m_server.cut();
        m_reports.state(InetState::Disconnected);
    }
    m_server.up = false;
    finishOk(job, {});
}

void FtpSession::prepare(const FtpJob& job, const QByteArray& rawPath) {
    const ServerProtocol protocol = job.address.protocol;
    const char* scheme = protocol == ServerProtocol::Sftp           ? "sftp"
                         : protocol == ServerProtocol::FtpsImplicit ? "ftps"
                                                                    : "ftp";
    m_curl.reset(scheme, job.address.host, job.address.port,
                 sftp() ? sftpUrlPath(rawPath) : ftpUrlPath(rawPath));

    CURL* e = m_curl.easy;
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, scheme);
    if (!job.userName.isEmpty()) {
        curl_easy_setopt(e, CURLOPT_USERNAME, job.userName.toUtf8().constData());
        curl_easy_setopt(e, CURLOPT_PASSWORD, job.password.toUtf8().constData());
    }
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    // libcurl caches every address it resolves under its port, and an FTP
    // data connection's port is new each time: over thousands of files the
    // cache grows by one entry per transfer and is walked whole on each. A
    // name is resolved only when a connection logs in, so nothing is kept.
    curl_easy_setopt(e, CURLOPT_DNS_CACHE_TIMEOUT, 0L);
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

    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, m_curl.errorText);
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
    beginExchange(phase);
    bool abandoned = false;
    CURLcode rc = m_curl.drive([&] { return m_reports.abandoned(job.id); }, &abandoned);
    // The control connection is only known while the transfer holds it.
    if (!abandoned)
        m_server.adoptControlSocket(m_curl.easy);
    m_curl.detach();

    if (abandoned)
        rc = CURLE_ABORTED_BY_CALLBACK;
    else if (sftp() && phase == Phase::Command && rc == CURLE_OK)
        m_reports.states(m_run.trace.sftpExchangeSeen(false));
    m_server.opening = false;
    m_server.resolvingReported = false;
    // The connection is in an unknown state: let the next command start afresh.
    if (abandoned || rc == CURLE_OPERATION_TIMEDOUT)
        m_server.cut();
    return rc;
}

void FtpSession::beginExchange(Phase phase) {
    const bool firstOfCommand = m_run.trace.begin(phase);
    m_curl.errorText[0] = '\0';
    m_curl.roundsWithoutSockets = 0;
    m_run.file.error = 0;
    m_progress.restart();
    if (firstOfCommand)
        m_reports.state(InetState::Requesting);
}

void FtpSession::finishOk(const FtpJob& job, const QString& reply, SharedListing listing) {
    FtpEvent ev = FtpEvent::make(FtpEvent::Type::Finished, job.id);
    ev.ok = true;
    ev.reply = reply;
    ev.listing = std::move(listing);
    ev.facts = m_run.facts;
    m_reports.finished(std::move(ev));
}

// Why it failed: what the command found itself, else the server's identity,
// else what the exchange left behind (read only after any look at the
// identity, which runs exchanges of its own).
void FtpSession::finishFailed(const FtpJob& job, CURLcode rc) {
    std::optional<std::pair<int, QString>> failure = m_run.ownFailure;
    if (!failure)
        failure = PeerCheck(*this, job).trustFailureOf(rc);
    if (!failure)
        failure =
            ExchangeFailure(job, rc, m_server, m_run.trace, m_curl, m_run.file.error).failureOf();
    const auto& [code, info] = *failure;
    if (code != InetResponse::ServerError && code != InetResponse::LocalError)
        m_server.up = false;
    FtpEvent ev = FtpEvent::make(FtpEvent::Type::Finished, job.id);
    ev.responseCode = code;
    ev.responseInfo = info;
    ev.peer = m_run.untrusted;
    ev.facts = m_run.facts;
    m_reports.finished(std::move(ev));
}
