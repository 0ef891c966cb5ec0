// Resumed downloads, appending uploads, kept modification times and Stat,
// against a real server: pass "pyftpdlib", "vsftpd", "ftps-explicit",
// "ftps-implicit" or "sftp" as first argument. With pyftpdlib two more
// servers of its own cut each file's first download short and send slowly.
#include "inet.h"
#include "inet_test_helper.h"
#include "part_records.h"
#include "protocol_test_server.h"
#include "raw_names.h"
#include "test_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kFileSize = 1024 * 1024 + 17;
constexpr qint64 kCutAfter = 262147;
constexpr qint64 kServerTime = 1577934245; // 2020-01-02 03:04:05 UTC

QByteArray patternBytes(qint64 size, int seed = 0) {
    QByteArray b(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        b[i] = char((i * 131 + i / 7 + seed) & 0xFF);
    return b;
}

bool setModified(const QString& path, qint64 seconds) {
    const timespec times[2] = {{time_t(seconds), 0}, {time_t(seconds), 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

qint64 modifiedAt(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? qint64(st.st_mtime) : -1;
}

FtpTestServer::Options cuttingOptions() {
    FtpTestServer::Options options;
    options.cutDownloadsAfter = kCutAfter;
    return options;
}

FtpTestServer::Options slowOptions() {
    FtpTestServer::Options options;
    options.rateLimit = 256 * 1024;
    return options;
}

} // namespace

class TestInetResume : public QObject {
    Q_OBJECT

public:
    explicit TestInetResume(ProtocolTestServer::Mode mode)
        : m_server(mode) {}

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void cutDownloadResumesWithTheMissingBytesOnly();
    void resumeFromPartFile_data();
    void resumeFromPartFile();
    void changedRemoteFileStartsOver_data();
    void changedRemoteFileStartsOver();
    void cancelKeepsPartFileAndTarget();
    void fileWrittenByAnotherProgramIsNotPutInPlace_data();
    void fileWrittenByAnotherProgramIsNotPutInPlace();
    void failedKeptDownloadLeavesNoEmptyPartFile_data();
    void failedKeptDownloadLeavesNoEmptyPartFile();
    void resumedProgressCountsKeptBytes();
    void partFileNotAsRecordedIsLeftAlone_data();
    void partFileNotAsRecordedIsLeftAlone();
    void continuedTargetStaysUntilTheDownloadIsWhole();
    void appendUploadContinuesRemoteFile_data();
    void appendUploadContinuesRemoteFile();
    void appendToLargerRemoteFileFails();
    void downloadKeepsRemoteTime_data();
    void downloadKeepsRemoteTime();
    void downloadOfListedFileIsWhole_data();
    void downloadOfListedFileIsWhole();
    void uploadKeepsLocalTime_data();
    void uploadKeepsLocalTime();
    void statReportsSizeAndTime_data();
    void statReportsSizeAndTime();
    void statOfMissingFileIsServerError();

private:
    QString remote(const QString& relative) const {
        QString dir = m_server.loginDir();
        if (!dir.endsWith(u'/'))
            dir += u'/';
        return dir + relative;
    }
    QString onServer(const QString& relative) const { return m_server.root() + u'/' + relative; }
    QString local(const QString& name) const { return m_local->path() + u'/' + name; }
    QStringList localFiles() const {
        return QDir(m_local->path()).entryList(QDir::Files | QDir::Hidden);
    }
    FtpCommand keptGet(const QString& name, bool resume, qint64 expectedSize = kFileSize,
                       qint64 expectedTime = kServerTime) const;
    // Points the component at one of pyftpdlib's servers of this test.
    void useFtpServer(const FtpTestServer& server);

    ProtocolTestServer m_server;
    std::unique_ptr<FtpTestServer> m_cutting;
    std::unique_ptr<FtpTestServer> m_slow;
    const QByteArray m_content = patternBytes(kFileSize);
    std::unique_ptr<Inet> m_inet;
    std::unique_ptr<QTemporaryDir> m_local;
};

void TestInetResume::initTestCase() {
    const QString unavailable = ProtocolTestServer::unavailableReason(m_server.mode());
    if (!unavailable.isEmpty())
        QSKIP(qPrintable(unavailable));
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
    if (m_server.mode() != ProtocolTestServer::Mode::Pyftpdlib)
        return;
    m_cutting = std::make_unique<FtpTestServer>(FtpTestServer::Kind::Pyftpdlib, cuttingOptions());
    QVERIFY2(m_cutting->start(), qPrintable(m_cutting->errorText()));
    m_slow = std::make_unique<FtpTestServer>(FtpTestServer::Kind::Pyftpdlib, slowOptions());
    QVERIFY2(m_slow->start(), qPrintable(m_slow->errorText()));
}

void TestInetResume::init() {
    m_server.clearRoot();
    QVERIFY(m_server.writeFile(QStringLiteral("file.bin"), m_content));
    QVERIFY(setModified(onServer(QStringLiteral("file.bin")), kServerTime));

    m_local = std::make_unique<QTemporaryDir>();
    m_inet = std::make_unique<Inet>();
    m_inet->setRequestTimeout(20);
    m_inet->setURL(m_server.address());
    m_inet->setUserName(m_server.userName());
    m_inet->setPassword(m_server.password());
    m_inet->setServerProtocol(m_server.protocol());
    m_inet->setSecurityOptions(m_server.trustedOptions());
}

void TestInetResume::cleanup() {
    m_inet.reset();
    m_local.reset();
}

FtpCommand TestInetResume::keptGet(const QString& name, bool resume, qint64 expectedSize,
                                   qint64 expectedTime) const {
    FtpCommand get = FtpCommand::get(remote(name), local(name));
    get.transfer.part = recordedPartFile(partFileFor(local(name)));
    get.transfer.resume = resume;
    get.transfer.expectedSize = expectedSize;
    get.transfer.expectedTime = expectedTime;
    return get;
}

void TestInetResume::useFtpServer(const FtpTestServer& server) {
    m_inet->setURL(server.address());
    m_inet->setUserName(server.userName());
    m_inet->setPassword(server.password());
    m_inet->setServerProtocol(ServerProtocol::PlainFtp);
    m_inet->setSecurityOptions({});
}

void TestInetResume::cutDownloadResumesWithTheMissingBytesOnly() {
    if (!m_cutting)
        QSKIP("only the pyftpdlib run has a server that cuts downloads");
    QVERIFY(m_cutting->writeFile(QStringLiteral("file.bin"), m_content));
    QVERIFY(setModified(m_cutting->root() + QStringLiteral("/file.bin"), kServerTime));
    useFtpServer(*m_cutting);

    // What a queue learns before it starts, and passes on to the retry.
    QVERIFY(runCommand(*m_inet, FtpCommand::stat(QStringLiteral("/file.bin"))).ok());
    const Inet::TransferFacts seen = m_inet->LastTransfer();
    QCOMPARE(seen.remoteSize, kFileSize);
    QCOMPARE(seen.remoteTime, kServerTime);

    FtpCommand get = FtpCommand::get(QStringLiteral("/file.bin"), local("file.bin"));
    get.transfer.part = recordedPartFile(partFileFor(local("file.bin")));
    get.transfer.resume = true;
    get.transfer.expectedSize = seen.remoteSize;
    get.transfer.expectedTime = seen.remoteTime;
    const CommandOutcome cut = runCommand(*m_inet, get);
    QCOMPARE(cut.states.last(), short(11));
    QCOMPARE(cut.responseCode, 12030);
    QCOMPARE(localFiles(), QStringList{"file.bin.part"});
    QCOMPARE(readFile(partFileFor(local("file.bin"))), m_content.left(kCutAfter));
    QCOMPARE(m_cutting->downloadedBytes(), kCutAfter);
    // The queue knows its part file again by what the cut attempt left.
    get.transfer.part->size = m_inet->LastTransfer().partSize;
    get.transfer.part->modifiedNs = m_inet->LastTransfer().partModifiedNs;
    QCOMPARE(get.transfer.part->size, kCutAfter);

    const CommandOutcome retry = runCommand(*m_inet, get);
    QVERIFY2(retry.ok(), qPrintable(retry.responseInfo));
    QCOMPARE(readFile(local("file.bin")), m_content);
    QCOMPARE(localFiles(), QStringList{"file.bin"});
    const Inet::TransferFacts facts = m_inet->LastTransfer();
    QCOMPARE(facts.resumedFrom, kCutAfter);
    QCOMPARE(facts.transferred, kFileSize - kCutAfter);
    QCOMPARE(facts.remoteSize, kFileSize);
    QCOMPARE(facts.remoteTime, kServerTime);
    // The server sent every byte once.
    QCOMPARE(m_cutting->downloadedBytes(), kFileSize);
}

void TestInetResume::resumeFromPartFile_data() {
    QTest::addColumn<QByteArray>("part");
    QTest::addColumn<bool>("resume");
    QTest::addColumn<qint64>("expectedSize");
    QTest::addColumn<qint64>("expectedTime");
    QTest::addColumn<qint64>("resumedFrom");

    const qint64 half = kFileSize / 2;
    const QByteArray halfPart = m_content.left(half);
    QTest::newRow("half") << halfPart << true << kFileSize << kServerTime << half;
    QTest::newRow("nothing expected") << halfPart << true << qint64(-1) << qint64(-1) << half;
    QTest::newRow("all but one byte")
        << m_content.left(kFileSize - 1) << true << kFileSize << kServerTime << kFileSize - 1;
    QTest::newRow("complete") << m_content << true << kFileSize << kServerTime << kFileSize;
    QTest::newRow("longer than the remote file")
        << m_content + "tail" << true << kFileSize << kServerTime << qint64(0);
    QTest::newRow("empty") << QByteArray() << true << kFileSize << kServerTime << qint64(0);
    QTest::newRow("not resuming") << halfPart << false << kFileSize << kServerTime << qint64(0);
}

void TestInetResume::resumeFromPartFile() {
    QFETCH(QByteArray, part);
    QFETCH(bool, resume);
    QFETCH(qint64, expectedSize);
    QFETCH(qint64, expectedTime);
    QFETCH(qint64, resumedFrom);
    QVERIFY(writeFile(partFileFor(local("file.bin")), part));

    const CommandOutcome out = runCommand(
        *m_inet, keptGet(QStringLiteral("file.bin"), resume, expectedSize, expectedTime));
    QVERIFY2(out.ok(), qPrintable(out.responseInfo));
    QCOMPARE(readFile(local("file.bin")), m_content);
    QCOMPARE(localFiles(), QStringList{"file.bin"});
    const Inet::TransferFacts facts = m_inet->LastTransfer();
    QCOMPARE(facts.resumedFrom, resumedFrom);
    QCOMPARE(facts.transferred, kFileSize - resumedFrom);
    QCOMPARE(facts.remoteSize, kFileSize);
}

void TestInetResume::changedRemoteFileStartsOver_data() {
    QTest::addColumn<QByteArray>("newContent");
    QTest::addColumn<qint64>("newTime");
    QTest::addColumn<qint64>("expectedSize");
    QTest::addColumn<qint64>("expectedTime");

    QTest::newRow("size changed") << patternBytes(kFileSize + 1000, 7) << kServerTime << kFileSize
                                  << kServerTime;
    QTest::newRow("time changed") << patternBytes(kFileSize, 7) << kServerTime + 3600 << kFileSize
                                  << kServerTime;
    QTest::newRow("shorter than the part file")
        << patternBytes(kFileSize / 4, 7) << kServerTime << qint64(-1) << qint64(-1);
}

void TestInetResume::changedRemoteFileStartsOver() {
    QFETCH(QByteArray, newContent);
    QFETCH(qint64, newTime);
    QFETCH(qint64, expectedSize);
    QFETCH(qint64, expectedTime);
    QVERIFY(writeFile(partFileFor(local("file.bin")), m_content.left(kFileSize / 2)));
    QVERIFY(m_server.writeFile(QStringLiteral("file.bin"), newContent));
    QVERIFY(setModified(onServer(QStringLiteral("file.bin")), newTime));

    const CommandOutcome out =
        runCommand(*m_inet, keptGet(QStringLiteral("file.bin"), true, expectedSize, expectedTime));
    QVERIFY2(out.ok(), qPrintable(out.responseInfo));
    QCOMPARE(readFile(local("file.bin")), newContent);
    QCOMPARE(localFiles(), QStringList{"file.bin"});
    const Inet::TransferFacts facts = m_inet->LastTransfer();
    QCOMPARE(facts.resumedFrom, qint64(0));
    QCOMPARE(facts.transferred, qint64(newContent.size()));
    QCOMPARE(facts.remoteSize, qint64(newContent.size()));
    QCOMPARE(facts.remoteTime, newTime);
}

void TestInetResume::cancelKeepsPartFileAndTarget() {
    if (!m_slow)
        QSKIP("only the pyftpdlib run has a slow server");
    QVERIFY(m_slow->writeFile(QStringLiteral("file.bin"), m_content));
    QVERIFY(setModified(m_slow->root() + QStringLiteral("/file.bin"), kServerTime));
    const QString target = local("file.bin");
    QVERIFY(writeFile(target, "old content"));
    useFtpServer(*m_slow);

    QSignalSpy progress(m_inet.get(), &Inet::TransferProgress);
    m_inet->Execute(m_inet->URL(), keptGet(QStringLiteral("file.bin"), true));
    QVERIFY(QTest::qWaitFor(
        [&] { return !progress.isEmpty() && progress.last().at(0).toLongLong() > 0; }, 10000));
    QElapsedTimer clock;
    clock.start();
    m_inet->Cancel();
    QVERIFY(QTest::qWaitFor([&] { return !m_inet->StillExecuting(); }, 5000));
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));

    // The next command starts once the cancelled one has let go of the file.
    QVERIFY(runCommand(*m_inet, QStringLiteral("PWD")).ok());
    QCOMPARE(readFile(target), QByteArray("old content"));
    const QByteArray kept = readFile(partFileFor(target));
    QVERIFY2(kept.size() > 0 && kept.size() < kFileSize, qPrintable(QString::number(kept.size())));
    QCOMPARE(kept, m_content.left(kept.size()));

    // The same file from a faster server picks up where it stopped.
    useFtpServer(*m_server.ftp());
    const CommandOutcome resumed = runCommand(*m_inet, keptGet(QStringLiteral("file.bin"), true));
    QVERIFY2(resumed.ok(), qPrintable(resumed.responseInfo));
    QCOMPARE(readFile(target), m_content);
    QCOMPARE(m_inet->LastTransfer().resumedFrom, qint64(kept.size()));
}

void TestInetResume::fileWrittenByAnotherProgramIsNotPutInPlace_data() {
    QTest::addColumn<bool>("kept");
    QTest::newRow("part file") << true;
    QTest::newRow("hidden file") << false;
}

void TestInetResume::fileWrittenByAnotherProgramIsNotPutInPlace() {
    if (!m_slow)
        QSKIP("only the pyftpdlib run has a slow server");
    QFETCH(bool, kept);
    QVERIFY(m_slow->writeFile(QStringLiteral("file.bin"), m_content));
    const QString target = local("file.bin");
    QVERIFY(writeFile(target, "old content"));
    useFtpServer(*m_slow);

    QSignalSpy progress(m_inet.get(), &Inet::TransferProgress);
    m_inet->Execute(m_inet->URL(), kept ? keptGet(QStringLiteral("file.bin"), true)
                                        : FtpCommand::get(remote("file.bin"), target));
    QVERIFY(QTest::qWaitFor(
        [&] { return !progress.isEmpty() && progress.last().at(0).toLongLong() > 0; }, 10000));
    QStringList written = QDir(m_local->path()).entryList(QDir::Files | QDir::Hidden);
    written.removeOne(QStringLiteral("file.bin"));
    QCOMPARE(written.size(), 1);
    // Past the end the download will reach.
    QFile file(m_local->filePath(written.first()));
    QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(kFileSize + 100) && file.write("x") == 1);
    file.close();
    QVERIFY(QTest::qWaitFor([&] { return !m_inet->StillExecuting(); }, 20000));

    QCOMPARE(m_inet->ResponseCode(), 12004);
    QCOMPARE(readFile(target), QByteArray("old content"));
    // A part file is left as it is, but not taken for the download's own.
    QCOMPARE(QFile::exists(file.fileName()), kept);
    QCOMPARE(m_inet->LastTransfer().partSize, -1);
}

