// The server's clock found out from a file tarlen uploads, against servers
// that give their local time in listings and in MDTM alike (vsftpd with
// use_localtime): equal files then compare the same, the file is gone
// again, and the listing against MDTM alone would have measured nothing.
#include "clock_probe.h"
#include "folder_comparison.h"
#include "ftp_test_server.h"
#include "session_trust.h"
#include "tree_checks.h"

#include <QDateTime>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestServerClock : public QObject {
    Q_OBJECT

private slots:
    void uploadedFileTellsTheClock_data();
    void uploadedFileTellsTheClock();
};

void TestServerClock::uploadedFileTellsTheClock_data() {
    QTest::addColumn<bool>("vsftpd");
    QTest::addColumn<QString>("zone"); // vsftpd's TZ; "": UTC
    QTest::addColumn<bool>("byUpload");
    QTest::addColumn<int>("source");
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<int>("verdict");
    const int uploaded = int(ServerClock::Source::Uploaded);
    const int same = int(Verdict::Same);
    QTest::newRow("vsftpd in UTC") << true << "" << true << uploaded << qint64(0) << same;
    QTest::newRow("vsftpd 2 h ahead")
        << true << "XYZ-2" << true << uploaded << qint64(2 * 3600) << same;
    QTest::newRow("vsftpd 5:30 behind")
        << true << "XYZ+5:30" << true << uploaded << qint64(-5 * 3600 - 1800) << same;
    QTest::newRow("vsftpd 2 h ahead, listing against MDTM")
        << true << "XYZ-2" << false << int(ServerClock::Source::Measured) << qint64(0)
        << int(Verdict::NewerRemote);
    QTest::newRow("pyftpdlib, MLSD in UTC") << false << "" << true << uploaded << qint64(0) << same;
}

void TestServerClock::uploadedFileTellsTheClock() {
    QFETCH(bool, vsftpd);
    QFETCH(QString, zone);
    QFETCH(bool, byUpload);
    QFETCH(int, source);
    QFETCH(qint64, offset);
    QFETCH(int, verdict);
    const FtpTestServer::Kind kind =
        vsftpd ? FtpTestServer::Kind::Vsftpd : FtpTestServer::Kind::Pyftpdlib;
    if (const QString why = FtpTestServer::unavailableReason(kind); !why.isEmpty())
        QSKIP(qPrintable(why));
    FtpTestServer::Options options;
    options.timeZone = zone;
    FtpTestServer server(kind, options);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QTemporaryDir local;
    QTemporaryDir trust;
    const qint64 modified = (QDateTime::currentSecsSinceEpoch() - 3600) / 60 * 60;
    QVERIFY(plantFile(local.path(), "same.txt", 5, modified));
    QVERIFY(plantFile(server.root(), "same.txt", 5, modified));

    QueueLogin login;
    login.address = server.address();
    login.user = server.userName();
    login.password = server.password();
    login.protocol = ServerProtocol::PlainFtp;
    login.trust = std::make_shared<SessionTrust>(trust.path());
    if (byUpload) {
        // On its own: MDTM gives what the listing gives.
        ClockProbe probe(login, server.loginDir());
        std::optional<ClockProbe::Result> result;
        connect(&probe, &ClockProbe::finished,
                [&result](const ClockProbe::Result& found) { result = found; });
        probe.start();
        QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 30000);
        QCOMPARE(result->problem, QString());
        QCOMPARE(result->offsetSeconds, std::optional<qint64>(offset));
        QCOMPARE(result->exactOffsetSeconds, std::optional<qint64>(offset));
    }

    FolderComparison::Request request;
    request.login = login;
    request.localRoot = local.path();
    request.remoteRoot = server.loginDir();
    request.connections = 1;
    request.clockByUpload = byUpload;
    FolderComparison comparison;
    QSignalSpy finished(&comparison, &FolderComparison::finished);
    comparison.start(request);
    QVERIFY(finished.wait(30000));

    QCOMPARE(comparison.clockProblem(), QString());
    QCOMPARE(int(comparison.clock().source), source);
    QCOMPARE(comparison.clock().offsetSeconds, offset);
    const ComparedFolder& top = comparison.tree().value(QString());
    QCOMPARE(top.entries.size(), size_t(1));
    QCOMPARE(top.entries[0].name, QStringLiteral("same.txt"));
    QCOMPARE(int(top.entries[0].verdict), verdict);
    QCOMPARE(QDir(server.root()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("same.txt")});
}

QTEST_GUILESS_MAIN(TestServerClock)
#include "tst_server_clock.moc"
