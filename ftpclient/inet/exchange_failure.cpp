#include "exchange_failure.h"

#include "inet_codes.h"
#include "raw_names.h"

#include <cstring>

namespace {

QString systemErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

ExchangeFailure::ExchangeFailure(const FtpJob& job, CURLcode rc, const ServerConnection& server,
                                 const ExchangeTrace& trace, const CurlHandles& curl, int fileErrno)
    : m_job(job)
    , m_rc(rc)
    , m_server(server)
    , m_trace(trace)
    , m_curlText(curl.errorFor(rc))
    , m_fileErrno(fileErrno) {}

QString ExchangeFailure::serverText() const {
    const FtpNameCodec& codec = m_server.offer.codec;
    QString text = m_rc == CURLE_QUOTE_ERROR ? m_trace.firstRefusal(codec) : QString();
    if (text.isEmpty())
        text = m_trace.lastReplyText('5', codec);
    if (text.isEmpty())
        text = m_trace.lastReplyText('4', codec);
    // An SFTP server's refusals reach here as libcurl's words only.
    if (text.isEmpty() && m_server.sftp() &&
        (m_rc == CURLE_QUOTE_ERROR || m_rc == CURLE_REMOTE_FILE_NOT_FOUND ||
         m_rc == CURLE_REMOTE_ACCESS_DENIED || m_rc == CURLE_UPLOAD_FAILED))
        text = m_curlText;
    return text;
}

std::pair<int, QString> ExchangeFailure::failureOf() const {
    if (const auto secure = secureChannelFailureOf())
        return *secure;
    const QString host = QString::fromUtf8(m_job.address.host);
    switch (m_rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return {InetResponse::NameNotResolved,
                QStringLiteral("The server name \"%1\" could not be resolved.").arg(host)};
    case CURLE_COULDNT_CONNECT:
        return {InetResponse::CannotConnect, QStringLiteral("Cannot connect to %1 port %2: %3")
                                                 .arg(host)
                                                 .arg(m_job.address.port)
                                                 .arg(m_curlText)};
    case CURLE_OPERATION_TIMEDOUT:
        return {InetResponse::Timeout,
                QStringLiteral("The server did not answer within %1 %2.")
                    .arg(m_job.timeoutSeconds)
                    .arg(m_job.timeoutSeconds == 1 ? QStringLiteral("second")
                                                   : QStringLiteral("seconds"))};
    case CURLE_LOGIN_DENIED:
        return {InetResponse::LoginFailure, loginRefusal(serverText())};
    case CURLE_WRITE_ERROR:
    case CURLE_READ_ERROR:
        if (m_fileErrno != 0)
            return localFileFailure();
        [[fallthrough]];
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return {InetResponse::ConnectionLost,
                QStringLiteral("The connection to the server was lost: %1").arg(m_curlText)};
    case CURLE_ABORTED_BY_CALLBACK:
        return {InetResponse::ConnectionLost, QStringLiteral("The command was abandoned.")};
    default:
        break;
    }
    const QString text = serverText();
    return {
        InetResponse::ServerError,
        text.isEmpty()
            ? QStringLiteral("The server sent an answer that cannot be used: %1").arg(m_curlText)
            : text};
}

std::pair<int, QString> ExchangeFailure::localFileFailure() const {
    return {InetResponse::LocalError,
            QStringLiteral("Cannot %1 the local file %2: %3")
                .arg(m_rc == CURLE_WRITE_ERROR ? QStringLiteral("write") : QStringLiteral("read"),
                     RawName::shownWithMarks(m_job.command.local), systemErrorText(m_fileErrno))};
}

QString ExchangeFailure::loginRefusal(const QString& serverText) const {
    if (m_server.sftp() && !m_job.security.privateKeyFile.isEmpty())
        return QStringLiteral("The server refused the login with the password and with the key "
                              "file %1 (is its passphrase right?).")
            .arg(m_job.security.privateKeyFile);
    return serverText.isEmpty() ? QStringLiteral("The server refused the login.") : serverText;
}

std::optional<std::pair<int, QString>> ExchangeFailure::secureChannelFailureOf() const {
    const QString host = QString::fromUtf8(m_job.address.host);
    switch (m_rc) {
    case CURLE_USE_SSL_FAILED:
        return tlsRefusal();
    case CURLE_SSL_CONNECT_ERROR:
        return std::pair{
            int(InetResponse::SecureChannelFailed),
            QStringLiteral("The TLS handshake with %1 failed: %2").arg(host, m_curlText)};
    case CURLE_SSH:
        return std::pair{
            int(InetResponse::SecureChannelFailed),
            QStringLiteral("The SSH connection to %1 failed: %2").arg(host, m_curlText)};
    default:
        return std::nullopt;
    }
}

// The server would not switch to TLS, or (when the commands were encrypted
// already) would not protect the data connections: nothing was sent in clear
// text either way.
std::pair<int, QString> ExchangeFailure::tlsRefusal() const {
    const QString host = QString::fromUtf8(m_job.address.host);
    if (!m_server.secure.tlsDetails.isEmpty())
        return {InetResponse::SecureChannelFailed,
                QStringLiteral("%1 encrypts the commands but refused to protect the data "
                               "connections (PROT P): nothing was sent unencrypted.")
                    .arg(host)};
    if (m_job.address.protocol != ServerProtocol::FtpTlsIfOffered)
        return {InetResponse::SecureChannelFailed,
                QStringLiteral("%1 refused to switch to TLS, and this connection "
                               "requires it: nothing was sent unencrypted.")
                    .arg(host)};
    if (m_job.security.tlsExpected)
        return {InetResponse::SecureChannelFailed,
                QStringLiteral("%1 used TLS before but does not offer it now: someone between "
                               "may be removing it. Nothing was sent. If the server really "
                               "stopped offering TLS, choose plain FTP for it.")
                    .arg(host)};
    return {InetResponse::TlsNotOffered,
            QStringLiteral("%1 does not offer encryption (TLS); nothing was sent.").arg(host)};
}
