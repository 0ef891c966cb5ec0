// The transfer queue on its own, against real servers: folder trees both
// ways, parallel connections, a folder's files one after another on one
// connection, a download cut by the server and continued,
// a remote file that changed in between, existing targets and the answers
// about them, names that cannot be written, the user's hand on the queue,
// items of two servers side by side, and the queue kept across runs (by
// server and account, with what happened since the last save).
#include "conflicts.h"
#include "event_waits.h"
#include "ftp_test_server.h"
#include "holding_proxy.h"
#include "part_file.h"
#include "plain_name.h"
#include "private_file.h"
#include "protocol_test_server.h"
#include "queue_keeper.h"
#include "queue_model.h"
#include "queue_store.h"
#include "raw_names.h"
#include "session_trust.h"
#include "test_files.h"
#include "transfer_queue.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

// Answers the queue's questions from a script and keeps them.
class ScriptedConflicts : public ConflictPrompts {
public:
    QList<Reply> replies; // taken in order; Skip when empty
    QList<Conflict> asked;

    Reply ask(const Conflict& conflict) override {
        asked.append(conflict);
        return replies.isEmpty() ? Reply{ConflictAnswer::Skip, false} : replies.takeFirst();
    }
};

QByteArray contentFor(const QString& name, int size) {
    QByteArray bytes = name.toUtf8() + '\n';
    while (bytes.size() < size)
        bytes += QByteArray::number(bytes.size() * 31) + ' ';
    return bytes.left(size);
}

// A tree of `files` files spread over folders three deep, under `root`.
QStringList makeTree(const QString& root, int files) {
    QStringList made;
    for (int i = 0; i < files; ++i) {
        const QString path = QStringLiteral("tree/level %1/sub %2/deep %3/file %4.dat")
                                 .arg(i % 3)
                                 .arg(i % 5)
                                 .arg(i % 2)
                                 .arg(i);
        const QString full = root + u'/' + path;
        QDir().mkpath(QFileInfo(full).absolutePath());
        writeFile(full, contentFor(path, 100 + (i * 37) % 3000));
        made << path;
    }
    return made;
}

// Relative path -> content of every file under `root`.
QMap<QString, QByteArray> filesUnder(const QString& root) {
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path.mid(root.size() + 1), readFile(path));
    }
    return files;
}

// Trusts the server as the window's session would after the user's yes: its
// host key in the trust folder's known_hosts, its authority's certificate.
QueueLogin loginFor(const ProtocolTestServer& server, const QString& trustFolder) {
    QueueLogin login;
    login.address = server.address();
    login.user = server.userName();
    login.password = server.password();
    login.protocol = server.protocol();
    auto trust = std::make_shared<SessionTrust>(trustFolder);
    trust->setCertificateAuthorities(server.trustedOptions().caFile);
    QDir().mkpath(trustFolder);
    if (server.ssh())
        writeFile(trustFolder + QStringLiteral("/known_hosts"),
                  server.ssh()->knownHostsLine().toLatin1() + '\n');
    login.trust = trust;
    return login;
}

QueueLogin loginFor(const FtpTestServer& server) {
    QueueLogin login;
    login.address = server.address();
    login.user = server.userName();
    login.password = server.password();
    return login;
}

QString remotePath(const ProtocolTestServer& server, const QString& relative) {
    const QString dir = server.loginDir();
    return (dir.endsWith(u'/') ? dir : dir + u'/') + relative;
}

bool drain(TransferQueue& queue, int ms = 60000) {
    return QTest::qWaitFor([&] { return queue.idle(); }, ms);
}

} // namespace

class TestTransferQueue : public QObject {
    Q_OBJECT

private slots:
    void init();

    void treeGoesBothWaysByteForByte_data();
    void treeGoesBothWaysByteForByte();
    void filesOfAFolderFollowOneAnother_data();
    void filesOfAFolderFollowOneAnother();
    void cutDownloadContinuesWithOnlyTheMissingBytes();
    void changedRemoteFileStartsOver();
    void existingTargetsFollowTheAnswers();
    void logNamesEachFileOnceAsSaved_data();
    void logNamesEachFileOnceAsSaved();
    void rulesAnswerWithoutAsking();
    void nextRunSeesTheServerAsItIsNow();
    void unwritableNamesFailWithTheirReason();
    void userCancelsRetriesRemovesAndReorders();
    void pauseStopsAndResumeContinues();
    void pauseStopsEveryWorkerWhenFewerAreAllowed();
    void storeKeepsTheQueueAcrossRuns();
    void viewNamesEachFileByItsPathInTheTree_data();
    void viewNamesEachFileByItsPathInTheTree();
    void journalKeepsWhatHappenedSinceTheSave_data();
    void journalKeepsWhatHappenedSinceTheSave();
    void keptQueueBelongsToTheServerAndAccount_data();
    void keptQueueBelongsToTheServerAndAccount();
    void queueKeptPerProtocolIsFoundAndMoved();
    void itemsGoOnWithTheServerTheyWereQueuedFor();
    void partFileKeptAsideIsContinuedWhoeverQueuesIt();

private:
    std::unique_ptr<QTemporaryDir> m_local;
    ScriptedConflicts m_conflicts;
};

void TestTransferQueue::init() {
    m_local = std::make_unique<QTemporaryDir>();
    m_conflicts = ScriptedConflicts();
}

void TestTransferQueue::treeGoesBothWaysByteForByte_data() {
    QTest::addColumn<QString>("mode");
    QTest::newRow("FTP") << "pyftpdlib";
    QTest::newRow("explicit TLS") << "ftps-explicit";
    QTest::newRow("SFTP") << "sftp";
}

