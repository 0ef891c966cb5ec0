// The remote session on its own, without a window, against real servers:
// what each completion does, recovering from refusals, closing, and two
// sessions working side by side.
#include "ftp_test_server.h"
#include "inet.h"
#include "remote_session.h"
#include "sent_commands.h"
#include "session_waits.h"
#include "test_files.h"

#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Logs a session in the way the window does: PWD, then the first listing.
bool logIn(RemoteSession& session, const FtpTestServer& server) {
    session.setHost(server.address(), server.userName(), server.password());
    if (!runToEnd(session.logIn()).completed())
        return false;
    return runToEnd(session.listFirst()).completed();
}

QStringList namesOf(const std::vector<RemoteEntry>& entries) {
    QStringList names;
    for (const RemoteEntry& entry : entries)
        names << entry.name;
    return names;
}

QList<bool> busyChanges(const QSignalSpy& spy) {
    QList<bool> changes;
    for (const QList<QVariant>& call : spy)
        changes << call.at(0).toBool();
    return changes;
}

FtpTestServer::Options rateLimited(int bytesPerSecond) {
    FtpTestServer::Options options;
    options.rateLimit = bytesPerSecond;
    return options;
}

} // namespace

class TestRemoteSession : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void completionsReportWhatEachCommandDid();
    void refusalIsSentAgainOnlyOnEveryOtherError();
    void refusalAfterSuccessfulRetryIsNotSentAgain();
    void closeEndsEveryJob();
    void twoSessionsWorkSideBySide();
    void listingLogsLinesNotUnderstood();

private:
    FtpTestServer m_server{FtpTestServer::Kind::Pyftpdlib};
    QTemporaryDir m_local;
};

void TestRemoteSession::initTestCase() {
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
}

void TestRemoteSession::init() {
    QVERIFY(m_server.writeFile(QStringLiteral("docs/readme.txt"), "docs"));
    QVERIFY(m_server.writeFile(QStringLiteral("b.txt"), "bravo"));
    QVERIFY(m_server.writeFile(QStringLiteral("A.txt"), "alpha"));
}

void TestRemoteSession::completionsReportWhatEachCommandDid() {
    RemoteSession session;
    QSignalSpy directories(&session, &RemoteSession::directoryChanged);
    QSignalSpy listings(&session, &RemoteSession::listingRead);
    QSignalSpy log(&session, &RemoteSession::logAppended);
    QSignalSpy busy(&session, &RemoteSession::busyChanged);
    QVERIFY(logIn(session, m_server));
    QVERIFY(session.connected());
    QCOMPARE(directories.size(), 1);
    QCOMPARE(session.currentDirectory(), QStringLiteral("/"));
    QCOMPARE(session.rootDirectory(), QStringLiteral("/"));
    QCOMPARE(listings.size(), 1);
    const SharedListing listing = listings.last().at(0).value<SharedListing>();
    QVERIFY(listing);
    QCOMPARE(namesOf(listing->directories), QStringList{"docs"});
    QCOMPARE(namesOf(listing->files), (QStringList{"A.txt", "b.txt"}));
    QCOMPARE(busyChanges(busy), (QList<bool>{true, false, true, false}));
    QCOMPARE(log.first().at(0).toString(), QStringLiteral("\r\nResolving Host"));

    QVERIFY(runToEnd(session.rename(QStringLiteral("/b.txt"), QStringLiteral("/c.txt"),
                                    QStringLiteral("b.txt")))
                .completed());
    QCOMPARE(log.last().at(0).toString(), QStringLiteral("\r\nb.txt renamed"));
    QVERIFY(
        runToEnd(session.remove(QStringLiteral("/c.txt"), QStringLiteral("c.txt"))).completed());
    QCOMPARE(log.last().at(0).toString(), QStringLiteral("\r\nc.txt deleted"));
    QVERIFY(!QFile::exists(m_server.root() + QStringLiteral("/c.txt")));

    // A listing that succeeds takes the session into its directory.
    QVERIFY(
        runToEnd(session.listDirectory(QStringLiteral("/docs/"), QStringLiteral("*"))).completed());
    QCOMPARE(directories.last().at(0).toString(), QStringLiteral("/docs/"));
    QCOMPARE(session.currentDirectory(), QStringLiteral("/docs/"));
    QCOMPARE(session.rootDirectory(), QStringLiteral("/"));
    QCOMPARE(namesOf(listings.last().at(0).value<SharedListing>()->files),
             QStringList{"readme.txt"});

    QSignalSpy disconnected(&session, &RemoteSession::disconnected);
    QVERIFY(runToEnd(session.disconnectFromServer()).completed());
    QCOMPARE(disconnected.size(), 1);
    QVERIFY(!session.connected());
}

