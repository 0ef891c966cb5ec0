// The profile functions over a real file: other lines stay byte for byte,
// names match without regard to case, bytes 128-255 survive, and the file and
// its section are created when missing.
#include "profile_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

struct FileStat {
    ino_t inode = 0;
    mode_t mode = 0;
};

FileStat statOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {st.st_ino, mode_t(st.st_mode & 07777)};
}

} // namespace

class TestProfileFile : public QObject {
    Q_OBJECT

private slots:
    void init();
    void otherLinesKeptByteForByte();
    void keyAddedAtTheEndOfItsOwnSection();
    void namesMatchWithoutRegardToCase();
    void bytes128To255Survive();
    void newFileAndSectionCreated();
    void readsAreCutLikeTheBuffer();
    void heldKeysAndExistingFile();
    void writtenValueEndsAtLineBreak();
    void batchGivesWhatSingleWritesGive();
    void fileIsReplacedInOneStepOwnerOnly();
    void saveFailsWhenTheDirectoryCannotBeMade();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestProfileFile::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("tarlen.ini"));
}

void TestProfileFile::otherLinesKeptByteForByte() {
    const QByteArray before = "; settings\r\n"
                              "\r\n"
                              "[Other]\r\n"
                              "NUMHOSTS=7\r\n"
                              "\r\n"
                              "[TARLEN]\r\n"
                              "  HOST  =  1 \r\n"
                              "; a comment = not a key\r\n"
                              "junk line without equals\r\n"
                              "NUMHOSTS=2\r\n"
                              "\r\n"
                              "[Third]\r\n"
                              "x=y";
    QVERIFY(writeAll(m_path, before));
    QCOMPARE(readProfileString(m_path, "TARLEN", "HOST", "d"), QStringLiteral("1"));
    QCOMPARE(readProfileString(m_path, "TARLEN", "NUMHOSTS", "d"), QStringLiteral("2"));
    QCOMPARE(readProfileString(m_path, "Third", "x", "d"), QStringLiteral("y"));
    QCOMPARE(readProfileString(m_path, "TARLEN", "; a comment", "d"), QStringLiteral("d"));

    QVERIFY(writeProfileString(m_path, "TARLEN", "NUMHOSTS", " 3"));
    QVERIFY(writeProfileString(m_path, "TARLEN", "PATH", "/tmp"));
    QCOMPARE(readAll(m_path), QByteArray("; settings\r\n"
                                         "\r\n"
                                         "[Other]\r\n"
                                         "NUMHOSTS=7\r\n"
                                         "\r\n"
                                         "[TARLEN]\r\n"
                                         "  HOST  =  1 \r\n"
                                         "; a comment = not a key\r\n"
                                         "junk line without equals\r\n"
                                         "NUMHOSTS= 3\r\n"
                                         "PATH=/tmp\r\n"
                                         "\r\n"
                                         "[Third]\r\n"
                                         "x=y"));

    // A key of the last section, whose last line has no line ending.
    QVERIFY(writeProfileString(m_path, "Third", "z", "1"));
    QVERIFY(readAll(m_path).endsWith("[Third]\r\nx=y\r\nz=1"));
}

void TestProfileFile::keyAddedAtTheEndOfItsOwnSection() {
    QVERIFY(writeAll(m_path, "[A]\nx=1\n\n[B]\ny=2\n"));
    QVERIFY(writeProfileString(m_path, "A", "z", "3"));
    QCOMPARE(readAll(m_path), QByteArray("[A]\nx=1\nz=3\n\n[B]\ny=2\n"));

    QVERIFY(writeAll(m_path, "[A]\n[B]\n"));
    QVERIFY(writeProfileString(m_path, "A", "k", "v"));
    QCOMPARE(readAll(m_path), QByteArray("[A]\nk=v\n[B]\n"));

    QVERIFY(writeAll(m_path, "[A]"));
    QVERIFY(writeProfileString(m_path, "a", "k", "v"));
    QCOMPARE(readAll(m_path), QByteArray("[A]\nk=v"));
}