// Down into an empty local folder, then up again under another name; each
// side compared with the tree it came from.
void TestTransferQueue::treeGoesBothWaysByteForByte() {
    QFETCH(QString, mode);
    const auto serverMode = *ProtocolTestServer::modeNamed(mode);
    if (!ProtocolTestServer::unavailableReason(serverMode).isEmpty())
        QSKIP(qPrintable(ProtocolTestServer::unavailableReason(serverMode)));
    ProtocolTestServer server(serverMode);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(server.makeDirectory(QStringLiteral("tree")));
    makeTree(server.root(), 300);
    QVERIFY(server.makeDirectory(QStringLiteral("back")));

    TransferQueue queue;
    queue.setLogin(loginFor(server, m_local->filePath(QStringLiteral("trust"))));
    QSignalSpy arrivals(&queue, &TransferQueue::localFileArrived);
    queue.addDownload(remotePath(server, QStringLiteral("tree")),
                      m_local->filePath(QStringLiteral("tree")), true);
    QVERIFY(drain(queue));
    QCOMPARE(queue.totals().failed, 0);
    QCOMPARE(queue.totals().files, 300);
    QCOMPARE(filesUnder(m_local->filePath(QStringLiteral("tree"))),
             filesUnder(server.root() + QStringLiteral("/tree")));
    QVERIFY(!arrivals.isEmpty());

    queue.addUpload(m_local->filePath(QStringLiteral("tree")),
                    remotePath(server, QStringLiteral("back/tree")), true);
    QVERIFY(drain(queue));
    QCOMPARE(queue.totals().failed, 0);
    QCOMPARE(filesUnder(server.root() + QStringLiteral("/back/tree")),
             filesUnder(m_local->filePath(QStringLiteral("tree"))));
    // Kept times: the copies were changed when their sources were.
    const QFileInfo source(server.root() + QStringLiteral("/tree/level 1/sub 1/deep 1/file 1.dat"));
    const QFileInfo copy(m_local->filePath(QStringLiteral("tree/level 1/sub 1/deep 1/file 1.dat")));
    QCOMPARE(copy.lastModified().toSecsSinceEpoch(), source.lastModified().toSecsSinceEpoch());
}

void TestTransferQueue::filesOfAFolderFollowOneAnother_data() {
    QTest::addColumn<bool>("download");
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<int>("connections"); // control connections the server saw
    QTest::newRow("download") << true << "nothing" << 1;
    QTest::newRow("upload") << false << "nothing" << 1;
    QTest::newRow("download, paused") << true << "pause" << 2;
    QTest::newRow("download, next one cancelled") << true << "cancel next" << 1;
    QTest::newRow("upload, next one cancelled") << false << "cancel next" << 1;
    QTest::newRow("download, server gone") << true << "kill server" << 0;
}

// On one connection, the next small file of a folder is lined up behind the
// one that moves. The log still tells each file's start after the end of
// the one before, one cancelled before its turn never reaches the server,
// and with the server gone neither is taken for done.
void TestTransferQueue::filesOfAFolderFollowOneAnother() {
    QFETCH(bool, download);
    QFETCH(QString, meanwhile);
    QFETCH(int, connections);
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const QString from = download ? server.root() : m_local->path();
    const QString to = download ? m_local->path() : server.root();
    QDir(from).mkdir(QStringLiteral("folder"));
    for (int i = 0; i < 12; ++i) {
        const QString name = QStringLiteral("folder/f%1.txt").arg(i, 2, 10, QLatin1Char('0'));
        QVERIFY(writeFile(from + u'/' + name, contentFor(name, 1000 + 100 * i)));
    }
    const QByteArray verb = download ? "RETR" : "STOR";
    auto proxy = std::make_unique<HoldingProxy>(server.port());
    proxy->holdAt({verb, 3, download});
    QSignalSpy held(proxy.get(), &HoldingProxy::held);
    TransferQueue queue;
    queue.setParallel(1);
    queue.setRetryPauseMs(10);
    QueueLogin login = loginFor(server);
    login.address = proxy->address();
    queue.setLogin(login);
    QSignalSpy logged(&queue, &TransferQueue::logLine);
    if (download)
        queue.addDownload(QStringLiteral("/folder"), m_local->filePath(QStringLiteral("folder")),
                          true);
    else
        queue.addUpload(m_local->filePath(QStringLiteral("folder")), QStringLiteral("/folder"),
                        true);
    QTRY_COMPARE_WITH_TIMEOUT(held.size(), 1, 10000);
    const auto running = [&queue] {
        QList<quint64> ids;
        for (const TransferItem& item : queue.items())
            if (item.state == TransferState::Running)
                ids << item.id;
        return ids;
    };
    QTRY_COMPARE(running().size(), 2);
    const TransferItem next = *queue.item(running().last());
    if (meanwhile == "pause") {
        queue.controls().pause();
        QTRY_COMPARE(running().size(), 0);
        queue.controls().resume();
    } else if (meanwhile == "cancel next") {
        queue.controls().cancel(next.id);
    } else if (meanwhile == "kill server") {
        server.kill();
        proxy.reset();
    }
    if (proxy)
        proxy->release();
    QVERIFY(drain(queue));

    const bool cancelled = meanwhile == "cancel next";
    QMap<QString, QByteArray> expected = filesUnder(from + QStringLiteral("/folder"));
    if (meanwhile == "kill server") {
        for (const TransferItem& item : queue.items())
            if (item.state == TransferState::Done && !item.folder)
                QCOMPARE(readFile(item.local), expected.value(item.name()));
        QCOMPARE(queue.item(next.id)->state, TransferState::Failed);
        return;
    }
    if (cancelled) {
        QCOMPARE(queue.item(next.id)->state, TransferState::Cancelled);
        expected.remove(next.name());
        for (const HoldingProxy::Command& command : proxy->commands())
            QVERIFY2(!command.line.endsWith(next.name().toUtf8()), command.line.constData());
    }
    QMap<QString, QByteArray> arrived = filesUnder(to + QStringLiteral("/folder"));
    arrived.removeIf([](const auto& file) { return file.key().endsWith(QStringLiteral(".part")); });
    QCOMPARE(arrived, expected);
    QStringList startsAndEnds;
    for (const QList<QVariant>& line : std::as_const(logged)) {
        const QString text = line.at(0).toString().trimmed();
        if (text.startsWith(download ? "Retrieving " : "Sending ") ||
            text.endsWith(download ? " retrieved" : " sent"))
            startsAndEnds << text;
    }
    for (qsizetype i = 0; i < startsAndEnds.size(); ++i)
        if (!startsAndEnds[i].startsWith(download ? "Retrieving " : "Sending "))
            QCOMPARE(startsAndEnds.value(i - 1).section(u' ', 1),
                     startsAndEnds[i].section(u' ', 0, 0));
    QSet<int> seen;
    for (const HoldingProxy::Command& command : proxy->commands())
        seen.insert(command.connection);
    QCOMPARE(seen.size(), connections);
}