void TestInetResume::failedKeptDownloadLeavesNoEmptyPartFile_data() {
    QTest::addColumn<QByteArray>("part");
    QTest::addColumn<QStringList>("filesAfter");
    QTest::newRow("no part file") << QByteArray() << QStringList{"missing.bin"};
    QTest::newRow("part file") << QByteArray("begun")
                               << QStringList{"missing.bin", "missing.bin.part"};
}

void TestInetResume::failedKeptDownloadLeavesNoEmptyPartFile() {
    QFETCH(QByteArray, part);
    QFETCH(QStringList, filesAfter);
    const QString target = local("missing.bin");
    QVERIFY(writeFile(target, "old content"));
    if (!part.isEmpty())
        QVERIFY(writeFile(partFileFor(target), part));

    const CommandOutcome out = runCommand(*m_inet, keptGet(QStringLiteral("missing.bin"), true));
    QCOMPARE(out.states.last(), short(11));
    QCOMPARE(out.responseCode, 12003);
    QCOMPARE(readFile(target), QByteArray("old content"));
    QCOMPARE(localFiles(), filesAfter);
    if (!part.isEmpty())
        QCOMPARE(readFile(partFileFor(target)), part);
}

void TestInetResume::resumedProgressCountsKeptBytes() {
    const qint64 kept = kFileSize / 3;
    QVERIFY(writeFile(partFileFor(local("file.bin")), m_content.left(kept)));
    QSignalSpy progress(m_inet.get(), &Inet::TransferProgress);
    QVERIFY(runCommand(*m_inet, keptGet(QStringLiteral("file.bin"), true)).ok());
    QVERIFY(!progress.isEmpty());
    for (const QList<QVariant>& report : progress) {
        QVERIFY2(report.at(0).toLongLong() >= kept, qPrintable(report.at(0).toString()));
        QCOMPARE(report.at(1).toLongLong(), kFileSize);
    }
    QCOMPARE(progress.last().at(0).toLongLong(), kFileSize);
}

