#include "ssh_test_server.h"

#include "run_tool.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocalSocket>
#include <QLockFile>
#include <QMutex>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QThread>

#include <cerrno>

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The test user. A system account with no home and no login shell; the
// server configuration lets it do nothing but SFTP in the served root.
const char* const kUser = "tarlen-sftp";
const char* const kPassword = "sftp-secret";
const char* const kPassphrase = "key passphrase";
const char* const kSshd = "/usr/sbin/sshd";
// sshd refuses to start without its privilege separation directory, which
// only the system service would otherwise create.
const char* const kPrivsepDir = "/run/sshd";

uid_t g_uid = 0;
gid_t g_gid = 0;

quint16 freePort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

bool lookUpUser(uid_t* uid, gid_t* gid) {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwnam_r(kUser, &entry, buffer, sizeof buffer, &found) != 0 || !found)
        return false;
    *uid = found->pw_uid;
    *gid = found->pw_gid;
    return true;
}

// Makes the test user when missing and sets its password, once per process.
// Tests in other processes may do the same at the same time, so the whole
// step holds a lock file.
bool ensureUser(QString* error) {
    static QMutex mutex;
    static bool done = false;
    QMutexLocker locker(&mutex);
    if (done)
        return true;
    QLockFile lock(QStringLiteral("/tmp/tarlen-sftp-user.lock"));
    if (!lock.tryLock(60000)) {
        *error = QStringLiteral("cannot lock /tmp/tarlen-sftp-user.lock");
        return false;
    }
    uid_t uid = 0;
    gid_t gid = 0;
    if (!lookUpUser(&uid, &gid)) {
        const bool made = runTool(QStringLiteral("/usr/sbin/useradd"),
                                  {QStringLiteral("--system"), QStringLiteral("--no-create-home"),
                                   QStringLiteral("--home-dir"), QStringLiteral("/nonexistent"),
                                   QStringLiteral("--shell"), QStringLiteral("/usr/sbin/nologin"),
                                   QStringLiteral("--comment"), QStringLiteral("tarlen SFTP tests"),
                                   QString::fromLatin1(kUser)},
                                  error);
        // Without the lock (by hand, say) someone may have made it meanwhile.
        if (!lookUpUser(&uid, &gid)) {
            if (made)
                *error = QStringLiteral("useradd made no user ") + QString::fromLatin1(kUser);
            return false;
        }
    }
    if (!runTool(QStringLiteral("/usr/sbin/chpasswd"), {}, error, nullptr,
                 QByteArray(kUser) + ':' + kPassword + '\n'))
        return false;
    g_uid = uid;
    g_gid = gid;
    done = true;
    return true;
}

// The processes below pid (children, grandchildren, ...) that have not ended.
QList<pid_t> descendants(pid_t root) {
    QMultiHash<pid_t, pid_t> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& entry : entries) {
        bool numeric = false;
        const pid_t pid = entry.toInt(&numeric);
        if (!numeric)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid ...": the name may hold spaces and brackets.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 2 || fields[0] == "Z")
            continue;
        children.insert(pid_t(fields[1].toInt()), pid);
    }
    QList<pid_t> result;
    QList<pid_t> queue{root};
    while (!queue.isEmpty()) {
        const QList<pid_t> next = children.values(queue.takeFirst());
        result += next;
        queue += next;
    }
    return result;
}

// The fingerprint `ssh-keygen -l` prints for a public key file, and the key
// as "<type> <base64>".
bool describeKey(const QString& publicKeyFile, QString* fingerprint, QString* publicKey,
                 QString* error) {
    QByteArray listing;
    if (!runTool(toolPath("ssh-keygen"),
                 {QStringLiteral("-l"), QStringLiteral("-f"), publicKeyFile}, error, &listing))
        return false;
    // "256 SHA256:... comment (ED25519)"
    const QList<QByteArray> fields = listing.simplified().split(' ');
    QFile file(publicKeyFile);
    if (fields.size() < 2 || !file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read ") + publicKeyFile;
        return false;
    }
    const QList<QByteArray> key = file.readAll().simplified().split(' ');
    if (key.size() < 2) {
        *error = QStringLiteral("cannot read ") + publicKeyFile;
        return false;
    }
    *fingerprint = QString::fromLatin1(fields[1]);
    *publicKey = QString::fromLatin1(key[0] + ' ' + key[1]);
    return true;
}

} // namespace

SshTestServer::SshTestServer()
    : SshTestServer(Options()) {}

SshTestServer::SshTestServer(Options options)
    : m_options(options)
    // The user reads its authorised keys and works in the root, so every
    // folder above them must let it through: /tmp does, whatever TMPDIR says.
    , m_dir(QStringLiteral("/tmp/tarlen-sshd-XXXXXX")) {
    m_root = m_dir.path() + QStringLiteral("/root");
}