void TestRemoteSession::refusalIsSentAgainOnlyOnEveryOtherError() {
    RemoteSession session;
    QSignalSpy sent(&session, &RemoteSession::commandExecuted);
    QSignalSpy log(&session, &RemoteSession::logAppended);
    QVERIFY(logIn(session, m_server));
    sent.clear();

    const InetResult result = runToEnd(session.run(commandOf(QStringLiteral("LS /nowhere/*"))));
    QVERIFY(result.failed());
    QCOMPARE(result.code, int(InetResponse::ServerError));
    QCOMPARE(sentCommands(sent), (QStringList{"LS /nowhere/*", "LS /nowhere/*"}));
    int errors = 0;
    for (const QList<QVariant>& line : log)
        errors += line.at(0).toString().startsWith(QStringLiteral("Error! 12003: 5"));
    QCOMPARE(errors, 2);
    QCOMPARE(session.runner().refusalsRecovered(), 0);
    QVERIFY(session.runner().lastCommandFailed());

    sent.clear();
    QVERIFY(runToEnd(session.run(commandOf(QStringLiteral("LS /nowhere/*")))).failed());
    QCOMPARE(sent.size(), 2);
}

void TestRemoteSession::refusalAfterSuccessfulRetryIsNotSentAgain() {
    RemoteSession session;
    QSignalSpy sent(&session, &RemoteSession::commandExecuted);
    QVERIFY(logIn(session, m_server));
    sent.clear();
    // The file appears just as the refused DELETE is sent again, so the
    // retry succeeds and leaves the retry count at one.
    connect(&session, &RemoteSession::commandExecuted, this, [&] {
        if (sent.size() == 2)
            m_server.writeFile(QStringLiteral("late.txt"), "x");
    });
    QVERIFY(runToEnd(session.run(commandOf(QStringLiteral("DELETE /late.txt")))).completed());
    QCOMPARE(sent.size(), 2);
    QCOMPARE(session.runner().refusalsRecovered(), 1);
    QVERIFY(!session.runner().lastCommandFailed());
    QVERIFY(!QFile::exists(m_server.root() + QStringLiteral("/late.txt")));

    sent.clear();
    QVERIFY(runToEnd(session.run(commandOf(QStringLiteral("DELETE /late.txt")))).failed());
    QCOMPARE(sent.size(), 1);
    QCOMPARE(session.runner().refusalsRecovered(), 0);
}

// Closing a session while a job runs and another waits ends both, and
// nothing more is reported; a job handed to it afterwards ends cancelled
// without anything sent.
void TestRemoteSession::closeEndsEveryJob() {
    FtpTestServer slow(FtpTestServer::Kind::Vsftpd, rateLimited(64 * 1024));
    QVERIFY2(slow.start(), qPrintable(slow.errorText()));
    QVERIFY(slow.writeFile(QStringLiteral("big.bin"), QByteArray(1024 * 1024, 'b')));
    RemoteSession session;
    QVERIFY(logIn(session, slow));
    QSignalSpy log(&session, &RemoteSession::logAppended);
    QSignalSpy sent(&session, &RemoteSession::commandExecuted);
    QSignalSpy busy(&session, &RemoteSession::busyChanged);
    const FtpCommand download =
        FtpCommand::get(session.currentDirectory() + "big.bin", m_local.filePath("big.bin"));
    QPointer<RemoteJob> running = session.run(download);
    QPointer<RemoteJob> waiting =
        session.listDirectory(session.currentDirectory(), QStringLiteral("*"));
    QSignalSpy runningEnded(running.data(), &RemoteJob::finished);
    QSignalSpy waitingEnded(waiting.data(), &RemoteJob::finished);
    QPointer<Inet> inet = session.runner().Inet1();
    QVERIFY(session.runner().busy());

    session.close();
    QVERIFY(session.runner().closed());
    QVERIFY(!session.runner().Inet1());
    QVERIFY(!session.runner().busy());
    QVERIFY(!session.connected());
    const qsizetype lines = log.size();
    QTRY_VERIFY(!running && !waiting && !inet);
    QCOMPARE(runningEnded.size(), 0);
    QCOMPARE(waitingEnded.size(), 0);
    QCOMPARE(log.size(), lines);
    QVERIFY(!QFile::exists(m_local.filePath("big.bin")));

    const InetResult late = runToEnd(session.listFirst());
    QVERIFY(late.cancelled());
    QCOMPARE(sentCommands(sent), QStringList{download.text()});
    QCOMPARE(busyChanges(busy), (QList<bool>{true}));
    QCOMPARE(log.size(), lines);
}