void TestProfileFile::namesMatchWithoutRegardToCase() {
    QVERIFY(writeAll(m_path, "[tarlen]\nWindowState=2\nHOST0Name=first\nhost0name=second\n"));
    QCOMPARE(readProfileString(m_path, "TARLEN", "WINDOWSTATE", ""), QStringLiteral("2"));
    QCOMPARE(readProfileString(m_path, "Tarlen", "HOST0NAME", ""), QStringLiteral("first"));

    QVERIFY(writeProfileString(m_path, "TARLEN", "WINDOWSTATE", " 0"));
    QVERIFY(writeProfileString(m_path, "TarLen", "host0NAME", "new"));
    QCOMPARE(readAll(m_path),
             QByteArray("[tarlen]\nWINDOWSTATE= 0\nhost0NAME=new\nhost0name=second\n"));

    // A section whose name differs in more than case is another section.
    QCOMPARE(readProfileString(m_path, "TARLEN2", "WINDOWSTATE", "none"), QStringLiteral("none"));
}

void TestProfileFile::bytes128To255Survive() {
    QByteArray high;
    for (int c = 128; c <= 255; ++c)
        high += char(c);
    QVERIFY(writeProfileString(m_path, "TARLEN", "HOST0PW", QString::fromLatin1(high)));
    QCOMPARE(readAll(m_path), "[TARLEN]\nHOST0PW=" + high + '\n');
    QCOMPARE(readProfileString(m_path, "TARLEN", "HOST0PW", ""), QString::fromLatin1(high));

    // Raw bytes, even ones that are not valid UTF-8, are not re-encoded.
    ProfileFile file(m_path);
    file.writeBytes("TARLEN", "RAW", "\xE9\xFF\x80");
    QVERIFY(file.save());
    QCOMPARE(ProfileFile(m_path).readBytes("TARLEN", "RAW", ""), QByteArray("\xE9\xFF\x80"));

    // Characters beyond Latin-1 have no byte of their own.
    QVERIFY(writeProfileString(m_path, "TARLEN", "EURO", QStringLiteral("a\u20ACb")));
    QCOMPARE(readProfileString(m_path, "TARLEN", "EURO", ""), QStringLiteral("a?b"));
}

void TestProfileFile::newFileAndSectionCreated() {
    const QString nested = m_dir->filePath(QStringLiteral("a/b/tarlen.ini"));
    QVERIFY(writeProfileString(nested, "TARLEN", "HOST", " 0"));
    QCOMPARE(readAll(nested), QByteArray("[TARLEN]\nHOST= 0\n"));
    QCOMPARE(statOf(nested).mode, mode_t(0600));

    // A file without the section gets it at its end, in the file's own line
    // endings.
    QVERIFY(writeAll(m_path, "[Other]\r\nk=v"));
    QVERIFY(writeProfileString(m_path, "TARLEN", "HOST", " 1"));
    QCOMPARE(readAll(m_path), QByteArray("[Other]\r\nk=v\r\n[TARLEN]\r\nHOST= 1\r\n"));
}

void TestProfileFile::readsAreCutLikeTheBuffer() {
    const QByteArray longValue(300, 'x');
    QVERIFY(
        writeAll(m_path, "[S]\nlong=" + longValue + QByteArrayLiteral("\nnul=ab\0cd\nempty=\n")));
    const ProfileFile file(m_path);
    QCOMPARE(file.readBytes("S", "long", ""), QByteArray(254, 'x'));
    QCOMPARE(file.readBytes("S", "long", "", 10), QByteArray(9, 'x'));
    QCOMPARE(file.readBytes("S", "nul", ""), QByteArray("ab"));
    // Present but empty is not missing.
    QCOMPARE(file.readBytes("S", "empty", "default"), QByteArray());
    QCOMPARE(file.readBytes("S", "missing", "default"), QByteArray("default"));
    QCOMPARE(file.readBytes("S", "missing", QByteArray(260, 'd')), QByteArray(254, 'd'));
    QCOMPARE(file.readBytes("Missing", "long", "d"), QByteArray("d"));
}