void TestTransferQueue::cutDownloadContinuesWithOnlyTheMissingBytes() {
    FtpTestServer::Options options;
    options.cutDownloadsAfter = 600 * 1024;
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib, options);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const QByteArray content = contentFor(QStringLiteral("big"), 2 * 1024 * 1024);
    QVERIFY(server.writeFile(QStringLiteral("big.bin"), content));

    TransferQueue queue;
    queue.setRetryPauseMs(50);
    queue.setLogin(loginFor(server));
    const QString target = m_local->filePath(QStringLiteral("big.bin"));
    queue.addDownload(QStringLiteral("/big.bin"), target, false, content.size());
    QVERIFY(drain(queue));
    QCOMPARE(queue.items().front().state, TransferState::Done);
    QCOMPARE(readFile(target), content);
    QVERIFY(!QFile::exists(target + QStringLiteral(".part")));
    // The second attempt sent only what the first did not.
    const qint64 sent = server.downloadedBytes();
    QVERIFY2(sent >= content.size() && sent < content.size() + 64 * 1024,
             qPrintable(QString::number(sent)));
}

void TestTransferQueue::changedRemoteFileStartsOver() {
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const QByteArray fresh = contentFor(QStringLiteral("new"), 300000);
    QVERIFY(server.writeFile(QStringLiteral("f.bin"), fresh));
    // What a first attempt at the old file left behind.
    const QString target = m_local->filePath(QStringLiteral("f.bin"));
    QVERIFY(writeFile(target + QStringLiteral(".part"), QByteArray(100000, 'o')));
    TransferItem kept;
    kept.direction = TransferDirection::Download;
    kept.remote = QStringLiteral("/f.bin");
    kept.local = target;
    kept.size = 250000; // the old file's
    kept.remoteTime = 1000000000;
    kept.partly = true;

    TransferQueue queue;
    queue.setLogin(loginFor(server));
    queue.restore({kept});
    QVERIFY(drain(queue));
    QCOMPARE(queue.items().front().state, TransferState::Done);
    QCOMPARE(readFile(target), fresh);
}

void TestTransferQueue::existingTargetsFollowTheAnswers() {
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt"})
        QVERIFY(server.writeFile(QString::fromLatin1(name), QByteArray("new ") + name));
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt"})
        QVERIFY(writeFile(m_local->filePath(QString::fromLatin1(name)), "old"));

    TransferQueue queue;
    queue.setParallel(1);
    queue.setConflictPrompts(&m_conflicts);
    queue.setLogin(loginFor(server));
    // "new " + name is longer than "old": Resume goes on from the old bytes.
    m_conflicts.replies = {{ConflictAnswer::Overwrite, false},
                           {ConflictAnswer::Skip, false},
                           {ConflictAnswer::Rename, false},
                           {ConflictAnswer::Resume, false},
                           {ConflictAnswer::Overwrite, true}};
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt"})
        queue.addDownload(QStringLiteral("/") + QLatin1String(name),
                          m_local->filePath(QString::fromLatin1(name)), false, 9);
    QVERIFY(drain(queue));
    QCOMPARE(m_conflicts.asked.size(), 5); // the last answer held for f.txt
    QVERIFY(m_conflicts.asked[0].canResume());
    QCOMPARE(readFile(m_local->filePath("a.txt")), QByteArray("new a.txt"));
    QCOMPARE(readFile(m_local->filePath("b.txt")), QByteArray("old"));
    QCOMPARE(readFile(m_local->filePath("c.txt")), QByteArray("old"));
    QCOMPARE(readFile(m_local->filePath("c (1).txt")), QByteArray("new c.txt"));
    QCOMPARE(readFile(m_local->filePath("d.txt")), QByteArray("old d.txt"));
    QCOMPARE(readFile(m_local->filePath("e.txt")), QByteArray("new e.txt"));
    QCOMPARE(readFile(m_local->filePath("f.txt")), QByteArray("new f.txt"));
    QCOMPARE(queue.items()[1].state, TransferState::Skipped);
}

