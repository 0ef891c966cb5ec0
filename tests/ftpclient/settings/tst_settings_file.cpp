// Loading and saving the settings through a real file in a temporary
// configuration directory.
#include "fake_settings_window.h"
#include "password_scramble.h"
#include "raw_names.h"
#include "settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

const QString Key = QStringLiteral("mavrq5216");

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

HostProfiles profilesOf(const QList<HostInfo>& hosts) {
    HostProfiles profiles;
    profiles.Hosts = hosts;
    profiles.iNumHosts = short(hosts.size());
    return profiles;
}

// A settings file as SaveSettings writes it, with the local directory `path`
// and the profile keys `profileLines` after "SAVEPW".
QByteArray settingsText(const QString& path, int numHosts, const QByteArray& profileLines) {
    return "[TARLEN]\nWINDOWSTATE= 0\nWINDOWTOP= 1215\nWINDOWLEFT= 0\nWINDOWHEIGHT= 6000\n"
           "WINDOWWIDTH= 9000\nLOCALHEIGHT= 4575\nLOCALWIDTH= 5055\nREMOTEHEIGHT= 4500\n"
           "REMOTEWIDTH= 5100\nNUMHOSTS= " +
           QByteArray::number(numHosts) + "\nHOST= 0\nPATH=" + QFile::encodeName(path) +
           "\nSAVEPW= 1\n" + profileLines;
}

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

private slots:
    void init();

    void nothingStoredGivesDefaults();
    void missingPaneKeyTakesItsDefault();
    void geometryWithoutStateIsNotApplied();
    void missingProfileKeysTakeDefaults();
    void valuesAreReadLeniently();

    void geometryThatCannotBeAppliedIsSkipped();
    void pathThatCannotBeShownGivesHomeFolder();
    void profileCountAndCurrentIndex_data();
    void profileCountAndCurrentIndex();
    void profilesWithoutKeysCostNoLookups_data();
    void profilesWithoutKeysCostNoLookups();

    void freshFileHoldsEveryKeyInOrder();
    void savedSettingsLoadBack();
    void deletedProfilesLeaveTheirKeys();
    void unstorablePasswordIsWrittenEmpty();
    void textInAnyScriptSurvives();
    void latin1FileFromBeforeLoadsAndSavesUnchanged();

    void fileWithoutProtocolsIsPlainFtpAndSavesUnchanged();
    void everyProtocolAndKeyFileRoundTrips_data();
    void everyProtocolAndKeyFileRoundTrips();
    void storedProtocolAndKeyFile_data();
    void storedProtocolAndKeyFile();
    void deletedProfileLeavesNoProtocolToItsSuccessor();

    void queuePreferencesOutOfRangeKeepDefaults_data();
    void queuePreferencesOutOfRangeKeepDefaults();
    void queuePreferencesRoundTrip();

    void folderPairsAndClockFollowTheirProfile_data();
    void folderPairsAndClockFollowTheirProfile();
    void storedFolderPairsAndClock_data();
    void storedFolderPairsAndClock();

private:
    // Loads the given file text into a fresh window and profiles.
    void load(const QByteArray& text);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
    FakeSettingsWindow m_window;
    HostProfiles m_profiles;
};

void TestSettingsFile::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path()));
    m_file = m_dir->filePath(QStringLiteral("tarlen.ini"));
    QCOMPARE(settingsFilePath(), m_file);
}

void TestSettingsFile::load(const QByteArray& text) {
    QVERIFY(writeAll(m_file, text));
    m_window = FakeSettingsWindow();
    m_profiles = HostProfiles();
    LoadSettings(m_window, m_profiles, Key);
}

void TestSettingsFile::nothingStoredGivesDefaults() {
    for (const char* text : {"<no file>", "", "[OTHER]\nNUMHOSTS= 5\nWINDOWSTATE= 2\n"}) {
        if (QByteArray(text) == "<no file>") {
            m_profiles.iCurHost = 5;
            LoadSettings(m_window, m_profiles, Key);
            QVERIFY(!QFile::exists(m_file)); // reading never creates the file
        } else {
            load(text);
        }
        QCOMPARE(m_window.calls, QStringList{QStringLiteral("path")});
        QCOMPARE(m_window.path, QDir::homePath());
        QCOMPARE(m_profiles.iNumHosts, short(1));
        QCOMPARE(m_profiles.iCurHost, short(0));
        QCOMPARE(m_profiles.iSavePW, short(0));
        QCOMPARE(m_profiles.Hosts.size(), 1);
        QCOMPARE(m_profiles.Hosts[0].sName, QStringLiteral("Anonymous"));
        QCOMPARE(m_profiles.Hosts[0].sAddr, QString());
        QCOMPARE(m_profiles.Hosts[0].sUser, QStringLiteral("anonymous"));
        QCOMPARE(m_profiles.Hosts[0].sPW, QString());
        // A first start offers TLS; a file's profile without a protocol has
        // always been plain FTP.
        QCOMPARE(m_profiles.Hosts[0].protocol, QByteArray(text) == "<no file>"
                                                   ? ServerProtocol::FtpTlsIfOffered
                                                   : ServerProtocol::PlainFtp);
        QCOMPARE(m_profiles.Hosts[0].sKeyFile, QString());
    }
}

