#pragma once

#include "ftp_job.h"
#include "ftp_listing.h"
#include "ftp_names.h"
#include "peer_identity.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <curl/curl.h>

#include <functional>
#include <optional>
#include <set>
#include <vector>

// The certificate the TLS connection of `easy` showed, as PEM; empty when it
// was not asked for (CURLOPT_CERTINFO) or there was none.
QByteArray leafCertificatePem(CURL* easy);

// Writes all of `data` to `fd`; false, with *error, when it cannot.
bool writeAll(int fd, const char* data, size_t size, int* error);

// The libcurl side of the transfer component: one control connection (FTP,
// FTP over TLS, or SSH for SFTP), kept open between commands, and one
// command run at a time on the worker thread.
class FtpSession {
public:
    struct Host {
        std::function<void(FtpEvent&&)> report;
        std::function<bool(quint64 job)> abandoned;
    };

    explicit FtpSession(Host host);
    ~FtpSession();
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    // The multi handle whose waits curl_multi_wakeup interrupts.
    CURLM* multi() const { return m_multi; }

    void run(const FtpJob& job);

    // Cuts every socket of the session at once, so that tearing it down
    // neither waits for nor sends anything.
    void cutSockets();

private:
    struct Outcome;
    enum class Phase { Login, Command };

    bool login(const FtpJob& job);
    bool loginFtp(const FtpJob& job);
    CURLcode connectFtp(const FtpJob& job);
    // After a transfer failed: whether a new login was made for one more try
    // because an upload may have spent the TLS session (see the .cpp).
    bool renewSpentTlsSession(const FtpJob& job, CURLcode rc);
    CURLcode greetFtp(const FtpJob& job);
    // FTP with TLS when offered, and the server did not offer it: whether
    // to log in again in clear text, as the user allowed.
    bool fallBackToClearText(const FtpJob& job, CURLcode rc);
    bool loginSftp(const FtpJob& job);
    void openFreshConnection();
    void runCommand(const FtpJob& job);
    void runQuit(const FtpJob& job);
    // The commands; each leaves what it read in m_replyText or
    // m_replyListing.
    CURLcode runQuoted(const FtpJob& job, const std::vector<QByteArray>& lines);
    std::vector<QByteArray> quotedLinesFor(const FtpCommand& command) const;
    CURLcode runPwd(const FtpJob& job);
    CURLcode runList(const FtpJob& job);
    CURLcode listOnce(const FtpJob& job);
    CURLcode runGet(const FtpJob& job);
    CURLcode runPut(const FtpJob& job);
    CURLcode runStat(const FtpJob& job);
    // The steps of the transfers (ftp_session_transfers.cpp).
    CURLcode lookUpRemoteFile(const FtpJob& job);
    CURLcode openDownloadFile(const FtpJob& job, const QByteArray& part);
    CURLcode chooseDownloadStart(const FtpJob& job, qint64* from, bool* whole);
    CURLcode keptPartSize(qint64* kept);
    CURLcode seedPartFile(const FtpJob& job, qint64* kept);
    // `rc` with the file error errno holds now.
    CURLcode fileFailure(CURLcode rc);
    CURLcode download(const FtpJob& job, qint64 from);
    CURLcode downloadOnce(const FtpJob& job, qint64 from);
    CURLcode checkArrivedSize(const FtpJob& job, qint64 from, qint64 expected);
    CURLcode finishDownload(const FtpJob& job, CURLcode rc, const QByteArray& part,
                            const QByteArray& target);
    CURLcode chooseAppendStart(const FtpJob& job, qint64 localSize, qint64* from);
    CURLcode upload(const FtpJob& job, qint64 localSize, qint64 localTime, qint64 from);
    CURLcode uploadOnce(const FtpJob& job, qint64 localSize, qint64 localTime, qint64 from);
    std::vector<QByteArray> remoteTimeLines(const FtpJob& job, qint64 time) const;
    void beginProgress(qint64 base, qint64 total);
    // Why a failed command failed: the code and text the component reports.
    std::pair<int, QString> failureOf(const FtpJob& job, CURLcode rc) const;
    QString loginRefusal(const FtpJob& job, const QString& serverText) const;