void TestTransferQueue::logNamesEachFileOnceAsSaved_data() {
    QTest::addColumn<bool>("download");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("download") << true
                              << QStringList{"\r\nRetrieving f1.txt", "\r\nf1.txt retrieved",
                                             "\r\nRetrieving f3 (1).txt",
                                             "\r\nf3 (1).txt retrieved"};
    QTest::newRow("upload") << false
                            << QStringList{"\r\nSending f1.txt", "\r\nf1.txt sent",
                                           "\r\nSending f3 (1).txt", "\r\nf3 (1).txt sent"};
}

// Each file that moves is logged once as it starts and once as it arrives,
// under the name it is saved as; one that waited for the answer about its
// target is not logged twice, one skipped not at all.
void TestTransferQueue::logNamesEachFileOnceAsSaved() {
    QFETCH(bool, download);
    QFETCH(QStringList, lines);
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const QStringList names{"f1.txt", "f2.txt", "f3.txt"};
    for (const QString& name : names) {
        QVERIFY(server.writeFile(name, download ? "from the server" : "on the server"));
        QVERIFY(writeFile(m_local->filePath(name), download ? "on the disk" : "from the disk"));
    }
    TransferQueue queue;
    queue.setParallel(1);
    queue.setConflictPrompts(&m_conflicts);
    queue.setLogin(loginFor(server));
    QSignalSpy logged(&queue, &TransferQueue::logLine);
    m_conflicts.replies = {{ConflictAnswer::Overwrite, false},
                           {ConflictAnswer::Skip, false},
                           {ConflictAnswer::Rename, false}};
    for (const QString& name : names) {
        if (download)
            queue.addDownload(u'/' + name, m_local->filePath(name), false, 15);
        else
            queue.addUpload(m_local->filePath(name), u'/' + name, false);
    }
    QVERIFY(drain(queue));
    QCOMPARE(m_conflicts.asked.size(), 3);
    QStringList said;
    for (const QList<QVariant>& line : std::as_const(logged))
        said << line.at(0).toString();
    QCOMPARE(said, lines);
}

void TestTransferQueue::rulesAnswerWithoutAsking() {
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(server.writeFile(QStringLiteral("same.txt"), "same"));
    QVERIFY(server.writeFile(QStringLiteral("other.txt"), "other size"));
    QVERIFY(writeFile(m_local->filePath(QStringLiteral("same.txt")), "same"));
    QVERIFY(writeFile(m_local->filePath(QStringLiteral("other.txt")), "x"));
    // The local copy of same.txt is the newer one: nothing to overwrite it with.
    const QDateTime later = QDateTime::currentDateTime().addDays(1);
    QFile same(m_local->filePath(QStringLiteral("same.txt")));
    QVERIFY(same.open(QIODevice::ReadWrite) &&
            same.setFileTime(later, QFileDevice::FileModificationTime));
    same.close();

    TransferQueue queue;
    queue.setConflictPrompts(&m_conflicts);
    queue.setExistingTargetRule(ExistingTargetRule::OverwriteIfDifferent);
    queue.setLogin(loginFor(server));
    queue.addDownload(QStringLiteral("/same.txt"), m_local->filePath(QStringLiteral("same.txt")),
                      false, 4, QDateTime::currentSecsSinceEpoch() - 60);
    queue.addDownload(QStringLiteral("/other.txt"), m_local->filePath(QStringLiteral("other.txt")),
                      false, 10);
    QVERIFY(drain(queue));
    QVERIFY(m_conflicts.asked.isEmpty());
    QCOMPARE(queue.items()[0].state, TransferState::Skipped);
    QCOMPARE(readFile(m_local->filePath(QStringLiteral("other.txt"))), QByteArray("other size"));

    queue.controls().removeFinished();
    queue.setExistingTargetRule(ExistingTargetRule::Skip);
    queue.addDownload(QStringLiteral("/other.txt"), m_local->filePath(QStringLiteral("other.txt")),
                      false, 10);
    QVERIFY(drain(queue));
    QCOMPARE(queue.items().back().state, TransferState::Skipped);
}

// What the queue learnt of a remote folder holds for one run only: a file
// removed on the server since is no conflict, one added since is.
void TestTransferQueue::nextRunSeesTheServerAsItIsNow() {
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(writeFile(m_local->filePath(QStringLiteral("gone.txt")), "mine"));
    QVERIFY(writeFile(m_local->filePath(QStringLiteral("added.txt")), "mine"));
    QVERIFY(server.writeFile(QStringLiteral("gone.txt"), "theirs"));

    TransferQueue queue;
    queue.setConflictPrompts(&m_conflicts);
    queue.setLogin(loginFor(server));
    m_conflicts.replies = {{ConflictAnswer::Skip, false}};
    queue.addUpload(m_local->filePath(QStringLiteral("gone.txt")), QStringLiteral("/gone.txt"),
                    false);
    QVERIFY(drain(queue));
    QCOMPARE(m_conflicts.asked.size(), 1);

    QVERIFY(QFile::remove(server.root() + QStringLiteral("/gone.txt")));
    QVERIFY(server.writeFile(QStringLiteral("added.txt"), "theirs"));
    queue.addUpload(m_local->filePath(QStringLiteral("gone.txt")), QStringLiteral("/gone.txt"),
                    false);
    queue.addUpload(m_local->filePath(QStringLiteral("added.txt")), QStringLiteral("/added.txt"),
                    false);
    QVERIFY(drain(queue));
    QCOMPARE(m_conflicts.asked.size(), 2);
    QCOMPARE(nameOf(m_conflicts.asked[1].target), QStringLiteral("added.txt"));
    QCOMPARE(readFile(server.root() + QStringLiteral("/gone.txt")), QByteArray("mine"));
    QCOMPARE(readFile(server.root() + QStringLiteral("/added.txt")), QByteArray("theirs"));
}

