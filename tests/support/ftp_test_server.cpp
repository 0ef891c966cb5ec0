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

bool FtpTestServer::startPyftpdlib() {
    const QString script = QStringLiteral(TARLEN_SOURCE_DIR "/scripts/pyftpd-server.py");
    QStringList args{script,
                     QStringLiteral("--root"),
                     m_root,
                     QStringLiteral("--user"),
                     QString::fromLatin1(kUser),
                     QStringLiteral("--password"),
                     QString::fromLatin1(kPassword),
                     QStringLiteral("--quiet")};
    if (m_port != 0)
        args << QStringLiteral("--port") << QString::number(m_port);
    if (m_options.rateLimit > 0)
        args << QStringLiteral("--rate") << QString::number(m_options.rateLimit);

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
        if (probe.waitForConnected(200) && probe.waitForReadyRead(2000) &&
            probe.readAll().startsWith("220"))
            return true;
        QThread::msleep(50);
    }
    return false;
}
