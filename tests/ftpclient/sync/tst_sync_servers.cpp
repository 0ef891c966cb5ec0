// A synchronisation from end to end against the real servers: both trees
// read, compared and planned, the plan's items carried out by the queue, and
// both sides read again. Exactly what the plan said changes and nothing else,
// times go across with the files, comparing again finds nothing to do, a
// target changed since the plan is asked about or left alone, and a run
// killed half way and started again from its saved queue does only what is
// left.
#include "folder_comparison.h"
#include "ftp_test_server.h"
#include "hostile_ftp_server.h"
#include "protocol_test_server.h"
#include "queue_keeper.h"
#include "queue_store.h"
#include "scripted_conflicts.h"
#include "session_trust.h"
#include "sync_items.h"
#include "test_files.h"
#include "transfer_queue.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <map>
#include <sys/stat.h>

Q_DECLARE_METATYPE(SyncDirection)

namespace {

// Files are planted this many hours after a moment two days ago, to the
// minute: lists that give minutes show their times exactly.
qint64 baseTime() {
    static const qint64 base = [] {
        const qint64 then = QDateTime::currentSecsSinceEpoch() - 2 * 86400;
        return then - then % 60;
    }();
    return base;
}

bool setTime(const QString& path, qint64 time) {
    const timespec times[2] = {{time_t(time), 0}, {time_t(time), 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

// A tree as "path=content@hours" for each file ("@hours" may be left out:
// 0), a path ending in "/" for an empty folder.
struct Planted {
    QString path;
    QByteArray content;
    qint64 time = 0;
};

Planted plantedOf(const QString& entry) {
    const QString path = entry.section(u'=', 0, 0);
    const QString rest = entry.section(u'=', 1);
    const qint64 hours = rest.contains(u'@') ? rest.section(u'@', 1).toLongLong() : 0;
    return {path, rest.section(u'@', 0, 0).toUtf8(), baseTime() + hours * 3600};
}

bool plantLocal(const QString& root, const QStringList& tree) {
    for (const QString& entry : tree) {
        const Planted file = plantedOf(entry);
        const QString full = root + u'/' + file.path;
        if (file.path.endsWith(u'/')) {
            if (!QDir().mkpath(full))
                return false;
            continue;
        }
        if (!QDir().mkpath(QFileInfo(full).path()) || !writeFile(full, file.content) ||
            !setTime(full, file.time))
            return false;
    }
    return true;
}

// Through the server, so that its login owns what it may change.
bool plantRemote(const ProtocolTestServer& server, const QStringList& tree) {
    for (const QString& entry : tree) {
        const Planted file = plantedOf(entry);
        if (file.path.endsWith(u'/')) {
            if (!server.makeDirectory(file.path.chopped(1)))
                return false;
            continue;
        }
        if (!server.writeFile(file.path, file.content) ||
            !setTime(server.root() + u'/' + file.path, file.time))
            return false;
    }
    return true;
}

// The first of `expected` that `root` does not hold as said, or "": "path=
// content" a file with its content, "path/" a folder, "path" alone nothing.
QString firstMismatch(const QString& root, const QStringList& expected) {
    for (const QString& what : expected) {
        const QString path = what.section(u'=', 0, 0);
        const QFileInfo found(root + u'/' + path);
        bool right = false;
        if (what.contains(u'='))
            right = found.isFile() && readFile(found.filePath()) == what.section(u'=', 1).toUtf8();
        else if (path.endsWith(u'/'))
            right = found.isDir();
        else
            right = !found.exists() && !found.isSymLink();
        if (!right)
            return what + QStringLiteral(" (found: ") +
                   (found.isDir() ? QStringLiteral("a folder")
                                  : QString::fromUtf8(readFile(found.filePath()))) +
                   u')';
    }
    return {};
}

// The first file that both roots hold with one content but another
// modification time, or "": a copy takes its time along.
QString copiedWithAnotherTime(const QString& localRoot, const QString& remoteRoot) {
    QDirIterator files(localRoot, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QFileInfo local(files.next());
        const QString path = QDir(localRoot).relativeFilePath(local.filePath());
        const QFileInfo remote(remoteRoot + u'/' + path);
        if (remote.isFile() && readFile(local.filePath()) == readFile(remote.filePath()) &&
            local.lastModified() != remote.lastModified())
            return path;
    }
    return {};
}

// The rows of a plan that would change something and are ticked.
QStringList chosenChanges(const SyncPlan& plan) {
    QStringList rows;
    for (const SyncAction& action : plan.actions)
        if (action.chosen && (isTransfer(action.kind) || action.kind == ActionKind::DeleteLocal ||
                              action.kind == ActionKind::DeleteRemote))
            rows << QString::number(int(action.kind)) + u' ' + action.path;
    return rows;
}

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

QString withoutSlash(QString folder) {
    if (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

// Compares the folders and hands back the plan; nothing when the comparison
// did not end in time.
std::optional<SyncPlan> planned(const FolderComparison::Request& request) {
    FolderComparison comparison;
    QSignalSpy finished(&comparison, &FolderComparison::finished);
    comparison.start(request);
    if (!QTest::qWaitFor([&finished] { return !finished.isEmpty(); }, 120000))
        return std::nullopt;
    return comparison.plan();
}

// --- the child that a test kills ----------------------------------------------

// The child's part: compares, plans and queues as the test says through
// its environment, keeping the queue as the program does, and says
// "QUEUED <n>" and "FINISHED <path>" as it goes. It never ends by itself.
int runKilledChild() {
    const auto setting = [](const char* name) {
        return qEnvironmentVariable(name);
    };
    FolderComparison::Request request;
    request.login.address = setting("SYNC_CHILD_ADDRESS");
    request.login.user = setting("SYNC_CHILD_USER");
    request.login.password = setting("SYNC_CHILD_PASSWORD");
    request.localRoot = setting("SYNC_CHILD_LOCAL");
    request.remoteRoot = setting("SYNC_CHILD_REMOTE");
    request.options.direction = SyncDirection::RemoteToLocal;
    request.options.deleteExtra = true;
    const std::optional<SyncPlan> plan = planned(request);
    if (!plan)
        return 2;
    TransferQueue queue;
    QueueKeeper keeper(queue, setting("SYNC_CHILD_STORE"));
    queue.setLogin(request.login);
    keeper.readKept(request.login); // as the window does once logged in
    queue.setParallel(2);
    QObject::connect(&queue, &TransferQueue::itemFinished, [](const TransferItem& item) {
        printf("FINISHED %s\n", qPrintable(item.local));
        fflush(stdout);
    });
    std::vector<TransferItem> items =
        queueItemsFor(*plan, request.localRoot, request.remoteRoot, QStringLiteral("sync-1"));
    printf("QUEUED %d\n", int(items.size()));
    fflush(stdout);
    queue.addPlanned(std::move(items));
    return QCoreApplication::exec();
}

constexpr int kKilledFiles = 12;
constexpr int kKilledFileSize = 160 * 1024;

QByteArray killedContent(int n) {
    QByteArray bytes;
    while (bytes.size() < kKilledFileSize)
        bytes += "file " + QByteArray::number(n) + " at " + QByteArray::number(bytes.size()) + '\n';
    return bytes.left(kKilledFileSize);
}

} // namespace

class TestSyncServers : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanupTestCase();

    void bringsTheTreesInLine_data();
    void bringsTheTreesInLine();
    void deletesOnlyWhenAsked_data();
    void deletesOnlyWhenAsked();
    void filtersLeaveTheRestAlone_data();
    void filtersLeaveTheRestAlone();
    void goesByTheServersClock_data();
    void goesByTheServersClock();
    void targetChangedSinceThePlanIsNotOverwritten_data();
    void targetChangedSinceThePlanIsNotOverwritten();
    void killedSyncGoesOnFromItsSavedQueue();
    void namesAListingMustNotHoldAreProblems();

private:
    // The server of the row's mode, started once for the whole test case
    // and emptied for each row; nothing (after QSKIP or a failure) when it
    // cannot run.
    ProtocolTestServer* serverFor(const QString& mode);
    FolderComparison::Request requestFor(const ProtocolTestServer& server,
                                         const SyncOptions& options) const;
    // Compares, plans and runs the plan's ticked rows in a queue; `between`
    // runs after the plan is made and before the queue starts.
    bool synchronise(const FolderComparison::Request& request,
                     const std::function<void()>& between = {});
    // Compares again: whether nothing is left to do.
    bool nothingLeftToDo(const FolderComparison::Request& request);

    std::map<QString, std::unique_ptr<ProtocolTestServer>> m_servers;
    std::unique_ptr<QTemporaryDir> m_local;
    QTemporaryDir m_trust;
    ScriptedConflicts m_conflicts;
    QString m_failure; // why synchronise() or nothingLeftToDo() said no
};

void TestSyncServers::init() {
    m_local = std::make_unique<QTemporaryDir>();
    m_conflicts = ScriptedConflicts();
    m_failure.clear();
}

void TestSyncServers::cleanupTestCase() {
    m_servers.clear();
}

ProtocolTestServer* TestSyncServers::serverFor(const QString& mode) {
    auto& server = m_servers[mode];
    if (!server) {
        server = std::make_unique<ProtocolTestServer>(*ProtocolTestServer::modeNamed(mode));
        if (!server->start()) {
            m_failure = server->errorText();
            server.reset();
            return nullptr;
        }
    }
    server->clearRoot();
    return server.get();
}

FolderComparison::Request TestSyncServers::requestFor(const ProtocolTestServer& server,
                                                      const SyncOptions& options) const {
    FolderComparison::Request request;
    request.login = loginFor(server, m_trust.path());
    request.localRoot = m_local->path();
    request.remoteRoot = withoutSlash(server.loginDir());
    request.options = options;
    return request;
}

bool TestSyncServers::synchronise(const FolderComparison::Request& request,
                                  const std::function<void()>& between) {
    const std::optional<SyncPlan> plan = planned(request);
    if (!plan) {
        m_failure = QStringLiteral("the comparison did not end");
        return false;
    }
    if (between)
        between();
    TransferQueue queue;
    queue.setLogin(request.login);
    queue.setParallel(2);
    queue.setConflictPrompts(&m_conflicts);
    queue.addPlanned(
        queueItemsFor(*plan, request.localRoot, request.remoteRoot, QStringLiteral("sync-1")));
    if (!QTest::qWaitFor([&queue] { return queue.idle(); }, 120000)) {
        m_failure = QStringLiteral("the queue did not finish");
        return false;
    }
    for (const TransferItem& item : queue.items())
        if (item.state == TransferState::Failed) {
            m_failure = item.local + QStringLiteral(": ") + item.error;
            return false;
        }
    return true;
}

bool TestSyncServers::nothingLeftToDo(const FolderComparison::Request& request) {
    const std::optional<SyncPlan> plan = planned(request);
    if (!plan) {
        m_failure = QStringLiteral("the comparison did not end");
        return false;
    }
    m_failure = chosenChanges(*plan).join(QStringLiteral(", "));
    return m_failure.isEmpty();
}

#define SKIP_OR_START(server, mode)                                                                \
    if (const QString why =                                                                        \
            ProtocolTestServer::unavailableReason(*ProtocolTestServer::modeNamed(mode));           \
        !why.isEmpty())                                                                            \
        QSKIP(qPrintable(why));                                                                    \
    ProtocolTestServer* server = serverFor(mode);                                                  \
    QVERIFY2(server, qPrintable(m_failure))

namespace {

const QStringList kServers{"pyftpdlib", "vsftpd", "ftps-explicit", "sftp"};
// What the servers' modes are called in the rows.
QString shownMode(const QString& mode) {
    if (mode == u"pyftpdlib")
        return QStringLiteral("pyftpdlib, MLSD");
    if (mode == u"vsftpd")
        return QStringLiteral("vsftpd, LIST");
    if (mode == u"ftps-explicit")
        return QStringLiteral("vsftpd with TLS");
    return QStringLiteral("sshd");
}

SyncOptions optionsFor(SyncDirection direction, bool bySize = true, bool byTime = true,
                       bool deleteExtra = false) {
    SyncOptions options;
    options.direction = direction;
    options.rules.bySize = bySize;
    options.rules.byTime = byTime;
    options.deleteExtra = deleteExtra;
    return options;
}

} // namespace

// Both sides hold "same.txt" alike but for their content (so that a copy
// shows), "sized.txt" of another size at one time, "timed.txt" of one size
// but newer here, "older.txt" of one size but newer there, and a folder of
// their own each.
void TestSyncServers::bringsTheTreesInLine_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<SyncOptions>("options");
    QTest::addColumn<QStringList>("local");
    QTest::addColumn<QStringList>("remote");
    const auto up = SyncDirection::LocalToRemote;
    const auto down = SyncDirection::RemoteToLocal;
    struct Case {
        const char* name;
        SyncOptions options;
        QStringList local;
        QStringList remote;
    };
    const std::vector<Case> cases{
        {"up",
         optionsFor(up),
         {"sized.txt=local sized", "timed.txt=here", "older.txt=past", "deep"},
         {"same.txt=bbbb", "sized.txt=local sized", "timed.txt=here", "older.txt=fore",
          "sub/only-here.txt=here only", "deep/only-there.txt=there only"}},
        {"down",
         optionsFor(down),
         {"same.txt=aaaa", "sized.txt=remote", "timed.txt=here", "older.txt=fore",
          "deep/only-there.txt=there only", "sub/only-here.txt=here only"},
         {"timed.txt=past", "sub"}},
        {"both ways",
         optionsFor(SyncDirection::BothByNewest),
         {"sized.txt=local sized", "timed.txt=here", "older.txt=fore",
          "deep/only-there.txt=there only"},
         {"sized.txt=remote", "timed.txt=here", "older.txt=fore", "sub/only-here.txt=here only"}},
        {"up, by size only",
         optionsFor(up, true, false),
         {"timed.txt=here"},
         {"same.txt=bbbb", "sized.txt=local sized", "timed.txt=past", "older.txt=fore",
          "sub/only-here.txt=here only"}},
        {"down, by time only",
         optionsFor(down, false, true),
         {"sized.txt=local sized", "timed.txt=here", "older.txt=fore",
          "deep/only-there.txt=there only"},
         {"sized.txt=remote", "timed.txt=past"}},
    };
    for (const QString& mode : kServers)
        for (const Case& one : cases)
            QTest::addRow("%s: %s", qPrintable(shownMode(mode)), one.name)
                << mode << one.options << one.local << one.remote;
}

void TestSyncServers::bringsTheTreesInLine() {
    QFETCH(QString, mode);
    QFETCH(SyncOptions, options);
    QFETCH(QStringList, local);
    QFETCH(QStringList, remote);
    SKIP_OR_START(server, mode);
    QVERIFY(
        plantLocal(m_local->path(), {"same.txt=aaaa", "sized.txt=local sized", "timed.txt=here@1",
                                     "older.txt=past", "sub/only-here.txt=here only"}));
    QVERIFY(plantRemote(*server, {"same.txt=bbbb", "sized.txt=remote", "timed.txt=past",
                                  "older.txt=fore@1", "deep/only-there.txt=there only"}));

    const FolderComparison::Request request = requestFor(*server, options);
    QVERIFY2(synchronise(request), qPrintable(m_failure));
    QCOMPARE(firstMismatch(m_local->path(), local), QString());
    QCOMPARE(firstMismatch(server->root(), remote), QString());
    QVERIFY(m_conflicts.askedAbout.isEmpty());
    QCOMPARE(copiedWithAnotherTime(m_local->path(), server->root()), QString());
    QVERIFY2(nothingLeftToDo(request), qPrintable(m_failure));
}

// The target side holds "extra.txt" and "extra/inner.txt" that the source
// lacks; "keep.txt" is alike on both.
void TestSyncServers::deletesOnlyWhenAsked_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<SyncDirection>("direction");
    QTest::addColumn<bool>("deleteExtra");
    QTest::addColumn<QStringList>("target");
    const QStringList gone{"keep.txt=keep", "extra.txt", "extra"};
    const QStringList kept{"keep.txt=keep", "extra.txt=extra", "extra/inner.txt=inner"};
    for (const QString& mode : kServers) {
        const QString server = shownMode(mode);
        QTest::addRow("%s: up, deleting", qPrintable(server))
            << mode << SyncDirection::LocalToRemote << true << gone;
        QTest::addRow("%s: down, deleting", qPrintable(server))
            << mode << SyncDirection::RemoteToLocal << true << gone;
        QTest::addRow("%s: up, keeping", qPrintable(server))
            << mode << SyncDirection::LocalToRemote << false << kept;
    }
}

void TestSyncServers::deletesOnlyWhenAsked() {
    QFETCH(QString, mode);
    QFETCH(SyncDirection, direction);
    QFETCH(bool, deleteExtra);
    QFETCH(QStringList, target);
    SKIP_OR_START(server, mode);
    const bool up = direction == SyncDirection::LocalToRemote;
    const QStringList source{"keep.txt=keep"};
    const QStringList targetTree{"keep.txt=keep", "extra.txt=extra", "extra/inner.txt=inner"};
    QVERIFY(plantLocal(m_local->path(), up ? source : targetTree));
    QVERIFY(plantRemote(*server, up ? targetTree : source));

    const FolderComparison::Request request =
        requestFor(*server, optionsFor(direction, true, true, deleteExtra));
    QVERIFY2(synchronise(request), qPrintable(m_failure));
    QCOMPARE(firstMismatch(up ? server->root() : m_local->path(), target), QString());
    QCOMPARE(firstMismatch(up ? m_local->path() : server->root(), source), QString());
    QVERIFY2(nothingLeftToDo(request), qPrintable(m_failure));
}

// Only "*.txt" and "*.tmp" take part, and neither ".git/" nor "*.tmp" after
// all: what is left out is neither copied nor deleted, on either side.
void TestSyncServers::filtersLeaveTheRestAlone_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<SyncDirection>("direction");
    for (const QString& mode : kServers) {
        QTest::addRow("%s: up", qPrintable(shownMode(mode)))
            << mode << SyncDirection::LocalToRemote;
        QTest::addRow("%s: down", qPrintable(shownMode(mode)))
            << mode << SyncDirection::RemoteToLocal;
    }
}

void TestSyncServers::filtersLeaveTheRestAlone() {
    QFETCH(QString, mode);
    QFETCH(SyncDirection, direction);
    SKIP_OR_START(server, mode);
    const bool up = direction == SyncDirection::LocalToRemote;
    const QStringList source{"a.txt=a", "b.tmp=b", "c.dat=c", ".git/config=git", "sub/d.txt=d"};
    const QStringList target{".git/HEAD=head", "old.txt=old", "keep.dat=keep"};
    QVERIFY(plantLocal(m_local->path(), up ? source : target));
    QVERIFY(plantRemote(*server, up ? target : source));

    SyncOptions options = optionsFor(direction, true, true, true);
    options.filter.include = QStringList{"*.txt", "*.tmp"};
    options.filter.exclude = QStringList{".git/", "*.tmp"};
    const FolderComparison::Request request = requestFor(*server, options);
    QVERIFY2(synchronise(request), qPrintable(m_failure));
    const QStringList after{"a.txt=a",        "sub/d.txt=d",   "b.tmp",       "c.dat",
                            ".git/HEAD=head", "keep.dat=keep", ".git/config", "old.txt"};
    QCOMPARE(firstMismatch(up ? server->root() : m_local->path(), after), QString());
    QCOMPARE(firstMismatch(up ? m_local->path() : server->root(), source), QString());
    QVERIFY2(nothingLeftToDo(request), qPrintable(m_failure));
}

// sshd tells its listings' times in a zone of its own: the offset measured,
// or the one the user gave, is taken off before comparing. Without it
// "same.txt" would look newer there and "here.txt" not newer here.
void TestSyncServers::goesByTheServersClock_data() {
    QTest::addColumn<QString>("zone");
    QTest::addColumn<std::optional<qint64>>("given");
    QTest::newRow("3 h ahead, measured") << "XYZ-3" << std::optional<qint64>();
    QTest::newRow("3 h ahead, given") << "XYZ-3" << std::optional<qint64>(3 * 3600);
    QTest::newRow("5:30 behind, measured") << "XYZ+5:30" << std::optional<qint64>();
}

void TestSyncServers::goesByTheServersClock() {
    QFETCH(QString, zone);
    QFETCH(std::optional<qint64>, given);
    if (const QString why = SshTestServer::unavailableReason(); !why.isEmpty())
        QSKIP(qPrintable(why));
    SshTestServer::Options sshOptions;
    sshOptions.timeZone = zone;
    SshTestServer ssh(sshOptions);
    QVERIFY2(ssh.start(), qPrintable(ssh.errorText()));
    QVERIFY(plantLocal(m_local->path(),
                       {"same.txt=aaaa", "here.txt=new here@1", "there.txt=old here"}));
    for (const QString& entry :
         QStringList{"same.txt=bbbb", "here.txt=old there", "there.txt=new there@1"}) {
        const Planted file = plantedOf(entry);
        QVERIFY(ssh.writeFile(file.path, file.content));
        QVERIFY(setTime(ssh.root() + u'/' + file.path, file.time));
    }
    FolderComparison::Request request;
    request.login.address = ssh.address();
    request.login.user = ssh.userName();
    request.login.password = ssh.password();
    request.login.protocol = ServerProtocol::Sftp;
    request.login.trust = std::make_shared<SessionTrust>(m_trust.path());
    QVERIFY(writeFile(m_trust.filePath(QStringLiteral("known_hosts")),
                      ssh.knownHostsLine().toLatin1() + '\n'));
    request.localRoot = m_local->path();
    request.remoteRoot = ssh.loginDir();
    request.options = optionsFor(SyncDirection::LocalToRemote);
    request.offsetSeconds = given;
    QVERIFY2(synchronise(request), qPrintable(m_failure));
    QCOMPARE(
        firstMismatch(ssh.root(), {"same.txt=bbbb", "here.txt=new here", "there.txt=new there"}),
        QString());
    QCOMPARE(copiedWithAnotherTime(m_local->path(), ssh.root()), QString());
    QVERIFY2(nothingLeftToDo(request), qPrintable(m_failure));
}

// The plan is made with "t.txt" newer on the source side, "x.txt" only on
// the target side and "n.txt" only on the source side; then, before the
// queue starts, the target's one named in "changed" changes. Its action is
// asked about (and the script says Skip) or, for a deletion, left; the
// others are done.
void TestSyncServers::targetChangedSinceThePlanIsNotOverwritten_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<SyncDirection>("direction");
    QTest::addColumn<QString>("changed");
    QTest::addColumn<int>("asked");
    QTest::addColumn<QStringList>("target");
    for (const QString& mode : kServers) {
        const QString server = shownMode(mode);
        for (const auto direction : {SyncDirection::LocalToRemote, SyncDirection::RemoteToLocal}) {
            const char* way = direction == SyncDirection::LocalToRemote ? "up" : "down";
            QTest::addRow("%s: %s over a file changed since", qPrintable(server), way)
                << mode << direction << "t.txt" << 1
                << QStringList{"t.txt=changed since", "x.txt", "n.txt=new"};
            QTest::addRow("%s: %s where a file appeared since", qPrintable(server), way)
                << mode << direction << "n.txt" << 1
                << QStringList{"t.txt=source", "x.txt", "n.txt=changed since"};
            QTest::addRow("%s: %s, deleting a file changed since", qPrintable(server), way)
                << mode << direction << "x.txt" << 0
                << QStringList{"t.txt=source", "x.txt=changed since", "n.txt=new"};
        }
    }
}

