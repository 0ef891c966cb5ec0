// The libcurl callbacks of a session: sockets, the protocol trace that
// drives the state reports, progress and cancel, and the data itself.
#include "ftp_session.h"

#include "ftp_reply.h"
#include "inet_codes.h"
#include "lingering_close.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

bool writeAll(int fd, const char* data, size_t size, int* error) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            *error = errno;
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

namespace {

bool isLoginCommand(const char* data, size_t size) {
    return size >= 5 && (qstrnicmp(data, "USER ", 5) == 0 || qstrnicmp(data, "PASS ", 5) == 0 ||
                         qstrnicmp(data, "ACCT ", 5) == 0);
}

// "150 Ok to send data.": the server goes ahead with the transfer.
bool isPreliminaryReply(const char* data, size_t size) {
    return size >= 4 && data[0] == '1' && std::isdigit(uchar(data[1])) &&
           std::isdigit(uchar(data[2])) && (data[3] == ' ' || data[3] == '-');
}

} // namespace

curl_socket_t FtpSession::openSocket(void* self, curlsocktype purpose, struct curl_sockaddr* addr) {
    auto* s = static_cast<FtpSession*>(self);
    const curl_socket_t fd = ::socket(addr->family, addr->socktype | SOCK_CLOEXEC, addr->protocol);
    if (fd < 0)
        return CURL_SOCKET_BAD;
    s->m_sockets.insert(fd);
    // Data connections are only opened once the control connection is up, so
    // a socket opened before that is the control connection being made.
    if (purpose == CURLSOCKTYPE_IPCXN && !s->m_controlUp && !s->m_controlOpening) {
        s->m_controlOpening = true;
        s->m_connectedReported = false;
        s->m_tlsDetails.clear();
        s->m_hostKey.reset();
        if (!s->m_resolvingReported)
            s->reportState(InetState::ResolvingHost);
        s->m_resolvingReported = true;
        s->reportState(InetState::HostResolved);
        s->reportState(InetState::Connecting);
    }
    return fd;
}

int FtpSession::closeSocket(void* self, curl_socket_t fd) {
    auto* s = static_cast<FtpSession*>(self);
    s->m_sockets.erase(fd);
    if (fd == s->m_controlFd) {
        s->m_controlFd = CURL_SOCKET_BAD;
        s->m_controlUp = false;
        return ::close(fd);
    }
    // An upload's data connection is kept until the server has read it to
    // the end and closed it (see closeAfterPeer).
    const bool uploadData = s->m_uploadAccepted && s->m_job && s->m_controlFd != CURL_SOCKET_BAD;
    if (!uploadData || s->m_host.abandoned(s->m_jobId))
        return ::close(fd);
    const quint64 job = s->m_jobId;
    return closeAfterPeer(fd, s->m_job->timeoutSeconds,
                          [s, job] { return s->m_host.abandoned(job); });
}

int FtpSession::debugTrace(CURL*, curl_infotype type, char* data, size_t size, void* self) {
    auto* s = static_cast<FtpSession*>(self);
    static constexpr char tlsInUse[] = "SSL connection using ";
    if (type == CURLINFO_TEXT && size > sizeof(tlsInUse) &&
        std::memcmp(data, tlsInUse, sizeof(tlsInUse) - 1) == 0) {
        if (s->m_tlsDetails.isEmpty())
            s->m_tlsDetails = QString::fromLatin1(data + sizeof(tlsInUse) - 1,
                                                  qsizetype(size - sizeof(tlsInUse) + 1))
                                  .trimmed();
    } else if (type == CURLINFO_HEADER_OUT) {
        if (s->m_phase == Phase::Command && !s->m_requestSent && !isLoginCommand(data, size)) {
            s->m_requestSent = true;
            s->reportState(InetState::RequestSent);
        }
    } else if (type == CURLINFO_HEADER_IN) {
        if (s->m_controlOpening) {
            s->m_controlOpening = false;
            s->m_controlUp = true;
            s->m_connectedReported = true;
            s->reportState(InetState::Connected);
        }
        s->m_replyLines.push_back(replyLine(QByteArrayView(data, qsizetype(size))));
        if (s->m_uploading && isPreliminaryReply(data, size))
            s->m_uploadAccepted = true;
        if (s->m_phase == Phase::Command && s->m_requestSent && !s->m_responseSeen) {
            s->m_responseSeen = true;
            s->reportState(InetState::ReceivingResponse);
        }
    } else if (type == CURLINFO_DATA_IN && s->m_listing && !s->sftp()) {
        s->m_listingTraced = true;
        s->m_listing->feed(QByteArrayView(data, qsizetype(size)));
    }
    return 0;
}

int FtpSession::transferInfo(void* self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                             curl_off_t ulnow) {
    auto* s = static_cast<FtpSession*>(self);
    if (s->m_host.abandoned(s->m_jobId))
        return 1;
    if (s->sftp() && (dlnow > 0 || ulnow > 0))
        s->noteSftpExchange(true);
    if (s->m_progressActive) {
        // libcurl counts only what this exchange moves; a resumed transfer
        // adds what was there before.
        const bool upload = ultotal > 0 || ulnow > 0;
        const qint64 moved = upload ? ulnow : dlnow;
        const qint64 movedTotal = upload ? ultotal : dltotal;
        const qint64 total = s->m_progressTotal >= 0 ? s->m_progressTotal
                             : movedTotal > 0        ? s->m_progressBase + movedTotal
                                                     : 0;
        s->reportProgress(s->m_progressBase + moved, total, false);
    }
    return 0;
}

// Over FTP the trace shows each part of a listing before it is written
// here; only where it shows none (SFTP, or a libcurl that would not) are the
// written parts read.
size_t FtpSession::collectData(char* data, size_t size, size_t count, void* self) {
    auto* s = static_cast<FtpSession*>(self);
    if (!s->m_listingTraced)
        s->m_listing->feed(QByteArrayView(data, qsizetype(size * count)));
    return size * count;
}

size_t FtpSession::writeFileData(char* data, size_t size, size_t count, void* self) {
    auto* s = static_cast<FtpSession*>(self);
    if (!writeAll(s->m_fileFd, data, size * count, &s->m_fileErrno))
        return 0;
    return size * count;
}

size_t FtpSession::discardData(char*, size_t size, size_t count, void*) {
    return size * count;
}

size_t FtpSession::readFileData(char* data, size_t size, size_t count, void* self) {
    auto* s = static_cast<FtpSession*>(self);
    for (;;) {
        const ssize_t n = ::read(s->m_fileFd, data, size * count);
        if (n >= 0)
            return size_t(n);
        if (errno != EINTR) {
            s->m_fileErrno = errno;
            return CURL_READFUNC_ABORT;
        }
    }
}

// An upload that continues a remote file starts reading the local one where
// the remote one ends.
int FtpSession::seekFileData(void* self, curl_off_t offset, int origin) {
    auto* s = static_cast<FtpSession*>(self);
    if (::lseek(s->m_fileFd, off_t(offset), origin) < 0) {
        s->m_fileErrno = errno;
        return CURL_SEEKFUNC_FAIL;
    }
    return CURL_SEEKFUNC_OK;
}
