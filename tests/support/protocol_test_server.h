#pragma once

#include "connection_security.h"
#include "ftp_test_server.h"
#include "server_protocol.h"
#include "ssh_test_server.h"
#include "test_certificates.h"

#include <QTemporaryDir>

#include <memory>
#include <optional>

// A server of any protocol the client speaks, behind one face, so that the
// same cases run over each of them:
//   pyftpdlib, vsftpd   plain FTP
//   ftps-explicit       vsftpd requiring AUTH TLS for the login and the data
//   ftps-implicit       vsftpd with TLS from the first byte
//   ftps-proftpd        ProFTPD (mod_tls) requiring AUTH TLS for both
//   sftp                OpenSSH's sshd
// The TLS servers show a certificate issued by a test authority and the SSH
// server a host key of its own; trustedOptions() makes the client accept
// either without asking.
class ProtocolTestServer {
public:
    enum class Mode { Pyftpdlib, Vsftpd, FtpsExplicit, FtpsImplicit, FtpsProftpd, Sftp };

    // The mode of a name above; nothing for any other.
    static std::optional<Mode> modeNamed(const QString& name);
    // Empty when this machine can run the mode; otherwise why not (for QSKIP).
    static QString unavailableReason(Mode mode);

    explicit ProtocolTestServer(Mode mode, bool utf8 = true);
    ~ProtocolTestServer();

    bool start();
    QString errorText() const;

    Mode mode() const { return m_mode; }
    ServerProtocol protocol() const;
    QString address() const;
    QString root() const;
    QString loginDir() const;
    QString userName() const;
    QString password() const;
    // What makes the client trust this server as the system would: the test
    // authority's certificate, or a known_hosts file holding the host key.
    SecurityOptions trustedOptions() const;

    bool writeFile(const QString& relativePath, const QByteArray& content) const;
    bool makeDirectory(const QString& relativePath) const;
    // Empties the root, which itself stays.
    void clearRoot() const;

    FtpTestServer* ftp() const { return m_ftp.get(); }
    SshTestServer* ssh() const { return m_ssh.get(); }
    const TestCertificates* certificates() const { return m_certificates.get(); }

private:
    FtpTestServer::Kind ftpKind() const;

    Mode m_mode;
    QTemporaryDir m_dir;
    std::unique_ptr<TestCertificates> m_certificates;
    std::unique_ptr<FtpTestServer> m_ftp;
    std::unique_ptr<SshTestServer> m_ssh;
    bool m_utf8;
    QString m_error;
};