// What lies at the part file's name is written to only while it is the very
// file recorded, as it was left: anything else fails the Get and stays.
void TestInetResume::partFileNotAsRecordedIsLeftAlone_data() {
    QTest::addColumn<QString>("change");
    QTest::newRow("another file took its name") << "replace";
    QTest::newRow("a link took its name") << "link";
    QTest::newRow("written to since") << "append";
    QTest::newRow("given a second name") << "hardlink";
}

void TestInetResume::partFileNotAsRecordedIsLeftAlone() {
    QFETCH(QString, change);
    const QString part = partFileFor(local("file.bin"));
    const QString victim = local("victim.txt");
    QVERIFY(writeFile(part, m_content.left(1000)));
    QVERIFY(writeFile(victim, "the user's own"));
    FtpCommand get = keptGet(QStringLiteral("file.bin"), true);
    const QByteArray partBytes = RawName::encode(part);
    if (change == u"replace") {
        QVERIFY(QFile::remove(part) && writeFile(part, "the user's own"));
    } else if (change == u"link") {
        QVERIFY(QFile::remove(part) && QFile::link(victim, part));
    } else if (change == u"append") {
        QFile file(part);
        QVERIFY(file.open(QIODevice::Append) && file.write("x") == 1);
    } else {
        QVERIFY(::link(partBytes.constData(), RawName::encode(victim + u'2').constData()) == 0);
    }
    const QByteArray before = readFile(part);

    const CommandOutcome out = runCommand(*m_inet, get);
    QCOMPARE(out.states.last(), short(11));
    QCOMPARE(out.responseCode, 12004);
    QCOMPARE(readFile(part), before);
    QCOMPARE(readFile(victim), QByteArray("the user's own"));
    QVERIFY(!QFile::exists(local("file.bin")));
}

