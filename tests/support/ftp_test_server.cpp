#include "ftp_test_server.h"

#include "run_tool.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {

const char* const kUser = "tester";
const char* const kPassword = "secret";
// kPassword as ProFTPD's user file keeps it:
//   openssl passwd -6 -salt tarlentest secret
const char* const kPasswordHash = "$6$tarlentest$l45yk7sV1/tM6.GzfZKWdWV6r/LliSlDAGIhfixaWjAwCkaE88"
                                  "YPp4zSTDIjEQw/8lGzJdBIAPblwUpGnTrWF.";

// ProFTPD with mod_tls: as installed, else where scripts/setup.sh --test
// unpacks it beside vsftpd (their packages conflict).
struct ProftpdInstall {
    QString program;
    QString modules;
};

std::optional<ProftpdInstall> findProftpd() {
    for (const QString& prefix : {QString(), QStringLiteral("/opt/tarlen-test/proftpd")}) {
        ProftpdInstall install{prefix + QStringLiteral("/usr/sbin/proftpd"),
                               prefix + QStringLiteral("/usr/lib/proftpd")};
        if (QFileInfo(install.program).isExecutable() &&
            QFileInfo::exists(install.modules + QStringLiteral("/mod_tls.so")))
            return install;
    }
    return std::nullopt;
}