void TestSyncServers::targetChangedSinceThePlanIsNotOverwritten() {
    QFETCH(QString, mode);
    QFETCH(SyncDirection, direction);
    QFETCH(QString, changed);
    QFETCH(int, asked);
    QFETCH(QStringList, target);
    SKIP_OR_START(server, mode);
    const bool up = direction == SyncDirection::LocalToRemote;
    const QStringList source{"t.txt=source@1", "n.txt=new"};
    const QStringList targetTree{"t.txt=target", "x.txt=extra"};
    QVERIFY(plantLocal(m_local->path(), up ? source : targetTree));
    QVERIFY(plantRemote(*server, up ? targetTree : source));

    const QString changedSpec = changed + QStringLiteral("=changed since@2");
    const auto change = [&] {
        QVERIFY(up ? plantRemote(*server, {changedSpec})
                   : plantLocal(m_local->path(), {changedSpec}));
    };
    QVERIFY2(synchronise(requestFor(*server, optionsFor(direction, true, true, true)), change),
             qPrintable(m_failure));
    QCOMPARE(m_conflicts.askedAbout.size(), asked);
    QCOMPARE(firstMismatch(up ? server->root() : m_local->path(), target), QString());
}

// A synchronisation downloading twelve files and deleting one is killed
// (SIGKILL) once a few files are in; the queue it kept is run again. No
// file is ever under its own name before it is whole, no file that had
// arrived is sent again, and the trees end as planned.
void TestSyncServers::killedSyncGoesOnFromItsSavedQueue() {
    FtpTestServer::Options slow;
    slow.rateLimit = 64 * 1024; // each file takes more than two seconds
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib, slow);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    for (int n = 0; n < kKilledFiles; ++n)
        QVERIFY(server.writeFile(QStringLiteral("d/f%1.dat").arg(n), killedContent(n)));
    QVERIFY(plantLocal(m_local->path(), {"stale.txt=stale"}));
    const QString store = m_trust.filePath(QStringLiteral("queues"));

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SYNC_CHILD_ADDRESS"), server.address());
    environment.insert(QStringLiteral("SYNC_CHILD_USER"), server.userName());
    environment.insert(QStringLiteral("SYNC_CHILD_PASSWORD"), server.password());
    environment.insert(QStringLiteral("SYNC_CHILD_LOCAL"), m_local->path());
    environment.insert(QStringLiteral("SYNC_CHILD_REMOTE"), withoutSlash(server.loginDir()));
    environment.insert(QStringLiteral("SYNC_CHILD_STORE"), store);
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
    QByteArray said;
    QVERIFY(QTest::qWaitFor(
        [&] {
            said += child.readAllStandardOutput();
            return said.count("FINISHED ") >= 4 || child.state() == QProcess::NotRunning;
        },
        120000));
    QVERIFY2(child.state() == QProcess::Running, said.constData());
    child.kill();
    QVERIFY(child.waitForFinished());
    QVERIFY(said.contains("QUEUED 14")); // the folder, its files and the deletion

    int whole = 0;
    for (int n = 0; n < kKilledFiles; ++n) {
        const QString path = m_local->filePath(QStringLiteral("d/f%1.dat").arg(n));
        if (!QFileInfo::exists(path))
            continue;
        QCOMPARE(readFile(path), killedContent(n)); // never half-written under its name
        ++whole;
    }
    QVERIFY(whole >= 3);
    QVERIFY2(whole < kKilledFiles, "all arrived before the kill");

    QueueLogin login;
    login.address = server.address();
    login.user = server.userName();
    login.password = server.password();
    const std::vector<TransferItem> kept = QueueStore(store).load(login.key());
    QVERIFY(!kept.empty());
    TransferQueue queue;
    queue.setLogin(login);
    queue.setConflictPrompts(&m_conflicts);
    queue.restore(kept);
    QVERIFY(QTest::qWaitFor([&queue] { return queue.idle(); }, 120000));
    QCOMPARE(queue.totals().failed, 0);
    QVERIFY2(m_conflicts.askedAbout.isEmpty(), qPrintable(m_conflicts.askedAbout.join(u',')));

    for (int n = 0; n < kKilledFiles; ++n)
        QCOMPARE(readFile(m_local->filePath(QStringLiteral("d/f%1.dat").arg(n))), killedContent(n));
    QVERIFY(!QFileInfo::exists(m_local->filePath(QStringLiteral("stale.txt"))));
    // What was sent over both runs: every file once, and at most the files
    // on their way at the kill (two at a time) a second time.
    const qint64 sent = server.downloadedBytes();
    QVERIFY2(sent <= qint64(kKilledFiles + 2) * kKilledFileSize, qPrintable(QString::number(sent)));
}