void TestSettingsFile::missingPaneKeyTakesItsDefault() {
    load("[TARLEN]\nWINDOWSTATE= 2\nWINDOWLEFT= 300\nWINDOWHEIGHT= 7000\nWINDOWWIDTH= 9000\n"
         "LOCALHEIGHT= 3000\nREMOTEHEIGHT= 3100\nREMOTEWIDTH= 4000\n");
    QCOMPARE(m_window.calls,
             (QStringList{"top", "left", "height", "width", "frameHeight0", "frameWidth0",
                          "frameHeight1", "frameWidth1", "state", "path"}));
    QCOMPARE(m_window.top, -1.0); // its default, applied as it stands
    QCOMPARE(m_window.left, 300.0);
    QCOMPARE(m_window.height, 7000.0);
    QCOMPARE(m_window.frameHeights[0], 3000.0);
    QCOMPARE(m_window.frameWidths[0], 5055.0);
    QCOMPARE(m_window.frameWidths[1], 4000.0);
    QCOMPARE(m_window.state, short(2));
}

void TestSettingsFile::geometryWithoutStateIsNotApplied() {
    const QByteArray geometry =
        "WINDOWTOP= 1\nWINDOWLEFT= 2\nWINDOWHEIGHT= 3000\nWINDOWWIDTH= 4000\n"
        "LOCALHEIGHT= 5\nLOCALWIDTH= 6\nREMOTEHEIGHT= 7\nREMOTEWIDTH= 8\n";
    load("[TARLEN]\n" + geometry);
    QCOMPARE(m_window.calls, QStringList{QStringLiteral("path")});
    load("[TARLEN]\nWINDOWSTATE=-1\n" + geometry);
    QCOMPARE(m_window.calls, QStringList{QStringLiteral("path")});
    // A state that does not fit 16 bits is as good as missing.
    load("[TARLEN]\nWINDOWSTATE= 70000\n" + geometry);
    QCOMPARE(m_window.calls, QStringList{QStringLiteral("path")});
}

void TestSettingsFile::missingProfileKeysTakeDefaults() {
    load("[TARLEN]\nNUMHOSTS= 2\nHOST= 1\nHOST0NAME=Work\nHOST0ADDR=ftp.example.org\n"
         "HOST0USER=me\n");
    QCOMPARE(m_profiles.iNumHosts, short(2));
    QCOMPARE(m_profiles.iCurHost, short(1));
    QCOMPARE(m_profiles.Hosts[0].sAddr, QStringLiteral("ftp.example.org"));
    QCOMPARE(m_profiles.Hosts[0].sUser, QStringLiteral("me"));
    QCOMPARE(m_profiles.Hosts[1].sName, QStringLiteral("Anonymous"));
    QCOMPARE(m_profiles.Hosts[1].sAddr, QString());
    QCOMPARE(m_profiles.Hosts[1].sUser, QStringLiteral("anonymous"));
    QCOMPARE(m_profiles.Hosts[1].sPW, QString());
}

void TestSettingsFile::valuesAreReadLeniently() {
    // Names in any case, numbers read up to what does not fit, halves to the
    // even neighbour, strings and passwords ("secret" scrambled) trimmed.
    load("[tarlen]\nnumhosts= 3\nHOST=1abc\nSAVEPW=abc\nWindowState=0.5\n"
         "WINDOWHEIGHT=2500.5\nWINDOWWIDTH=1e3\nHOST0NAME=  spaced name  \n"
         "HOST0PW=  \xE1\xC8\xDC\xE8\xDB\xAF   \n");
    QCOMPARE(m_profiles.iNumHosts, short(3));
    QCOMPARE(m_profiles.iCurHost, short(1));
    QCOMPARE(m_profiles.iSavePW, short(0));
    QVERIFY(m_window.calls.contains(QStringLiteral("state")));
    QCOMPARE(m_window.state, short(0));
    QCOMPARE(m_window.height, 2500.0);
    QCOMPARE(m_window.width, 1000.0);
    QCOMPARE(m_profiles.Hosts[0].sName, QStringLiteral("spaced name"));
    QCOMPARE(m_profiles.Hosts[0].sPW, QStringLiteral("secret"));
}

void TestSettingsFile::geometryThatCannotBeAppliedIsSkipped() {
    // A minimised window's coordinates, a zero height, a negative width and
    // frame sizes that make no sense are skipped; the rest applies and the
    // profiles still load.
    load("[TARLEN]\nWINDOWSTATE= 1\nWINDOWTOP=-48000\nWINDOWLEFT=-200\nWINDOWHEIGHT= 0\n"
         "WINDOWWIDTH=-5\nLOCALHEIGHT= 0\nLOCALWIDTH= 40000\nREMOTEHEIGHT=-1\n"
         "REMOTEWIDTH= 4500\nNUMHOSTS= 1\nHOST0NAME=kept\n");
    QCOMPARE(m_window.calls, (QStringList{"left", "frameWidth1", "state", "path"}));
    QCOMPARE(m_window.left, -200.0); // off to the left of the screen is a place
    QCOMPARE(m_window.frameWidths[1], 4500.0);
    QCOMPARE(m_window.state, short(1));
    QCOMPARE(m_profiles.Hosts[0].sName, QStringLiteral("kept"));

    // State present, height and width missing: their default -1 is no size.
    load("[TARLEN]\nWINDOWSTATE= 0\n");
    QCOMPARE(m_window.height, FakeSettingsWindow::DesignHeight);
    QCOMPARE(m_window.width, FakeSettingsWindow::DesignWidth);

    // A state that is none of normal, minimised, maximised leaves the state.
    load("[TARLEN]\nWINDOWSTATE= 7\nWINDOWHEIGHT= 5000\n");
    QCOMPARE(m_window.height, 5000.0);
    QVERIFY(!m_window.calls.contains(QStringLiteral("state")));
}