// The names of the user and group this process runs as, which ProFTPD's
// User and Group take.
QString ownUserName() {
    const passwd* entry = ::getpwuid(::geteuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

QString ownGroupName() {
    const group* entry = ::getgrgid(::getegid());
    return entry ? QString::fromLocal8Bit(entry->gr_name) : QString();
}

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

QString FtpTestServer::unavailableReason(Kind kind) {
    if (kind == Kind::Proftpd && !findProftpd())
        return QStringLiteral("ProFTPD with mod_tls is not there (scripts/setup.sh --test "
                              "unpacks it)");
    return {};
}

bool FtpTestServer::start() {
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory");
        return false;
    }
    if (m_kind == Kind::Pyftpdlib && m_options.tls != Tls::None) {
        m_error = QStringLiteral("TLS is served by vsftpd and ProFTPD only");
        return false;
    }
    if (m_kind != Kind::Pyftpdlib && m_options.cutDownloadsAfter > 0) {
        m_error = QStringLiteral("downloads are cut by pyftpdlib only");
        return false;
    }
    if (m_kind == Kind::Vsftpd && m_options.checksums) {
        m_error = QStringLiteral("vsftpd has no checksums");
        return false;
    }
    if (m_kind == Kind::Proftpd && m_options.rateLimit > 0) {
        m_error = QStringLiteral("transfers are slowed by pyftpdlib and vsftpd only");
        return false;
    }
    switch (m_kind) {
    case Kind::Pyftpdlib:
        return startPyftpdlib();
    case Kind::Vsftpd:
        return startVsftpd();
    case Kind::Proftpd:
        return startProftpd();
    }
    return false;
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
    return m_kind == Kind::Vsftpd ? QString() : QString::fromLatin1(kUser);
}

QString FtpTestServer::password() const {
    return m_kind == Kind::Vsftpd ? QString() : QString::fromLatin1(kPassword);
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
    if (m_options.checksums)
        args << QStringLiteral("--x-checksums");

    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    m_process->start(QStringLiteral("/usr/bin/python3"), args);
    if (!m_process->waitForStarted(5000)) {
        m_error = QStringLiteral("cannot start /usr/bin/python3: ") + m_process->errorString();
        return false;
    }
    m_port = announcedPort(*m_process);
    if (m_port != 0)
        return true;
    m_error = QStringLiteral("pyftpdlib did not start: ") +
              QString::fromLocal8Bit(m_process->readAllStandardError());
    return false;
}

// The settings of FTP over TLS; nothing when the certificate or key cannot
// be read.
std::optional<QString> FtpTestServer::vsftpdTlsConfig() {
    // vsftpd exits without a word when it cannot load them.
    if (!tlsFilesReadable())
        return std::nullopt;
    // The test login is anonymous, hence allow_anon_ssl and the
    // force_anon_* settings; force_local_* follow them for completeness.
    // ssl_ciphers matters for TLS 1.2 and older only: vsftpd's default
    // (DES-CBC3-SHA) fails every such handshake with OpenSSL 3.
    const auto yesNo = [](bool on) {
        return on ? QStringLiteral("YES") : QStringLiteral("NO");
    };
    const bool implicit = m_options.tls == Tls::Implicit;
    QString config = QStringLiteral("ssl_enable=YES\n"
                                    "allow_anon_ssl=YES\n"
                                    "require_ssl_reuse=%1\n"
                                    "ssl_request_cert=NO\n"
                                    "ssl_ciphers=HIGH\n"
                                    "implicit_ssl=%2\n"
                                    "rsa_cert_file=%3\n")
                         .arg(yesNo(m_options.requireTlsSessionReuse), yesNo(implicit),
                              QFileInfo(m_options.certificateFile).absoluteFilePath());
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
    if (!m_options.timeZone.isEmpty())
        config += QStringLiteral("use_localtime=YES\n");
    if (m_options.tls != Tls::None) {
        const std::optional<QString> tls = vsftpdTlsConfig();
        if (!tls)
            return false;
        config += *tls;
    }
    const QString configPath = m_dir.path() + QStringLiteral("/vsftpd.conf");
    return writeDirFile(configPath, config) &&
           startProcess(QStringLiteral("/usr/sbin/vsftpd"), {configPath});
}

bool FtpTestServer::tlsFilesReadable() {
    QStringList files{m_options.certificateFile};
    if (!m_options.privateKeyFile.isEmpty())
        files << m_options.privateKeyFile;
    for (const QString& file : files) {
        if (!QFileInfo(file).isReadable()) {
            m_error =
                QStringLiteral("TLS needs a readable certificate and key, not \"%1\"").arg(file);
            return false;
        }
    }
    return true;
}

bool FtpTestServer::writeDirFile(const QString& path, const QString& text, bool privateFile) {
    QFile file(path);
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    if (file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 &&
        (!privateFile || file.setPermissions(ownerOnly)))
        return true;
    m_error = QStringLiteral("cannot write ") + path;
    return false;
}

// Starts a server that runs in the foreground and waits until it answers.
bool FtpTestServer::startProcess(const QString& program, const QStringList& arguments) {
    m_process = std::make_unique<QProcess>();
    if (m_kind == Kind::Vsftpd && !m_options.timeZone.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TZ"), m_options.timeZone);
        m_process->setProcessEnvironment(environment);
    }
    m_process->start(program, arguments);
    if (!m_process->waitForStarted(5000)) {
        m_error = QStringLiteral("cannot start %1: %2").arg(program, m_process->errorString());
        return false;
    }
    if (!waitUntilListening(10000)) {
        m_error = QStringLiteral("%1 did not start: %2")
                      .arg(program, QString::fromLocal8Bit(m_process->readAllStandardError() +
                                                           m_process->readAllStandardOutput()));
        return false;
    }
    return true;
}

// ProFTPD runs as the user who starts it, who is also the only one to log
// in, with the served root as home. Without root it cannot change root
// directories, so it never does: the login directory is the root's path.
bool FtpTestServer::startProftpd() {
    const std::optional<ProftpdInstall> install = findProftpd();
    if (!install) {
        m_error = unavailableReason(Kind::Proftpd);
        return false;
    }
    if (m_options.tls != Tls::None && !tlsFilesReadable())
        return false;
    if (ownUserName().isEmpty() || ownGroupName().isEmpty()) {
        m_error = QStringLiteral("ProFTPD needs the name of the user and group it runs as");
        return false;
    }
    if (m_port == 0)
        m_port = freePort();
    const QString users = QStringLiteral("%1:%2:%3:%4::%5:/bin/sh\n")
                              .arg(QString::fromLatin1(kUser), QString::fromLatin1(kPasswordHash))
                              .arg(::geteuid())
                              .arg(::getegid())
                              .arg(m_root);
    const QString groups = QStringLiteral("%1:x:%2:\n").arg(ownGroupName()).arg(::getegid());
    const QString configPath = m_dir.path() + QStringLiteral("/proftpd.conf");
    // ProFTPD takes user files that only their owner can read.
    return writeDirFile(m_dir.path() + QStringLiteral("/passwd"), users, true) &&
           writeDirFile(m_dir.path() + QStringLiteral("/group"), groups, true) &&
           writeDirFile(configPath, proftpdConfig(install->modules)) &&
           startProcess(install->program,
                        {QStringLiteral("--nodaemon"), QStringLiteral("--config"), configPath});
}

// Everything it would otherwise keep under /run or /var goes to the
// temporary directory, and nothing outside the config is read.
QString FtpTestServer::proftpdConfig(const QString& modules) const {
    const QString dir = m_dir.path();
    QString config = QStringLiteral("ServerType standalone\n"
                                    "ServerName \"tarlen test\"\n"
                                    "DefaultAddress 127.0.0.1\n"
                                    "SocketBindTight on\n"
                                    "UseIPv6 off\n"
                                    "Port %1\n"
                                    "User %2\n"
                                    "Group %3\n"
                                    "ScoreboardFile %4/scoreboard\n"
                                    "PidFile %4/proftpd.pid\n"
                                    "SystemLog %4/proftpd.log\n"
                                    "TransferLog none\n"
                                    "WtmpLog off\n"
                                    "ControlsEngine off\n"
                                    "DelayEngine off\n"
                                    "UseReverseDNS off\n"
                                    "AuthOrder mod_auth_file.c\n"
                                    "AuthUserFile %4/passwd\n"
                                    "AuthGroupFile %4/group\n"
                                    "RequireValidShell off\n"
                                    "AllowOverwrite on\n"
                                    "AllowStoreRestart on\n"
                                    "Umask 022\n"
                                    "ListOptions -a\n"
                                    "ModulePath %5\n")
                         .arg(m_port)
                         .arg(ownUserName(), ownGroupName(), dir, modules);
    if (::geteuid() == 0)
        config += QStringLiteral("RootLogin on\n");
    if (!m_options.utf8)
        config += QStringLiteral("UseUTF8 off\n");
    if (m_options.tls != Tls::None)
        config += proftpdTlsConfig();
    if (m_options.checksums)
        config += QStringLiteral("LoadModule mod_digest.c\nDigestEngine on\n");
    return config;
}

// mod_tls takes the test certificates' EC keys as TLSECCertificate*.
QString FtpTestServer::proftpdTlsConfig() const {
    const bool implicit = m_options.tls == Tls::Implicit;
    const bool login = implicit || m_options.requireTlsLogin;
    const bool data = implicit || m_options.requireTlsData;
    const QString required = login && data ? QStringLiteral("on")
                             : login       ? QStringLiteral("ctrl")
                             : data        ? QStringLiteral("data")
                                           : QStringLiteral("off");
    QStringList options;
    if (implicit)
        options << QStringLiteral("UseImplicitSSL");
    if (!m_options.requireTlsSessionReuse)
        options << QStringLiteral("NoSessionReuseRequired");
    const QString keyFile =
        m_options.privateKeyFile.isEmpty() ? m_options.certificateFile : m_options.privateKeyFile;
    QString config =
        QStringLiteral("LoadModule mod_tls.c\n"
                       "TLSEngine on\n"
                       "TLSLog %1/tls.log\n"
                       "TLSProtocol TLSv1.2 TLSv1.3\n"
                       "TLSRequired %2\n"
                       "TLSVerifyClient off\n"
                       "TLSRenegotiate none\n"
                       "TLSECCertificateFile %3\n"
                       "TLSECCertificateKeyFile %4\n")
            .arg(m_dir.path(), required, QFileInfo(m_options.certificateFile).absoluteFilePath(),
                 QFileInfo(keyFile).absoluteFilePath());
    if (!options.isEmpty())
        config += QStringLiteral("TLSOptions %1\n").arg(options.join(u' '));
    return config;
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
