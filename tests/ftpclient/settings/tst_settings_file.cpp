// Loading and saving the settings through a real file in a temporary
// configuration directory.
#include "fake_settings_window.h"
#include "settings_file.h"

#include <QCoreApplication>
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

HostInfo host(const QString& name, const QString& addr, const QString& user, const QString& pw) {
    return HostInfo{name, addr, user, pw};
}

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

private slots:
    void init();

    // What a file gives.
    void noFileGivesDefaults();
    void emptyFileGivesDefaults();
    void missingPaneKeyTakesItsDefault();
    void geometryWithoutStateIsNotApplied();
    void missingProfileKeysTakeDefaults();
    void valuesAreReadLeniently();
    void storedPasswordIsTrimmedBeforeUnscrambling();

    // Values that cannot be applied are skipped, the rest still loads.
    void geometryThatCannotBeAppliedKeepsDesignSize();
    void unknownWindowStateAppliesGeometryOnly();
    void pathThatIsGoneGivesProgramDirectory();
    void negativeHostCountGivesNoProfiles();
    void currentHostOutsideProfilesSelectsNone();
    void countBeyond16BitsTakesDefault();

    // Saving.
    void freshFileHoldsEveryKeyInOrder();
    void savedSettingsLoadBack();
    void deletedProfilesLeaveTheirKeys();
    void unstorablePasswordIsWrittenEmpty();
    void otherContentOfTheFileStays();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
};

void TestSettingsFile::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path()));
    m_file = m_dir->filePath(QStringLiteral("tarlen.ini"));
    QCOMPARE(settingsFilePath(), m_file);
}

void TestSettingsFile::noFileGivesDefaults() {
    FakeSettingsWindow window;
    HostProfiles profiles;
    profiles.iCurHost = 5;
    LoadSettings(window, profiles, Key);

    QCOMPARE(window.calls, QStringList{QStringLiteral("path")});
    QCOMPARE(window.path, QCoreApplication::applicationDirPath());
    QCOMPARE(profiles.iNumHosts, short(1));
    QCOMPARE(profiles.iCurHost, short(0));
    QCOMPARE(profiles.iSavePW, short(0));
    QCOMPARE(profiles.Hosts.size(), 1);
    QCOMPARE(profiles.Hosts[0].sName, QStringLiteral("Anonymous"));
    QCOMPARE(profiles.Hosts[0].sAddr, QString());
    QCOMPARE(profiles.Hosts[0].sUser, QStringLiteral("anonymous"));
    QCOMPARE(profiles.Hosts[0].sPW, QString());
    QVERIFY(!QFile::exists(m_file)); // reading never creates the file
}

void TestSettingsFile::emptyFileGivesDefaults() {
    QVERIFY(writeAll(m_file, ""));
    FakeSettingsWindow window;
    HostProfiles profiles;
    LoadSettings(window, profiles, Key);
    QCOMPARE(window.calls, QStringList{QStringLiteral("path")});
    QCOMPARE(profiles.iNumHosts, short(1));
    QCOMPARE(profiles.Hosts[0].sName, QStringLiteral("Anonymous"));
}

void TestSettingsFile::missingPaneKeyTakesItsDefault() {
    QVERIFY(writeAll(m_file, "[TARLEN]\nWINDOWSTATE= 2\nWINDOWLEFT= 300\nWINDOWHEIGHT= 7000\n"
                             "WINDOWWIDTH= 9000\nLOCALHEIGHT= 3000\nREMOTEHEIGHT= 3100\n"
                             "REMOTEWIDTH= 4000\n"));
    FakeSettingsWindow window;
    window.frameWidths[0] = 1234;
    HostProfiles profiles;
    LoadSettings(window, profiles, Key);

    QCOMPARE(window.calls,
             (QStringList{"top", "left", "height", "width", "frameHeight0", "frameWidth0",
                          "frameHeight1", "frameWidth1", "state", "path"}));
    QCOMPARE(window.top, -1.0); // missing: its default -1 is applied as it stands
    QCOMPARE(window.left, 300.0);
    QCOMPARE(window.height, 7000.0);
    QCOMPARE(window.width, 9000.0);
    QCOMPARE(window.frameHeights[0], 3000.0);
    QCOMPARE(window.frameWidths[0], 5055.0);
    QCOMPARE(window.frameHeights[1], 3100.0);
    QCOMPARE(window.frameWidths[1], 4000.0);
    QCOMPARE(window.state, short(2));
}

