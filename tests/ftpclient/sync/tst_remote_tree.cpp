// Reading a remote tree for comparing, against the servers themselves: the
// tree read equals the one on the server's disk, the server's clock is
// measured where its listing gives local times, and folders that cannot be
// listed or lead in a circle are reported while the rest is read.
#include "ftp_test_server.h"
#include "hostile_ftp_server.h"
#include "protocol_test_server.h"
#include "session_trust.h"
#include "test_files.h"
#include "tree_checks.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Trusts the server as the window's session would after the user's yes.
QueueLogin loginFor(const QString& address, ServerProtocol protocol, const QString& user,
                    const QString& password, const QString& trustFolder,
                    const SshTestServer* ssh = nullptr, const QString& caFile = {}) {
    QueueLogin login;
    login.address = address;
    login.user = user;
    login.password = password;
    login.protocol = protocol;
    auto trust = std::make_shared<SessionTrust>(trustFolder);
    trust->setCertificateAuthorities(caFile);
    QDir().mkpath(trustFolder);
    if (ssh)
        writeFile(trustFolder + QStringLiteral("/known_hosts"),
                  ssh->knownHostsLine().toLatin1() + '\n');
    login.trust = trust;
    return login;
}

QueueLogin loginFor(const ProtocolTestServer& server, const QString& trustFolder) {
    return loginFor(server.address(), server.protocol(), server.userName(), server.password(),
                    trustFolder, server.ssh(), server.trustedOptions().caFile);
}

QueueLogin loginFor(const SshTestServer& server, const QString& trustFolder) {
    return loginFor(server.address(), ServerProtocol::Sftp, server.userName(), server.password(),
                    trustFolder, &server);
}

qint64 now() {
    return QDateTime::currentSecsSinceEpoch();
}

} // namespace

class TestRemoteTree : public QObject {
    Q_OBJECT

private slots:
    void init();
    void readsTheTreeTheServerHolds_data();
    void readsTheTreeTheServerHolds();
    void measuresTheServersClock_data();
    void measuresTheServersClock();
    void reportsFoldersItCannotFollow_data();
    void reportsFoldersItCannotFollow();
    void carriesOnAfterALostConnection();

private:
    std::unique_ptr<QTemporaryDir> m_trust;
};

void TestRemoteTree::init() {
    m_trust = std::make_unique<QTemporaryDir>();
}

void TestRemoteTree::readsTheTreeTheServerHolds_data() {
    QTest::addColumn<QString>("mode");
    QTest::newRow("pyftpdlib, MLSD") << "pyftpdlib";
    QTest::newRow("vsftpd, LIST") << "vsftpd";
    QTest::newRow("vsftpd with TLS") << "ftps-explicit";
    QTest::newRow("sshd") << "sftp";
}

// Files changed lately (listed to the minute) and long ago (to the day),
// hidden ones, empty folders and folders several levels deep, read on
// three connections.
void TestRemoteTree::readsTheTreeTheServerHolds() {
    QFETCH(QString, mode);
    const ProtocolTestServer::Mode kind = *ProtocolTestServer::modeNamed(mode);
    if (const QString why = ProtocolTestServer::unavailableReason(kind); !why.isEmpty())
        QSKIP(qPrintable(why));
    ProtocolTestServer server(kind);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const QString root = server.root();
    const qint64 recent = now() - 3 * 3600 - 17;
    const qint64 old = now() - 400 * 86400 - 5000;
    QVERIFY(plantFile(root, "a.txt", 10, recent));
    QVERIFY(plantFile(root, ".hidden", 0, recent + 61));
    QVERIFY(plantFile(root, "old.bin", 12345, old));
    for (int i = 0; i < 12; ++i)
        QVERIFY(plantFile(root, QStringLiteral("d%1/sub/f%2").arg(i % 4).arg(i), i, recent - i));
    QVERIFY(plantFile(root, "deep/1/2/3/4/5/g", 7, old));
    QVERIFY(QDir().mkpath(root + "/empty"));

    RemoteTreeOptions options;
    options.connections = 3;
    const std::optional<RemoteRead> read =
        readRemoteTree(loginFor(server, m_trust->path()), server.loginDir(), options);
    QVERIFY(read);
    for (const SideFolder& folder : read->tree)
        QVERIFY2(folder.error.isEmpty(), qPrintable(folder.error));
    const SideTree disk = readLocalTree(root, {});
    QCOMPARE(treeDifference(read->tree, disk), QString());
}

void TestRemoteTree::measuresTheServersClock_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("zone"); // sshd's TZ
    QTest::addColumn<int>("source");
    QTest::addColumn<qint64>("offset");
    QTest::newRow("MLSD, in UTC") << "pyftpdlib"
                                  << "" << int(ServerClock::Source::Utc) << qint64(0);
    QTest::newRow("LIST in UTC") << "vsftpd"
                                 << "" << int(ServerClock::Source::Measured) << qint64(0);
    QTest::newRow("SFTP, 3 h ahead")
        << "sftp"
        << "XYZ-3" << int(ServerClock::Source::Measured) << qint64(3 * 3600);
    QTest::newRow("SFTP, 5:30 behind")
        << "sftp"
        << "XYZ+5:30" << int(ServerClock::Source::Measured) << qint64(-5 * 3600 - 1800);
}