void TestSettingsFile::pathThatCannotBeShownGivesHomeFolder() {
    load("[TARLEN]\nPATH=" + QFile::encodeName(m_dir->filePath("gone")) +
         "\nNUMHOSTS= 2\nSAVEPW= 1\nHOST1NAME=second\n");
    QCOMPARE(m_window.path, QDir::homePath());
    QCOMPARE(m_profiles.iSavePW, short(1));
    QCOMPARE(m_profiles.Hosts[1].sName, QStringLiteral("second"));

    load("[TARLEN]\nPATH=\n");
    QCOMPARE(m_window.path, QDir::homePath());

    // No home to show either: the program's own folder.
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(m_dir->filePath(QStringLiteral("no home"))));
    load("[TARLEN]\nPATH=\n");
    qputenv("HOME", home);
    QCOMPARE(m_window.path, QCoreApplication::applicationDirPath());

    // A directory is kept under its file-system name's own bytes.
    const QString local = m_dir->filePath(QStringLiteral("D\u00E9j\u00E0 \u0414\u043E\u043A"));
    QVERIFY(QDir().mkpath(local));
    load("[TARLEN]\nPATH=" + QFile::encodeName(local) + "\n");
    QCOMPARE(m_window.path, local);
}

void TestSettingsFile::profileCountAndCurrentIndex_data() {
    QTest::addColumn<QByteArray>("numHosts");
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("current");
    QTest::newRow("in range") << QByteArray(" 2") << QByteArray(" 1") << 2 << 1;
    QTest::newRow("index past the end") << QByteArray(" 2") << QByteArray(" 2") << 2 << -1;
    QTest::newRow("index negative") << QByteArray(" 2") << QByteArray("-1") << 2 << -1;
    QTest::newRow("index beyond 16 bits: default 0")
        << QByteArray(" 2") << QByteArray("-40000") << 2 << 0;
    QTest::newRow("no profiles") << QByteArray(" 0") << QByteArray(" 0") << 0 << -1;
    QTest::newRow("count negative") << QByteArray("-3") << QByteArray(" 0") << 0 << -1;
    QTest::newRow("count beyond 16 bits: default 1")
        << QByteArray(" 99999") << QByteArray(" 0") << 1 << 0;
}

void TestSettingsFile::profileCountAndCurrentIndex() {
    QFETCH(QByteArray, numHosts);
    QFETCH(QByteArray, host);
    QFETCH(int, count);
    QFETCH(int, current);
    load("[TARLEN]\nNUMHOSTS=" + numHosts + "\nHOST=" + host +
         "\nSAVEPW= 1\nHOST0NAME=a\nHOST1NAME=b\n");
    QCOMPARE(int(m_profiles.iNumHosts), count);
    QCOMPARE(m_profiles.Hosts.size(), count);
    QCOMPARE(int(m_profiles.iCurHost), current);
    QCOMPARE(m_profiles.iSavePW, short(1)); // the keys after it still load
    if (count == 2)
        QCOMPARE(m_profiles.Hosts[1].sName, QStringLiteral("b"));
}

// Loading costs what the file holds, not what "NUMHOSTS" claims: the same
// keys take as many lookups whether 30000 profiles are claimed or just
// enough, and every profile without keys still reads as one.
void TestSettingsFile::profilesWithoutKeysCostNoLookups_data() {
    QTest::addColumn<QByteArray>("profileLines");
    QTest::addColumn<int>("enough");
    QTest::newRow("none") << QByteArray() << 1;
    QTest::newRow("the first") << QByteArray("HOST0NAME=a\nHOST0PW=\n") << 2;
    QTest::newRow("scattered, any case")
        << QByteArray("host7user=u\nHOST2PROTOCOL=3\nHost12KeyRing= 1\n") << 14;
    QTest::newRow("not profile keys") << QByteArray("HOST05NAME=x\nHOST3=y\nHOSTNAME=z\n") << 6;
}

void TestSettingsFile::profilesWithoutKeysCostNoLookups() {
    QFETCH(QByteArray, profileLines);
    QFETCH(int, enough);
    QList<HostProfiles> loaded;
    QList<int> lookups;
    for (int claimed : {enough, 30000}) {
        QVERIFY(writeAll(m_file, settingsText(QDir::homePath(), claimed, profileLines)));
        const ProfileFile file(m_file);
        loaded.append(HostProfiles());
        LoadSettings(m_window, loaded.last(), Key, file);
        lookups.append(file.lookups());
    }
    QCOMPARE(lookups[1], lookups[0]);
    const QList<HostInfo>& few = loaded[0].Hosts;
    const QList<HostInfo>& many = loaded[1].Hosts;
    QCOMPARE(many.size(), 30000);
    const auto same = [](const HostInfo& a, const HostInfo& b) {
        return a.sName == b.sName && a.sAddr == b.sAddr && a.sUser == b.sUser && a.sPW == b.sPW &&
               a.protocol == b.protocol && a.sKeyFile == b.sKeyFile && a.inKeyring == b.inKeyring;
    };
    for (int n = 0; n < many.size(); ++n)
        QVERIFY2(same(many[n], few[qMin(n, enough - 1)]), qPrintable(QString::number(n)));
}