    void prepare(const FtpJob& job, const QByteArray& rawPath);
    // The options of TLS and SSH: what to verify, what to accept, how to log in.
    void prepareTls(const FtpJob& job);
    void prepareSsh(const FtpJob& job);
    bool sftp() const { return m_protocol == ServerProtocol::Sftp; }
    // Opens a connection that takes any certificate, only to read the one
    // the server shows; logs in as nobody and is closed at once.
    std::optional<PeerIdentity> probeCertificate(const FtpJob& job, const QString& verifyError);
    // Opens an SSH connection that knows no host key, only to read the one
    // the server shows; it takes none, so it never gets as far as logging in.
    std::optional<PeerIdentity> probeHostKey(const FtpJob& job);
    // When the known_hosts file holds keys for the server but none that it
    // still has: the key it shows, as a changed one. Nothing otherwise.
    std::optional<PeerIdentity> hostKeyOfAnotherType(const FtpJob& job);
    // When a failure was the server's identity: the code and text to report,
    // with what the server showed kept in m_untrusted.
    std::optional<std::pair<int, QString>> trustFailureOf(const FtpJob& job, CURLcode rc);
    std::optional<std::pair<int, QString>> hostKeyFailureOf(const FtpJob& job, CURLcode rc);
    std::optional<std::pair<int, QString>> secureChannelFailureOf(const FtpJob& job,
                                                                  CURLcode rc) const;
    std::pair<int, QString> tlsRefusal(const FtpJob& job) const;
    void reportSecured(const FtpJob& job);
    void noteSftpExchange(bool dataMoved);
    CURLcode perform(const FtpJob& job, Phase phase);
    void finishOk(const FtpJob& job, const QString& reply, SharedListing listing = {});
    void finishFailed(const FtpJob& job, CURLcode rc);
    std::pair<int, QString> failureWithTrust(const FtpJob& job, CURLcode rc);
    bool connectionAlive() const;
    int nextWaitMs();
    QByteArray pathBytes(const QString& path) const { return m_codec.encode(path); }
    QString lastReplyText(char kind) const;
    QString firstRefusal() const;

    void reportState(short state);
    void reportProgress(qint64 done, qint64 total, bool force);

    static curl_socket_t openSocket(void* self, curlsocktype purpose, struct curl_sockaddr* addr);
    static int closeSocket(void* self, curl_socket_t fd);
    static int debugTrace(CURL*, curl_infotype type, char* data, size_t size, void* self);
    static int checkHostKey(CURL*, const struct curl_khkey* known, const struct curl_khkey* found,
                            enum curl_khmatch match, void* self);
    static int transferInfo(void* self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                            curl_off_t ulnow);
    static size_t collectData(char* data, size_t size, size_t count, void* self);
    static size_t writeFileData(char* data, size_t size, size_t count, void* self);
    static size_t readFileData(char* data, size_t size, size_t count, void* self);
    static int seekFileData(void* self, curl_off_t offset, int origin);
    static size_t discardData(char* data, size_t size, size_t count, void* self);

    Host m_host;
    CURLM* m_multi = nullptr;
    CURL* m_easy = nullptr;
    CURLU* m_url = nullptr;
    curl_slist* m_quote = nullptr;
    char m_errorText[CURL_ERROR_SIZE] = {};

    // What is known of the connection.
    QByteArray m_identity; // host, port and user the connection was opened for
    bool m_controlUp = false;
    bool m_controlOpening = false;
    bool m_connectedReported = false;
    ServerProtocol m_protocol = ServerProtocol::PlainFtp;
    QString m_tlsDetails;    // from the TLS handshake of the connection
    QByteArray m_peerKeyPin; // the server's key, as ConnectionSecurity has it
    // The server refused TLS and the user allowed clear text: later logins
    // of this session do not ask for TLS again.
    bool m_tlsRefused = false;
    // An upload over TLS ran on this login: the session libcurl would resume
    // next may be spent.
    bool m_tlsSessionSpent = false;
    std::optional<PeerIdentity> m_hostKey; // the SSH host key of the connection
    bool m_resolvingReported = false;
    curl_socket_t m_controlFd = CURL_SOCKET_BAD;
    std::set<curl_socket_t> m_sockets;
    bool m_mlsd = false;
    bool m_mfmt = false; // the server announced MFMT, which sets a file's time
    FtpNameCodec m_codec;

    // The running job.
    quint64 m_jobId = 0;
    const FtpJob* m_job = nullptr;
    bool m_probing = false;        // reports nothing while a server's identity is looked at
    bool m_hostKeyChecked = false; // the exchange got as far as the SSH host key
    std::optional<PeerIdentity> m_untrusted;
    Phase m_phase = Phase::Login;
    bool m_commandUnderway = false; // its first exchange has begun (and been reported)
    bool m_requestSent = false;
    bool m_responseSeen = false;
    std::vector<QByteArray> m_replyLines;
    std::optional<FtpListingBuilder> m_listing;
    // An FTP listing is read from libcurl's trace, as it came: what libcurl
    // writes of it has every CR turned into an LF, a CR that a name holds
    // among them.
    bool m_listingTraced = false;
    QString m_replyText;
    SharedListing m_replyListing;
    int m_fileFd = -1;
    int m_fileErrno = 0;
    bool m_uploading = false;
    // The server took the upload (a 1xx reply): it reads its data connection
    // to the end and then closes it.
    bool m_uploadAccepted = false;
    FtpTransferFacts m_facts;
    // A failure the command found itself, reported instead of libcurl's.
    std::optional<std::pair<int, QString>> m_ownFailure;
    // Progress of the exchange that moves the file: bytes there before it
    // began, and the whole file's size (-1: as libcurl tells).
    bool m_progressActive = false;
    qint64 m_progressBase = 0;
    qint64 m_progressTotal = -1;
    QElapsedTimer m_progressClock;
    qint64 m_lastDone = -1;
    int m_roundsWithoutSockets = 0;
};