void TestTransferQueue::unwritableNamesFailWithTheirReason() {
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(server.writeFile(QStringLiteral("dir/good.txt"), "good"));
    QVERIFY(server.writeFile(QStringLiteral("dir/bad") + QChar(1) + QStringLiteral("name"), "bad"));
    QVERIFY(server.writeFile(QStringLiteral("dir/") + QString(300, u'x').left(250), "long"));
    // A local folder where a file is to go.
    QVERIFY(QDir().mkpath(m_local->filePath(QStringLiteral("dir/clash.txt"))));
    QVERIFY(server.writeFile(QStringLiteral("dir/clash.txt"), "clash"));

    TransferQueue queue;
    queue.setConflictPrompts(&m_conflicts);
    m_conflicts.replies = {{ConflictAnswer::Overwrite, true}};
    queue.setLogin(loginFor(server));
    queue.addDownload(QStringLiteral("/dir"), m_local->filePath(QStringLiteral("dir")), true);
    QVERIFY(drain(queue));
    QMap<QString, const TransferItem*> byName;
    for (const TransferItem& item : queue.items())
        byName.insert(item.name(), &item);
    QCOMPARE(byName.value(QStringLiteral("good.txt"))->state, TransferState::Done);
    // A name with a control character never leaves the listing.
    QVERIFY(!byName.contains(QStringLiteral("bad") + QChar(1) + QStringLiteral("name")));
    const TransferItem* clash = byName.value(QStringLiteral("clash.txt"));
    QCOMPARE(clash->state, TransferState::Failed);
    QVERIFY(!clash->error.isEmpty());
    // Nothing was written anywhere but beside the targets (what arrived for
    // the folder in clash.txt's way waits in its part file).
    QCOMPARE(QDir(m_local->filePath(QStringLiteral("dir"))).entryList(QDir::Files),
             QStringList({"clash.txt.part", "good.txt", QString(300, u'x').left(250)}));
}

void TestTransferQueue::userCancelsRetriesRemovesAndReorders() {
    FtpTestServer::Options slow;
    slow.rateLimit = 200 * 1024;
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib, slow);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    for (const char* name : {"one.bin", "two.bin", "three.bin"})
        QVERIFY(server.writeFile(QString::fromLatin1(name), QByteArray(1024 * 1024, 'z')));

    TransferQueue queue;
    queue.setParallel(1);
    queue.setLogin(loginFor(server));
    const quint64 one = queue.addDownload("/one.bin", m_local->filePath("one.bin"), false);
    const quint64 two = queue.addDownload("/two.bin", m_local->filePath("two.bin"), false);
    const quint64 three = queue.addDownload("/three.bin", m_local->filePath("three.bin"), false);
    QTRY_VERIFY(queue.item(one)->state == TransferState::Running && queue.item(one)->done > 0);

    queue.controls().move(three, -1);
    QCOMPARE(queue.indexOf(three), 1);
    queue.controls().cancel(one);
    QTRY_COMPARE(queue.item(one)->state, TransferState::Cancelled);
    QVERIFY(QFile::exists(m_local->filePath("one.bin.part")));
    // The next in the new order runs; the removed one never does.
    QTRY_COMPARE(queue.item(three)->state, TransferState::Running);
    queue.controls().remove(two);
    QVERIFY(!queue.item(two));
    queue.controls().retry(one);
    QVERIFY(drain(queue, 120000));
    QCOMPARE(queue.item(one)->state, TransferState::Done);
    QCOMPARE(queue.item(three)->state, TransferState::Done);
    QVERIFY(!QFile::exists(m_local->filePath("two.bin")));
    QCOMPARE(readFile(m_local->filePath("one.bin")), QByteArray(1024 * 1024, 'z'));
}

void TestTransferQueue::pauseStopsAndResumeContinues() {
    FtpTestServer::Options slow;
    slow.rateLimit = 300 * 1024;
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib, slow);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(server.writeFile(QStringLiteral("p.bin"), QByteArray(1024 * 1024, 'p')));
    TransferQueue queue;
    queue.setLogin(loginFor(server));
    const quint64 id = queue.addDownload("/p.bin", m_local->filePath("p.bin"), false, 1024 * 1024);
    QTRY_VERIFY(queue.item(id)->done > 0);
    queue.controls().pause();
    QTRY_COMPARE(queue.item(id)->state, TransferState::Waiting);
    QVERIFY(queue.item(id)->partly);
    // With its connection stopped and what that set off handled, nothing
    // has started it again.
    QTRY_VERIFY(queue.idle());
    QVERIFY(waitForPostedEvents());
    QCOMPARE(queue.item(id)->state, TransferState::Waiting);
    queue.controls().resume();
    QVERIFY(drain(queue));
    QCOMPARE(readFile(m_local->filePath("p.bin")), QByteArray(1024 * 1024, 'p'));
}

