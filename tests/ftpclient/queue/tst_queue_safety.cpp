// The queue against servers and disks that mean harm: a man in the middle
// on a queue connection, part files that are not tarlen's, listings that
// name one target twice or lie about sizes, a continued file whose transfer
// fails, and trees that lead back into themselves.
#include "folder_walk.h"
#include "ftp_test_server.h"
#include "hostile_ftp_server.h"
#include "session_trust.h"
#include "ssh_test_server.h"
#include "test_certificates.h"
#include "test_files.h"
#include "transfer_queue.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

class AnswerAlways : public ConflictPrompts {
public:
    ConflictAnswer answer = ConflictAnswer::Skip;
    int asked = 0;
    Reply ask(const Conflict&) override {
        ++asked;
        return {answer, false};
    }
};

QueueLogin loginTo(const QString& address, ServerProtocol protocol = ServerProtocol::PlainFtp) {
    QueueLogin login;
    login.address = address;
    login.user = QStringLiteral("me");
    login.password = QStringLiteral("secret");
    login.protocol = protocol;
    return login;
}

bool drain(TransferQueue& queue, int ms = 60000) {
    return QTest::qWaitFor([&] { return queue.idle(); }, ms);
}

QStringList errorsOf(const TransferQueue& queue) {
    QStringList errors;
    for (const TransferItem& item : queue.items())
        if (item.state == TransferState::Failed)
            errors << item.error;
    return errors;
}

} // namespace

class TestQueueSafety : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void queueConnectionsGetWhatTheSessionGot_data();
    void queueConnectionsGetWhatTheSessionGot();
    void sftpQueueConnectionsHoldToTheSessionsHostKey_data();
    void sftpQueueConnectionsHoldToTheSessionsHostKey();
    void partFilesOfOthersAreLeftAlone_data();
    void partFilesOfOthersAreLeftAlone();
    void oneTargetIsWrittenByOneItemAtATime_data();
    void oneTargetIsWrittenByOneItemAtATime();
    void failedResumeKeepsTheOriginal_data();
    void failedResumeKeepsTheOriginal();
    void shortTransferIsNeverDone_data();
    void shortTransferIsNeverDone();
    void treesLeadingBackIntoThemselvesAreCut_data();
    void treesLeadingBackIntoThemselvesAreCut();

private:
    QString local(const QString& name) const { return m_local->filePath(name); }

    QTemporaryDir m_certificateDir;
    std::unique_ptr<TestCertificates> m_certificates;
    std::unique_ptr<QTemporaryDir> m_local;
    AnswerAlways m_conflicts;
};

void TestQueueSafety::initTestCase() {
    m_certificates = std::make_unique<TestCertificates>(m_certificateDir.path());
    QVERIFY2(m_certificates->createStandardSet(), qPrintable(m_certificates->errorText()));
}

void TestQueueSafety::init() {
    m_local = std::make_unique<QTemporaryDir>();
    m_conflicts = AnswerAlways();
}

// The session logged in with TLS when offered and got it: a queue connection
// that is refused TLS, or shown another key, sends nothing and says why.
void TestQueueSafety::queueConnectionsGetWhatTheSessionGot_data() {
    QTest::addColumn<int>("tlsConnections");
    QTest::addColumn<bool>("otherCertificate");
    QTest::addColumn<QString>("failure");
    QTest::newRow("TLS as the session had it") << -1 << false << "";
    QTest::newRow("TLS refused") << 0 << false << "refused to switch to TLS";
    QTest::newRow("another certificate") << -1 << true << "has changed";
}