void TestSettingsFile::freshFileHoldsEveryKeyInOrder() {
    m_window.top = 1215;
    m_window.left = 0;
    m_window.height = 6000.5;
    m_window.width = 9000;
    m_window.frameHeights[1] = 4500;
    m_window.frameWidths[1] = 5100;
    m_window.path = QStringLiteral("/tmp");
    HostProfiles profiles =
        profilesOf({{"Anonymous", "", "anonymous", ""},
                    {"Work", "ftp.example.org", "me", "secret", ServerProtocol::Sftp, "/k/id"}});
    profiles.iCurHost = -1;
    profiles.iSavePW = 1;

    QVERIFY(SaveSettings(m_window, profiles, Key));
    QCOMPARE(readAll(m_file), QByteArray("[TARLEN]\nWINDOWSTATE= 0\nWINDOWTOP= 1215\n"
                                         "WINDOWLEFT= 0\nWINDOWHEIGHT= 6000.5\nWINDOWWIDTH= 9000\n"
                                         "LOCALHEIGHT= 4575\nLOCALWIDTH= 5055\n"
                                         "REMOTEHEIGHT= 4500\nREMOTEWIDTH= 5100\nNUMHOSTS= 2\n"
                                         "HOST=-1\nPATH=/tmp\nSAVEPW= 1\n"
                                         "HOST0NAME=Anonymous\nHOST0ADDR=\nHOST0USER=anonymous\n"
                                         "HOST0PW=\nHOST1NAME=Work\nHOST1ADDR=ftp.example.org\n"
                                         "HOST1USER=me\nHOST1PW=\xE1\xC8\xDC\xE8\xDB\xAF\n"
                                         "HOST1PROTOCOL=SFTP\nHOST1KEYFILE=/k/id\n"));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(m_file).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0600));
}

void TestSettingsFile::savedSettingsLoadBack() {
    QVERIFY(writeAll(m_file, "; mine\n[Elsewhere]\nPATH=/x\n\n[tarlen]\nhost0name=old\nEXTRA=1\n"));
    m_window.state = 2;
    m_window.top = -300;
    m_window.height = 7005;
    m_window.frameHeights[1] = 3000;
    m_window.path = m_dir->path();
    HostProfiles saved = profilesOf({{"One", "ftp://a.example", "u1", "pa ss"},
                                     {"Two", "b.example:2121", "u2", ""},
                                     {"Three", "c", "u3", ""}});
    saved.Hosts[1].sPW = QString::fromLatin1("\x01~abcd\xC6"); // highest code at position 7
    saved.iCurHost = 2;
    saved.iSavePW = 1;
    QVERIFY(SaveSettings(m_window, saved, Key));
    // Other sections, other keys and comments stay; the key is rewritten.
    const QByteArray text = readAll(m_file);
    QVERIFY(text.startsWith("; mine\n[Elsewhere]\nPATH=/x\n\n[tarlen]\nHOST0NAME=One\nEXTRA=1\n"));
    QCOMPARE(text.count("HOST0NAME"), 1);

    FakeSettingsWindow window;
    HostProfiles loaded;
    LoadSettings(window, loaded, Key);
    QCOMPARE(window.state, short(2));
    QCOMPARE(window.top, -300.0);
    QCOMPARE(window.height, 7005.0);
    QCOMPARE(window.frameHeights[1], 3000.0);
    QCOMPARE(window.path, m_dir->path());
    QCOMPARE(loaded.iNumHosts, short(3));
    QCOMPARE(loaded.iCurHost, short(2));
    QCOMPARE(loaded.iSavePW, short(1));
    for (int n = 0; n < 3; ++n) {
        QCOMPARE(loaded.Hosts[n].sName, saved.Hosts[n].sName);
        QCOMPARE(loaded.Hosts[n].sAddr, saved.Hosts[n].sAddr);
        QCOMPARE(loaded.Hosts[n].sUser, saved.Hosts[n].sUser);
        QCOMPARE(loaded.Hosts[n].sPW, saved.Hosts[n].sPW);
    }
}

void TestSettingsFile::deletedProfilesLeaveTheirKeys() {
    HostProfiles profiles =
        profilesOf({{"A", "a", "ua", "pa"}, {"B", "b", "ub", "pb"}, {"C", "c", "uc", "pc"}});
    QVERIFY(SaveSettings(m_window, profiles, Key));
    profiles.Hosts.removeAt(1);
    profiles.iNumHosts = 2;
    QVERIFY(SaveSettings(m_window, profiles, Key));
    const QByteArray text = readAll(m_file);
    QVERIFY(text.contains("NUMHOSTS= 2\n"));
    QVERIFY(text.contains("HOST1NAME=C\nHOST1ADDR=c\nHOST1USER=uc\n"));
    QVERIFY(text.contains("HOST2NAME=C\nHOST2ADDR=c\nHOST2USER=uc\nHOST2PW="));

    load(text);
    QCOMPARE(m_profiles.Hosts.size(), 2);
    QCOMPARE(m_profiles.Hosts[1].sPW, QStringLiteral("pc"));
}

