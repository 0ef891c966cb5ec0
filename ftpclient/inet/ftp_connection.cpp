#include "ftp_connection.h"

#include <QCryptographicHash>

#include <cstring>
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

void SecureChannel::forget() {
    tlsDetails.clear();
    hostKey.reset();
}

void SecureChannel::noteTraceText(const char* data, size_t size) {
    static constexpr char tlsInUse[] = "SSL connection using ";
    if (size > sizeof(tlsInUse) && std::memcmp(data, tlsInUse, sizeof(tlsInUse) - 1) == 0 &&
        tlsDetails.isEmpty())
        tlsDetails =
            QString::fromLatin1(data + sizeof(tlsInUse) - 1, qsizetype(size - sizeof(tlsInUse) + 1))
                .trimmed();
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

void ServerConnection::adoptControlSocket(CURL* easy) {
    curl_socket_t fd = CURL_SOCKET_BAD;
    if (curl_easy_getinfo(easy, CURLINFO_ACTIVESOCKET, &fd) == CURLE_OK && fd != CURL_SOCKET_BAD &&
        sockets.count(fd))
        controlFd = fd;
}