void TestQueueSafety::queueConnectionsGetWhatTheSessionGot() {
    QFETCH(int, tlsConnections);
    QFETCH(bool, otherCertificate);
    QFETCH(QString, failure);
    const TestCertificates::Certificate& seen = m_certificates->selfSigned();
    const TestCertificates::Certificate& shown =
        otherCertificate ? m_certificates->otherSelfSigned() : seen;
    HostileFtpServer::Options options;
    options.certificateFile = shown.certificateFile;
    options.keyFile = shown.keyFile;
    options.tlsConnections = tlsConnections;
    HostileFtpServer server(options);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(writeFile(server.root() + QStringLiteral("/f.txt"), "file"));

    QueueLogin login = loginTo(server.address(), ServerProtocol::FtpTlsIfOffered);
    login.trust = std::make_shared<SessionTrust>(m_local->filePath(QStringLiteral("trust")));
    login.session.protocol = ServerProtocol::FtpTlsIfOffered;
    login.session.encrypted = true;
    login.session.peerKeyPin = seen.publicKeySha256.toLatin1();
    TransferQueue queue;
    queue.setLogin(login);
    queue.addDownload(QStringLiteral("/f.txt"), local(QStringLiteral("f.txt")), false, 4);
    QVERIFY(drain(queue));

    QVERIFY(!server.receivedInClear("USER"));
    QVERIFY(!server.receivedInClear("PASS"));
    if (failure.isEmpty()) {
        QCOMPARE(queue.items().front().state, TransferState::Done);
        QCOMPARE(readFile(local(QStringLiteral("f.txt"))), QByteArray("file"));
        return;
    }
    QCOMPARE(queue.items().front().state, TransferState::Failed);
    QVERIFY2(queue.items().front().error.contains(failure),
             qPrintable(queue.items().front().error));
    QVERIFY(queue.controls().paused());
    QCOMPARE(QDir(m_local->path()).entryList(QDir::Files), QStringList());
}

// Over SFTP the key the session saw is the only one a queue connection
// takes, whatever the known hosts hold.
void TestQueueSafety::sftpQueueConnectionsHoldToTheSessionsHostKey_data() {
    QTest::addColumn<bool>("sameKey");
    QTest::newRow("the session's key") << true;
    QTest::newRow("another key") << false;
}

void TestQueueSafety::sftpQueueConnectionsHoldToTheSessionsHostKey() {
    QFETCH(bool, sameKey);
    if (!SshTestServer::unavailableReason().isEmpty())
        QSKIP(qPrintable(SshTestServer::unavailableReason()));
    SshTestServer server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(writeFile(server.root() + QStringLiteral("/f.txt"), "file"));
    const QString trustFolder = local(QStringLiteral("trust"));
    QDir().mkpath(trustFolder);
    QVERIFY(writeFile(trustFolder + QStringLiteral("/known_hosts"),
                      server.knownHostsLine().toLatin1() + '\n'));
    const QByteArray keyBlob =
        QByteArray::fromBase64(server.knownHostsLine().section(u' ', 2).toLatin1());
    const QByteArray shownKey = sameKey ? keyBlob : keyBlob + "x";

    QueueLogin login = loginTo(server.address(), ServerProtocol::Sftp);
    login.user = server.userName();
    login.password = server.password();
    login.trust = std::make_shared<SessionTrust>(trustFolder);
    login.session.protocol = ServerProtocol::Sftp;
    login.session.encrypted = true;
    login.session.peerKeyPin = QCryptographicHash::hash(shownKey, QCryptographicHash::Sha256)
                                   .toBase64(QByteArray::OmitTrailingEquals);
    TransferQueue queue;
    queue.setLogin(login);
    queue.addDownload(server.root() + QStringLiteral("/f.txt"), local(QStringLiteral("f.txt")),
                      false, 4);
    QVERIFY(drain(queue));
    if (sameKey) {
        QCOMPARE(queue.items().front().state, TransferState::Done);
        return;
    }
    QCOMPARE(queue.items().front().state, TransferState::Failed);
    QVERIFY2(queue.items().front().error.contains(QStringLiteral("not the one this session")),
             qPrintable(queue.items().front().error));
    QVERIFY(!QFile::exists(local(QStringLiteral("f.txt"))));
}