SshTestServer::~SshTestServer() {
    kill();
}

QString SshTestServer::unavailableReason() {
    if (geteuid() != 0)
        return QStringLiteral("the SFTP test server runs sshd as root");
    if (!QFileInfo(QString::fromLatin1(kSshd)).isExecutable())
        return QStringLiteral("no /usr/sbin/sshd (package openssh-server)");
    if (!QFileInfo(toolPath("ssh-keygen")).isExecutable())
        return QStringLiteral("no ssh-keygen (package openssh-client)");
    return {};
}

QString SshTestServer::address() const {
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

QString SshTestServer::userName() const {
    return QString::fromLatin1(kUser);
}

QString SshTestServer::password() const {
    return QString::fromLatin1(kPassword);
}

QString SshTestServer::privateKeyFile() const {
    return m_dir.path() + QStringLiteral("/user_ed25519");
}

QString SshTestServer::publicKeyFile() const {
    return privateKeyFile() + QStringLiteral(".pub");
}

QString SshTestServer::encryptedPrivateKeyFile() const {
    return m_dir.path() + QStringLiteral("/user_ed25519_encrypted");
}

QString SshTestServer::encryptedPublicKeyFile() const {
    return encryptedPrivateKeyFile() + QStringLiteral(".pub");
}

QString SshTestServer::passphrase() const {
    return QString::fromLatin1(kPassphrase);
}

QString SshTestServer::hostKeyFingerprint(HostKey key) const {
    return key == HostKey::Ed25519 ? m_ed25519.fingerprint : m_rsa.fingerprint;
}

QString SshTestServer::hostKeySha256(HostKey key) const {
    const QString fingerprint = hostKeyFingerprint(key);
    return fingerprint.mid(fingerprint.indexOf(u':') + 1);
}

QString SshTestServer::hostPublicKey(HostKey key) const {
    return key == HostKey::Ed25519 ? m_ed25519.publicKey : m_rsa.publicKey;
}

QString SshTestServer::knownHostsLine(HostKey key) const {
    const QString publicKey = hostPublicKey(key);
    if (publicKey.isEmpty())
        return {};
    return QStringLiteral("[127.0.0.1]:%1 ").arg(m_port) + publicKey;
}

bool SshTestServer::chownToUser(const QString& path) const {
    return ::chown(QFile::encodeName(path).constData(), g_uid, g_gid) == 0;
}

bool SshTestServer::makeDirectory(const QString& relativePath) const {
    if (!m_prepared)
        return false;
    QString path = QDir::cleanPath(m_root + u'/' + relativePath);
    if (!QDir().mkpath(path))
        return false;
    for (; path.startsWith(m_root + u'/'); path = QFileInfo(path).path()) {
        if (!chownToUser(path))
            return false;
    }
    return true;
}

bool SshTestServer::writeFile(const QString& relativePath, const QByteArray& content) const {
    const QString path = QDir::cleanPath(m_root + u'/' + relativePath);
    if (!makeDirectory(QDir(m_root).relativeFilePath(QFileInfo(path).path())))
        return false;
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           f.write(content) == content.size() && chownToUser(path);
}

QString SshTestServer::log() {
    if (m_process)
        m_log += m_process->readAll();
    return QString::fromLocal8Bit(m_log);
}

bool SshTestServer::prepare() {
    if (m_prepared)
        return true;
    m_error = unavailableReason();
    if (!m_error.isEmpty())
        return false;
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory");
        return false;
    }
    const QByteArray privsep(kPrivsepDir);
    if (::mkdir(privsep.constData(), 0755) != 0 && errno != EEXIST) {
        m_error = QStringLiteral("cannot make ") + QString::fromLatin1(kPrivsepDir);
        return false;
    }
    if (!ensureUser(&m_error))
        return false;
    // Others may pass through the folder, not list it: the host keys stay
    // private.
    if (::chmod(QFile::encodeName(m_dir.path()).constData(), 0711) != 0 || !QDir().mkpath(m_root) ||
        !chownToUser(m_root)) {
        m_error = QStringLiteral("cannot prepare ") + m_root;
        return false;
    }

    const QString keygen = toolPath("ssh-keygen");
    if (!runTool(keygen,
                 {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                  QStringLiteral("-N"), QString(), QStringLiteral("-C"),
                  QStringLiteral("tarlen test key"), QStringLiteral("-f"), privateKeyFile()},
                 &m_error) ||
        !runTool(keygen,
                 {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                  QStringLiteral("-N"), passphrase(), QStringLiteral("-C"),
                  QStringLiteral("tarlen test key (encrypted)"), QStringLiteral("-f"),
                  encryptedPrivateKeyFile()},
                 &m_error))
        return false;
    QByteArray authorized;
    for (const QString& file : {publicKeyFile(), encryptedPublicKeyFile()}) {
        QFile key(file);
        if (!key.open(QIODevice::ReadOnly)) {
            m_error = QStringLiteral("cannot read ") + file;
            return false;
        }
        authorized += key.readAll();
    }
    QFile keys(m_dir.path() + QStringLiteral("/authorized_keys"));
    if (!keys.open(QIODevice::WriteOnly) || keys.write(authorized) != authorized.size() ||
        !keys.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                             QFile::ReadOther)) {
        m_error = QStringLiteral("cannot write ") + keys.fileName();
        return false;
    }
    if (!makeHostKeys())
        return false;
    m_prepared = true;
    return true;
}

