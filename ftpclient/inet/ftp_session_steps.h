#pragma once

// The steps of a session that take several exchanges: logging in, moving a
// file, checking a server's identity. Each runs its exchanges through the
// session it is made for, for one job, and keeps nothing of its own.

#include "ftp_session.h"

// A path as a quoted SFTP command takes it: in double quotes, with quotes
// and backslashes escaped.
QByteArray sftpQuoted(const QByteArray& path);

// Logging in: the greeting, TLS, the login and what the server offers over
// FTP (ftp_session_login.cpp); the SSH session over SFTP.
class FtpSession::Login {
public:
    Login(FtpSession& session, const FtpJob& job)
        : s(session)
        , job(job) {}

    bool loginFtp();
    bool loginSftp();

private:
    CURLcode connectFtp();
    CURLcode greetFtp();
    // FTP with TLS when offered, and the server did not offer it: whether
    // to log in again in clear text, as the user allowed.
    bool fallBackToClearText(CURLcode rc);
    void openFreshConnection();

    FtpSession& s;
    const FtpJob& job;
};

// Get, Put and Stat (ftp_session_transfers.cpp).
class FtpSession::FileTransfer {
public:
    FileTransfer(FtpSession& session, const FtpJob& job)
        : s(session)
        , job(job)
        , file(session.m_run.file)
        , facts(session.m_run.facts) {}

    CURLcode runGet();
    CURLcode runPut();
    CURLcode runStat();

private:
    CURLcode lookUpRemoteFile();
    CURLcode openDownloadFile(const QByteArray& part);
    CURLcode chooseDownloadStart(qint64* from, bool* whole);
    CURLcode keptPartSize(qint64* kept);
    CURLcode seedPartFile(qint64* kept);
    CURLcode download(qint64 from);
    CURLcode askSizeAfter(qint64* expected);
    CURLcode checkArrivedSize(qint64 from, qint64 expected);
    CURLcode finishDownload(CURLcode rc, const QByteArray& part, const QByteArray& target);
    CURLcode chooseAppendStart(qint64 localSize, qint64* from);
    CURLcode upload(qint64 localSize, qint64 localTime, qint64 from);
    std::vector<QByteArray> remoteTimeLines(qint64 time) const;
    // Notes a failure the transfer found itself, reported instead of libcurl's.
    CURLcode failOwn(int code, const QString& text, CURLcode rc);

    FtpSession& s;
    const FtpJob& job;
    LocalFile& file;
    FtpTransferFacts& facts;
};

// A remote file's checksum (ftp_session_checksum.cpp): asked of the server,
// or read through and hashed on the way.
class FtpSession::ContentCheck {
public:
    ContentCheck(FtpSession& session, const FtpJob& job)
        : s(session)
        , job(job) {}

    CURLcode run();

private:
    CURLcode askServer(const ChecksumWay& way);
    CURLcode readThrough();
    CURLcode notKnown(const QString& why);

    FtpSession& s;
    const FtpJob& job;
};

// A server identity that could not be taken on trust (ftp_session_security.cpp):
// an SSH host key judged in libcurl's key callback, or a certificate or key
// read through a connection of its own; told as the command's failure, with
// what the server showed kept in m_run.untrusted.
class FtpSession::PeerCheck {
public:
    PeerCheck(FtpSession& session, const FtpJob& job)
        : s(session)
        , job(job) {}

    // When a failure was the server's identity: the code and text to report.
    std::optional<std::pair<int, QString>> trustFailureOf(CURLcode rc);
    // CURLOPT_SSH_KEYFUNCTION, with the session as its data.
    static int checkHostKey(CURL*, const struct curl_khkey* known, const struct curl_khkey* found,
                            enum curl_khmatch match, void* self);

private:
    std::optional<std::pair<int, QString>> hostKeyFailureOf(CURLcode rc);
    // Opens a connection that takes any certificate, only to read the one
    // the server shows; logs in as nobody and is closed at once.
    std::optional<PeerIdentity> probeCertificate(const QString& verifyError);
    // Opens an SSH connection that knows no host key, only to read the one
    // the server shows; it takes none, so it never gets as far as logging in.
    std::optional<PeerIdentity> probeHostKey();
    // When the known_hosts file holds keys for the server but none that it
    // still has: the key it shows, as a changed one. Nothing otherwise.
    std::optional<PeerIdentity> hostKeyOfAnotherType();

    FtpSession& s;
    const FtpJob& job;
};