void TestRemoteTree::measuresTheServersClock() {
    QFETCH(QString, mode);
    QFETCH(QString, zone);
    QFETCH(int, source);
    QFETCH(qint64, offset);
    const ProtocolTestServer::Mode kind = *ProtocolTestServer::modeNamed(mode);
    if (const QString why = ProtocolTestServer::unavailableReason(kind); !why.isEmpty())
        QSKIP(qPrintable(why));
    std::unique_ptr<ProtocolTestServer> server;
    std::unique_ptr<SshTestServer> ssh;
    QueueLogin login;
    QString root;
    QString loginDir;
    if (zone.isEmpty()) {
        server = std::make_unique<ProtocolTestServer>(kind);
        QVERIFY2(server->start(), qPrintable(server->errorText()));
        login = loginFor(*server, m_trust->path());
        root = server->root();
        loginDir = server->loginDir();
    } else {
        SshTestServer::Options options;
        options.timeZone = zone;
        ssh = std::make_unique<SshTestServer>(options);
        QVERIFY2(ssh->start(), qPrintable(ssh->errorText()));
        login = loginFor(*ssh, m_trust->path());
        root = ssh->root();
        loginDir = ssh->loginDir();
    }
    QVERIFY(plantFile(root, "sub/f", 3, now() - 600 - 37));
    const std::optional<RemoteRead> read = readRemoteTree(login, loginDir, {});
    QVERIFY(read);
    QCOMPARE(int(read->clock.source), source);
    QCOMPARE(read->clock.offsetSeconds, offset);
}

void TestRemoteTree::reportsFoldersItCannotFollow_data() {
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("reason");
    QTest::newRow("every folder holds one more") << "endless"
                                                 << "a"
                                                 << "leads in a circle";
    QTest::newRow("a folder the login may not read") << "sftp"
                                                     << "locked"
                                                     << "ermission";
}

// The folder is in the tree with why it was not read; every other one is
// read.
void TestRemoteTree::reportsFoldersItCannotFollow() {
    QFETCH(QString, server);
    QFETCH(QString, folder);
    QFETCH(QString, reason);
    std::optional<RemoteRead> read;
    if (server == u"endless") {
        HostileFtpServer::Options options;
        options.endlessFolder = QStringLiteral("a");
        HostileFtpServer hostile(options);
        QVERIFY2(hostile.start(), qPrintable(hostile.errorText()));
        read = readRemoteTree(
            loginFor(hostile.address(), ServerProtocol::PlainFtp, "me", "secret", m_trust->path()),
            QStringLiteral("/top"), {});
    } else {
        if (!SshTestServer::unavailableReason().isEmpty())
            QSKIP(qPrintable(SshTestServer::unavailableReason()));
        SshTestServer ssh;
        QVERIFY2(ssh.start(), qPrintable(ssh.errorText()));
        QVERIFY(plantFile(ssh.root(), "open/f", 1, now()));
        QVERIFY(plantFile(ssh.root(), "locked/g", 1, now()));
        QVERIFY(QFile::setPermissions(ssh.root() + "/locked",
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        read = readRemoteTree(loginFor(ssh, m_trust->path()), ssh.loginDir(), {});
        QVERIFY(read);
        QVERIFY(read->tree.contains("open"));
        QVERIFY(read->tree.value("open").error.isEmpty());
    }
    QVERIFY(read);
    QVERIFY(read->tree.value("").error.isEmpty());
    QVERIFY(read->tree.contains(folder));
    const QString error = read->tree.value(folder).error;
    QVERIFY2(error.contains(reason), qPrintable(error));
}

// The server goes away and comes back after the first folder: the folders
// still to list are listed on new connections, none is lost.
void TestRemoteTree::carriesOnAfterALostConnection() {
    if (!FtpTestServer::unavailableReason(FtpTestServer::Kind::Vsftpd).isEmpty())
        QSKIP(qPrintable(FtpTestServer::unavailableReason(FtpTestServer::Kind::Vsftpd)));
    FtpTestServer server(FtpTestServer::Kind::Vsftpd);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    for (int i = 0; i < 20; ++i)
        QVERIFY(plantFile(server.root(), QStringLiteral("d%1/f").arg(i), i, now()));
    QueueLogin login;
    login.address = server.address();
    RemoteTreeOptions options;
    options.retryPauseMs = 100;
    RemoteTreeReader reader(login, server.loginDir(), options);
    std::optional<SideTree> read;
    connect(&reader, &RemoteTreeReader::finished, this,
            [&read](const SideTree& tree, const ServerClock&) { read = tree; });
    bool cut = false;
    connect(&reader, &RemoteTreeReader::progress, this, [&](int folders, qint64) {
        if (folders == 1 && !std::exchange(cut, true))
            QVERIFY(server.restart());
    });
    reader.start();
    QTRY_VERIFY_WITH_TIMEOUT(read.has_value(), 60000);
    QVERIFY(cut);
    QCOMPARE(read->size(), 21);
    for (const SideFolder& folder : *read)
        QVERIFY2(folder.error.isEmpty(), qPrintable(folder.error));
}

QTEST_GUILESS_MAIN(TestRemoteTree)
#include "tst_remote_tree.moc"