bool SshTestServer::makeHostKeys() {
    ++m_hostKeySet;
    const QString folder = m_dir.path() + QStringLiteral("/hostkeys-%1").arg(m_hostKeySet);
    if (!QDir().mkpath(folder)) {
        m_error = QStringLiteral("cannot make ") + folder;
        return false;
    }
    m_ed25519 = {};
    m_rsa = {};
    if (m_options.ed25519HostKey && !makeHostKey(folder + QStringLiteral("/ssh_host_ed25519_key"),
                                                 {QStringLiteral("ed25519")}, &m_ed25519))
        return false;
    if (m_options.rsaHostKey &&
        !makeHostKey(folder + QStringLiteral("/ssh_host_rsa_key"),
                     {QStringLiteral("rsa"), QStringLiteral("-b"), QStringLiteral("2048")}, &m_rsa))
        return false;
    return true;
}

bool SshTestServer::makeHostKey(const QString& file, const QStringList& type, HostKeyInfo* info) {
    return runTool(toolPath("ssh-keygen"),
                   QStringList{QStringLiteral("-q"), QStringLiteral("-t")} + type +
                       QStringList{QStringLiteral("-N"), QString(), QStringLiteral("-C"), QString(),
                                   QStringLiteral("-f"), file},
                   &m_error) &&
           describeKey(file + QStringLiteral(".pub"), &info->fingerprint, &info->publicKey,
                       &m_error);
}

bool SshTestServer::writeConfig() {
    const QString folder = m_dir.path() + QStringLiteral("/hostkeys-%1").arg(m_hostKeySet);
    const auto yesNo = [](bool on) {
        return on ? QStringLiteral("yes") : QStringLiteral("no");
    };
    QString config = QStringLiteral("ListenAddress 127.0.0.1\n"
                                    "Port %1\n"
                                    "AddressFamily inet\n")
                         .arg(m_port);
    if (m_options.ed25519HostKey)
        config += QStringLiteral("HostKey %1/ssh_host_ed25519_key\n").arg(folder);
    if (m_options.rsaHostKey)
        config += QStringLiteral("HostKey %1/ssh_host_rsa_key\n").arg(folder);
    if (m_options.sshRsa)
        config += QStringLiteral("HostKeyAlgorithms +ssh-rsa\n"
                                 "PubkeyAcceptedAlgorithms +ssh-rsa\n");
    // No PAM, so sshd checks the password in /etc/shadow itself; StrictModes
    // off, as the files here belong to root, not to the user. ForceCommand
    // keeps the user to SFTP and starts each session in the root.
    config += QStringLiteral("PidFile %1/sshd.pid\n"
                             "AuthorizedKeysFile %1/authorized_keys\n"
                             "UsePAM no\n"
                             "StrictModes no\n"
                             "AllowUsers %2\n"
                             "PermitRootLogin no\n"
                             "PasswordAuthentication %3\n"
                             "PubkeyAuthentication %4\n"
                             "KbdInteractiveAuthentication no\n"
                             "PermitEmptyPasswords no\n"
                             "UseDNS no\n"
                             "PrintMotd no\n"
                             "PrintLastLog no\n"
                             "X11Forwarding no\n"
                             "AllowTcpForwarding no\n"
                             "AllowAgentForwarding no\n"
                             "PermitTTY no\n"
                             "MaxStartups 100\n"
                             "MaxAuthTries 10\n"
                             "LoginGraceTime 30\n"
                             "Subsystem sftp internal-sftp\n"
                             "ForceCommand internal-sftp -d %5 -u 0022\n")
                  .arg(m_dir.path(), QString::fromLatin1(kUser), yesNo(m_options.passwordLogin),
                       yesNo(m_options.keyLogin), m_root);
    QFile file(m_dir.path() + QStringLiteral("/sshd_config"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(config.toUtf8()) < 0) {
        m_error = QStringLiteral("cannot write ") + file.fileName();
        return false;
    }
    return true;
}

bool SshTestServer::launch() {
    if (!writeConfig())
        return false;
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    if (!m_options.timeZone.isEmpty()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TZ"), m_options.timeZone);
        m_process->setProcessEnvironment(environment);
    }
    // -D: stay in the foreground; -e: log to stderr.
    m_process->start(QString::fromLatin1(kSshd),
                     {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"),
                      m_dir.path() + QStringLiteral("/sshd_config")});
    if (!m_process->waitForStarted(5000)) {
        m_error = QStringLiteral("cannot start sshd: ") + m_process->errorString();
        m_process.reset();
        return false;
    }
    const QByteArray listening =
        "Server listening on 127.0.0.1 port " + QByteArray::number(m_port) + '.';
    const qsizetype from = m_log.size();
    QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        m_process->waitForReadyRead(100);
        m_log += m_process->readAll();
        if (m_log.indexOf(listening, from) >= 0)
            return true;
        if (m_process->state() != QProcess::Running)
            break;
    }
    m_process->kill();
    m_process->waitForFinished(5000);
    m_log += m_process->readAll();
    m_process.reset();
    m_error = QStringLiteral("sshd did not start: ") + QString::fromLocal8Bit(m_log.mid(from));
    return false;
}