void TestSettingsFile::geometryWithoutStateIsNotApplied() {
    QVERIFY(writeAll(m_file, "[TARLEN]\nWINDOWTOP= 1\nWINDOWLEFT= 2\nWINDOWHEIGHT= 3000\n"
                             "WINDOWWIDTH= 4000\nLOCALHEIGHT= 5\nLOCALWIDTH= 6\n"
                             "REMOTEHEIGHT= 7\nREMOTEWIDTH= 8\n"));
    FakeSettingsWindow window;
    HostProfiles profiles;
    LoadSettings(window, profiles, Key);
    QCOMPARE(window.calls, QStringList{QStringLiteral("path")});

    QVERIFY(writeAll(m_file, "[TARLEN]\nWINDOWSTATE=-1\nWINDOWHEIGHT= 3000\n"));
    FakeSettingsWindow again;
    LoadSettings(again, profiles, Key);
    QCOMPARE(again.calls, QStringList{QStringLiteral("path")});
}

void TestSettingsFile::missingProfileKeysTakeDefaults() {
    QVERIFY(writeAll(m_file, "[TARLEN]\nNUMHOSTS= 2\nHOST= 1\nHOST0NAME=Work\n"
                             "HOST0ADDR=ftp.example.org\nHOST0USER=me\nHOST0PW=\n"));
    FakeSettingsWindow window;
    HostProfiles profiles;
    LoadSettings(window, profiles, Key);
    QCOMPARE(profiles.iNumHosts, short(2));
    QCOMPARE(profiles.iCurHost, short(1));
    QCOMPARE(profiles.Hosts.size(), 2);
    QCOMPARE(profiles.Hosts[0].sName, QStringLiteral("Work"));
    QCOMPARE(profiles.Hosts[0].sAddr, QStringLiteral("ftp.example.org"));
    QCOMPARE(profiles.Hosts[0].sUser, QStringLiteral("me"));
    QCOMPARE(profiles.Hosts[1].sName, QStringLiteral("Anonymous"));
    QCOMPARE(profiles.Hosts[1].sAddr, QString());
    QCOMPARE(profiles.Hosts[1].sUser, QStringLiteral("anonymous"));
    QCOMPARE(profiles.Hosts[1].sPW, QString());
}

void TestSettingsFile::valuesAreReadLeniently() {
    QVERIFY(writeAll(m_file, "[tarlen]\nnumhosts= 3\nHOST=1abc\nSAVEPW=abc\n"
                             "WindowState=0.5\nWINDOWHEIGHT=2500.5\nWINDOWWIDTH=1e3\n"
                             "HOST0NAME=  spaced name  \n"));
    FakeSettingsWindow window;
    window.state = 2;
    HostProfiles profiles;
    profiles.iSavePW = 1;
    LoadSettings(window, profiles, Key);
    QCOMPARE(profiles.iNumHosts, short(3));
    QCOMPARE(profiles.iCurHost, short(1));
    QCOMPARE(profiles.iSavePW, short(0));
    QCOMPARE(window.state, short(0)); // 0.5 rounds to the even 0
    QCOMPARE(window.height, 2500.0);  // halves go to the even neighbour
    QCOMPARE(window.width, 1000.0);
    QCOMPARE(profiles.Hosts[0].sName, QStringLiteral("spaced name"));
}

void TestSettingsFile::storedPasswordIsTrimmedBeforeUnscrambling() {
    // "secret" scrambled, stored with blanks around it.
    QVERIFY(writeAll(m_file, "[TARLEN]\nNUMHOSTS= 1\nHOST0PW=  \xE1\xC8\xDC\xE8\xDB\xAF   \n"));
    FakeSettingsWindow window;
    HostProfiles profiles;
    LoadSettings(window, profiles, Key);
    QCOMPARE(profiles.Hosts[0].sPW, QStringLiteral("secret"));
}