// Continuing an existing target starts from a copy of it: when the
// transfer fails, the target is still what it was.
void TestInetResume::continuedTargetStaysUntilTheDownloadIsWhole() {
    if (!m_cutting)
        QSKIP("only the pyftpdlib run has a server that cuts downloads");
    // A file of its own: the server cuts only the first download of each.
    QVERIFY(m_cutting->writeFile(QStringLiteral("seeded.bin"), m_content));
    useFtpServer(*m_cutting);
    const QString target = local("seeded.bin");
    const QByteArray begun = m_content.left(1000);
    QVERIFY(writeFile(target, begun));

    FtpCommand get = FtpCommand::get(QStringLiteral("/seeded.bin"), target);
    get.transfer.part = recordedPartFile(partFileFor(target));
    get.transfer.seedFrom = target;
    const CommandOutcome cut = runCommand(*m_inet, get);
    QCOMPARE(cut.responseCode, 12030);
    QCOMPARE(readFile(target), begun);
    const Inet::TransferFacts facts = m_inet->LastTransfer();
    QCOMPARE(facts.resumedFrom, qint64(begun.size()));
    QCOMPARE(readFile(partFileFor(target)), m_content.left(begun.size() + kCutAfter));

    get.transfer.seedFrom.clear();
    get.transfer.resume = true;
    get.transfer.part->size = facts.partSize;
    get.transfer.part->modifiedNs = facts.partModifiedNs;
    const CommandOutcome retry = runCommand(*m_inet, get);
    QVERIFY2(retry.ok(), qPrintable(retry.responseInfo));
    QCOMPARE(readFile(target), m_content);
    QCOMPARE(localFiles(), QStringList{"seeded.bin"});
}

