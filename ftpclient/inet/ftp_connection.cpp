#include "ftp_connection.h"

#include <QCryptographicHash>

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/select.h>
#include <sys/socket.h>

namespace {

constexpr int kPollMs = 1000;

} // namespace

CurlHandles::CurlHandles()
    : multi(curl_multi_init())
    , easy(curl_easy_init()) {}

CurlHandles::~CurlHandles() {
    if (multi)
        curl_multi_cleanup(multi);
    if (easy)
        curl_easy_cleanup(easy);
    if (url)
        curl_url_cleanup(url);
    curl_slist_free_all(quoted);
}

void CurlHandles::reset(const char* scheme, const QByteArray& host, int port,
                        const QByteArray& path) {
    curl_easy_reset(easy);
    curl_slist_free_all(quoted);
    quoted = nullptr;
    if (url)
        curl_url_cleanup(url);
    url = curl_url();
    curl_url_set(url, CURLUPART_SCHEME, scheme, 0);
    curl_url_set(url, CURLUPART_HOST, host.constData(), 0);
    curl_url_set(url, CURLUPART_PORT, QByteArray::number(port).constData(), 0);
    curl_url_set(url, CURLUPART_PATH, path.constData(), 0);
    curl_easy_setopt(easy, CURLOPT_CURLU, url);
}

curl_slist* CurlHandles::quote(const QByteArray& line) {
    quoted = curl_slist_append(quoted, line.constData());
    return quoted;
}

CURLcode CurlHandles::drive(const std::function<bool()>& abandoned, bool* stopped) {
    *stopped = false;
    CURLcode rc = CURLE_OK;
    curl_multi_add_handle(multi, easy);
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK)
            return CURLE_OUT_OF_MEMORY;
        if (abandoned()) {
            *stopped = true;
            return rc;
        }
        if (running == 0) {
            int queued = 0;
            while (CURLMsg* msg = curl_multi_info_read(multi, &queued))
                if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy)
                    rc = msg->data.result;
            return rc;
        }
        curl_multi_poll(multi, nullptr, 0, nextWaitMs(), nullptr);
    }
}

int CurlHandles::nextWaitMs() {
    // Between some FTP steps (the data connection after EPSV, for one)
    // libcurl has neither a socket to watch nor a timer set, although it can
    // go on at once: a wait would last its whole length. Go round again
    // straight away, and only then by the millisecond, should it stay so.
    fd_set readable, writable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    int maxFd = -1;
    curl_multi_fdset(multi, &readable, &writable, &failed, &maxFd);
    if (maxFd >= 0) {
        roundsWithoutSockets = 0;
        return kPollMs;
    }
    return roundsWithoutSockets++ < 2 ? 0 : 1;
}

QString CurlHandles::errorFor(CURLcode rc) const {
    return QString::fromLocal8Bit(errorText[0] ? errorText : curl_easy_strerror(rc));
}

void SessionTickets::loginStarts() {
    received = 0;
    handshakes = 0;
    spent = false;
}

void SessionTickets::dataOpened() {
    m_receivedBefore = received;
    m_handshakesBefore = handshakes;
}

// A data connection without a handshake (refused before it got that far)
// spent nothing; one whose ticket was read left a fresh one.
void SessionTickets::dataClosed() {
    if (handshakes > m_handshakesBefore)
        spent = received == m_receivedBefore;
}

void SecureChannel::forget() {
    tlsDetails.clear();
    hostKey.reset();
    tickets.loginStarts();
}

void SecureChannel::noteTraceText(const char* data, size_t size) {
    const QByteArrayView text(data, qsizetype(size));
    static constexpr QByteArrayView tlsInUse("SSL connection using ");
    if (text.startsWith(tlsInUse) && text.size() > tlsInUse.size()) {
        if (text.sliced(tlsInUse.size()).startsWith("TLSv1.3"))
            ++tickets.handshakes;
        if (tlsDetails.isEmpty())
            tlsDetails = QString::fromLatin1(text.sliced(tlsInUse.size())).trimmed();
    } else if (text.startsWith("TLSv1.3 (IN), TLS handshake, Newsession Ticket")) {
        ++tickets.received;
    }
}