void TestSettingsFile::geometryThatCannotBeAppliedKeepsDesignSize() {
    // A minimised window's coordinates, a zero height, a negative width and
    // frame sizes that make no sense: each is skipped, the rest applies.
    QVERIFY(writeAll(m_file, "[TARLEN]\nWINDOWSTATE= 1\nWINDOWTOP=-48000\nWINDOWLEFT=-200\n"
                             "WINDOWHEIGHT= 0\nWINDOWWIDTH=-5\nLOCALHEIGHT= 0\nLOCALWIDTH= 40000\n"
                             "REMOTEHEIGHT=-1\nREMOTEWIDTH= 4500\nNUMHOSTS= 1\nHOST0NAME=kept\n"));
    FakeSettingsWindow window;
    HostProfiles profiles;
    LoadSettings(window, profiles, Key);
    QCOMPARE(window.calls, (QStringList{"left", "frameWidth1", "state", "path"}));
    QCOMPARE(window.top, 1000.0);
    QCOMPARE(window.left, -200.0); // off to the left of the screen is a place
    QCOMPARE(window.height, FakeSettingsWindow::DesignHeight);
    QCOMPARE(window.width, FakeSettingsWindow::DesignWidth);
    QCOMPARE(window.frameHeights[0], FakeSettingsWindow::DesignFrameHeight);
    QCOMPARE(window.frameWidths[0], FakeSettingsWindow::DesignFrameWidth);
    QCOMPARE(window.frameHeights[1], FakeSettingsWindow::DesignFrameHeight);
    QCOMPARE(window.frameWidths[1], 4500.0);
    QCOMPARE(window.state, short(1));
    QCOMPARE(profiles.Hosts[0].sName, QStringLiteral("kept"));

    // State present, height and width missing: their default -1 is not a size.
    QVERIFY(writeAll(m_file, "[TARLEN]\nWINDOWSTATE= 0\n"));
    FakeSettingsWindow bare;
    LoadSettings(bare, profiles, Key);
    QCOMPARE(bare.height, FakeSettingsWindow::DesignHeight);
    QCOMPARE(bare.width, FakeSettingsWindow::DesignWidth);
    QCOMPARE(bare.frameWidths[0], 5055.0);
}

void TestSettingsFile::unknownWindowStateAppliesGeometryOnly() {
    QVERIFY(writeAll(m_file, "[TARLEN]\nWINDOWSTATE= 7\nWINDOWHEIGHT= 5000\n"));
    FakeSettingsWindow window;
    window.state = 2;
    HostProfiles profiles;
    LoadSettings(window, profiles, Key);
    QCOMPARE(window.height, 5000.0);
    QCOMPARE(window.state, short(2));
    QVERIFY(!window.calls.contains(QStringLiteral("state")));

    // A state that does not fit 16 bits is as good as missing.
    QVERIFY(writeAll(m_file, "[TARLEN]\nWINDOWSTATE= 70000\nWINDOWHEIGHT= 5000\n"));
    FakeSettingsWindow other;
    LoadSettings(other, profiles, Key);
    QCOMPARE(other.calls, QStringList{QStringLiteral("path")});
}

void TestSettingsFile::pathThatIsGoneGivesProgramDirectory() {
    QVERIFY(writeAll(m_file, "[TARLEN]\nPATH=" + QFile::encodeName(m_dir->filePath("gone")) +
                                 "\nNUMHOSTS= 2\nSAVEPW= 1\nHOST1NAME=second\n"));
    FakeSettingsWindow window;
    HostProfiles profiles;
    LoadSettings(window, profiles, Key);
    QCOMPARE(window.path, QCoreApplication::applicationDirPath());
    QCOMPARE(profiles.iSavePW, short(1));
    QCOMPARE(profiles.Hosts[1].sName, QStringLiteral("second"));

    // An existing directory, kept with its file-system name's own bytes.
    const QString local = m_dir->filePath(QStringLiteral("D\u00E9j\u00E0 \u0414\u043E\u043A"));
    QVERIFY(QDir().mkpath(local));
    QVERIFY(writeAll(m_file, "[TARLEN]\nPATH=" + QFile::encodeName(local) + "\n"));
    FakeSettingsWindow there;
    LoadSettings(there, profiles, Key);
    QCOMPARE(there.path, local);

    QVERIFY(writeAll(m_file, "[TARLEN]\nPATH=\n"));
    FakeSettingsWindow empty;
    LoadSettings(empty, profiles, Key);
    QCOMPARE(empty.path, QCoreApplication::applicationDirPath());
}