void TestInetResume::appendUploadContinuesRemoteFile_data() {
    QTest::addColumn<bool>("remoteExists");
    QTest::addColumn<QByteArray>("remoteBefore");
    QTest::addColumn<qint64>("resumedFrom");
    const qint64 half = kFileSize / 2;
    QTest::newRow("half there") << true << m_content.left(half) << half;
    QTest::newRow("nothing there") << false << QByteArray() << qint64(0);
    QTest::newRow("empty file there") << true << QByteArray() << qint64(0);
    QTest::newRow("all there") << true << m_content << kFileSize;
}

void TestInetResume::appendUploadContinuesRemoteFile() {
    QFETCH(bool, remoteExists);
    QFETCH(QByteArray, remoteBefore);
    QFETCH(qint64, resumedFrom);
    m_server.clearRoot();
    if (remoteExists)
        QVERIFY(m_server.writeFile(QStringLiteral("up.bin"), remoteBefore));
    QVERIFY(writeFile(local("up.bin"), m_content));

    FtpCommand put = FtpCommand::put(local("up.bin"), remote(QStringLiteral("up.bin")));
    put.transfer.append = true;
    QSignalSpy progress(m_inet.get(), &Inet::TransferProgress);
    const CommandOutcome out = runCommand(*m_inet, put);
    QVERIFY2(out.ok(), qPrintable(out.responseInfo));
    QCOMPARE(readFile(onServer(QStringLiteral("up.bin"))), m_content);
    const Inet::TransferFacts facts = m_inet->LastTransfer();
    QCOMPARE(facts.resumedFrom, resumedFrom);
    QCOMPARE(facts.transferred, kFileSize - resumedFrom);
    QCOMPARE(facts.remoteSize, kFileSize);
    if (!progress.isEmpty())
        QCOMPARE(progress.last().at(1).toLongLong(), kFileSize);
}

