// The remote session on its own, without a window, against real servers:
// what each completion does, recovering from refusals, waiting, and two
// sessions working side by side.
#include "ftp_test_server.h"
#include "inet.h"
#include "remote_session.h"
#include "sent_commands.h"
#include "test_files.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// Logs a session in the way the window does: PWD, then the first listing.
bool logIn(RemoteSession& session, const FtpTestServer& server) {
    session.setHost(server.address(), server.userName(), server.password());
    session.runCommand(LastCommand::FirstAfterConnect, FtpCommand::pwd());
    if (session.lastCommandFailed())
        return false;
    session.runCommand(LastCommand::Listing, FtpCommand::list(QStringLiteral("DIR")));
    return !session.lastCommandFailed();
}

QStringList namesOf(const std::vector<RemoteEntry>& entries) {
    QStringList names;
    for (const RemoteEntry& entry : entries)
        names << entry.name;
    return names;
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
    void closeEndsEveryWait();
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
    QSignalSpy waits(&session, &RemoteSession::waitEnded);
    QVERIFY(logIn(session, m_server));
    QCOMPARE(directories.size(), 1);
    QCOMPARE(session.sRemoteDir, QStringLiteral("/"));
    QCOMPARE(session.sRootDir, QStringLiteral("/"));
    QCOMPARE(listings.size(), 1);
    const SharedListing listing = listings.last().at(0).value<SharedListing>();
    QVERIFY(listing);
    QCOMPARE(namesOf(listing->directories), QStringList{"docs"});
    QCOMPARE(namesOf(listing->files), (QStringList{"A.txt", "b.txt"}));
    QCOMPARE(waits.size(), 2);
    QCOMPARE(log.first().at(0).toString(), QStringLiteral("\r\nResolving Host"));

    session.sCurFile = QStringLiteral("b.txt");
    session.runCommand(LastCommand::Download,
                       FtpCommand::get(QStringLiteral("/b.txt"), m_local.filePath("b.txt")));
    QCOMPARE(log.last().at(0).toString(), QStringLiteral("\r\nb.txt retrieved"));
    QCOMPARE(readFile(m_local.filePath("b.txt")), QByteArray("bravo"));

    QSignalSpy disconnected(&session, &RemoteSession::disconnected);
    session.execute(LastCommand::Disconnect, FtpCommand::quit());
    QVERIFY(disconnected.wait(5000));
}

void TestRemoteSession::refusalIsSentAgainOnlyOnEveryOtherError() {
    RemoteSession session;
    QSignalSpy sent(&session, &RemoteSession::commandExecuted);
    QSignalSpy log(&session, &RemoteSession::logAppended);
    QVERIFY(logIn(session, m_server));
    sent.clear();

    session.runCommand(LastCommand::Listing, commandOf(QStringLiteral("LS /nowhere/*")));
    QCOMPARE(sentCommands(sent), (QStringList{"LS /nowhere/*", "LS /nowhere/*"}));
    int errors = 0;
    for (const QList<QVariant>& line : log)
        errors += line.at(0).toString().startsWith(QStringLiteral("Error! 12003: 5"));
    QCOMPARE(errors, 2);
    QCOMPARE(session.iRetry, short(0));
    QVERIFY(session.lastCommandFailed());

    sent.clear();
    session.runCommand(LastCommand::Listing, commandOf(QStringLiteral("LS /nowhere/*")));
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
    session.runCommand(LastCommand::Delete, commandOf(QStringLiteral("DELETE /late.txt")));
    QCOMPARE(sent.size(), 2);
    QCOMPARE(session.iRetry, short(1));
    QVERIFY(!session.lastCommandFailed());
    QVERIFY(!QFile::exists(m_server.root() + QStringLiteral("/late.txt")));

    sent.clear();
    session.runCommand(LastCommand::Delete, commandOf(QStringLiteral("DELETE /late.txt")));
    QCOMPARE(sent.size(), 1);
    QCOMPARE(session.iRetry, short(0));
}

// Closing a session from inside its waits ends them all, and nothing more
// is reported.
void TestRemoteSession::closeEndsEveryWait() {
    FtpTestServer slow(FtpTestServer::Kind::Vsftpd, rateLimited(64 * 1024));
    QVERIFY2(slow.start(), qPrintable(slow.errorText()));
    QVERIFY(slow.writeFile(QStringLiteral("big.bin"), QByteArray(1024 * 1024, 'b')));
    RemoteSession session;
    QVERIFY(logIn(session, slow));
    QSignalSpy log(&session, &RemoteSession::logAppended);
    QTimer::singleShot(300, &session, [&] {
        // A wait inside the wait, closed from inside that.
        QTimer::singleShot(100, &session, [&] { session.close(); });
        session.WaitResp();
    });
    session.runCommand(LastCommand::Download, FtpCommand::get(session.sRemoteDir + "big.bin",
                                                              m_local.filePath("big.bin")));
    QVERIFY(session.closed());
    QVERIFY(!session.Inet1());
    const qsizetype lines = log.size();
    QTest::qWait(200);
    QCOMPARE(log.size(), lines);
    QVERIFY(!QFile::exists(m_local.filePath("big.bin")));
}

// Two sessions against one server: one lists while the other downloads, and
// both come out right.
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
    bool listedWhileDownloading = false;
    QTimer::singleShot(200, &browse, [&] {
        QVERIFY(transfer.busy());
        browse.runCommand(LastCommand::Listing,
                          FtpCommand::list(QStringLiteral("LS"), browse.sRemoteDir + "list/*"));
        listedWhileDownloading = transfer.busy();
    });
    transfer.runCommand(LastCommand::Download, FtpCommand::get(transfer.sRemoteDir + "movie.bin",
                                                               m_local.filePath("movie.bin")));
    QVERIFY(!transfer.lastCommandFailed());
    QVERIFY(listedWhileDownloading);
    QCOMPARE(readFile(m_local.filePath("movie.bin")), content);
    QCOMPARE(listings.size(), 1);
    QCOMPARE(listings.last().at(0).value<SharedListing>()->files.size(), size_t(20));
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