// Items waiting to try a lost connection again stop at once when paused;
// a connection more than the count now allows goes as its item stops,
// while the others are still being stopped.
void TestTransferQueue::pauseStopsEveryWorkerWhenFewerAreAllowed() {
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    TransferQueue queue;
    queue.setLogin(loginFor(server));
    server.kill();
    queue.setParallel(2);
    const quint64 a = queue.addDownload("/a.bin", m_local->filePath("a.bin"), false, 10);
    const quint64 b = queue.addDownload("/b.bin", m_local->filePath("b.bin"), false, 10);
    for (const quint64 id : {a, b})
        QTRY_VERIFY(queue.item(id)->error.contains(QStringLiteral("trying again")));
    queue.setParallel(1);
    queue.controls().pause();
    for (const quint64 id : {a, b})
        QTRY_COMPARE(queue.item(id)->state, TransferState::Waiting);
}

void TestTransferQueue::storeKeepsTheQueueAcrossRuns() {
    QTemporaryDir folder;
    QueueStore store(folder.filePath(QStringLiteral("queues")));
    TransferItem waiting;
    waiting.direction = TransferDirection::Upload;
    waiting.local = QStringLiteral("/home/me/a b.txt");
    waiting.remote = QStringLiteral("/pub/a b.txt");
    TransferItem partly;
    partly.local = RawName::decode("/home/me/\xff.bin");
    partly.remote = QStringLiteral("/pub/grüße.bin");
    partly.size = 123456789012;
    partly.remoteTime = 1700000000;
    partly.done = 1000;
    partly.partly = true;
    partly.state = TransferState::Running;
    // Device and inode numbers need every one of their 64 bits.
    partly.part = PartFile{partly.local + QStringLiteral(".part"), 0xfedcba9876543210ULL,
                           0x8000000000000001ULL, 1000, 1700000000123456789LL};
    TransferItem failed = waiting;
    failed.folder = true;
    failed.state = TransferState::Failed;
    failed.error = QStringLiteral("550 No");

    TransferQueue queue;
    queue.restore({waiting, partly, failed});
    QString error;
    QVERIFY2(store.save(QStringLiteral("key"), queue.unfinished(), &error), qPrintable(error));
    struct stat info {};
    QVERIFY(::stat(QFile::encodeName(folder.filePath("queues/key.json")).constData(), &info) == 0);
    QCOMPARE(info.st_mode & 0777, mode_t(0600));

    const std::vector<TransferItem> back = store.load(QStringLiteral("key"));
    QCOMPARE(back.size(), size_t(3));
    QCOMPARE(back[0].local, waiting.local);
    QCOMPARE(back[0].direction, TransferDirection::Upload);
    QCOMPARE(back[1].local, partly.local);
    QCOMPARE(back[1].size, partly.size);
    QCOMPARE(back[1].remoteTime, partly.remoteTime);
    QVERIFY(back[1].partly);
    QCOMPARE(back[1].state, TransferState::Waiting);
    QVERIFY(back[1].part);
    QVERIFY(*back[1].part == *partly.part);
    QCOMPARE(back[2].state, TransferState::Failed);
    QCOMPARE(back[2].error, failed.error);
    QVERIFY(back[2].folder);
    QVERIFY(store.load(QStringLiteral("other")).empty());

    // Nothing left: nothing kept. A file that is not a queue loads as none.
    QVERIFY(store.save(QStringLiteral("key"), {}));
    QVERIFY(!QFile::exists(folder.filePath("queues/key.json")));
    QVERIFY(writeFile(folder.filePath("queues/broken.json"), "{not json"));
    QVERIFY(store.load(QStringLiteral("broken")).empty());
}

void TestTransferQueue::viewNamesEachFileByItsPathInTheTree_data() {
    QTest::addColumn<bool>("download");
    QTest::newRow("download") << true;
    QTest::newRow("upload") << false;
}

// A file name that recurs in a tree shows with the folders it lies in, from
// the folder queued; the tooltip tells both full paths. A kept queue shows
// the same.
void TestTransferQueue::viewNamesEachFileByItsPathInTheTree() {
    QFETCH(bool, download);
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const QString tree = download ? server.root() + QStringLiteral("/tree")
                                  : m_local->filePath(QStringLiteral("tree"));
    for (const char* path : {"/file1.txt", "/a/file1.txt", "/b/file1.txt", "/b/c/file1.txt"}) {
        const QString file = tree + QLatin1String(path);
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()) && writeFile(file, "one"));
    }

    TransferQueue queue;
    queue.setLogin(loginFor(server));
    if (download)
        queue.addDownload(QStringLiteral("/tree"), m_local->filePath(QStringLiteral("tree")), true);
    else
        queue.addUpload(m_local->filePath(QStringLiteral("tree")), QStringLiteral("/tree"), true);
    QVERIFY(drain(queue));
    QCOMPARE(queue.totals().failed, 0);

    QueueModel model(queue);
    QStringList shown;
    for (int row = 0; row < model.rowCount(); ++row)
        shown << model.index(row, QueueModel::Name).data().toString();
    shown.sort();
    QCOMPARE(shown, (QStringList{"tree/", "tree/a/", "tree/a/file1.txt", "tree/b/", "tree/b/c/",
                                 "tree/b/c/file1.txt", "tree/b/file1.txt", "tree/file1.txt"}));
    int row = 0;
    while (row < model.rowCount() && model.index(row, QueueModel::Name).data().toString() !=
                                         QStringLiteral("tree/b/c/file1.txt"))
        ++row;
    QCOMPARE(model.index(row, QueueModel::Name).data(Qt::ToolTipRole).toString(),
             QStringLiteral("Local: %1\nRemote: /tree/b/c/file1.txt")
                 .arg(m_local->filePath(QStringLiteral("tree/b/c/file1.txt"))));

    QueueStore store(m_local->filePath(QStringLiteral("queues")));
    QVERIFY(store.save(QStringLiteral("key"), queue.items()));
    QStringList kept;
    for (const TransferItem& item : store.load(QStringLiteral("key")))
        kept << item.shownPath();
    QStringList before;
    for (const TransferItem& item : queue.items())
        before << item.shownPath();
    QCOMPARE(kept, before);
}