void TestSettingsFile::negativeHostCountGivesNoProfiles() {
    QVERIFY(writeAll(m_file, "[TARLEN]\nNUMHOSTS=-3\nHOST= 0\nSAVEPW= 1\nHOST0NAME=x\n"));
    FakeSettingsWindow window;
    HostProfiles profiles;
    LoadSettings(window, profiles, Key);
    QCOMPARE(profiles.iNumHosts, short(0));
    QVERIFY(profiles.Hosts.isEmpty());
    QCOMPARE(profiles.iCurHost, short(-1));
    QCOMPARE(profiles.iSavePW, short(1));
}

void TestSettingsFile::currentHostOutsideProfilesSelectsNone() {
    FakeSettingsWindow window;
    HostProfiles profiles;
    for (const char* value : {"2", "-1", "32767", "-40000x"}) {
        QVERIFY(writeAll(m_file, QByteArray("[TARLEN]\nNUMHOSTS= 2\nHOST0NAME=a\nHOST1NAME=b\n"
                                            "HOST=") +
                                     value + '\n'));
        LoadSettings(window, profiles, Key);
        // "-40000x" does not fit 16 bits, so it takes the default 0.
        QCOMPARE(profiles.iCurHost, short(QByteArray(value) == "-40000x" ? 0 : -1));
        QCOMPARE(profiles.Hosts.size(), 2);
        QCOMPARE(profiles.Hosts[1].sName, QStringLiteral("b"));
    }
}

void TestSettingsFile::countBeyond16BitsTakesDefault() {
    QVERIFY(writeAll(m_file, "[TARLEN]\nNUMHOSTS= 99999\nHOST0NAME=first\n"));
    FakeSettingsWindow window;
    HostProfiles profiles;
    LoadSettings(window, profiles, Key);
    QCOMPARE(profiles.iNumHosts, short(1));
    QCOMPARE(profiles.Hosts[0].sName, QStringLiteral("first"));
}

void TestSettingsFile::freshFileHoldsEveryKeyInOrder() {
    FakeSettingsWindow window;
    window.state = 0;
    window.top = 1215;
    window.left = 0;
    window.height = 6000.5;
    window.width = 9000;
    window.frameHeights[0] = 4575;
    window.frameWidths[0] = 5055;
    window.frameHeights[1] = 4500;
    window.frameWidths[1] = 5100;
    window.path = QStringLiteral("/tmp");
    HostProfiles profiles;
    profiles.Hosts = {host("Anonymous", "", "anonymous", ""),
                      host("Work", "ftp.example.org", "me", "secret")};
    profiles.iNumHosts = 2;
    profiles.iCurHost = -1;
    profiles.iSavePW = 1;

    QVERIFY(SaveSettings(window, profiles, Key));
    QCOMPARE(readAll(m_file), QByteArray("[TARLEN]\n"
                                         "WINDOWSTATE= 0\n"
                                         "WINDOWTOP= 1215\n"
                                         "WINDOWLEFT= 0\n"
                                         "WINDOWHEIGHT= 6000.5\n"
                                         "WINDOWWIDTH= 9000\n"
                                         "LOCALHEIGHT= 4575\n"
                                         "LOCALWIDTH= 5055\n"
                                         "REMOTEHEIGHT= 4500\n"
                                         "REMOTEWIDTH= 5100\n"
                                         "NUMHOSTS= 2\n"
                                         "HOST=-1\n"
                                         "PATH=/tmp\n"
                                         "SAVEPW= 1\n"
                                         "HOST0NAME=Anonymous\n"
                                         "HOST0ADDR=\n"
                                         "HOST0USER=anonymous\n"
                                         "HOST0PW=\n"
                                         "HOST1NAME=Work\n"
                                         "HOST1ADDR=ftp.example.org\n"
                                         "HOST1USER=me\n"
                                         "HOST1PW=\xE1\xC8\xDC\xE8\xDB\xAF\n"));
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(m_file).constData(), &st), 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0600));
}

