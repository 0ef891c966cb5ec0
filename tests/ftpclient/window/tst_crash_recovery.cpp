// What tarlen keeps when it is killed rather than quit. The real window runs
// in a child process (tests/tools/window_driver) against a real server the
// test starts; once the child says how far it got it is killed (SIGKILL),
// and a new window, the settings file, the keyring and the queue store are
// asked what they find.
#include "ftp_test_server.h"
#include "panes/local_pane.h"
#include "password_vault.h"
#include "plain_name.h"
#include "queue_login.h"
#include "queue_store.h"
#include "remote_session.h"
#include "scripted_connect.h"
#include "scripted_prompter.h"
#include "secret_service_fixture.h"
#include "session_waits.h"
#include "test_files.h"
#include "transfer_queue.h"
#include "vault_answers.h"
#include "window/tarlen_frm.h"

#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kFiles = 200;
constexpr int kFileSize = 96 * 1024;

FtpTestServer::Options slowServer() {
    FtpTestServer::Options options;
    // The server sends a file's first 64 KiB at once and the rest a second
    // later: a kill finds some files whole and some cut short.
    options.rateLimit = 64 * 1024;
    return options;
}

QByteArray contentOf(int n) {
    QByteArray bytes = "file " + QByteArray::number(n) + '\n';
    while (bytes.size() < kFileSize)
        bytes += QByteArray::number(bytes.size() * 7 + n) + ' ';
    return bytes.left(kFileSize);
}

QString nameOfFile(int n) {
    return QStringLiteral("f%1.dat").arg(n, 3, 10, QLatin1Char('0'));
}

} // namespace

class TestCrashRecovery : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void profileSavedInTheDialogOutlivesAKill();
    void finishedFilesAreNotOfferedAgainAfterAKill();

private:
    void startDriver(QProcess& driver, const QStringList& arguments);
    // Waits until the driver said `count` lines starting with `word`.
    bool waitForLines(QProcess& driver, const QByteArray& word, int count = 1);
    void kill(QProcess& driver);
    QStringList loginArguments() const;

    SecretServiceFixture m_service;
    bool m_keyring = false;
    FtpTestServer m_server{FtpTestServer::Kind::Pyftpdlib, slowServer()};
    // XDG_CONFIG_HOME and XDG_DATA_HOME of the child and of this process.
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_local;
    QByteArray m_said;
};

void TestCrashRecovery::initTestCase() {
    if (SecretServiceFixture::unavailableReason().isEmpty()) {
        QVERIFY2(m_service.startBus(), qPrintable(m_service.errorText()));
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_service.busAddress().toUtf8());
        QVERIFY2(m_service.startKeyring(), qPrintable(m_service.errorText()));
        m_keyring = true;
    }
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
}

void TestCrashRecovery::init() {
    m_home = std::make_unique<QTemporaryDir>();
    m_local = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_home->filePath(QStringLiteral("data"))));
    m_said.clear();
}

void TestCrashRecovery::cleanup() {
    m_local.reset();
    m_home.reset();
}

void TestCrashRecovery::startDriver(QProcess& driver, const QStringList& arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    driver.setProcessEnvironment(environment); // XDG folders and bus as set above
    driver.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_said.clear();
    driver.start(QStringLiteral(WINDOW_DRIVER), arguments);
    QVERIFY2(driver.waitForStarted(), qPrintable(driver.errorString()));
}

bool TestCrashRecovery::waitForLines(QProcess& driver, const QByteArray& word, int count) {
    return QTest::qWaitFor(
               [&] {
                   m_said += driver.readAllStandardOutput();
                   int seen = 0;
                   for (const QByteArray& line : m_said.split('\n'))
                       seen += line.startsWith(word) ? 1 : 0;
                   return seen >= count || driver.state() == QProcess::NotRunning;
               },
               60000) &&
           driver.state() == QProcess::Running;
}

void TestCrashRecovery::kill(QProcess& driver) {
    driver.kill(); // SIGKILL: nothing of the window's own shutdown runs
    QVERIFY(driver.waitForFinished());
    QCOMPARE(driver.exitStatus(), QProcess::CrashExit);
}

QStringList TestCrashRecovery::loginArguments() const {
    return {QStringLiteral("--server"),   m_server.address(),
            QStringLiteral("--user"),     m_server.userName(),
            QStringLiteral("--password"), m_server.password(),
            QStringLiteral("--protocol"), protocolSettingsValue(ServerProtocol::PlainFtp)};
}

