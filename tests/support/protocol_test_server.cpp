#include "protocol_test_server.h"

#include <QDir>
#include <QFile>

std::optional<ProtocolTestServer::Mode> ProtocolTestServer::modeNamed(const QString& name) {
    static const std::pair<const char*, Mode> names[] = {
        {"pyftpdlib", Mode::Pyftpdlib},        {"vsftpd", Mode::Vsftpd},
        {"ftps-explicit", Mode::FtpsExplicit}, {"ftps-implicit", Mode::FtpsImplicit},
        {"ftps-proftpd", Mode::FtpsProftpd},   {"sftp", Mode::Sftp},
    };
    for (const auto& [text, mode] : names)
        if (name == QLatin1String(text))
            return mode;
    return std::nullopt;
}

QString ProtocolTestServer::unavailableReason(Mode mode) {
    switch (mode) {
    case Mode::Sftp:
        return SshTestServer::unavailableReason();
    case Mode::FtpsProftpd:
        return FtpTestServer::unavailableReason(FtpTestServer::Kind::Proftpd);
    default:
        return {};
    }
}

FtpTestServer::Kind ProtocolTestServer::ftpKind() const {
    switch (m_mode) {
    case Mode::Pyftpdlib:
        return FtpTestServer::Kind::Pyftpdlib;
    case Mode::FtpsProftpd:
        return FtpTestServer::Kind::Proftpd;
    default:
        return FtpTestServer::Kind::Vsftpd;
    }
}

ProtocolTestServer::ProtocolTestServer(Mode mode, bool utf8)
    : m_mode(mode)
    , m_utf8(utf8) {}

ProtocolTestServer::~ProtocolTestServer() = default;

bool ProtocolTestServer::start() {
    if (m_mode == Mode::Sftp) {
        m_ssh = std::make_unique<SshTestServer>();
        if (!m_ssh->start())
            return false;
        QFile knownHosts(m_dir.filePath(QStringLiteral("known_hosts")));
        return knownHosts.open(QIODevice::WriteOnly) &&
               knownHosts.write(m_ssh->knownHostsLine().toLatin1() + '\n') > 0;
    }
    FtpTestServer::Options options;
    options.utf8 = m_utf8;
    if (protocol() != ServerProtocol::PlainFtp) {
        m_certificates = std::make_unique<TestCertificates>(m_dir.path());
        if (!m_certificates->createStandardSet()) {
            m_error = m_certificates->errorText();
            return false;
        }
        options.tls = m_mode == Mode::FtpsImplicit ? FtpTestServer::Tls::Implicit
                                                   : FtpTestServer::Tls::Explicit;
        options.certificateFile = m_certificates->caIssued().certificateFile;
        options.privateKeyFile = m_certificates->caIssued().keyFile;
        options.requireTlsLogin = true;
        options.requireTlsData = true;
        // As installations have it: data connections resume the session.
        options.requireTlsSessionReuse = true;
    }
    m_ftp = std::make_unique<FtpTestServer>(ftpKind(), options);
    return m_ftp->start();
}

QString ProtocolTestServer::errorText() const {
    if (!m_error.isEmpty())
        return m_error;
    return m_ssh ? m_ssh->errorText() : m_ftp ? m_ftp->errorText() : QString();
}

ServerProtocol ProtocolTestServer::protocol() const {
    switch (m_mode) {
    case Mode::FtpsExplicit:
    case Mode::FtpsProftpd:
        return ServerProtocol::FtpTlsRequired;
    case Mode::FtpsImplicit:
        return ServerProtocol::FtpsImplicit;
    case Mode::Sftp:
        return ServerProtocol::Sftp;
    default:
        return ServerProtocol::PlainFtp;
    }
}

QString ProtocolTestServer::address() const {
    return m_ssh ? m_ssh->address() : m_ftp->address();
}

QString ProtocolTestServer::root() const {
    return m_ssh ? m_ssh->root() : m_ftp->root();
}

QString ProtocolTestServer::loginDir() const {
    return m_ssh ? m_ssh->loginDir() : m_ftp->loginDir();
}

QString ProtocolTestServer::userName() const {
    return m_ssh ? m_ssh->userName() : m_ftp->userName();
}

QString ProtocolTestServer::password() const {
    return m_ssh ? m_ssh->password() : m_ftp->password();
}

SecurityOptions ProtocolTestServer::trustedOptions() const {
    SecurityOptions options;
    if (m_certificates)
        options.caFile = m_certificates->caFile();
    if (m_ssh)
        options.knownHostsFile = m_dir.filePath(QStringLiteral("known_hosts"));
    return options;
}

bool ProtocolTestServer::writeFile(const QString& relativePath, const QByteArray& content) const {
    return m_ssh ? m_ssh->writeFile(relativePath, content)
                 : m_ftp->writeFile(relativePath, content);
}

bool ProtocolTestServer::makeDirectory(const QString& relativePath) const {
    if (m_ssh)
        return m_ssh->makeDirectory(relativePath);
    return QDir().mkpath(root() + u'/' + relativePath);
}

void ProtocolTestServer::clearRoot() const {
    QDir dir(root());
    for (const QFileInfo& entry :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.absoluteFilePath()).removeRecursively();
        else
            QFile::remove(entry.absoluteFilePath());
    }
}
