// The libcurl callbacks of a session: sockets, the protocol trace that
// drives the state reports, progress and cancel. The data itself goes to
// the listing or the local file of the running job (ftp_running_job.h).
#include "ftp_session.h"

#include "inet_codes.h"
#include "lingering_close.h"

#include <sys/socket.h>
#include <unistd.h>

curl_socket_t FtpSession::openSocket(void* self, curlsocktype purpose, struct curl_sockaddr* addr) {
    auto* s = static_cast<FtpSession*>(self);
    const curl_socket_t fd = ::socket(addr->family, addr->socktype | SOCK_CLOEXEC, addr->protocol);
    if (fd < 0)
        return CURL_SOCKET_BAD;
    ServerConnection& server = s->m_server;
    server.sockets.insert(fd);
    // Data connections are only opened once the control connection is up, so
    // a socket opened before that is the control connection being made.
    if (purpose == CURLSOCKTYPE_IPCXN && !server.up && !server.opening) {
        server.opening = true;
        server.connectedReported = false;
        server.secure.forget();
        if (!server.resolvingReported)
            s->m_reports.state(InetState::ResolvingHost);
        server.resolvingReported = true;
        s->m_reports.state(InetState::HostResolved);
        s->m_reports.state(InetState::Connecting);
    } else if (server.up) {
        server.dataOpened(fd);
    }
    return fd;
}

int FtpSession::closeSocket(void* self, curl_socket_t fd) {
    auto* s = static_cast<FtpSession*>(self);
    ServerConnection& server = s->m_server;
    server.sockets.erase(fd);
    if (fd == server.dataFd)
        server.dataClosed();
    if (fd == server.controlFd) {
        server.controlFd = CURL_SOCKET_BAD;
        server.up = false;
        return ::close(fd);
    }
    // An upload's data connection is kept until the server has read it to
    // the end and closed it (see closeAfterPeer).
    const RunningJob& run = s->m_run;
    const bool uploadData =
        run.trace.uploadAccepted && run.job && server.controlFd != CURL_SOCKET_BAD;
    if (!uploadData || s->m_reports.abandoned(run.id))
        return ::close(fd);
    const quint64 job = run.id;
    return closeAfterPeer(fd, run.job->timeoutSeconds,
                          [s, job] { return s->m_reports.abandoned(job); });
}

int FtpSession::debugTrace(CURL*, curl_infotype type, char* data, size_t size, void* self) {
    auto* s = static_cast<FtpSession*>(self);
    ServerConnection& server = s->m_server;
    RunningJob& run = s->m_run;
    const QByteArrayView text(data, qsizetype(size));
    if (type == CURLINFO_TEXT) {
        server.secure.noteTraceText(data, size);
    } else if (type == CURLINFO_HEADER_OUT) {
        if (const std::optional<short> state = run.trace.sent(text))
            s->m_reports.state(*state);
    } else if (type == CURLINFO_HEADER_IN) {
        if (server.opening) {
            server.opening = false;
            server.up = true;
            server.connectedReported = true;
            s->m_reports.state(InetState::Connected);
        }
        if (const std::optional<short> state = run.trace.received(text))
            s->m_reports.state(*state);
    } else if (type == CURLINFO_DATA_IN && run.listing.active() && !s->sftp()) {
        run.listing.traced(text);
    }
    return 0;
}

// An upload's data, read from its local file. libcurl asks for no more once
// it has the size it was told, so the last of it is handed over only once
// the server's next TLS session ticket has had time to come
// (ServerConnection::awaitSessionTicket).
size_t FtpSession::readUpload(char* data, size_t size, size_t count, void* self) {
    static constexpr int kTicketWaitMs = 1000;
    auto* s = static_cast<FtpSession*>(self);
    LocalFile& file = s->m_run.file;
    const size_t n = LocalFile::read(data, size, count, &file);
    if (n == CURL_READFUNC_ABORT)
        return n;
    file.unsent -= qint64(n);
    if (n == 0 || file.unsent <= 0) {
        const quint64 job = s->m_run.id;
        s->m_server.awaitSessionTicket(kTicketWaitMs,
                                       [s, job] { return s->m_reports.abandoned(job); });
    }
    return n;
}

int FtpSession::transferInfo(void* self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                             curl_off_t ulnow) {
    auto* s = static_cast<FtpSession*>(self);
    if (s->m_reports.abandoned(s->m_run.id))
        return 1;
    if (s->sftp() && (dlnow > 0 || ulnow > 0))
        s->m_reports.states(s->m_run.trace.sftpExchangeSeen(true));
    if (const auto counts = s->m_progress.fileCounts(dltotal, dlnow, ultotal, ulnow))
        s->m_reports.progress(counts->first, counts->second, false);
    return 0;
}