void TestSettingsFile::unstorablePasswordIsWrittenEmpty() {
    HostProfiles profiles = profilesOf({{"A", "a", "ua", "pa"},
                                        {"Euro", "e", "ue", QStringLiteral("\u20AC100")},
                                        {"High", "h", "uh", QStringLiteral("\u00FF")},
                                        {"C", "c", "uc", "pc"}});
    QVERIFY(SaveSettings(m_window, profiles, Key));
    load(readAll(m_file));
    QCOMPARE(m_profiles.iNumHosts, short(4));
    QCOMPARE(m_profiles.Hosts[0].sPW, QStringLiteral("pa"));
    QCOMPARE(m_profiles.Hosts[1].sUser, QStringLiteral("ue"));
    QCOMPARE(m_profiles.Hosts[1].sPW, QString());
    QCOMPARE(m_profiles.Hosts[2].sName, QStringLiteral("High"));
    QCOMPARE(m_profiles.Hosts[2].sPW, QString());
    QCOMPARE(m_profiles.Hosts[3].sPW, QStringLiteral("pc"));
}

// Names, users, addresses and the local directory in any script come back
// as they went in.
void TestSettingsFile::textInAnyScriptSurvives() {
    const QString greek = QStringLiteral("Ελληνικά");
    QVERIFY(QDir(m_dir->path()).mkdir(greek));
    m_window.path = m_dir->filePath(greek);
    HostProfiles saved = profilesOf(
        {{greek, QStringLiteral("ftp.παράδειγμα.gr"), QStringLiteral("ユーザー"), "pw"}});
    QVERIFY(SaveSettings(m_window, saved, Key));
    const QByteArray text = readAll(m_file);
    QVERIFY(text.contains("HOST0NAME=" + greek.toUtf8() + '\n'));
    QVERIFY(text.contains("HOST0USER=" + QStringLiteral("ユーザー").toUtf8() + '\n'));

    load(text);
    QCOMPARE(m_profiles.Hosts[0].sName, greek);
    QCOMPARE(m_profiles.Hosts[0].sAddr, QStringLiteral("ftp.παράδειγμα.gr"));
    QCOMPARE(m_profiles.Hosts[0].sUser, QStringLiteral("ユーザー"));
    QCOMPARE(m_profiles.Hosts[0].sPW, QStringLiteral("pw"));
    QCOMPARE(m_window.path, m_dir->filePath(greek));
}

// A file from before, whose text is Latin-1, reads as it always did and is
// written back byte for byte when nothing changed.
void TestSettingsFile::latin1FileFromBeforeLoadsAndSavesUnchanged() {
    m_window.path = m_dir->path();
    HostProfiles original = profilesOf({{"Cafe", "ftp.example", "Jorg", "p\xE4ss"}});
    QVERIFY(SaveSettings(m_window, original, Key));
    QByteArray text = readAll(m_file);
    text.replace("HOST0NAME=Cafe\n", "HOST0NAME=Caf\xE9\n");
    text.replace("HOST0USER=Jorg\n", "HOST0USER=J\xF6rg\n");
    // A scrambled password is Latin-1 too, even where its bytes look like UTF-8.
    const QString scrambledUtf8Look = QString::fromLatin1("\xC3\xA9");
    text.replace("HOST0PW=", "HOST0PW=" + scrambledUtf8Look.toLatin1() + "\n; was:");
    load(text);
    QCOMPARE(m_profiles.Hosts[0].sName, QStringLiteral("Café"));
    QCOMPARE(m_profiles.Hosts[0].sUser, QStringLiteral("Jörg"));
    QCOMPARE(m_profiles.Hosts[0].sPW, UnscramblePW(scrambledUtf8Look, Key));

    QVERIFY(SaveSettings(m_window, m_profiles, Key));
    QCOMPARE(readAll(m_file), text);
}

// A file written before profiles had a protocol.
void TestSettingsFile::fileWithoutProtocolsIsPlainFtpAndSavesUnchanged() {
    const QByteArray text =
        settingsText(m_dir->path(), 2,
                     "HOST0NAME=Anonymous\nHOST0ADDR=\nHOST0USER=anonymous\nHOST0PW=\n"
                     "HOST1NAME=Work\nHOST1ADDR=ftp.example.org\nHOST1USER=me\n"
                     "HOST1PW=\xE1\xC8\xDC\xE8\xDB\xAF\n");
    load(text);
    QCOMPARE(m_profiles.iNumHosts, short(2));
    for (const HostInfo& host : std::as_const(m_profiles.Hosts)) {
        QCOMPARE(host.protocol, ServerProtocol::PlainFtp);
        QCOMPARE(host.sKeyFile, QString());
    }
    QCOMPARE(m_profiles.Hosts[1].sPW, QStringLiteral("secret"));
    QVERIFY(SaveSettings(m_window, m_profiles, Key));
    QCOMPARE(readAll(m_file), text);
}

void TestSettingsFile::queuePreferencesOutOfRangeKeepDefaults_data() {
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<short>("parallel");
    QTest::addColumn<short>("existing");
    QTest::newRow("absent") << QByteArray() << short(2) << short(0);
    QTest::newRow("in range") << QByteArray("PARALLEL= 10\nEXISTINGFILES= 2\n") << short(10)
                              << short(2);
    QTest::newRow("none at once") << QByteArray("PARALLEL= 0\n") << short(2) << short(0);
    QTest::newRow("too many") << QByteArray("PARALLEL= 11\n") << short(2) << short(0);
    QTest::newRow("unknown rule") << QByteArray("EXISTINGFILES= 3\n") << short(2) << short(0);
    QTest::newRow("negative rule") << QByteArray("EXISTINGFILES= -1\n") << short(2) << short(0);
    QTest::newRow("text") << QByteArray("PARALLEL=many\n") << short(2) << short(0);
}

