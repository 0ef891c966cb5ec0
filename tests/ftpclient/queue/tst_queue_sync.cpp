// A synchronisation's items in the queue against a real server: targets are
// overwritten or deleted only while they are as the preview showed them,
// folders are made before what goes into them, deletions come last, and
// the items survive a restart as they were.
#include "ftp_test_server.h"
#include "queue_store.h"
#include "test_files.h"
#include "transfer_queue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

class CountingConflicts : public ConflictPrompts {
public:
    int asked = 0;
    Reply ask(const Conflict&) override {
        ++asked;
        return {ConflictAnswer::Skip, false};
    }
};

QueueLogin loginFor(const FtpTestServer& server) {
    QueueLogin login;
    login.address = server.address();
    login.user = server.userName();
    login.password = server.password();
    return login;
}

bool drain(TransferQueue& queue) {
    return QTest::qWaitFor([&] { return queue.idle(); }, 60000);
}

TransferItem planned(TransferDirection direction, const QString& local, const QString& remote,
                     int depth = 0) {
    TransferItem item;
    item.direction = direction;
    item.local = local;
    item.remote = remote;
    item.depth = depth;
    item.group = QStringLiteral("sync-1");
    return item;
}

QString statesOf(const TransferQueue& queue) {
    QStringList states;
    for (const TransferItem& item : queue.items())
        states << QString::number(int(item.state)) + u':' + item.error;
    return states.join(u'|');
}

} // namespace

class TestQueueSync : public QObject {
    Q_OBJECT

private slots:
    void init();
    void targetIsTouchedOnlyAsPreviewed_data();
    void targetIsTouchedOnlyAsPreviewed();
    void foldersComeFirstAndDeletionsLast_data();
    void foldersComeFirstAndDeletionsLast();
    void linkedFolderInTheTreeIsNotWrittenThrough();
    void plannedItemsSurviveARestart_data();
    void plannedItemsSurviveARestart();

private:
    std::unique_ptr<QTemporaryDir> m_local;
    CountingConflicts m_conflicts;
};

void TestQueueSync::init() {
    m_local = std::make_unique<QTemporaryDir>();
    m_conflicts = CountingConflicts();
}

// "previewed": the size the preview showed for the target (-1: no target).
// The server's file holds "server", the local one "local!"; "outside" is a
// link's target outside the tree.
void TestQueueSync::targetIsTouchedOnlyAsPreviewed_data() {
    QTest::addColumn<bool>("download");
    QTest::addColumn<bool>("deletes");
    QTest::addColumn<bool>("linked");
    QTest::addColumn<int>("previewed");
    QTest::addColumn<QByteArray>("localAfter");
    QTest::addColumn<QByteArray>("remoteAfter");
    QTest::addColumn<int>("asked");
    const QByteArray gone = "<missing>";
    QTest::newRow("download over the target as previewed")
        << true << false << false << 6 << QByteArray("server") << QByteArray("server") << 0;
    QTest::newRow("download over a target changed since")
        << true << false << false << 3 << QByteArray("local!") << QByteArray("server") << 1;
    QTest::newRow("upload over the target as previewed")
        << false << false << false << 6 << QByteArray("local!") << QByteArray("local!") << 0;
    QTest::newRow("upload over a target changed since")
        << false << false << false << 3 << QByteArray("local!") << QByteArray("server") << 1;
    QTest::newRow("local file deleted as previewed")
        << true << true << false << 6 << gone << QByteArray("server") << 0;
    QTest::newRow("local file changed since is kept")
        << true << true << false << 3 << QByteArray("local!") << QByteArray("server") << 0;
    QTest::newRow("local link deleted, not what it leads to")
        << true << true << true << 6 << gone << QByteArray("server") << 0;
    QTest::newRow("remote file deleted as previewed")
        << false << true << false << 6 << QByteArray("local!") << gone << 0;
    QTest::newRow("remote file changed since is kept")
        << false << true << false << 3 << QByteArray("local!") << QByteArray("server") << 0;
}

void TestQueueSync::targetIsTouchedOnlyAsPreviewed() {
    QFETCH(bool, download);
    QFETCH(bool, deletes);
    QFETCH(bool, linked);
    QFETCH(int, previewed);
    QFETCH(QByteArray, localAfter);
    QFETCH(QByteArray, remoteAfter);
    QFETCH(int, asked);
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(server.writeFile(QStringLiteral("f.txt"), "server"));
    const QString local = m_local->filePath(QStringLiteral("f.txt"));
    const QString outside = m_local->filePath(QStringLiteral("outside.txt"));
    QVERIFY(writeFile(linked ? outside : local, "local!"));
    if (linked)
        QVERIFY(QFile::link(outside, local));

    TransferQueue queue;
    queue.setLogin(loginFor(server));
    queue.setConflictPrompts(&m_conflicts);
    TransferItem item = planned(download ? TransferDirection::Download : TransferDirection::Upload,
                                local, QStringLiteral("/f.txt"));
    item.deletes = deletes;
    item.size = download ? 6 : -1;
    item.previewed = PreviewedTarget{true, false, previewed, -1};
    queue.addPlanned({item});
    QVERIFY(drain(queue));

    QCOMPARE(readFile(local), localAfter);
    QCOMPARE(readFile(server.root() + QStringLiteral("/f.txt")), remoteAfter);
    QCOMPARE(m_conflicts.asked, asked);
    if (linked)
        QCOMPARE(readFile(outside), QByteArray("local!"));
}

