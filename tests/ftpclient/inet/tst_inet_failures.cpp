// How the transfer component fails, times out, is cancelled, loses its
// connection and is destroyed, against a real pyftpdlib server (and a local
// socket that accepts and never answers, for the silent-server cases), also
// when two components share one connection.
#include "ftp_test_server.h"
#include "holding_proxy.h"
#include "inet.h"
#include "inet_test_helper.h"
#include "silent_server.h"
#include "test_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int kSlowRate = 256 * 1024;

quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

FtpTestServer::Options slowOptions() {
    FtpTestServer::Options options;
    options.rateLimit = kSlowRate;
    return options;
}

} // namespace

class TestInetFailures : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void refusedLoginGives12015WithoutPassword();
    void closedPortGives12029();
    void unknownHostGives12007();
    void silentServerTimesOutWith12002_data();
    void silentServerTimesOutWith12002();
    void cancelWhileServerIsSilentEndsWithinOneSecond();
    void cancelMidDownloadKeepsOldFileAndStaysUsable();
    void lostConnectionMidDownloadGives12030AndKeepsOldFile();
    void connectionClosedByServerIsReopened();
    void destroyingDuringDownloadDoesNotBlock();
    void sharedConnectionRunsCommandsInTurn_data();
    void sharedConnectionRunsCommandsInTurn();
    void badAddressRaisesRunTimeError();
    void localFileProblemsGive12004();
    void greetingOfAHundredThousandLinesEndsTheCommand();

private:
    void useServer(const FtpTestServer& server) {
        m_inet->setURL(server.address());
        m_inet->setUserName(server.userName());
        m_inet->setPassword(server.password());
    }
    // Starts a download of the big file from the slow server and waits until
    // bytes arrive.
    bool startSlowDownload(const QString& local);
    QStringList localFiles() const {
        return QDir(m_local->path()).entryList(QDir::Files | QDir::Hidden);
    }

    FtpTestServer m_server{FtpTestServer::Kind::Pyftpdlib};
    FtpTestServer m_slow{FtpTestServer::Kind::Pyftpdlib, slowOptions()};
    std::unique_ptr<Inet> m_inet;
    std::unique_ptr<QTemporaryDir> m_local;
};

void TestInetFailures::initTestCase() {
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    QVERIFY2(m_slow.start(), qPrintable(m_slow.errorText()));
    QVERIFY(m_slow.writeFile(QStringLiteral("big.bin"), QByteArray(8 * 1024 * 1024, 'x')));
}

void TestInetFailures::init() {
    m_local = std::make_unique<QTemporaryDir>();
    m_inet = std::make_unique<Inet>();
    m_inet->setRequestTimeout(20);
    useServer(m_server);
}

void TestInetFailures::cleanup() {
    m_inet.reset();
    m_local.reset();
}

bool TestInetFailures::startSlowDownload(const QString& local) {
    useServer(m_slow);
    QSignalSpy progress(m_inet.get(), &Inet::TransferProgress);
    m_inet->Execute(m_inet->URL(), QStringLiteral("GET /big.bin ") + local);
    return QTest::qWaitFor(
        [&] { return !progress.isEmpty() && progress.last().at(0).toLongLong() > 0; }, 20000);
}

void TestInetFailures::refusedLoginGives12015WithoutPassword() {
    m_inet->setPassword(QStringLiteral("Wr0ngPassw0rd"));
    const CommandOutcome out = runCommand(*m_inet, QStringLiteral("PWD"));
    QVERIFY(out.finished);
    QCOMPARE(out.states.mid(0, 4), (QList<short>{1, 2, 3, 4}));
    QCOMPARE(out.states.last(), short(11));
    QCOMPARE(out.responseCode, 12015);
    QVERIFY2(out.responseInfo.startsWith(QStringLiteral("530")), qPrintable(out.responseInfo));
    QVERIFY(!out.responseInfo.contains(QStringLiteral("Wr0ngPassw0rd")));

    // The right password works on the same component afterwards.
    m_inet->setPassword(m_server.password());
    QVERIFY(runCommand(*m_inet, QStringLiteral("PWD")).ok());
}