// A ".part" beside the target that tarlen did not make is never written to,
// followed, emptied, renamed or continued from: the download takes a part
// file of its own, also when a cut transfer is tried again.
void TestQueueSafety::partFilesOfOthersAreLeftAlone_data() {
    QTest::addColumn<bool>("link");
    QTest::addColumn<qint64>("cutAfter");
    QTest::newRow("a file of the user's") << false << qint64(0);
    QTest::newRow("a link out of the folder") << true << qint64(0);
    QTest::newRow("a file of the user's, transfer cut") << false << qint64(100000);
}

void TestQueueSafety::partFilesOfOthersAreLeftAlone() {
    QFETCH(bool, link);
    QFETCH(qint64, cutAfter);
    FtpTestServer::Options options;
    options.cutDownloadsAfter = cutAfter;
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib, options);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const QByteArray content(300000, 's');
    QVERIFY(server.writeFile(QStringLiteral("a.txt"), content));
    QDir().mkpath(local(QStringLiteral("folder")));
    const QString target = local(QStringLiteral("folder/a.txt"));
    const QString victim = local(QStringLiteral("victim.txt"));
    QVERIFY(writeFile(victim, "the user's own"));
    if (link)
        QVERIFY(QFile::link(victim, target + QStringLiteral(".part")));
    else
        QVERIFY(writeFile(target + QStringLiteral(".part"), "the user's own"));

    TransferQueue queue;
    queue.setRetryPauseMs(10);
    QueueLogin login = loginTo(server.address());
    login.user = server.userName();
    login.password = server.password();
    queue.setLogin(login);
    queue.addDownload(QStringLiteral("/a.txt"), target, false, content.size());
    QVERIFY(drain(queue));
    QCOMPARE(queue.items().front().state, TransferState::Done);
    QCOMPARE(readFile(target), content);
    QCOMPARE(readFile(victim), QByteArray("the user's own"));
    QCOMPARE(QFileInfo(target + QStringLiteral(".part")).isSymLink(), link);
    if (!link)
        QCOMPARE(readFile(target + QStringLiteral(".part")), QByteArray("the user's own"));
    QCOMPARE(QDir(local(QStringLiteral("folder"))).entryList(QDir::Files | QDir::System),
             (QStringList{"a.txt", "a.txt.part"}));
    if (cutAfter > 0)
        QCOMPARE(server.downloadedBytes(), qint64(content.size()));
}

// One listing names the same file twice, or a file and another with the
// download's temporary name: each target ends up as the server's own file,
// never a mixture, and no item is skipped for a file of the queue's own.
void TestQueueSafety::oneTargetIsWrittenByOneItemAtATime_data() {
    QTest::addColumn<QByteArray>("listing");
    QTest::addColumn<int>("rule");
    const QByteArray twice = "-rw-r--r-- 1 ftp ftp 300000 Jan 02 2024 big.bin\r\n"
                             "-rw-r--r-- 1 ftp ftp 600000 Jan 02 2024 big.bin\r\n";
    const QByteArray partName = "-rw-r--r-- 1 ftp ftp 600000 Jan 02 2024 big.bin\r\n"
                                "-rw-r--r-- 1 ftp ftp 300000 Jan 02 2024 big.bin.part\r\n";
    QTest::newRow("one name twice, overwrite") << twice << int(ConflictAnswer::Overwrite);
    QTest::newRow("one name twice, skip") << twice << int(ConflictAnswer::Skip);
    QTest::newRow("the temporary name, overwrite") << partName << int(ConflictAnswer::Overwrite);
    QTest::newRow("the temporary name, skip") << partName << int(ConflictAnswer::Skip);
}