// The preview's order: folders before what goes into them, the transfers,
// then the deletions, files before the folders they were in.
void TestQueueSync::foldersComeFirstAndDeletionsLast_data() {
    QTest::addColumn<bool>("download");
    QTest::newRow("down") << true;
    QTest::newRow("up") << false;
}

void TestQueueSync::foldersComeFirstAndDeletionsLast() {
    QFETCH(bool, download);
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const QString source = download ? server.root() : m_local->path();
    const QString target = download ? m_local->path() : server.root();
    QVERIFY(QDir(source).mkpath(QStringLiteral("a/b")));
    for (const char* name : {"a/one.txt", "a/b/two.txt"})
        QVERIFY(writeFile(source + u'/' + QLatin1String(name), name));
    QVERIFY(QDir(target).mkpath(QStringLiteral("old/deeper")));
    QVERIFY(writeFile(target + QStringLiteral("/old/deeper/x.txt"), "x"));

    const auto direction = download ? TransferDirection::Download : TransferDirection::Upload;
    const auto item = [&](const QString& path, bool folder, bool deletes = false) {
        TransferItem one =
            planned(direction, m_local->filePath(path), u'/' + path, int(path.count(u'/')));
        one.folder = folder;
        one.deletes = deletes;
        one.size = folder ? -1 : QFileInfo(source + u'/' + path).size();
        if (deletes)
            one.previewed = PreviewedTarget{true, folder, folder ? -1 : 1, -1};
        return one;
    };
    TransferQueue queue;
    queue.setLogin(loginFor(server));
    queue.setParallel(4);
    queue.addPlanned({item(QStringLiteral("a"), true), item(QStringLiteral("a/one.txt"), false),
                      item(QStringLiteral("a/b"), true), item(QStringLiteral("a/b/two.txt"), false),
                      item(QStringLiteral("old/deeper/x.txt"), false, true),
                      item(QStringLiteral("old/deeper"), true, true),
                      item(QStringLiteral("old"), true, true)});
    QVERIFY(drain(queue));

    QCOMPARE(statesOf(queue), QStringLiteral("2:|2:|2:|2:|2:|2:|2:"));
    QCOMPARE(readFile(target + QStringLiteral("/a/b/two.txt")), QByteArray("a/b/two.txt"));
    QCOMPARE(readFile(target + QStringLiteral("/a/one.txt")), QByteArray("a/one.txt"));
    QVERIFY(!QFileInfo::exists(target + QStringLiteral("/old")));
}

// A folder of the tree that is a link to elsewhere: nothing is written
// through it.
void TestQueueSync::linkedFolderInTheTreeIsNotWrittenThrough() {
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(server.writeFile(QStringLiteral("sub/f.txt"), "server"));
    const QString elsewhere = m_local->filePath(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkpath(elsewhere));
    QVERIFY(QDir().mkpath(m_local->filePath(QStringLiteral("tree"))));
    QVERIFY(QFile::link(elsewhere, m_local->filePath(QStringLiteral("tree/sub"))));

    TransferQueue queue;
    queue.setLogin(loginFor(server));
    TransferItem item =
        planned(TransferDirection::Download, m_local->filePath(QStringLiteral("tree/sub/f.txt")),
                QStringLiteral("/sub/f.txt"), 1);
    item.size = 6;
    queue.addPlanned({item});
    QVERIFY(drain(queue));
    QCOMPARE(queue.items().front().state, TransferState::Failed);
    QVERIFY(QDir(elsewhere).isEmpty());
}

// What a restart reads back: the items as they were; a deletion that lost
// its preview is dropped, never taken for a transfer.
void TestQueueSync::plannedItemsSurviveARestart_data() {
    QTest::addColumn<QByteArray>("cut");
    QTest::addColumn<int>("kept");
    QTest::newRow("as saved") << QByteArray() << 2;
    QTest::newRow("a deletion without its preview") << QByteArray("previewed") << 1;
}

void TestQueueSync::plannedItemsSurviveARestart() {
    QFETCH(QByteArray, cut);
    QFETCH(int, kept);
    QueueStore store(m_local->filePath(QStringLiteral("queues")));
    TransferItem upload =
        planned(TransferDirection::Upload, QStringLiteral("/l/a"), QStringLiteral("/r/a"), 1);
    upload.previewed = PreviewedTarget{true, false, 5, 1700000000};
    TransferItem removal =
        planned(TransferDirection::Download, QStringLiteral("/l/b"), QStringLiteral("/r/b"));
    removal.deletes = true;
    removal.previewed = PreviewedTarget{true, true, -1, -1};
    QVERIFY(store.save(QStringLiteral("key"), {upload, removal}));
    if (!cut.isEmpty()) {
        const QString path = m_local->filePath(QStringLiteral("queues/key.json"));
        QByteArray text = readFile(path);
        const qsizetype last = text.lastIndexOf("\"" + cut + "\"");
        QVERIFY(last > 0);
        text.replace(last + 1, cut.size(), "ignored");
        QVERIFY(writeFile(path, text));
    }

    const std::vector<TransferItem> back = store.load(QStringLiteral("key"));
    QCOMPARE(int(back.size()), kept);
    QCOMPARE(back[0].group, upload.group);
    QCOMPARE(back[0].previewed->time, 1700000000);
    QVERIFY(!back[0].deletes);
    if (kept == 2) {
        QVERIFY(back[1].deletes);
        QCOMPARE(back[1].direction, TransferDirection::Download);
        QVERIFY(back[1].previewed->folder);
    }
}

QTEST_GUILESS_MAIN(TestQueueSync)
#include "tst_queue_sync.moc"
