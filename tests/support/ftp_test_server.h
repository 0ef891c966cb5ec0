#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>

// A real FTP server for one test: pyftpdlib, vsftpd or ProFTPD, started on
// 127.0.0.1 with a free port and a temporary root, and stopped with the
// object.
class FtpTestServer {
public:
    enum class Kind { Pyftpdlib, Vsftpd, Proftpd };

    // Empty when this machine can run the kind; otherwise why not (for QSKIP).
    static QString unavailableReason(Kind kind);

    // FTP over TLS, vsftpd and ProFTPD only (pyftpdlib's TLS fails with
    // libcurl).
    //   None      AUTH TLS and AUTH SSL refused (vsftpd: "530 Please login
    //             with USER and PASS."): a client that requires TLS must
    //             give up.
    //   Explicit  AUTH TLS on the FTP port; plain logins and data too,
    //             unless requireTlsLogin / requireTlsData.
    //   Implicit  TLS from the first byte (ftps://); no plain text at all.
    enum class Tls { None, Explicit, Implicit };

    struct Options {
        // Bytes per second on data connections: pyftpdlib sends a second's
        // worth at once, vsftpd spreads it evenly; not ProFTPD.
        int rateLimit = 0;
        // vsftpd and ProFTPD: announce UTF8 (they are byte-transparent either way)
        bool utf8 = false;

        Tls tls = Tls::None;
        QString certificateFile; // PEM, needed unless tls is None (see TestCertificates)
        QString privateKeyFile;  // PEM; empty when the key is in certificateFile
        // Explicit TLS: USER before AUTH is refused (vsftpd: "530 Anonymous
        // sessions must use encryption.").
        bool requireTlsLogin = false;
        // Explicit TLS: a transfer without PROT P is refused (vsftpd: "522
        // Data connections must be encrypted.").
        bool requireTlsData = false;
        // A data connection's TLS must resume the control connection's
        // session, or the transfer is refused: the default of both servers,
        // and so what their installations do (the protocol suites' servers
        // have it). With TLS 1.3 an upload spends the session libcurl would
        // offer next, which the client has to make up for.
        bool requireTlsSessionReuse = false;

        // pyftpdlib only: the first download of each file stops after this
        // many bytes; the server closes the data connection and answers
        // "426", so the client sees the transfer fail. 0: never.
        qint64 cutDownloadsAfter = 0;
        // pyftpdlib only: the greeting is a reply of this many lines.
        int greetingLines = 0;
        // Checksums of files: ProFTPD's mod_digest (HASH and the X
        // commands), or pyftpdlib's XSHA256, XSHA1, XMD5 and XCRC (no
        // HASH); vsftpd has none.
        bool checksums = false;
        // vsftpd only: listings and MDTM give the local time of this zone
        // (TZ in its environment, "XYZ-2" is two hours ahead of UTC) rather
        // than UTC (use_localtime=YES).
        QString timeZone;
    };

    explicit FtpTestServer(Kind kind);
    FtpTestServer(Kind kind, Options options);
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    // Starts the server; on failure returns false and errorText() says why.
    bool start();
    // Kills the server at once (connections drop mid-command).
    void kill();
    // Starts a killed server again on the same port.
    bool restart();

    Kind kind() const { return m_kind; }
    QString root() const { return m_root; } // the served directory on disk
    QString loginDir() const;               // what PWD reports after login
    QString address() const;                // "127.0.0.1:<port>"
    quint16 port() const { return m_port; }
    QString userName() const; // "" for anonymous (vsftpd)
    QString password() const;
    QString errorText() const { return m_error; }

    // Creates a file under the root (relative path) with the given bytes.
    bool writeFile(const QString& relativePath, const QByteArray& content) const;

    // pyftpdlib: the bytes its downloads have sent over data connections
    // since it started (listings not counted), up to the last download
    // whose reply the client has read. -1 for vsftpd, which does not count.
    qint64 downloadedBytes() const;

private:
    bool startPyftpdlib();
    bool startVsftpd();
    std::optional<QString> vsftpdTlsConfig();
    bool startProftpd();
    QString proftpdConfig(const QString& modules) const;
    QString proftpdTlsConfig() const;
    bool tlsFilesReadable();
    bool writeDirFile(const QString& path, const QString& text, bool privateFile = false);
    bool startProcess(const QString& program, const QStringList& arguments);
    bool waitUntilListening(int timeoutMs);
    QString downloadCountFile() const;

    Kind m_kind;
    Options m_options;
    QTemporaryDir m_dir;
    QString m_root;
    quint16 m_port = 0;
    std::unique_ptr<QProcess> m_process;
    QString m_error;
};