ConnectionSecurity SecureChannel::describe(ServerProtocol protocol) const {
    ConnectionSecurity security;
    security.protocol = protocol;
    if (protocol == ServerProtocol::Sftp) {
        security.encrypted = true;
        if (hostKey) {
            security.details = hostKey->keyType + u' ' + hostKey->fingerprint;
            security.peerKeyPin =
                QCryptographicHash::hash(hostKey->keyBlob, QCryptographicHash::Sha256)
                    .toBase64(QByteArray::OmitTrailingEquals);
        }
    } else {
        security.encrypted = !tlsDetails.isEmpty();
        security.details = tlsDetails;
        if (security.encrypted)
            security.peerKeyPin = peerKeyPin;
    }
    return security;
}

void ServerConnection::openFor(const QByteArray& newIdentity) {
    if (newIdentity == identity)
        return;
    identity = newIdentity;
    up = false;
    secure.tlsRefused = false;
    secure.tickets.afterUploads = true;
}

bool ServerConnection::alive() const {
    if (controlFd == CURL_SOCKET_BAD)
        return false;
    // An FTP control connection has nothing to say between commands:
    // anything readable is the server closing it (often after a "421"
    // line). An SSH server may send messages of its own at any time, so
    // there only a closed or broken connection counts.
    pollfd p{controlFd, short(POLLIN | POLLRDHUP), 0};
    if (::poll(&p, 1, 0) == 0)
        return true;
    return sftp() && !(p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL));
}

void ServerConnection::cut() {
    if (controlFd != CURL_SOCKET_BAD)
        ::shutdown(controlFd, SHUT_RDWR);
    up = false;
}

void ServerConnection::cutAll() {
    for (curl_socket_t fd : sockets)
        ::shutdown(fd, SHUT_RDWR);
    up = false;
}

void ServerConnection::dataOpened(curl_socket_t fd) {
    dataFd = fd;
    secure.tickets.dataOpened();
}

void ServerConnection::dataClosed() {
    dataFd = CURL_SOCKET_BAD;
    secure.tickets.dataClosed();
}

// The server sends its new ticket on a data connection right after the
// handshake, but libcurl takes it in only if it has arrived when libcurl
// closes the connection, and an upload reads nothing before then: a small
// file is sent and closed before the ticket comes, and the next data
// connection would offer the spent one. So the end of an upload waits until
// the data connection has something to read. The ticket follows the
// handshake by a round trip, so this costs no more than that. A server that
// sends nothing in `limitMs` (ProFTPD does not, on uploads) is not waited
// for again; its sessions are renewed by a new login instead.
void ServerConnection::awaitSessionTicket(int limitMs, const std::function<bool()>& stop) {
    static constexpr int kSliceMs = 50; // how often `stop` is asked
    const bool tls13 = secure.tlsDetails.startsWith(QLatin1String("TLSv1.3"));
    if (sftp() || !tls13 || !secure.tickets.afterUploads || dataFd == CURL_SOCKET_BAD)
        return;
    for (int waited = 0; waited < limitMs && !stop(); waited += kSliceMs) {
        pollfd p{dataFd, POLLIN, 0};
        const int ready = ::poll(&p, 1, std::min(kSliceMs, limitMs - waited));
        if (ready > 0 || (ready < 0 && errno != EINTR))
            return;
    }
    if (!stop())
        secure.tickets.afterUploads = false;
}

void ServerConnection::adoptControlSocket(CURL* easy) {
    curl_socket_t fd = CURL_SOCKET_BAD;
    if (curl_easy_getinfo(easy, CURLINFO_ACTIVESOCKET, &fd) == CURLE_OK && fd != CURL_SOCKET_BAD &&
        sockets.count(fd))
        controlFd = fd;
}