// Whether a key is there at all, apart from its value, and whether there was
// a file to read.
void TestProfileFile::heldKeysAndExistingFile() {
    const ProfileFile none(m_path);
    QVERIFY(!none.existed());
    QVERIFY(!none.holds("S", "k"));

    QVERIFY(writeAll(m_path, "[S]\nempty=\n; gone=1\n[T]\nk=v\n"));
    const ProfileFile file(m_path);
    QVERIFY(file.existed());
    QVERIFY(file.holds("S", "empty"));
    QVERIFY(file.holds("s", "EMPTY"));
    QVERIFY(!file.holds("S", "gone"));
    QVERIFY(!file.holds("S", "k")); // another section's key

    QVERIFY(writeAll(m_path, ""));
    QVERIFY(ProfileFile(m_path).existed());
}

void TestProfileFile::writtenValueEndsAtLineBreak() {
    QVERIFY(writeProfileString(m_path, "S", "a", QStringLiteral("one\ntwo=2")));
    QVERIFY(writeProfileString(m_path, "S", "b", QStringLiteral("three\rfour")));
    QCOMPARE(readAll(m_path), QByteArray("[S]\na=one\nb=three\n"));
}

void TestProfileFile::batchGivesWhatSingleWritesGive() {
    const QByteArray start = "[X]\nq=1\n\n[tarlen]\nhost=9\n\n";
    const QList<std::pair<QString, QString>> writes = {
        {"WINDOWSTATE", " 0"},
        {"HOST", " 1"},
        {"HOST0NAME", "a"},
        {"HOST0NAME", "b"},
        {"HOST1NAME", QStringLiteral("\u00E9")},
        {"host", "-1"},
    };
    const QString single = m_dir->filePath(QStringLiteral("single.ini"));
    QVERIFY(writeAll(single, start));
    for (const auto& [key, value] : writes)
        QVERIFY(writeProfileString(single, "TARLEN", key, value));

    QVERIFY(writeAll(m_path, start));
    ProfileFile batch(m_path);
    for (const auto& [key, value] : writes)
        batch.writeString("TARLEN", key, value);
    QCOMPARE(readAll(m_path), start); // nothing reaches the disk before save()
    QVERIFY(batch.save());
    QCOMPARE(readAll(m_path), readAll(single));
}

void TestProfileFile::fileIsReplacedInOneStepOwnerOnly() {
    QVERIFY(writeAll(m_path, "[TARLEN]\nHOST=1\n"));
    QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadGroup | QFileDevice::ReadOther));
    const FileStat before = statOf(m_path);
    QCOMPARE(before.mode, mode_t(0644));

    // A reader holding the old file keeps seeing it whole: the new text goes
    // to a new file that takes the old one's name.
    QFile old(m_path);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QVERIFY(writeProfileString(m_path, "TARLEN", "HOST", " 2"));
    QCOMPARE(old.readAll(), QByteArray("[TARLEN]\nHOST=1\n"));

    const FileStat after = statOf(m_path);
    QVERIFY(after.inode != before.inode);
    QCOMPARE(after.mode, mode_t(0600));
    QCOMPARE(readAll(m_path), QByteArray("[TARLEN]\nHOST= 2\n"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("tarlen.ini")});
}

void TestProfileFile::saveFailsWhenTheDirectoryCannotBeMade() {
    // A plain file stands where the directory should be.
    const QString blocker = m_dir->filePath(QStringLiteral("config"));
    QVERIFY(writeAll(blocker, "not a directory"));
    QVERIFY(!writeProfileString(blocker + QStringLiteral("/tarlen.ini"), "S", "k", "v"));
    QCOMPARE(readAll(blocker), QByteArray("not a directory"));
}

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profile_file.moc"