TransferItem downloadOf(quint64 id, const QString& name, const QString& folder) {
    TransferItem item;
    item.id = id;
    item.remote = u'/' + name;
    item.local = folder + u'/' + name;
    item.size = 10;
    return item;
}

void TestTransferQueue::journalKeepsWhatHappenedSinceTheSave_data() {
    QTest::addColumn<QString>("event");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QString>("withPartFile");
    QTest::newRow("nothing") << "" << QStringList{"/a", "/b"} << "";
    QTest::newRow("finished") << "finished" << QStringList{"/b"} << "";
    QTest::newRow("added") << "added" << QStringList{"/a", "/b", "/c"} << "";
    QTest::newRow("added, then saved") << "added again" << QStringList{"/a", "/b"} << "";
    QTest::newRow("part file made") << "part" << QStringList{"/a", "/b"} << "/a";
    QTest::newRow("part file became the target") << "arrived" << QStringList{"/b"} << "";
    QTest::newRow("last line cut short") << "cut" << QStringList{"/b"} << "";
}

// A crash after the last save: the journal tells what happened since.
void TestTransferQueue::journalKeepsWhatHappenedSinceTheSave() {
    QFETCH(QString, event);
    QFETCH(QStringList, kept);
    QFETCH(QString, withPartFile);
    const QString folder = m_local->filePath(QStringLiteral("queues"));
    const QString key = QStringLiteral("key");
    QueueStore store(folder);
    TransferItem a = downloadOf(1, QStringLiteral("a"), m_local->path());
    const TransferItem b = downloadOf(2, QStringLiteral("b"), m_local->path());
    QVERIFY(store.save(key, {a, b}));

    if (event == u"finished" || event == u"cut")
        QVERIFY(store.noteFinished(key, a));
    if (event == u"cut")
        QVERIFY(AppendedFile(folder + QStringLiteral("/key.journal")).append("{\"finished\":\"2"));
    if (event == u"added")
        QVERIFY(store.noteAdded(key, {downloadOf(3, QStringLiteral("c"), m_local->path())}));
    if (event == u"added again")
        QVERIFY(store.noteAdded(key, {a}));
    if (event == u"part" || event == u"arrived") {
        QString error;
        a.part = createPartFile(a.local + QStringLiteral(".part"), &error);
        QVERIFY2(a.part, qPrintable(error));
        QVERIFY(store.notePartFile(key, a));
        QVERIFY(writeFile(a.part->path, "0123456789"));
    }
    if (event == u"arrived")
        QVERIFY(QFile::rename(a.part->path, a.local));

    const std::vector<TransferItem> back = store.load(key);
    QStringList remotes;
    for (const TransferItem& item : back) {
        remotes << item.remote;
        QCOMPARE(bool(item.part), item.remote == withPartFile);
        if (item.part) {
            // Continued by which file it is: what it holds was being written.
            QVERIFY(item.partly);
            QVERIFY(partFileUnchanged(*item.part));
        }
    }
    QCOMPARE(remotes, kept);
}

void TestTransferQueue::keptQueueBelongsToTheServerAndAccount_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<ServerProtocol>("protocol");
    QTest::addColumn<QString>("otherAddress");
    QTest::addColumn<ServerProtocol>("otherProtocol");
    QTest::addColumn<QString>("otherUser");
    QTest::addColumn<bool>("same");
    using P = ServerProtocol;
    QTest::newRow("TLS when offered, TLS required")
        << "files.example" << P::FtpTlsIfOffered << "files.example" << P::FtpTlsRequired << "me"
        << true;
    QTest::newRow("plain FTP, TLS when offered")
        << "files.example" << P::PlainFtp << "files.example" << P::FtpTlsIfOffered << "me" << true;
    QTest::newRow("port spelled out") << "files.example" << P::FtpTlsRequired << "files.example:21"
                                      << P::FtpTlsRequired << "me" << true;
    QTest::newRow("host in capitals") << "FILES.example" << P::FtpTlsRequired << "files.example"
                                      << P::FtpTlsRequired << "me" << true;
    QTest::newRow("URL form") << "sftp://files.example" << P::Sftp << "files.example:22" << P::Sftp
                              << "me" << true;
    QTest::newRow("FTP and SFTP") << "files.example" << P::FtpTlsIfOffered << "files.example"
                                  << P::Sftp << "me" << false;
    QTest::newRow("another port") << "files.example" << P::PlainFtp << "files.example:2121"
                                  << P::PlainFtp << "me" << false;
    QTest::newRow("another account")
        << "files.example" << P::PlainFtp << "files.example" << P::PlainFtp << "you" << false;
}

void TestTransferQueue::keptQueueBelongsToTheServerAndAccount() {
    QFETCH(QString, address);
    QFETCH(ServerProtocol, protocol);
    QFETCH(QString, otherAddress);
    QFETCH(ServerProtocol, otherProtocol);
    QFETCH(QString, otherUser);
    QFETCH(bool, same);
    QueueLogin one;
    one.address = address;
    one.protocol = protocol;
    one.user = QStringLiteral("me");
    QueueLogin other;
    other.address = otherAddress;
    other.protocol = otherProtocol;
    other.user = otherUser;
    QCOMPARE(one.sameServer(other), same);
}