void TestInetFailures::closedPortGives12029() {
    m_inet->setURL(QStringLiteral("127.0.0.1:%1").arg(closedPort()));
    const CommandOutcome out = runCommand(*m_inet, QStringLiteral("PWD"));
    QCOMPARE(out.states.last(), short(11));
    QCOMPARE(out.responseCode, 12029);
    QVERIFY(!out.responseInfo.isEmpty());
}

void TestInetFailures::unknownHostGives12007() {
    m_inet->setURL(QStringLiteral("no-such-host.invalid"));
    const CommandOutcome out = runCommand(*m_inet, QStringLiteral("DIR"));
    QCOMPARE(out.states, (QList<short>{1, 11}));
    QCOMPARE(out.responseCode, 12007);
    QVERIFY(out.responseInfo.contains(QStringLiteral("no-such-host.invalid")));
    QCOMPARE(m_inet->RemoteHost(), QStringLiteral("no-such-host.invalid"));
}

void TestInetFailures::silentServerTimesOutWith12002_data() {
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("said");
    QTest::newRow("one second") << 1 << "The server did not answer within 1 second.";
    QTest::newRow("two seconds") << 2 << "The server did not answer within 2 seconds.";
}

void TestInetFailures::silentServerTimesOutWith12002() {
    QFETCH(int, seconds);
    QFETCH(QString, said);
    SilentServer silent;
    m_inet->setURL(QStringLiteral("127.0.0.1:%1").arg(silent.serverPort()));
    m_inet->setRequestTimeout(seconds);
    QElapsedTimer clock;
    clock.start();
    const CommandOutcome out = runCommand(*m_inet, QStringLiteral("PWD"), 15000);
    QVERIFY(out.finished);
    QVERIFY2(clock.elapsed() < seconds * 1000 + 2500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(out.states, (QList<short>{1, 2, 3, 11}));
    QCOMPARE(out.responseCode, 12002);
    QCOMPARE(out.responseInfo, said);
}

void TestInetFailures::cancelWhileServerIsSilentEndsWithinOneSecond() {
    SilentServer silent;
    m_inet->setURL(QStringLiteral("127.0.0.1:%1").arg(silent.serverPort()));
    StateRecorder recorder(*m_inet);
    m_inet->Execute(m_inet->URL(), QStringLiteral("PWD"));
    QVERIFY(QTest::qWaitFor([&] { return recorder.states.contains(3); }, 5000));
    // Connected on both ends: the component waits for a greeting that never
    // comes.
    QTRY_VERIFY(!silent.findChildren<QTcpSocket*>().isEmpty());

    // Nothing about the component changes while it runs, not even to hurry
    // the cancel along: every setter raises 35764 and leaves its value.
    const QString url = m_inet->URL();
    const auto raises35764 = [](auto set) {
        try {
            set();
        } catch (const InetError& e) {
            return e.number() == 35764;
        }
        return false;
    };
    QVERIFY(raises35764([&] { m_inet->setRequestTimeout(1); }));
    QVERIFY(raises35764([&] { m_inet->setURL(QStringLiteral("elsewhere.example")); }));
    QVERIFY(raises35764([&] { m_inet->setUserName(QStringLiteral("someone")); }));
    QVERIFY(raises35764([&] { m_inet->setPassword(QStringLiteral("secret")); }));
    QVERIFY(raises35764([&] { m_inet->setProtocol(Inet::ProtocolFtp); }));
    QCOMPARE(m_inet->RequestTimeout(), 20);
    QCOMPARE(m_inet->URL(), url);
    QCOMPARE(m_inet->UserName(), m_server.userName());
    QCOMPARE(m_inet->Password(), m_server.password());

    QElapsedTimer clock;
    clock.start();
    m_inet->Cancel();
    QVERIFY(QTest::qWaitFor([&] { return !m_inet->StillExecuting(); }, 5000));
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(recorder.states.last(), short(12));
    QCOMPARE(m_inet->GetChunk(1024), QString());
}

void TestInetFailures::cancelMidDownloadKeepsOldFileAndStaysUsable() {
    const QString local = m_local->path() + QStringLiteral("/big.bin");
    QVERIFY(writeFile(local, "old content"));
    StateRecorder recorder(*m_inet);
    QVERIFY(startSlowDownload(local));

    QElapsedTimer clock;
    clock.start();
    m_inet->Cancel();
    QVERIFY(QTest::qWaitFor([&] { return !m_inet->StillExecuting(); }, 5000));
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(recorder.states.last(), short(12));
    QCOMPARE(m_inet->GetChunk(1024), QString());
    QCOMPARE(readFile(local), QByteArray("old content"));
    QTRY_COMPARE(localFiles(), QStringList{"big.bin"});

    // Usable again at once.
    const CommandOutcome next = runCommand(*m_inet, QStringLiteral("PWD"));
    QVERIFY(next.ok());
    QCOMPARE(next.reply, QStringLiteral("/"));
}

void TestInetFailures::lostConnectionMidDownloadGives12030AndKeepsOldFile() {
    const QString local = m_local->path() + QStringLiteral("/big.bin");
    QVERIFY(writeFile(local, "old content"));
    StateRecorder recorder(*m_inet);
    QVERIFY(startSlowDownload(local));
    m_slow.kill();
    QVERIFY(QTest::qWaitFor([&] { return !m_inet->StillExecuting(); }, 20000));
    QCOMPARE(recorder.states.last(), short(11));
    QCOMPARE(m_inet->ResponseCode(), 12030);
    QCOMPARE(readFile(local), QByteArray("old content"));
    QCOMPARE(localFiles(), QStringList{"big.bin"});

    QVERIFY2(m_slow.restart(), qPrintable(m_slow.errorText()));
    const CommandOutcome again = runCommand(*m_inet, QStringLiteral("PWD"));
    QVERIFY(again.ok());
    QCOMPARE(again.states.mid(0, 4), (QList<short>{1, 2, 3, 4}));
}

void TestInetFailures::connectionClosedByServerIsReopened() {
    useServer(m_slow);
    QVERIFY(runCommand(*m_inet, QStringLiteral("PWD")).ok());
    QVERIFY2(m_slow.restart(), qPrintable(m_slow.errorText()));
    const CommandOutcome out = runCommand(*m_inet, QStringLiteral("DIR"));
    QVERIFY2(out.ok(), qPrintable(out.responseInfo));
    QCOMPARE(out.states, (QList<short>{1, 2, 3, 4, 5, 6, 7, 8, 12}));
    QVERIFY(out.reply.contains(QStringLiteral("big.bin\r\n")));
}

void TestInetFailures::destroyingDuringDownloadDoesNotBlock() {
    const QString local = m_local->path() + QStringLiteral("/big.bin");
    QVERIFY(startSlowDownload(local));
    QElapsedTimer clock;
    clock.start();
    m_inet.reset();
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QTRY_VERIFY(localFiles().isEmpty());
}

void TestInetFailures::sharedConnectionRunsCommandsInTurn_data() {
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<bool>("firstWhole"); // the first component's download arrived
    QTest::addColumn<bool>("secondRan");  // the second one's DELE reached the server
    QTest::addColumn<int>("connections"); // control connections the server saw
    QTest::newRow("both run") << "nothing" << true << true << 1;
    QTest::newRow("second cancelled in the queue") << "cancel second" << true << false << 1;
    QTest::newRow("second destroyed in the queue") << "destroy second" << true << false << 1;
    QTest::newRow("first cancelled") << "cancel first" << false << true << 2;
}

// The second component's command waits on the connection until the first
// one's download is over; given up before its turn, it never reaches the
// server.
void TestInetFailures::sharedConnectionRunsCommandsInTurn() {
    QFETCH(QString, meanwhile);
    QFETCH(bool, firstWhole);
    QFETCH(bool, secondRan);
    QFETCH(int, connections);
    const QByteArray content(512 * 1024, 'c');
    QVERIFY(m_server.writeFile(QStringLiteral("shared.bin"), content));
    QVERIFY(m_server.writeFile(QStringLiteral("doomed.txt"), "x"));
    HoldingProxy proxy(m_server.port());
    proxy.holdAt({"RETR", 1, true});
    QSignalSpy held(&proxy, &HoldingProxy::held);
    auto second = std::make_unique<Inet>();
    for (Inet* inet : {m_inet.get(), second.get()}) {
        inet->setURL(proxy.address());
        inet->setUserName(m_server.userName());
        inet->setPassword(m_server.password());
    }
    second->ShareConnection(*m_inet);
    const QString local = m_local->filePath(QStringLiteral("shared.bin"));
    m_inet->Execute(m_inet->URL(), FtpCommand::get(QStringLiteral("/shared.bin"), local));
    QTRY_COMPARE_WITH_TIMEOUT(held.size(), 1, 10000);
    second->Execute(second->URL(), FtpCommand::remove(QStringLiteral("/doomed.txt")));
    if (meanwhile == "cancel second")
        second->Cancel();
    else if (meanwhile == "destroy second")
        second.reset();
    else if (meanwhile == "cancel first")
        m_inet->Cancel();
    proxy.release();
    QTRY_VERIFY(!m_inet->StillExecuting() && (!second || !second->StillExecuting()));
    // Whatever was given before this has had its turn once this ends.
    QVERIFY(runCommand(*m_inet, FtpCommand::pwd()).ok());

    QCOMPARE(readFile(local) == content, firstWhole);
    QCOMPARE(!QFile::exists(m_server.root() + QStringLiteral("/doomed.txt")), secondRan);
    QSet<int> seen;
    for (const HoldingProxy::Command& command : proxy.commands())
        seen.insert(command.connection);
    QCOMPARE(seen.size(), connections);
}

void TestInetFailures::badAddressRaisesRunTimeError() {
    try {
        m_inet->Execute(QStringLiteral("http://example.org"), QStringLiteral("PWD"));
        QFAIL("a non-FTP address was accepted");
    } catch (const InetError& e) {
        QVERIFY(!e.description().isEmpty());
    }
    QVERIFY(!m_inet->StillExecuting());
}

void TestInetFailures::localFileProblemsGive12004() {
    QVERIFY(m_server.writeFile(QStringLiteral("here.txt"), "here"));
    const QString missingDir = m_local->path() + QStringLiteral("/no such dir/here.txt");
    const CommandOutcome get = runCommand(*m_inet, QStringLiteral("GET /here.txt ") + missingDir);
    QCOMPARE(get.states.last(), short(11));
    QCOMPARE(get.responseCode, 12004);
    QVERIFY2(get.responseInfo.contains(missingDir), qPrintable(get.responseInfo));

    const QString missingFile = m_local->path() + QStringLiteral("/absent.txt");
    const CommandOutcome put =
        runCommand(*m_inet, QStringLiteral("PUT ") + missingFile + QStringLiteral(" /absent.txt"));
    QCOMPARE(put.states.last(), short(11));
    QCOMPARE(put.responseCode, 12004);
    QVERIFY(!QFile::exists(m_server.root() + QStringLiteral("/absent.txt")));

    // Neither touched the connection.
    const CommandOutcome next = runCommand(*m_inet, QStringLiteral("PWD"));
    QVERIFY(next.ok());
}

// A reply of 100,000 continuation lines (2 MB) is more than libcurl takes
// for one reply: the command ends as a lost connection instead of hanging or
// growing without end, and the component works on.
void TestInetFailures::greetingOfAHundredThousandLinesEndsTheCommand() {
    FtpTestServer::Options options;
    options.greetingLines = 100000;
    FtpTestServer talkative(FtpTestServer::Kind::Pyftpdlib, options);
    QVERIFY2(talkative.start(), qPrintable(talkative.errorText()));
    useServer(talkative);
    const CommandOutcome pwd = runCommand(*m_inet, QStringLiteral("PWD"), 120000);
    QVERIFY(pwd.finished);
    QCOMPARE(pwd.states.last(), short(11));
    QCOMPARE(pwd.responseCode, 12030);
    useServer(m_server);
    QVERIFY(runCommand(*m_inet, QStringLiteral("PWD")).ok());
}

QTEST_GUILESS_MAIN(TestInetFailures)
#include "tst_inet_failures.moc"