void TestSettingsFile::queuePreferencesOutOfRangeKeepDefaults() {
    QFETCH(QByteArray, lines);
    QFETCH(short, parallel);
    QFETCH(short, existing);
    load(settingsText(m_dir->path(), 0, lines));
    QCOMPARE(m_window.prefs.parallelTransfers, parallel);
    QCOMPARE(m_window.prefs.existingFiles, existing);
}

// A changed preference is written and read back; set back to its default it
// is still written, since the file already holds it.
void TestSettingsFile::queuePreferencesRoundTrip() {
    load(settingsText(m_dir->path(), 0, {}));
    m_window.prefs.parallelTransfers = 5;
    m_window.prefs.existingFiles = 1;
    QVERIFY(SaveSettings(m_window, m_profiles, Key));
    QVERIFY(readAll(m_file).contains("PARALLEL"));
    LoadSettings(m_window = FakeSettingsWindow(), m_profiles, Key);
    QCOMPARE(m_window.prefs.parallelTransfers, short(5));
    QCOMPARE(m_window.prefs.existingFiles, short(1));

    m_window.prefs = Preferences();
    QVERIFY(SaveSettings(m_window, m_profiles, Key));
    m_window.prefs.parallelTransfers = 7;
    LoadSettings(m_window, m_profiles, Key);
    QCOMPARE(m_window.prefs.parallelTransfers, Preferences::DefaultParallelTransfers);
    QCOMPARE(m_window.prefs.existingFiles, short(0));
}

void TestSettingsFile::everyProtocolAndKeyFileRoundTrips_data() {
    QTest::addColumn<ServerProtocol>("protocol");
    QTest::addColumn<QByteArray>("stored"); // "" for no key at all
    QTest::newRow("plain FTP") << ServerProtocol::PlainFtp << QByteArray();
    QTest::newRow("TLS if offered")
        << ServerProtocol::FtpTlsIfOffered << QByteArray("FTP-TLS-IF-OFFERED");
    QTest::newRow("TLS required") << ServerProtocol::FtpTlsRequired
                                  << QByteArray("FTP-TLS-REQUIRED");
    QTest::newRow("implicit") << ServerProtocol::FtpsImplicit << QByteArray("FTPS-IMPLICIT");
    QTest::newRow("SFTP") << ServerProtocol::Sftp << QByteArray("SFTP");
}

// The key file is a file name: its bytes are stored as they are, UTF-8 or not.
void TestSettingsFile::everyProtocolAndKeyFileRoundTrips() {
    QFETCH(ServerProtocol, protocol);
    QFETCH(QByteArray, stored);
    const QByteArray keyBytes = "/home/me/.ssh/id_\xE9t\xE9 \xFF";
    const QString keyFile = RawName::decode(keyBytes);
    HostProfiles saved = profilesOf({{"A", "a", "ua", "", protocol, keyFile}});
    QVERIFY(SaveSettings(m_window, saved, Key));
    const QByteArray text = readAll(m_file);
    const QByteArray protocolLine =
        stored.isEmpty() ? QByteArray() : "HOST0PROTOCOL=" + stored + '\n';
    QVERIFY(text.endsWith("HOST0PW=\n" + protocolLine + "HOST0KEYFILE=" + keyBytes + '\n'));

    load(text);
    QCOMPARE(m_profiles.Hosts[0].protocol, protocol);
    QCOMPARE(m_profiles.Hosts[0].sKeyFile, keyFile);
    QCOMPARE(RawName::encode(m_profiles.Hosts[0].sKeyFile), keyBytes);
}

void TestSettingsFile::storedProtocolAndKeyFile_data() {
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<ServerProtocol>("protocol");
    QTest::addColumn<QString>("keyFile");
    QTest::addColumn<QByteArray>("savedLines"); // what a save leaves of `lines`
    const QByteArray tlsRequired = "HOST0PROTOCOL=FTP-TLS-REQUIRED\n";
    QTest::newRow("none") << QByteArray() << ServerProtocol::PlainFtp << QString() << QByteArray();
    QTest::newRow("plain FTP") << QByteArray("HOST0PROTOCOL=FTP\n") << ServerProtocol::PlainFtp
                               << QString() << QByteArray("HOST0PROTOCOL=FTP\n");
    QTest::newRow("other case, blanks kept")
        << QByteArray("HOST0PROTOCOL=  sftp \nHOST0KEYFILE=  /k/id \n") << ServerProtocol::Sftp
        << QStringLiteral("/k/id") << QByteArray("HOST0PROTOCOL=  sftp \nHOST0KEYFILE=  /k/id \n");
    QTest::newRow("empty key file kept")
        << QByteArray("HOST0KEYFILE=\n") << ServerProtocol::PlainFtp << QString()
        << QByteArray("HOST0KEYFILE=\n");
    // A protocol this version does not know never falls back to plain FTP.
    QTest::newRow("unknown") << QByteArray("HOST0PROTOCOL=FTP-OVER-QUIC\n")
                             << ServerProtocol::FtpTlsRequired << QString() << tlsRequired;
    QTest::newRow("empty") << QByteArray("HOST0PROTOCOL=\n") << ServerProtocol::FtpTlsRequired
                           << QString() << tlsRequired;
}

