#pragma once

#include "ftp_connection.h"
#include "ftp_job.h"
#include "ftp_running_job.h"
#include "job_reports.h"

#include <QByteArray>

#include <curl/curl.h>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

// The certificate the TLS connection of `easy` showed, as PEM; empty when it
// was not asked for (CURLOPT_CERTINFO) or there was none.
QByteArray leafCertificatePem(CURL* easy);

// The libcurl side of the transfer component: one control connection (FTP,
// FTP over TLS, or SSH for SFTP), kept open between commands, and one
// command run at a time on the worker thread.
//
// Its state comes in three parts: the connection (m_curl, m_server), kept
// between jobs; the running job (m_run); the progress of the file it moves
// (m_progress). What the job comes to goes out through m_reports. The steps
// of logging in, of the file transfers and of checking a server's identity
// are classes of their own (ftp_session_steps.h) that run their exchanges
// through the session.
class FtpSession {
public:
    using Host = JobReports::Host;

    explicit FtpSession(Host host);
    ~FtpSession();
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    // The multi handle whose waits curl_multi_wakeup interrupts.
    CURLM* multi() const { return m_curl.multi; }

    void run(const FtpJob& job);

    // Cuts every socket of the session at once, so that tearing it down
    // neither waits for nor sends anything.
    void cutSockets();

private:
    class Login;
    class FileTransfer;
    class PeerCheck;
    class ContentCheck;
    using Phase = ExchangeTrace::Phase;

    bool login(const FtpJob& job);
    bool needsFreshTlsSession(const FtpJob& job) const;
    void runCommand(const FtpJob& job);
    void runQuit(const FtpJob& job);
    // The commands; each leaves what it read in m_run.replyText or
    // m_run.replyListing.
    CURLcode runQuoted(const FtpJob& job, const std::vector<QByteArray>& lines);
    std::vector<QByteArray> quotedLinesFor(const FtpCommand& command) const;
    CURLcode runPwd(const FtpJob& job);
    CURLcode runList(const FtpJob& job);

    // Sets up the next exchange of `job` on the easy handle: the URL of
    // `rawPath`, the timeouts, the callbacks.
    void prepare(const FtpJob& job, const QByteArray& rawPath);
    // The options of TLS and SSH: what to verify, what to accept, how to log in.
    void prepareTls(const FtpJob& job);
    void prepareSsh(const FtpJob& job);
    bool sftp() const { return m_server.sftp(); }
    QByteArray pathBytes(const QString& path) const { return m_server.offer.path(path); }
    CURLcode perform(const FtpJob& job, Phase phase);
    void beginExchange(Phase phase);
    void finishOk(const FtpJob& job, const QString& reply, SharedListing listing = {});
    void finishFailed(const FtpJob& job, CURLcode rc);

    static curl_socket_t openSocket(void* self, curlsocktype purpose, struct curl_sockaddr* addr);
    static int closeSocket(void* self, curl_socket_t fd);
    static int debugTrace(CURL*, curl_infotype type, char* data, size_t size, void* self);
    static size_t readUpload(char* data, size_t size, size_t count, void* self);
    static int transferInfo(void* self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                            curl_off_t ulnow);

    // The connection, kept between jobs (and m_curl below).
    ServerConnection m_server;
    // The job being run.
    RunningJob m_run;
    FileProgress m_progress;
    // What the job comes to, told to the one the session works for.
    JobReports m_reports;
    // Declared last, so that it goes first: libcurl closes its sockets
    // through closeSocket, which reads the others.
    CurlHandles m_curl;
};
