#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// An FTP server that misbehaves on purpose (tests/support/hostile_ftpd.py),
// started on 127.0.0.1 with a free port and a temporary root: for what real
// servers never do, such as a man in the middle that refuses TLS, a listing
// that lies, or a transfer cut short and called complete.
class HostileFtpServer {
public:
    struct Options {
        // Offer AUTH TLS with this certificate and key (PEM); none when empty.
        QString certificateFile;
        QString keyFile;
        // The first `tlsConnections` control connections may switch to TLS,
        // every later one is refused (-1: all may).
        int tlsConnections = -1;
        bool refuseProtectedData = false; // "534" to PROT P
        bool noSize = false;              // "502" to SIZE
        qint64 retrieveOnly = -1;         // RETR sends this many bytes and says "226"
        QByteArray listing;               // every listing sends these bytes, when not empty
        QString endlessFolder;            // every folder lists one subfolder of this name
        // Announce HASH and the X commands and answer each with this reply,
        // in which {size}, {half}, {sha256} and {md5} stand for the file's
        // size, half of it and its digests; none when empty.
        QString checksumReply;
    };

    explicit HostileFtpServer(Options options);
    ~HostileFtpServer();
    HostileFtpServer(const HostileFtpServer&) = delete;
    HostileFtpServer& operator=(const HostileFtpServer&) = delete;

    bool start();
    QString errorText() const { return m_error; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    QString root() const { return m_root; }

    // Every command line the server read so far, each with whether the
    // control connection was encrypted when it came.
    struct Received {
        bool encrypted = false;
        QByteArray line;
    };
    QList<Received> received() const;
    // Whether a line starting with `verb` ever came in clear text.
    bool receivedInClear(const QByteArray& verb) const;

private:
    Options m_options;
    QTemporaryDir m_dir;
    QString m_root;
    quint16 m_port = 0;
    std::unique_ptr<QProcess> m_process;
    QString m_error;
};