void TestInetResume::appendToLargerRemoteFileFails() {
    const QByteArray larger = m_content + "and more";
    QVERIFY(m_server.writeFile(QStringLiteral("up.bin"), larger));
    QVERIFY(writeFile(local("up.bin"), m_content));
    FtpCommand put = FtpCommand::put(local("up.bin"), remote(QStringLiteral("up.bin")));
    put.transfer.append = true;

    const CommandOutcome out = runCommand(*m_inet, put);
    QCOMPARE(out.states.last(), short(11));
    QCOMPARE(out.responseCode, 12004);
    QVERIFY2(out.responseInfo.contains(QStringLiteral("larger")), qPrintable(out.responseInfo));
    QCOMPARE(readFile(onServer(QStringLiteral("up.bin"))), larger);
    QCOMPARE(m_inet->LastTransfer().remoteSize, qint64(larger.size()));
    QCOMPARE(m_inet->LastTransfer().transferred, qint64(0));
    QVERIFY(runCommand(*m_inet, QStringLiteral("PWD")).ok());
}

void TestInetResume::downloadKeepsRemoteTime_data() {
    QTest::addColumn<bool>("fromPartFile");
    QTest::newRow("whole") << false;
    QTest::newRow("resumed") << true;
}

void TestInetResume::downloadKeepsRemoteTime() {
    QFETCH(bool, fromPartFile);
    FtpCommand get = FtpCommand::get(remote(QStringLiteral("file.bin")), local("file.bin"));
    if (fromPartFile) {
        QVERIFY(writeFile(partFileFor(local("file.bin")), m_content.left(1000)));
        get = keptGet(QStringLiteral("file.bin"), true);
    }
    get.transfer.keepTime = true;
    const CommandOutcome out = runCommand(*m_inet, get);
    QVERIFY2(out.ok(), qPrintable(out.responseInfo));
    QCOMPARE(readFile(local("file.bin")), m_content);
    QCOMPARE(modifiedAt(local("file.bin")), kServerTime);
    QCOMPARE(m_inet->LastTransfer().remoteTime, kServerTime);
}