void TestQueueSafety::oneTargetIsWrittenByOneItemAtATime() {
    QFETCH(QByteArray, listing);
    QFETCH(int, rule);
    HostileFtpServer::Options options;
    options.listing = listing;
    HostileFtpServer server(options);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const QByteArray big(600000, 'b');
    const QByteArray small(300000, 'p');
    QVERIFY(writeFile(server.root() + QStringLiteral("/big.bin"), big));
    QVERIFY(writeFile(server.root() + QStringLiteral("/big.bin.part"), small));

    TransferQueue queue;
    queue.setParallel(4);
    m_conflicts.answer = ConflictAnswer(rule);
    queue.setConflictPrompts(&m_conflicts);
    queue.setLogin(loginTo(server.address()));
    queue.addDownload(QStringLiteral("/"), local(QStringLiteral("got")), true);
    QVERIFY(drain(queue));
    QCOMPARE(readFile(local(QStringLiteral("got/big.bin"))), big);
    const bool partListed = listing.contains("big.bin.part");
    if (partListed) {
        QCOMPARE(readFile(local(QStringLiteral("got/big.bin.part"))), small);
        QCOMPARE(errorsOf(queue), QStringList());
        QCOMPARE(m_conflicts.asked, 0);
    }
    for (const TransferItem& item : queue.items())
        QVERIFY2(item.state != TransferState::Done || item.folder ||
                     readFile(item.local) == (item.local.endsWith(u".part") ? small : big),
                 qPrintable(item.local));
    QCOMPARE(QDir(local(QStringLiteral("got"))).entryList(QDir::Files).size(), partListed ? 2 : 1);
}

// Resume on an existing target: when the transfer fails, the original is
// still there as it was, and removing the item takes only tarlen's own part
// file with it.
void TestQueueSafety::failedResumeKeepsTheOriginal_data() {
    QTest::addColumn<QString>("remote");
    QTest::addColumn<qint64>("retrieveOnly");
    QTest::newRow("cut short") << "/a.txt" << qint64(5);
    QTest::newRow("refused") << "/gone.txt" << qint64(-1);
}

void TestQueueSafety::failedResumeKeepsTheOriginal() {
    QFETCH(QString, remote);
    QFETCH(qint64, retrieveOnly);
    HostileFtpServer::Options options;
    options.noSize = true;
    options.retrieveOnly = retrieveOnly;
    HostileFtpServer server(options);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(writeFile(server.root() + QStringLiteral("/a.txt"), "old and then new"));
    const QString target = local(QStringLiteral("a.txt"));
    QVERIFY(writeFile(target, "old"));

    TransferQueue queue;
    queue.setRetryPauseMs(10);
    m_conflicts.answer = ConflictAnswer::Resume;
    queue.setConflictPrompts(&m_conflicts);
    queue.setLogin(loginTo(server.address()));
    const quint64 id = queue.addDownload(remote, target, false, 16);
    QVERIFY(drain(queue));
    QCOMPARE(queue.item(id)->state, TransferState::Failed);
    QCOMPARE(readFile(target), QByteArray("old"));
    queue.controls().remove(id);
    QCOMPARE(readFile(target), QByteArray("old"));
    QCOMPARE(QDir(m_local->path()).entryList(QDir::Files), QStringList{"a.txt"});
}

// A server that sends half a file and calls it complete: the item is not
// done with it. Without SIZE it fails (and can go on from what arrived) and
// shows what arrived; with SIZE its retry continues the part file. A whole
// file is not asked for its size: the listing told it.
void TestQueueSafety::shortTransferIsNeverDone_data() {
    QTest::addColumn<bool>("serverTellsSize");
    QTest::addColumn<qint64>("retrieveOnly");
    QTest::newRow("cut short, no SIZE") << false << qint64(500);
    QTest::newRow("cut short, SIZE") << true << qint64(500);
    QTest::newRow("whole") << true << qint64(-1);
}