// An older tarlen kept a queue per protocol: a login with another protocol
// to the same server and account finds it, and it moves to its new key.
void TestTransferQueue::queueKeptPerProtocolIsFoundAndMoved() {
    const QString folder = m_local->filePath(QStringLiteral("queues"));
    // The key that version gave the queue: address, user and protocol.
    const QString oldKey = QString::fromLatin1(
        QCryptographicHash::hash("files.example\nme\n" +
                                     QByteArray::number(int(ServerProtocol::FtpTlsIfOffered)),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(24));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(writeFile(folder + u'/' + oldKey + QStringLiteral(".json"),
                      R"({"items":[{"direction":"down","local":"/home/me/a","remote":"/a"}]})"));
    QueueLogin login;
    login.address = QStringLiteral("files.example:21");
    login.user = QStringLiteral("me");
    login.protocol = ServerProtocol::FtpTlsRequired;

    TransferQueue queue;
    queue.setLogin(login);
    QueueKeeper keeper(queue, folder);
    keeper.readKept(login);
    const std::vector<TransferItem> kept = queue.takeKeptAside(login.key());
    QCOMPARE(kept.size(), size_t(1));
    QCOMPARE(kept.front().remote, QStringLiteral("/a"));
    queue.keepAside(kept);
    keeper.saveNow();
    QVERIFY(!QFile::exists(folder + u'/' + oldKey + QStringLiteral(".json")));
    QCOMPARE(QueueStore(folder).load(login.key()).size(), size_t(1));
}

// A login to another server leaves what was queued before with its own:
// both servers' files move, each from where it was queued.
void TestTransferQueue::itemsGoOnWithTheServerTheyWereQueuedFor() {
    FtpTestServer::Options slow;
    slow.rateLimit = 256 * 1024;
    FtpTestServer first(FtpTestServer::Kind::Pyftpdlib, slow);
    FtpTestServer second(FtpTestServer::Kind::Pyftpdlib);
    QVERIFY2(first.start(), qPrintable(first.errorText()));
    QVERIFY2(second.start(), qPrintable(second.errorText()));
    QVERIFY(first.writeFile(QStringLiteral("same.bin"), QByteArray(1024 * 1024, '1')));
    QVERIFY(second.writeFile(QStringLiteral("same.bin"), QByteArray(300 * 1024, '2')));

    TransferQueue queue;
    queue.setLogin(loginFor(first));
    const quint64 one =
        queue.addDownload(QStringLiteral("/same.bin"), m_local->filePath("one"), false);
    QTRY_VERIFY(queue.item(one)->done > 0);
    queue.setLogin(loginFor(second));
    // The same remote path, but another server's file: it does not wait.
    const quint64 two =
        queue.addDownload(QStringLiteral("/same.bin"), m_local->filePath("two"), false);
    QTRY_COMPARE(queue.item(two)->state, TransferState::Done);
    QCOMPARE(queue.item(one)->state, TransferState::Running);
    QCOMPARE(queue.loginOf(*queue.item(one)).address, first.address());
    QVERIFY(drain(queue));
    QCOMPARE(readFile(m_local->filePath("one")), QByteArray(1024 * 1024, '1'));
    QCOMPARE(readFile(m_local->filePath("two")), QByteArray(300 * 1024, '2'));
}

// A part file tarlen recorded (here: with an item kept for later) is
// continued when the same file is queued again, not set aside for a new one.
void TestTransferQueue::partFileKeptAsideIsContinuedWhoeverQueuesIt() {
    FtpTestServer::Options options;
    options.cutDownloadsAfter = 600 * 1024;
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib, options);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const QByteArray content = contentFor(QStringLiteral("big"), 2 * 1024 * 1024);
    QVERIFY(server.writeFile(QStringLiteral("big.bin"), content));
    const QString target = m_local->filePath(QStringLiteral("big.bin"));

    std::vector<TransferItem> kept;
    {
        TransferQueue cut;
        cut.setRetryPauseMs(60000);
        cut.setLogin(loginFor(server));
        const quint64 id = cut.addDownload(QStringLiteral("/big.bin"), target, false);
        QTRY_VERIFY(cut.item(id)->partly);
        cut.controls().pause();
        QTRY_COMPARE(cut.item(id)->state, TransferState::Waiting);
        kept = cut.unfinished();
    }
    QCOMPARE(kept.size(), size_t(1));
    QVERIFY(kept.front().part && kept.front().part->size > 0);

    TransferQueue queue;
    queue.setLogin(loginFor(server));
    queue.keepAside(kept);
    const quint64 again = queue.addDownload(QStringLiteral("/big.bin"), target, false);
    QVERIFY(queue.takeKeptAside(queue.loginKey()).empty());
    QVERIFY(drain(queue));
    QCOMPARE(queue.item(again)->state, TransferState::Done);
    QCOMPARE(readFile(target), content);
    QCOMPARE(QDir(m_local->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"big.bin"});
    const qint64 sent = server.downloadedBytes();
    QVERIFY2(sent >= content.size() && sent < content.size() + 64 * 1024,
             qPrintable(QString::number(sent)));
}

QTEST_GUILESS_MAIN(TestTransferQueue)

#include "tst_transfer_queue.moc"