// A profile saved in the dialog (with its password in the keyring when one
// runs) is there after a kill, and so is its deletion.
void TestCrashRecovery::profileSavedInTheDialogOutlivesAKill() {
    const QString name = QStringLiteral("Killed soon");
    const QString account = vaultAccount(m_server.userName(), m_server.address());
    QProcess saver;
    startDriver(saver, loginArguments() + QStringList{QStringLiteral("--save-profile"), name,
                                                      QStringLiteral("--save-password")});
    QVERIFY(waitForLines(saver, "CONNECTED"));
    kill(saver);

    ScriptedPrompter prompter;
    const auto profileNamed = [&name](const HostProfiles& profiles) -> std::optional<HostInfo> {
        for (const HostInfo& host : profiles.Hosts)
            if (host.sName == name)
                return host;
        return std::nullopt;
    };
    const std::unique_ptr<PasswordVault> vault = makeDesktopKeyring();
    {
        TARLEN_Frm restarted(prompter);
        restarted.Form_Load();
        const std::optional<HostInfo> saved = profileNamed(restarted.settingsStore().profiles());
        QVERIFY(saved);
        QCOMPARE(saved->sAddr, m_server.address());
        QCOMPARE(saved->sUser, m_server.userName());
        QCOMPARE(saved->protocol, ServerProtocol::PlainFtp);
        QCOMPARE(saved->inKeyring, m_keyring);
        if (m_keyring)
            QCOMPARE(readFromVault(*vault, account).password,
                     std::optional<QString>(m_server.password()));
        else
            QCOMPARE(saved->sPW, m_server.password());
    }

    QProcess deleter;
    startDriver(deleter, {QStringLiteral("--delete-profile"), name});
    QVERIFY(waitForLines(deleter, "DELETED"));
    kill(deleter);
    TARLEN_Frm restarted(prompter);
    restarted.Form_Load();
    QVERIFY(!profileNamed(restarted.settingsStore().profiles()));
    QVERIFY(!restarted.settingsStore().profiles().Hosts.isEmpty()); // "Anonymous" stays
    if (m_keyring) {
        const VaultAnswer gone = readFromVault(*vault, account);
        QCOMPARE(gone.password, std::nullopt);
        QCOMPARE(gone.error, QString());
    }
}

// A download of many files killed midway: the queue store offers only what
// had not arrived, and a new window continues it without asking about a
// single file that is there already, each part file where it stopped.
void TestCrashRecovery::finishedFilesAreNotOfferedAgainAfterAKill() {
    QDir(m_server.root()).removeRecursively();
    for (int n = 0; n < kFiles; ++n)
        QVERIFY(m_server.writeFile(nameOfFile(n), contentOf(n)));
    QProcess downloader;
    startDriver(downloader,
                loginArguments() + QStringList{QStringLiteral("--local"), m_local->path(),
                                               QStringLiteral("--parallel"), QStringLiteral("10"),
                                               QStringLiteral("--download-all")});
    QVERIFY(waitForLines(downloader, "QUEUED " + QByteArray::number(kFiles)));
    QVERIFY(waitForLines(downloader, "FINISHED", 20));
    kill(downloader);

    QStringList arrived;
    for (int n = 0; n < kFiles; ++n)
        if (readFile(m_local->filePath(nameOfFile(n))) == contentOf(n))
            arrived << nameOfFile(n);
    QVERIFY(arrived.size() >= 20);
    QVERIFY2(arrived.size() < kFiles, "all arrived before the kill");

    QueueLogin login;
    login.address = m_server.address();
    login.user = m_server.userName();
    const std::vector<TransferItem> kept = QueueStore().load(login.key());
    QStringList offered;
    for (const TransferItem& item : kept)
        offered << nameOf(item.local);
    for (const QString& name : arrived)
        QVERIFY2(!offered.contains(name), qPrintable(name));
    // Nothing was lost either.
    QCOMPARE(offered.size() + arrived.size(), kFiles);

    ScriptedPrompter prompter;
    prompter.answers = {Prompter::Answer::Yes};
    TARLEN_Frm restarted(prompter);
    restarted.Form_Load();
    restarted.parts().localPane->setLocalPath(m_local->path());
    restarted.queue().setParallel(10);
    scriptConnectDialog(restarted, m_server);
    restarted.parts().Cmd_Connect->click();
    QVERIFY(waitUntilIdle(restarted.session()));
    QVERIFY(restarted.session().connected());
    QCOMPARE(prompter.questions.size(), 1);
    QVERIFY(prompter.questions.front().text.startsWith(QString::number(offered.size()) +
                                                       QStringLiteral(" transfers with")));
    QVERIFY(QTest::qWaitFor([&] { return restarted.queue().idle(); }, 120000));
    QCOMPARE(restarted.queue().totals().failed, 0);
    QVERIFY(prompter.choicesShown.isEmpty()); // no "exists already"
    for (int n = 0; n < kFiles; ++n)
        QCOMPARE(readFile(m_local->filePath(nameOfFile(n))), contentOf(n));
    // Every part file noted was continued and renamed. One the kill caught
    // between being made and being noted is left alone, as any file tarlen
    // did not note is; nothing had been written to it yet.
    const QFileInfoList files = QDir(m_local->path()).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo& left : files)
        if (left.fileName().endsWith(QStringLiteral(".part")))
            QVERIFY2(left.size() == 0, qPrintable(left.fileName()));
}

QTEST_MAIN(TestCrashRecovery)

#include "tst_crash_recovery.moc"
