#include "ftp_test_server.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace {

const char* const kUser = "tester";
const char* const kPassword = "secret";

quint16 freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

} // namespace

FtpTestServer::FtpTestServer(Kind kind)
    : FtpTestServer(kind, Options()) {}

FtpTestServer::FtpTestServer(Kind kind, Options options)
    : m_kind(kind)
    , m_options(options) {
    m_root = QFileInfo(m_dir.path() + QStringLiteral("/root")).absoluteFilePath();
    QDir().mkpath(m_root);
}

FtpTestServer::~FtpTestServer() {
    kill();
}

bool FtpTestServer::start() {
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory");
        return false;
    }
    if (m_kind == Kind::Pyftpdlib && m_options.tls != Tls::None) {
        m_error = QStringLiteral("TLS is served by vsftpd only");
        return false;
    }
    if (m_kind == Kind::Vsftpd && m_options.cutDownloadsAfter > 0) {
        m_error = QStringLiteral("downloads are cut by pyftpdlib only");
        return false;
    }
    return m_kind == Kind::Pyftpdlib ? startPyftpdlib() : startVsftpd();
}

void FtpTestServer::kill() {
    if (!m_process)
        return;
    m_process->kill();
    m_process->waitForFinished(5000);
    m_process.reset();
}

bool FtpTestServer::restart() {
    kill();
    return start();
}

QString FtpTestServer::loginDir() const {
    return m_kind == Kind::Pyftpdlib ? QStringLiteral("/") : m_root;
}