void TestQueueSafety::shortTransferIsNeverDone() {
    QFETCH(bool, serverTellsSize);
    QFETCH(qint64, retrieveOnly);
    HostileFtpServer::Options options;
    options.noSize = !serverTellsSize;
    options.retrieveOnly = retrieveOnly;
    HostileFtpServer server(options);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const QByteArray content = QByteArray(500, 'f') + QByteArray(500, 'g');
    QVERIFY(writeFile(server.root() + QStringLiteral("/f.bin"), content));

    TransferQueue queue;
    queue.setRetryPauseMs(10);
    queue.setLogin(loginTo(server.address()));
    const quint64 id =
        queue.addDownload(QStringLiteral("/f.bin"), local(QStringLiteral("f.bin")), false, 1000);
    QVERIFY(drain(queue));
    const TransferItem& item = *queue.item(id);
    if (serverTellsSize) {
        QCOMPARE(item.state, TransferState::Done);
        QCOMPARE(readFile(local(QStringLiteral("f.bin"))), content);
        const QList<HostileFtpServer::Received> received = server.received();
        const bool sizeAsked = std::any_of(received.begin(), received.end(),
                                           [](const auto& r) { return r.line.startsWith("SIZE"); });
        QCOMPARE(sizeAsked, retrieveOnly >= 0);
        return;
    }
    QCOMPARE(item.state, TransferState::Failed);
    QVERIFY2(item.error.contains(QStringLiteral("500 of the 1000 bytes")), qPrintable(item.error));
    QCOMPARE(item.done, qint64(500));
    QVERIFY(item.part && item.part->size == 500);
    QVERIFY(!QFile::exists(local(QStringLiteral("f.bin"))));
    QCOMPARE(queue.totals().bytesDone, qint64(500));
}

// A server whose every folder holds a folder "a", a local tree whose links
// lead into each other, and a tree deeper than any worth following.
void TestQueueSafety::treesLeadingBackIntoThemselvesAreCut_data() {
    QTest::addColumn<QString>("tree");
    QTest::addColumn<QString>("reason");
    QTest::newRow("remote, endless") << "endless"
                                     << "leads in a circle";
    QTest::newRow("local, links in a circle") << "links"
                                              << "leads back into a folder above";
    QTest::newRow("local, too deep") << "deep"
                                     << "folders deep";
}

void TestQueueSafety::treesLeadingBackIntoThemselvesAreCut() {
    QFETCH(QString, tree);
    QFETCH(QString, reason);
    HostileFtpServer::Options options;
    if (tree == u"endless")
        options.endlessFolder = QStringLiteral("a");
    HostileFtpServer server(options);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    TransferQueue queue;
    queue.setLogin(loginTo(server.address()));
    if (tree == u"endless") {
        queue.addDownload(QStringLiteral("/top"), local(QStringLiteral("top")), true);
    } else if (tree == u"links") {
        QDir().mkpath(local(QStringLiteral("up/a")));
        QDir().mkpath(local(QStringLiteral("up/b")));
        QVERIFY(QFile::link(local(QStringLiteral("up/b")), local(QStringLiteral("up/a/x"))));
        QVERIFY(QFile::link(local(QStringLiteral("up/a")), local(QStringLiteral("up/b/y"))));
        queue.addUpload(local(QStringLiteral("up/a")), QStringLiteral("/a"), true);
    } else {
        QString path = local(QStringLiteral("deep"));
        for (int level = 0; level <= MostFolderDepth + 1; ++level)
            path += QStringLiteral("/d");
        QVERIFY(QDir().mkpath(path));
        queue.addUpload(local(QStringLiteral("deep/d")), QStringLiteral("/d"), true);
    }
    QVERIFY(drain(queue));
    const QStringList errors = errorsOf(queue);
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors.front().contains(reason), qPrintable(errors.front()));
    QVERIFY(queue.items().size() <= size_t(MostFolderDepth + 2));
}

QTEST_GUILESS_MAIN(TestQueueSafety)

#include "tst_queue_safety.moc"