// A listing that names entries "../escape.txt", "a/b" and one with a bell
// byte: none of them is fetched, written or deleted, anywhere; the preview
// says so instead of leaving them out without a word; and as the folder was
// not listed whole, what only the local side holds is not deleted.
void TestSyncServers::namesAListingMustNotHoldAreProblems() {
    const QByteArray line = "-rw-r--r-- 1 ftp ftp 3 Jan 02 2024 ";
    HostileFtpServer::Options options;
    options.listing = line + "ok.txt\r\n" + line + "../escape.txt\r\n" + line + "a/b\r\n" + line +
                      "bell\x07.txt\r\n";
    HostileFtpServer hostile(options);
    QVERIFY2(hostile.start(), qPrintable(hostile.errorText()));
    QVERIFY(writeFile(hostile.root() + QStringLiteral("/ok.txt"), "ok!"));
    const QString root = m_local->filePath(QStringLiteral("tree"));
    QVERIFY(plantLocal(root, {"stale.txt=stale"}));

    FolderComparison::Request request;
    request.login.address = hostile.address();
    request.login.user = QStringLiteral("me");
    request.login.password = QStringLiteral("secret");
    request.localRoot = root;
    request.remoteRoot = QStringLiteral("/");
    request.options = optionsFor(SyncDirection::RemoteToLocal, true, false, true);
    const std::optional<SyncPlan> plan = planned(request);
    QVERIFY(plan);
    QStringList problems;
    for (const SyncAction& action : plan->actions)
        if (action.kind == ActionKind::Problem)
            problems << action.path + u':' + action.reason;
    QVERIFY2(problems.join(u'|').contains(QStringLiteral("listed 3 entries")),
             qPrintable(problems.join(u'|')));

    QVERIFY2(synchronise(request), qPrintable(m_failure));
    QCOMPARE(firstMismatch(root, {"ok.txt=ok!", "stale.txt=stale", "a", "escape.txt"}), QString());
    QCOMPARE(
        QDir(m_local->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
        QStringList{"tree"});
    QCOMPARE(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             (QStringList{"ok.txt", "stale.txt"}));
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("SYNC_CHILD_STORE"))
        return runKilledChild();
    TestSyncServers test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sync_servers.moc"