QString FtpTestServer::address() const {
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

QString FtpTestServer::userName() const {
    return m_kind == Kind::Pyftpdlib ? QString::fromLatin1(kUser) : QString();
}

QString FtpTestServer::password() const {
    return m_kind == Kind::Pyftpdlib ? QString::fromLatin1(kPassword) : QString();
}

bool FtpTestServer::writeFile(const QString& relativePath, const QByteArray& content) const {
    const QString path = m_root + u'/' + relativePath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

QString FtpTestServer::downloadCountFile() const {
    return m_dir.path() + QStringLiteral("/downloaded-bytes");
}

qint64 FtpTestServer::downloadedBytes() const {
    if (m_kind != Kind::Pyftpdlib)
        return -1;
    QFile file(downloadCountFile());
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readAll().trimmed().toLongLong();
}

bool FtpTestServer::startPyftpdlib() {
    const QString script = QStringLiteral(TARLEN_SOURCE_DIR "/scripts/pyftpd-server.py");
    QStringList args{script,
                     QStringLiteral("--root"),
                     m_root,
                     QStringLiteral("--user"),
                     QString::fromLatin1(kUser),
                     QStringLiteral("--password"),
                     QString::fromLatin1(kPassword),
                     QStringLiteral("--count-file"),
                     downloadCountFile(),
                     QStringLiteral("--quiet")};
    if (m_port != 0)
        args << QStringLiteral("--port") << QString::number(m_port);
    if (m_options.rateLimit > 0)
        args << QStringLiteral("--rate") << QString::number(m_options.rateLimit);
    if (m_options.cutDownloadsAfter > 0)
        args << QStringLiteral("--cut-downloads-after")
             << QString::number(m_options.cutDownloadsAfter);
    if (m_options.greetingLines > 0)
        args << QStringLiteral("--greeting-lines") << QString::number(m_options.greetingLines);

    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->start(QStringLiteral("/usr/bin/python3"), args);
    if (!m_process->waitForStarted(5000)) {
        m_error = QStringLiteral("cannot start /usr/bin/python3: ") + m_process->errorString();
        return false;
    }
    QDeadlineTimer deadline(15000);
    QByteArray out;
    while (!deadline.hasExpired()) {
        m_process->waitForReadyRead(200);
        out += m_process->readAllStandardOutput();
        const qsizetype at = out.indexOf("PORT ");
        const qsizetype eol = out.indexOf('\n', at);
        if (at >= 0 && eol > at) {
            m_port = quint16(out.mid(at + 5, eol - at - 5).trimmed().toUInt());
            return m_port != 0;
        }
        if (m_process->state() != QProcess::Running)
            break;
    }
    m_error = QStringLiteral("pyftpdlib did not start: ") +
              QString::fromLocal8Bit(m_process->readAllStandardError());
    return false;
}

// The settings of FTP over TLS; nothing when the certificate or key cannot
// be read.
std::optional<QString> FtpTestServer::vsftpdTlsConfig() {
    // vsftpd exits without a word when it cannot load them.
    QStringList files{m_options.certificateFile};
    if (!m_options.privateKeyFile.isEmpty())
        files << m_options.privateKeyFile;
    for (const QString& file : files) {
        if (!QFileInfo(file).isReadable()) {
            m_error =
                QStringLiteral("TLS needs a readable certificate and key, not \"%1\"").arg(file);
            return std::nullopt;
        }
    }
    // require_ssl_reuse=NO: a data connection need not resume the
    // control connection's TLS session (libcurl does so only through its
    // session cache). The test login is anonymous, hence allow_anon_ssl
    // and the force_anon_* settings; force_local_* follow them for
    // completeness. ssl_ciphers matters for TLS 1.2 and older only:
    // vsftpd's default (DES-CBC3-SHA) fails every such handshake with
    // OpenSSL 3.
    const auto yesNo = [](bool on) {
        return on ? QStringLiteral("YES") : QStringLiteral("NO");
    };
    const bool implicit = m_options.tls == Tls::Implicit;
    QString config =
        QStringLiteral("ssl_enable=YES\n"
                       "allow_anon_ssl=YES\n"
                       "require_ssl_reuse=NO\n"
                       "ssl_request_cert=NO\n"
                       "ssl_ciphers=HIGH\n"
                       "implicit_ssl=%1\n"
                       "rsa_cert_file=%2\n")
            .arg(yesNo(implicit), QFileInfo(m_options.certificateFile).absoluteFilePath());
    if (!m_options.privateKeyFile.isEmpty())
        config += QStringLiteral("rsa_private_key_file=%1\n")
                      .arg(QFileInfo(m_options.privateKeyFile).absoluteFilePath());
    const QString login = yesNo(implicit || m_options.requireTlsLogin);
    const QString data = yesNo(implicit || m_options.requireTlsData);
    config += QStringLiteral("force_anon_logins_ssl=%1\n"
                             "force_local_logins_ssl=%1\n"
                             "force_anon_data_ssl=%2\n"
                             "force_local_data_ssl=%2\n")
                  .arg(login, data);
    return config;
}

bool FtpTestServer::startVsftpd() {
    const QString empty = m_dir.path() + QStringLiteral("/empty");
    QDir().mkpath(empty);
    if (m_port == 0)
        m_port = freePort();
    QString config = QStringLiteral("listen=YES\n"
                                    "listen_address=127.0.0.1\n"
                                    "listen_port=%1\n"
                                    "background=NO\n"
                                    "run_as_launching_user=YES\n"
                                    "anonymous_enable=YES\n"
                                    "local_enable=NO\n"
                                    "no_anon_password=YES\n"
                                    "anon_root=%2\n"
                                    "write_enable=YES\n"
                                    "anon_upload_enable=YES\n"
                                    "anon_mkdir_write_enable=YES\n"
                                    "anon_other_write_enable=YES\n"
                                    "anon_world_readable_only=NO\n"
                                    "anon_umask=022\n"
                                    "secure_chroot_dir=%3\n"
                                    "seccomp_sandbox=NO\n"
                                    "isolate=NO\n"
                                    "isolate_network=NO\n"
                                    "xferlog_enable=NO\n"
                                    "force_dot_files=YES\n")
                         .arg(m_port)
                         .arg(m_root, empty);
    if (m_options.utf8)
        config += QStringLiteral("utf8_filesystem=YES\n");
    if (m_options.rateLimit > 0)
        config += QStringLiteral("anon_max_rate=%1\n").arg(m_options.rateLimit);
    if (m_options.tls != Tls::None) {
        const std::optional<QString> tls = vsftpdTlsConfig();
        if (!tls)
            return false;
        config += *tls;
    }
    const QString configPath = m_dir.path() + QStringLiteral("/vsftpd.conf");
    QFile file(configPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0) {
        m_error = QStringLiteral("cannot write ") + configPath;
        return false;
    }
    file.close();

    m_process = std::make_unique<QProcess>();
    m_process->start(QStringLiteral("/usr/sbin/vsftpd"), {configPath});
    if (!m_process->waitForStarted(5000)) {
        m_error = QStringLiteral("cannot start /usr/sbin/vsftpd: ") + m_process->errorString();
        return false;
    }
    if (!waitUntilListening(10000)) {
        m_error = QStringLiteral("vsftpd did not start: ") +
                  QString::fromLocal8Bit(m_process->readAllStandardError() +
                                         m_process->readAllStandardOutput());
        return false;
    }
    return true;
}

bool FtpTestServer::waitUntilListening(int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (m_process->state() != QProcess::Running)
            return false;
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_port);
        // With implicit TLS the greeting comes only after a handshake: an
        // accepted connection has to do.
        if (probe.waitForConnected(200) &&
            (m_options.tls == Tls::Implicit ||
             (probe.waitForReadyRead(2000) && probe.readAll().startsWith("220"))))
            return true;
        QThread::msleep(50);
    }
    return false;
}
