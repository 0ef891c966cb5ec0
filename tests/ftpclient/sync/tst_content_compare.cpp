// Comparing contents by checksum, against real servers: ProFTPD (HASH),
// pyftpdlib (X commands only), vsftpd and sshd (no checksums: the files are
// read through), and a server whose checksum replies are not to be believed.
// Files of the same size and time are told apart by their contents alone.
#include "folder_comparison.h"
#include "ftp_test_server.h"
#include "hostile_ftp_server.h"
#include "session_trust.h"
#include "ssh_test_server.h"
#include "test_files.h"
#include "tree_checks.h"

#include <QDateTime>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const qint64 kOldTime = QDateTime::currentSecsSinceEpoch() - 400 * 86400;

QByteArray contentOf(bool changed) {
    QByteArray bytes;
    for (int i = 0; i < 3000; ++i)
        bytes += char('a' + i % 23);
    if (changed)
        bytes[1500] = 'Z';
    return bytes;
}

bool setTime(const QString& path, qint64 modified) {
    const timespec times[2] = {{time_t(modified), 0}, {time_t(modified), 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

bool writeWithTime(const QString& path, const QByteArray& content, qint64 modified) {
    return writeFile(path, content) && setTime(path, modified);
}

// A server of one kind, and how to log in to it.
struct Served {
    std::unique_ptr<FtpTestServer> ftp;
    std::unique_ptr<SshTestServer> ssh;
    std::unique_ptr<HostileFtpServer> hostile;
    QueueLogin login;
    QString loginDir;
    QString root;
    QString error;
    bool unavailable = false; // not installed here

    // a.bin in the server's root, last modified long ago.
    bool holds(const QByteArray& content) const {
        const QString path = root + QStringLiteral("/a.bin");
        if (ssh)
            return ssh->writeFile(QStringLiteral("a.bin"), content) && setTime(path, kOldTime);
        return writeWithTime(path, content, kOldTime);
    }
};

std::unique_ptr<Served> failed(const QString& why, bool unavailable = false) {
    auto served = std::make_unique<Served>();
    served->error = why.isEmpty() ? QStringLiteral("the server did not start") : why;
    served->unavailable = unavailable;
    return served;
}

std::unique_ptr<Served> serveSftp(std::unique_ptr<Served> served, const QString& trustFolder) {
    if (const QString why = SshTestServer::unavailableReason(); !why.isEmpty())
        return failed(why, true);
    served->ssh = std::make_unique<SshTestServer>();
    if (!served->ssh->start())
        return failed(served->ssh->errorText());
    writeFile(trustFolder + QStringLiteral("/known_hosts"),
              served->ssh->knownHostsLine().toLatin1() + '\n');
    served->login.address = served->ssh->address();
    served->login.protocol = ServerProtocol::Sftp;
    served->login.user = served->ssh->userName();
    served->login.password = served->ssh->password();
    served->loginDir = served->root = served->ssh->root();
    return served;
}

std::unique_ptr<Served> serveHostile(std::unique_ptr<Served> served, const QString& reply) {
    HostileFtpServer::Options options;
    options.checksumReply = reply;
    served->hostile = std::make_unique<HostileFtpServer>(options);
    if (!served->hostile->start())
        return failed(served->hostile->errorText());
    served->login.address = served->hostile->address();
    served->login.user = QStringLiteral("tester");
    served->login.password = QStringLiteral("secret");
    served->loginDir = QStringLiteral("/");
    served->root = served->hostile->root();
    return served;
}

// "proftpd" and "pyftpdlib" with their checksums, "vsftpd" without.
std::unique_ptr<Served> serveFtp(std::unique_ptr<Served> served, const QString& kind) {
    const FtpTestServer::Kind ftpKind = kind == u"proftpd"  ? FtpTestServer::Kind::Proftpd
                                        : kind == u"vsftpd" ? FtpTestServer::Kind::Vsftpd
                                                            : FtpTestServer::Kind::Pyftpdlib;
    if (const QString why = FtpTestServer::unavailableReason(ftpKind); !why.isEmpty())
        return failed(why, true);
    FtpTestServer::Options options;
    options.checksums = ftpKind != FtpTestServer::Kind::Vsftpd;
    options.utf8 = true;
    served->ftp = std::make_unique<FtpTestServer>(ftpKind, options);
    if (!served->ftp->start())
        return failed(served->ftp->errorText());
    served->login.address = served->ftp->address();
    served->login.user = served->ftp->userName();
    served->login.password = served->ftp->password();
    served->loginDir = served->ftp->loginDir();
    served->root = served->ftp->root();
    return served;
}

std::unique_ptr<Served> serve(const QString& kind, const QString& trustFolder,
                              const QString& hostileReply = {}) {
    auto served = std::make_unique<Served>();
    served->login.trust = std::make_shared<SessionTrust>(trustFolder);
    if (kind == u"sftp")
        return serveSftp(std::move(served), trustFolder);
    if (kind == u"hostile")
        return serveHostile(std::move(served), hostileReply);
    return serveFtp(std::move(served), kind);
}

// a.bin compared by checksum, as the tree and the preview (local to server)
// have it.
struct Compared {
    ComparedEntry entry;
    SyncAction action;
};

std::optional<Compared> compareContents(const Served& served, const QString& local, bool byTime,
                                        bool readThrough) {
    FolderComparison comparison;
    FolderComparison::Request request;
    request.login = served.login;
    request.localRoot = local;
    request.remoteRoot = served.loginDir;
    request.connections = 2;
    request.options.rules.byTime = byTime;
    request.options.rules.byChecksum = true;
    request.options.rules.readWhenNoChecksum = readThrough;
    QSignalSpy finished(&comparison, &FolderComparison::finished);
    comparison.start(request);
    if (!QTest::qWaitFor([&finished] { return !finished.isEmpty(); }, 60000))
        return std::nullopt;
    Compared compared;
    for (const ComparedEntry& entry : comparison.tree().value(QString()).entries)
        if (entry.name == u"a.bin")
            compared.entry = entry;
    for (const SyncAction& action : comparison.plan().actions)
        if (action.path == u"a.bin")
            compared.action = action;
    return compared;
}

} // namespace

class TestContentCompare : public QObject {
    Q_OBJECT

private slots:
    void tellsContentsApart_data();
    void tellsContentsApart();
    void neverTakesAnUnbelievableChecksumForSame_data();
    void neverTakesAnUnbelievableChecksumForSame();
};

void TestContentCompare::tellsContentsApart_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<bool>("readThrough"); // allowed: only where the server has no checksums
    for (const bool changed : {false, true}) {
        const char* contents = changed ? "other contents" : "same contents";
        QTest::addRow("ProFTPD, HASH, %s", contents) << "proftpd" << changed << false;
        QTest::addRow("pyftpdlib, XSHA256, %s", contents) << "pyftpdlib" << changed << false;
        QTest::addRow("vsftpd, read through, %s", contents) << "vsftpd" << changed << true;
        QTest::addRow("sshd, read through, %s", contents) << "sftp" << changed << true;
    }
}

// The same size and time on both sides; only the bytes differ, or not.
void TestContentCompare::tellsContentsApart() {
    QFETCH(QString, kind);
    QFETCH(bool, changed);
    QFETCH(bool, readThrough);
    QTemporaryDir trust;
    QTemporaryDir local;
    const std::unique_ptr<Served> served = serve(kind, trust.path());
    if (served->unavailable)
        QSKIP(qPrintable(served->error));
    QVERIFY2(served->error.isEmpty(), qPrintable(served->error));
    QVERIFY(served->holds(contentOf(false)));
    QVERIFY(writeWithTime(local.path() + QStringLiteral("/a.bin"), contentOf(changed), kOldTime));

    const std::optional<Compared> compared =
        compareContents(*served, local.path(), true, readThrough);
    QVERIFY(compared);
    QCOMPARE(int(compared->entry.verdict), int(changed ? Verdict::ContentsDiffer : Verdict::Same));
    QVERIFY2(compared->action.reason.contains(QStringLiteral("SHA-256")),
             qPrintable(compared->action.reason));
    QCOMPARE(int(compared->action.kind), int(changed ? ActionKind::Upload : ActionKind::Leave));
}

void TestContentCompare::neverTakesAnUnbelievableChecksumForSame_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("believed");
    QTest::newRow("a true reply") << "213 SHA-256 0-{size} {sha256} a.bin" << true;
    QTest::newRow("digest too long") << "213 SHA-256 0-{size} {sha256}0 a.bin" << false;
    QTest::newRow("half the file") << "213 SHA-256 0-{half} {sha256} a.bin" << false;
    QTest::newRow("not hex") << "213 SHA-256 0-{size} " + QString(64, u'x') + " a.bin" << false;
    QTest::newRow("another algorithm") << "213 MD5 0-{size} {md5} a.bin" << false;
    QTest::newRow("an error") << "550 Permission denied." << false;
    QTest::newRow("no digest") << "213 SHA-256 0-{size}" << false;
}

// The same file on both sides, compared by size and checksum: only a reply
// that holds a true digest makes it the same.
void TestContentCompare::neverTakesAnUnbelievableChecksumForSame() {
    QFETCH(QString, reply);
    QFETCH(bool, believed);
    QTemporaryDir trust;
    QTemporaryDir local;
    const std::unique_ptr<Served> served = serve(QStringLiteral("hostile"), trust.path(), reply);
    QVERIFY2(served->error.isEmpty(), qPrintable(served->error));
    QVERIFY(served->holds(contentOf(false)));
    QVERIFY(writeWithTime(local.path() + QStringLiteral("/a.bin"), contentOf(false), kOldTime));

    const std::optional<Compared> compared = compareContents(*served, local.path(), false, false);
    QVERIFY(compared);
    if (believed) {
        QCOMPARE(int(compared->entry.verdict), int(Verdict::Same));
        return;
    }
    QCOMPARE(int(compared->entry.verdict), int(Verdict::Problem));
    QVERIFY2(compared->action.reason.startsWith(QStringLiteral("contents not compared")),
             qPrintable(compared->action.reason));
}

QTEST_GUILESS_MAIN(TestContentCompare)
#include "tst_content_compare.moc"