void TestInetResume::downloadOfListedFileIsWhole_data() {
    QTest::addColumn<qint64>("listedSize");
    QTest::newRow("as listed") << kFileSize;
    QTest::newRow("grown since listed") << kFileSize - 1;
    QTest::newRow("shrunk since listed") << kFileSize + 1;
    QTest::newRow("listed in blocks") << (kFileSize / 512 + 1) * 512;
}

// A whole file is held to the size its listing told, not asked for it
// first; where the two differ, the server's own size decides. Its time is
// the server's to the second, not the listing's minute.
void TestInetResume::downloadOfListedFileIsWhole() {
    QFETCH(qint64, listedSize);
    FtpCommand get = FtpCommand::get(remote(QStringLiteral("file.bin")), local("file.bin"));
    get.transfer.expectedSize = listedSize;
    get.transfer.expectedTime = kServerTime - kServerTime % 60;
    get.transfer.keepTime = true;

    const CommandOutcome out = runCommand(*m_inet, get);
    QVERIFY2(out.ok(), qPrintable(out.responseInfo));
    QCOMPARE(readFile(local("file.bin")), m_content);
    QCOMPARE(localFiles(), QStringList{"file.bin"});
    QCOMPARE(modifiedAt(local("file.bin")), kServerTime);
    QCOMPARE(m_inet->LastTransfer().remoteSize, kFileSize);
    QCOMPARE(m_inet->LastTransfer().remoteTime, kServerTime);
}