void TestSettingsFile::savedSettingsLoadBack() {
    FakeSettingsWindow window;
    window.state = 2;
    window.top = -300;
    window.left = 450;
    window.height = 7005;
    window.width = 11000;
    window.frameHeights[1] = 3000;
    window.path = m_dir->path();
    HostProfiles saved;
    saved.Hosts = {host("One", "ftp://a.example", "u1", "pa ss"),
                   host("Two", "b.example:2121", "u2", QString::fromLatin1("\x01~abcd\xC6")),
                   host("Three", "c", "u3", "")};
    saved.iNumHosts = 3;
    saved.iCurHost = 2;
    saved.iSavePW = 1;
    QVERIFY(SaveSettings(window, saved, Key));

    FakeSettingsWindow loadedWindow;
    HostProfiles loaded;
    LoadSettings(loadedWindow, loaded, Key);
    QCOMPARE(loadedWindow.state, short(2));
    QCOMPARE(loadedWindow.top, -300.0);
    QCOMPARE(loadedWindow.left, 450.0);
    QCOMPARE(loadedWindow.height, 7005.0);
    QCOMPARE(loadedWindow.width, 11000.0);
    QCOMPARE(loadedWindow.frameHeights[1], 3000.0);
    QCOMPARE(loadedWindow.path, m_dir->path());
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
    FakeSettingsWindow window;
    HostProfiles profiles;
    profiles.Hosts = {host("A", "a", "ua", "pa"), host("B", "b", "ub", "pb"),
                      host("C", "c", "uc", "pc")};
    profiles.iNumHosts = 3;
    QVERIFY(SaveSettings(window, profiles, Key));

    profiles.Hosts.removeAt(1);
    profiles.iNumHosts = 2;
    QVERIFY(SaveSettings(window, profiles, Key));
    const QByteArray text = readAll(m_file);
    QVERIFY(text.contains("NUMHOSTS= 2\n"));
    QVERIFY(text.contains("HOST1NAME=C\nHOST1ADDR=c\nHOST1USER=uc\n"));
    QVERIFY(text.contains("HOST2NAME=C\nHOST2ADDR=c\nHOST2USER=uc\nHOST2PW="));

    HostProfiles loaded;
    LoadSettings(window, loaded, Key);
    QCOMPARE(loaded.Hosts.size(), 2);
    QCOMPARE(loaded.Hosts[1].sName, QStringLiteral("C"));
    QCOMPARE(loaded.Hosts[1].sPW, QStringLiteral("pc"));
}

void TestSettingsFile::unstorablePasswordIsWrittenEmpty() {
    FakeSettingsWindow window;
    HostProfiles profiles;
    profiles.Hosts = {
        host("A", "a", "ua", "pa"), host("Euro", "e", "ue", QStringLiteral("\u20AC100")),
        host("High", "h", "uh", QString::fromLatin1("\xFF")), host("C", "c", "uc", "pc")};
    profiles.iNumHosts = 4;
    QVERIFY(SaveSettings(window, profiles, Key));

    HostProfiles loaded;
    LoadSettings(window, loaded, Key);
    QCOMPARE(loaded.iNumHosts, short(4));
    QCOMPARE(loaded.Hosts[0].sPW, QStringLiteral("pa"));
    QCOMPARE(loaded.Hosts[1].sName, QStringLiteral("Euro"));
    QCOMPARE(loaded.Hosts[1].sUser, QStringLiteral("ue"));
    QCOMPARE(loaded.Hosts[1].sPW, QString());
    QCOMPARE(loaded.Hosts[2].sName, QStringLiteral("High"));
    QCOMPARE(loaded.Hosts[2].sPW, QString());
    QCOMPARE(loaded.Hosts[3].sPW, QStringLiteral("pc"));
}

void TestSettingsFile::otherContentOfTheFileStays() {
    QVERIFY(writeAll(m_file, "; mine\n[Elsewhere]\nPATH=/x\n\n[tarlen]\nhost0name=old\n"
                             "EXTRA=kept\n"));
    FakeSettingsWindow window;
    HostProfiles profiles;
    profiles.Hosts = {host("new", "", "", "")};
    profiles.iNumHosts = 1;
    QVERIFY(SaveSettings(window, profiles, Key));
    const QByteArray text = readAll(m_file);
    QVERIFY(text.startsWith("; mine\n[Elsewhere]\nPATH=/x\n\n[tarlen]\nHOST0NAME=new\nEXTRA=kept\n"
                            "WINDOWSTATE= 0\n"));
    QCOMPARE(text.count("HOST0NAME"), 1);
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"