// Two sessions against one server: one lists while the other downloads, and
// both come out right, each in its own directory.
void TestRemoteSession::twoSessionsWorkSideBySide() {
    FtpTestServer server(FtpTestServer::Kind::Vsftpd, rateLimited(512 * 1024));
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QByteArray content(768 * 1024, '\0');
    for (qsizetype i = 0; i < content.size(); ++i)
        content[i] = char(i * 7 % 251);
    QVERIFY(server.writeFile(QStringLiteral("movie.bin"), content));
    for (int i = 0; i < 20; ++i)
        QVERIFY(server.writeFile(QStringLiteral("list/file%1.txt").arg(i), "x"));

    RemoteSession transfer;
    RemoteSession browse;
    QVERIFY(logIn(transfer, server));
    QVERIFY(logIn(browse, server));
    QSignalSpy listings(&browse, &RemoteSession::listingRead);
    const QString home = transfer.currentDirectory();
    RemoteJob* download = transfer.run(
        FtpCommand::get(transfer.currentDirectory() + "movie.bin", m_local.filePath("movie.bin")));
    QSignalSpy downloaded(download, &RemoteJob::finished);
    QVERIFY(transfer.runner().busy());
    const QString listed = browse.currentDirectory() + "list/";
    QVERIFY(runToEnd(browse.listDirectory(listed, QStringLiteral("*"))).completed());
    QVERIFY(transfer.runner().busy());
    QTRY_COMPARE_WITH_TIMEOUT(downloaded.size(), 1, 30000);
    QVERIFY(downloaded.first().at(0).value<InetResult>().completed());
    QVERIFY(!transfer.runner().lastCommandFailed());
    QCOMPARE(readFile(m_local.filePath("movie.bin")), content);
    QCOMPARE(listings.size(), 1);
    QCOMPARE(listings.last().at(0).value<SharedListing>()->files.size(), size_t(20));
    QCOMPARE(browse.currentDirectory(), listed);
    QCOMPARE(transfer.currentDirectory(), home);
}

// A name holding CR LF splits its listing line in two; the second half is no
// entry of its own (it would alias a real file), and the log says so.
void TestRemoteSession::listingLogsLinesNotUnderstood() {
    QVERIFY(m_server.writeFile(QStringLiteral("notes.txt"), "real"));
    QVERIFY(m_server.writeFile(QStringLiteral("split\r\nDELE notes.txt"), "odd"));
    RemoteSession session;
    QSignalSpy listings(&session, &RemoteSession::listingRead);
    QSignalSpy log(&session, &RemoteSession::logAppended);
    QVERIFY(logIn(session, m_server));
    const SharedListing listing = listings.last().at(0).value<SharedListing>();
    QCOMPARE(namesOf(listing->files), (QStringList{"A.txt", "b.txt", "notes.txt", "split"}));
    QVERIFY(log.contains(QVariantList{QStringLiteral("\r\n1 line not understood")}));
    QVERIFY(QFile::remove(m_server.root() + QStringLiteral("/split\r\nDELE notes.txt")));
    QVERIFY(QFile::remove(m_server.root() + QStringLiteral("/notes.txt")));
}

QTEST_MAIN(TestRemoteSession)
#include "tst_remote_session.moc"