void TestSettingsFile::storedProtocolAndKeyFile() {
    QFETCH(QByteArray, lines);
    QFETCH(ServerProtocol, protocol);
    QFETCH(QString, keyFile);
    QFETCH(QByteArray, savedLines);
    const QByteArray profile = "HOST0NAME=A\nHOST0ADDR=a\nHOST0USER=u\nHOST0PW=\n";
    load(settingsText(m_dir->path(), 1, profile + lines));
    QCOMPARE(m_profiles.Hosts[0].protocol, protocol);
    QCOMPARE(m_profiles.Hosts[0].sKeyFile, keyFile);
    QVERIFY(SaveSettings(m_window, m_profiles, Key));
    QCOMPARE(readAll(m_file), settingsText(m_dir->path(), 1, profile + savedLines));
}

// Profiles after a deleted one move down into its place; they must not take
// on the protocol and key file still stored under their new number.
void TestSettingsFile::deletedProfileLeavesNoProtocolToItsSuccessor() {
    HostProfiles profiles = profilesOf({{"A", "a", "ua", "", ServerProtocol::Sftp, "/ka"},
                                        {"B", "b", "ub", ""},
                                        {"C", "c", "uc", "", ServerProtocol::FtpsImplicit, ""}});
    QVERIFY(SaveSettings(m_window, profiles, Key));
    profiles.Hosts.removeAt(0);
    profiles.iNumHosts = 2;
    QVERIFY(SaveSettings(m_window, profiles, Key));
    const QByteArray text = readAll(m_file);
    QVERIFY(text.contains("HOST0NAME=B\nHOST0ADDR=b\nHOST0USER=ub\nHOST0PW=\n"
                          "HOST0PROTOCOL=FTP\nHOST0KEYFILE=\n"));
    QVERIFY(text.contains("HOST2PROTOCOL=FTPS-IMPLICIT\n")); // keys are never removed

    load(text);
    QCOMPARE(m_profiles.Hosts[0].sName, QStringLiteral("B"));
    QCOMPARE(m_profiles.Hosts[0].protocol, ServerProtocol::PlainFtp);
    QCOMPARE(m_profiles.Hosts[0].sKeyFile, QString());
    QCOMPARE(m_profiles.Hosts[1].sName, QStringLiteral("C"));
    QCOMPARE(m_profiles.Hosts[1].protocol, ServerProtocol::FtpsImplicit);
    QCOMPARE(m_profiles.Hosts[1].sKeyFile, QString());
}

// "name|local|remote" for each pair, then "clock=<minutes or none>".
QStringList pairsAndClock(const HostInfo& host) {
    QStringList shown;
    for (const FolderPair& pair : host.folderPairs)
        shown << pair.name + u'|' + pair.local + u'|' + pair.remote;
    shown << (host.clockMinutes ? QStringLiteral("clock=%1").arg(*host.clockMinutes)
                                : QStringLiteral("clock=none"));
    return shown;
}

// Profiles saved, then the first one deleted (as the connect dialog does)
// and saved again: each profile loads with its own pairs and clock.
void TestSettingsFile::folderPairsAndClockFollowTheirProfile_data() {
    QTest::addColumn<QList<FolderPair>>("firstPairs");
    QTest::addColumn<int>("firstClock"); // -1000: none
    QTest::addColumn<QList<FolderPair>>("secondPairs");
    QTest::addColumn<int>("secondClock");
    const QString raw = RawName::decode("/srv/caf\xE9");
    const FolderPair site{QStringLiteral("Site"), QStringLiteral("/home/me/site"),
                          QStringLiteral("/var/www")};
    const FolderPair odd{QStringLiteral("Odd bytes = ; [x]"), raw, raw + QStringLiteral("/x")};
    const FolderPair other{QStringLiteral("Üben"), QStringLiteral("/tmp/a b"), QStringLiteral("/")};
    QTest::newRow("none on either") << QList<FolderPair>{} << -1000 << QList<FolderPair>{} << -1000;
    QTest::newRow("the deleted one had more")
        << QList<FolderPair>{site, odd, other} << 120 << QList<FolderPair>{other} << -1000;
    QTest::newRow("the moved one has more")
        << QList<FolderPair>{site} << -1000 << QList<FolderPair>{odd, other} << -330;
    QTest::newRow("clock at zero is kept")
        << QList<FolderPair>{} << 0 << QList<FolderPair>{site} << 0;
}

void TestSettingsFile::folderPairsAndClockFollowTheirProfile() {
    QFETCH(QList<FolderPair>, firstPairs);
    QFETCH(int, firstClock);
    QFETCH(QList<FolderPair>, secondPairs);
    QFETCH(int, secondClock);
    const auto clockOf = [](int minutes) {
        return minutes == -1000 ? std::optional<int>() : std::optional<int>(minutes);
    };
    m_window.path = m_dir->path();
    HostProfiles profiles = profilesOf({{"A", "a", "ua", ""}, {"B", "b", "ub", ""}});
    profiles.Hosts[0].folderPairs = firstPairs;
    profiles.Hosts[0].clockMinutes = clockOf(firstClock);
    profiles.Hosts[1].folderPairs = secondPairs;
    profiles.Hosts[1].clockMinutes = clockOf(secondClock);
    QVERIFY(SaveSettings(m_window, profiles, Key));
    load(readAll(m_file));
    QCOMPARE(pairsAndClock(m_profiles.Hosts[0]), pairsAndClock(profiles.Hosts[0]));
    QCOMPARE(pairsAndClock(m_profiles.Hosts[1]), pairsAndClock(profiles.Hosts[1]));

    profiles.Hosts.removeAt(0);
    profiles.iNumHosts = 1;
    QVERIFY(SaveSettings(m_window, profiles, Key));
    const QByteArray saved = readAll(m_file);
    load(saved);
    QCOMPARE(m_profiles.Hosts[0].sName, QStringLiteral("B"));
    QCOMPARE(pairsAndClock(m_profiles.Hosts[0]), pairsAndClock(profiles.Hosts[0]));
    for (const FolderPair& gone : std::as_const(firstPairs))
        if (!secondPairs.contains(gone))
            QVERIFY2(!saved.contains(RawName::encode(gone.local)), saved.constData());
    // Saved again unchanged, the file stays as it is.
    QVERIFY(SaveSettings(m_window, m_profiles, Key));
    QCOMPARE(readAll(m_file), saved);
}