void TestInetResume::uploadKeepsLocalTime_data() {
    QTest::addColumn<bool>("append");
    QTest::newRow("whole") << false;
    QTest::newRow("appended") << true;
}

// Every server here allows it: pyftpdlib through MFMT, vsftpd through MDTM
// with a time, sshd through SFTP's attributes.
void TestInetResume::uploadKeepsLocalTime() {
    QFETCH(bool, append);
    const qint64 localTime = kServerTime + 86400 + 17;
    QVERIFY(writeFile(local("up.bin"), m_content));
    QVERIFY(setModified(local("up.bin"), localTime));
    if (append)
        QVERIFY(m_server.writeFile(QStringLiteral("up.bin"), m_content.left(5000)));

    FtpCommand put = FtpCommand::put(local("up.bin"), remote(QStringLiteral("up.bin")));
    put.transfer.append = append;
    put.transfer.keepTime = true;
    const CommandOutcome out = runCommand(*m_inet, put);
    QVERIFY2(out.ok(), qPrintable(out.responseInfo));
    QCOMPARE(readFile(onServer(QStringLiteral("up.bin"))), m_content);
    QCOMPARE(modifiedAt(onServer(QStringLiteral("up.bin"))), localTime);
}

void TestInetResume::statReportsSizeAndTime_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("file") << "stat.bin" << m_content;
    QTest::newRow("empty file") << "empty.bin" << QByteArray();
}

void TestInetResume::statReportsSizeAndTime() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QVERIFY(m_server.writeFile(name, content));
    QVERIFY(setModified(onServer(name), kServerTime - 60));

    const CommandOutcome out = runCommand(*m_inet, FtpCommand::stat(remote(name)));
    QVERIFY2(out.ok(), qPrintable(out.responseInfo));
    const Inet::TransferFacts facts = m_inet->LastTransfer();
    QCOMPARE(facts.remoteSize, qint64(content.size()));
    QCOMPARE(facts.remoteTime, kServerTime - 60);
    QCOMPARE(facts.transferred, qint64(0));
    QCOMPARE(readFile(onServer(name)), content);

    // The next command starts with nothing known.
    QVERIFY(runCommand(*m_inet, QStringLiteral("PWD")).ok());
    QCOMPARE(m_inet->LastTransfer().remoteSize, qint64(-1));
    QCOMPARE(m_inet->LastTransfer().remoteTime, qint64(-1));
}

void TestInetResume::statOfMissingFileIsServerError() {
    const CommandOutcome out =
        runCommand(*m_inet, FtpCommand::stat(remote(QStringLiteral("missing.bin"))));
    QCOMPARE(out.states.last(), short(11));
    QCOMPARE(out.responseCode, 12003);
    // An SFTP server's refusal comes in libcurl's words.
    if (m_server.protocol() == ServerProtocol::Sftp)
        QVERIFY2(!out.responseInfo.isEmpty(), qPrintable(out.responseInfo));
    else
        QVERIFY2(out.responseInfo.startsWith(QStringLiteral("550")), qPrintable(out.responseInfo));
    QCOMPARE(m_inet->LastTransfer().remoteSize, qint64(-1));
    QVERIFY(runCommand(*m_inet, QStringLiteral("PWD")).ok());
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::optional<ProtocolTestServer::Mode> mode =
        argc > 1 ? ProtocolTestServer::modeNamed(QString::fromLatin1(argv[1])) : std::nullopt;
    if (mode) {
        argv[1] = argv[0];
        ++argv;
        --argc;
    }
    TestInetResume test(mode.value_or(ProtocolTestServer::Mode::Pyftpdlib));
    return QTest::qExec(&test, argc, argv);
}

#include "tst_inet_resume.moc"