bool SshTestServer::start() {
    if (m_process)
        return true;
    if (!prepare())
        return false;
    if (m_port != 0)
        return launch();
    // The free port may be taken before sshd binds it: try a few.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = freePort();
        if (launch())
            return true;
        if (!m_error.contains(QStringLiteral("Address already in use")))
            break;
    }
    m_port = 0;
    return false;
}

void SshTestServer::kill() {
    if (!m_process)
        return;
    // Each connection has its own sshd processes below the listener. Stop the
    // listener so that it starts no more, then kill them all.
    const pid_t listener = pid_t(m_process->processId());
    ::kill(listener, SIGSTOP);
    for (int round = 0; round < 3; ++round) {
        const QList<pid_t> sessions = descendants(listener);
        if (sessions.isEmpty())
            break;
        for (pid_t pid : sessions)
            ::kill(pid, SIGKILL);
        QThread::msleep(20);
    }
    m_process->kill();
    m_process->waitForFinished(5000);
    m_log += m_process->readAll();
    m_process.reset();
}

bool SshTestServer::restart() {
    kill();
    return start();
}

bool SshTestServer::restartWithOtherHostKeys(const std::optional<Options>& options) {
    kill();
    if (options)
        m_options = *options;
    if (!m_prepared)
        return start();
    return makeHostKeys() && start();
}

SshTestAgent::SshTestAgent()
    : m_dir(QStringLiteral("/tmp/tarlen-agent-XXXXXX")) {}

SshTestAgent::~SshTestAgent() {
    stop();
}

bool SshTestAgent::start(const QStringList& privateKeyFiles) {
    stop();
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory");
        return false;
    }
    m_socket = m_dir.path() + QStringLiteral("/agent.sock");
    QFile::remove(m_socket);
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::MergedChannels);
    // -D: stay in the foreground, so that the object owns the process.
    m_process->start(toolPath("ssh-agent"), {QStringLiteral("-D"), QStringLiteral("-a"), m_socket});
    if (!m_process->waitForStarted(5000)) {
        m_error = QStringLiteral("cannot start ssh-agent: ") + m_process->errorString();
        m_process.reset();
        return false;
    }
    // The socket's file appears when the agent binds it, a moment before it
    // listens: wait until it takes a connection.
    const auto answers = [this] {
        QLocalSocket probe;
        probe.connectToServer(m_socket);
        return probe.waitForConnected(200);
    };
    QDeadlineTimer deadline(10000);
    while (!answers()) {
        if (deadline.hasExpired() || m_process->state() != QProcess::Running) {
            m_error = QStringLiteral("ssh-agent did not start: ") +
                      QString::fromLocal8Bit(m_process->readAll());
            stop();
            return false;
        }
        QThread::msleep(20);
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SSH_AUTH_SOCK"), m_socket);
    environment.remove(QStringLiteral("SSH_ASKPASS"));
    environment.remove(QStringLiteral("DISPLAY"));
    for (const QString& key : privateKeyFiles) {
        if (!runTool(toolPath("ssh-add"), {QStringLiteral("-q"), key}, &m_error, nullptr, {},
                     environment)) {
            stop();
            return false;
        }
    }
    return true;
}

void SshTestAgent::stop() {
    if (!m_process)
        return;
    m_process->kill();
    m_process->waitForFinished(5000);
    m_process.reset();
    QFile::remove(m_socket);
}