// What a file (hand-edited, damaged or hostile) holds for profile 0's pairs
// and clock; profile 1 after it always loads whole.
void TestSettingsFile::storedFolderPairsAndClock_data() {
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QStringList>("expected");
    const QByteArray one = "HOST0PAIR0NAME=Site\nHOST0PAIR0LOCAL=/l\nHOST0PAIR0REMOTE=/r\n";
    const QStringList site{QStringLiteral("Site|/l|/r")};
    const QStringList none{QStringLiteral("clock=none")};
    QTest::newRow("nothing stored") << QByteArray() << none;
    QTest::newRow("pairs without a count") << one << none;
    QTest::newRow("one pair") << "HOST0PAIRS= 1\n" + one << site + none;
    QTest::newRow("huge count") << "HOST0PAIRS= 32767\n" + one << site + none;
    QTest::newRow("count beyond 16 bits") << "HOST0PAIRS=99999999999\n" + one << none;
    QTest::newRow("negative count") << "HOST0PAIRS=-5\n" + one << none;
    QTest::newRow("count below the entries")
        << "HOST0PAIRS= 1\n" + one + "HOST0PAIR1LOCAL=/a\nHOST0PAIR1REMOTE=/b\n"
        << site + none;
    QTest::newRow("gaps and entries out of order")
        << "HOST0PAIRS= 9\nHOST0PAIR7LOCAL=/7\nHOST0PAIR7REMOTE=/r7\n" + one
        << QStringList{QStringLiteral("Site|/l|/r"), QStringLiteral("/r7|/7|/r7")} + none;
    QTest::newRow("a folder missing or empty")
        << QByteArray("HOST0PAIRS= 3\nHOST0PAIR0LOCAL=/l\nHOST0PAIR1LOCAL=/l\nHOST0PAIR1REMOTE=  \n"
                      "HOST0PAIR2LOCAL=/x\nHOST0PAIR2REMOTE=/y\nHOST0PAIR2NAME=\n")
        << QStringList{QStringLiteral("/y|/x|/y")} + none;
    QTest::newRow("overlong folder")
        << "HOST0PAIRS= 2\nHOST0PAIR0LOCAL=/" + QByteArray(5000, 'a') + "\nHOST0PAIR0REMOTE=/r\n" +
               QByteArray(one).replace("PAIR0", "PAIR1")
        << site + none;
    QTest::newRow("overlong name is cut")
        << "HOST0PAIRS= 1\nHOST0PAIR0NAME=" + QByteArray(1000, 'n') +
               "\nHOST0PAIR0LOCAL=/l\nHOST0PAIR0REMOTE=/r\n"
        << QStringList{QString(254, u'n') + QStringLiteral("|/l|/r")} + none;
    QTest::newRow("names of the wrong form")
        << QByteArray("HOST0PAIRS= 1\nHOST00PAIR0LOCAL=/a\nHOST0PAIR00LOCAL=/b\n"
                      "HOST0PAIR-1LOCAL=/c\nHOST0PAIR0REMOTE=/r\n")
        << none;
    QTest::newRow("clock set") << QByteArray("HOST0CLOCK=-330\n") << QStringList{"clock=-330"};
    QTest::newRow("clock at the farthest")
        << QByteArray("HOST0CLOCK= 900\n") << QStringList{"clock=900"};
    for (const char* clock : {"", "x", "60x", "901", "-99999", "1.5", "0x10"})
        QTest::addRow("clock \"%s\" is found out", clock)
            << "HOST0CLOCK=" + QByteArray(clock) + "\n"
            << none;
}

void TestSettingsFile::storedFolderPairsAndClock() {
    QFETCH(QByteArray, lines);
    QFETCH(QStringList, expected);
    load(settingsText(m_dir->path(), 2,
                      "HOST0NAME=A\nHOST0ADDR=a\nHOST0USER=u\nHOST0PW=\n" + lines +
                          "HOST1NAME=B\nHOST1ADDR=b\nHOST1USER=v\nHOST1PW=\nHOST1PAIRS= 1\n"
                          "HOST1PAIR0LOCAL=/bl\nHOST1PAIR0REMOTE=/br\nHOST1CLOCK= 60\n"));
    QCOMPARE(pairsAndClock(m_profiles.Hosts[0]), expected);
    QCOMPARE(m_profiles.Hosts[1].sAddr, QStringLiteral("b"));
    QCOMPARE(pairsAndClock(m_profiles.Hosts[1]),
             (QStringList{QStringLiteral("/br|/bl|/br"), QStringLiteral("clock=60")}));
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"
