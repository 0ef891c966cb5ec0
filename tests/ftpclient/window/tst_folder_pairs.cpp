// Folder pairs and the server's clock kept with the profile, in the real
// window against a real server: keeping the two folders the panes show,
// opening a pair (a folder gone is said so, the other opens), removing one,
// and the Synchronise dialog starting from the profile's clock and keeping
// a changed one. Each change is in the settings file at once.
#include "fake_settings_window.h"
#include "folder_pairs.h"
#include "ftp_test_server.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "remote_session.h"
#include "scripted_connect.h"
#include "scripted_prompter.h"
#include "session_waits.h"
#include "settings_file.h"
#include "sync_control.h"
#include "sync_dialog.h"
#include "window/tarlen_frm.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// "name|local folder's name" for each pair.
QStringList shown(const QList<FolderPair>& pairs) {
    QStringList names;
    for (const FolderPair& pair : pairs)
        names << pair.name + u'|' + QDir(pair.local).dirName();
    return names;
}

} // namespace

class TestFolderPairs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void entriesSayWhyTheyAreDisabled_data();
    void entriesSayWhyTheyAreDisabled();
    void keepingThePanesFolders_data();
    void keepingThePanesFolders();
    void openingAPairShowsWhatStillExists_data();
    void openingAPairShowsWhatStillExists();
    void removingAPair_data();
    void removingAPair();
    void synchroniseKeepsTheClockWithTheProfile_data();
    void synchroniseKeepsTheClockWithTheProfile();

private:
    void connectTo(bool asProfile);
    void showFolders(const QString& local, const QString& remote);
    void keep(const QString& name);
    HostInfo& profile() { return m_frm->settingsStore().profiles().Hosts[0]; }
    HostInfo storedProfile();

    QTemporaryDir m_config;
    ScriptedPrompter m_prompter;
    std::unique_ptr<FtpTestServer> m_server;
    std::unique_ptr<QTemporaryDir> m_local;
    std::unique_ptr<TARLEN_Frm> m_frm;
};

void TestFolderPairs::initTestCase() {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_config.path()));
}

void TestFolderPairs::init() {
    m_prompter = ScriptedPrompter();
    QFile::remove(m_config.filePath(QStringLiteral("tarlen.ini")));
    m_server = std::make_unique<FtpTestServer>(FtpTestServer::Kind::Pyftpdlib);
    QVERIFY2(m_server->start(), qPrintable(m_server->errorText()));
    m_local = std::make_unique<QTemporaryDir>();
    for (const QString& folder : {QStringLiteral("site"), QStringLiteral("other")})
        QVERIFY(QDir(m_local->path()).mkpath(folder));
    QVERIFY(QDir(m_server->root()).mkpath(QStringLiteral("www")));
    m_frm = std::make_unique<TARLEN_Frm>(m_prompter);
    m_frm->Form_Load();
    HostProfiles& profiles = m_frm->settingsStore().profiles();
    profiles.Hosts = {HostInfo{QStringLiteral("Test server"), m_server->address(),
                               m_server->userName(), m_server->password()}};
    profiles.iNumHosts = 1;
}

void TestFolderPairs::cleanup() {
    m_frm.reset();
    m_server.reset();
}

// Logged in with the saved profile, or with a login no profile holds.
void TestFolderPairs::connectTo(bool asProfile) {
    if (!asProfile)
        profile().sUser = QStringLiteral("someone else");
    scriptConnectDialog(*m_frm, *m_server);
    m_frm->parts().Cmd_Connect->click();
    QVERIFY(waitUntilIdle(m_frm->session()));
    QVERIFY(m_frm->session().connected());
    QTRY_VERIFY(!m_frm->parts().remotePane->listingPending());
}

// A local folder below the temporary one, a remote one below the login folder.
void TestFolderPairs::showFolders(const QString& local, const QString& remote) {
    QVERIFY(m_frm->parts().localPane->setLocalPath(m_local->filePath(local)));
    const QString folder = m_server->loginDir() + remote;
    m_frm->parts().remotePane->openDirectory(folder);
    QVERIFY(waitUntilIdle(m_frm->session()));
    QTRY_VERIFY(!m_frm->parts().remotePane->listingPending());
    QTRY_VERIFY(m_frm->session().currentDirectory().startsWith(folder));
}

void TestFolderPairs::keep(const QString& name) {
    m_prompter.inputs << name;
    m_frm->folderPairs().keepShown();
}

HostInfo TestFolderPairs::storedProfile() {
    FakeSettingsWindow window;
    HostProfiles stored;
    LoadSettings(window, stored, m_frm->settingsStore().key(), m_frm->settingsStore().path());
    return stored.Hosts.value(0);
}

// "why": what the tip of "Keep these folders as a pair..." says; "" when
// the entry can be used.
void TestFolderPairs::entriesSayWhyTheyAreDisabled_data() {
    QTest::addColumn<bool>("connect");
    QTest::addColumn<bool>("asProfile");
    QTest::addColumn<QString>("why");
    QTest::newRow("not connected") << false << true << "Connect to a server first";
    QTest::newRow("connected, not as a saved profile") << true << false << "not a saved profile";
    QTest::newRow("connected with the profile") << true << true << "";
}

void TestFolderPairs::entriesSayWhyTheyAreDisabled() {
    QFETCH(bool, connect);
    QFETCH(bool, asProfile);
    QFETCH(QString, why);
    profile().folderPairs = {{QStringLiteral("Site"), m_local->path(), QStringLiteral("/")}};
    if (connect)
        connectTo(asProfile);
    m_frm->folderPairs().refill();
    QMenu* menu = qobject_cast<QMenu*>(m_frm->folderPairs().parent());
    QVERIFY(menu);
    const QList<QAction*> entries = menu->actions();
    QVERIFY(!entries.isEmpty());
    QCOMPARE(entries[0]->isEnabled(), why.isEmpty());
    if (!why.isEmpty())
        QVERIFY2(entries[0]->toolTip().contains(why), qPrintable(entries[0]->toolTip()));
    // The pairs to open are listed only when they can be opened.
    const bool listed = std::any_of(entries.begin(), entries.end(),
                                    [](QAction* entry) { return entry->text() == u"Site"; });
    QCOMPARE(listed, why.isEmpty());
}

// Kept once, or twice (the second time with "other" shown locally), with
// the names typed and the answer to "Replace it?".
void TestFolderPairs::keepingThePanesFolders_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<bool>("replace");
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("named") << QStringList{"Site"} << false << QStringList{"Site|site"};
    QTest::newRow("cancelled") << QStringList{""} << false << QStringList{};
    QTest::newRow("two names") << QStringList{"Site", "Other"} << false
                               << QStringList{"Site|site", "Other|other"};
    QTest::newRow("a name again, replaced")
        << QStringList{"Site", "Site"} << true << QStringList{"Site|other"};
    QTest::newRow("a name again, not replaced")
        << QStringList{"Site", "Site"} << false << QStringList{"Site|site"};
    QTest::newRow("line breaks and blanks in a name")
        << QStringList{"  Web\nsite  "} << false << QStringList{"Web site|site"};
}

void TestFolderPairs::keepingThePanesFolders() {
    QFETCH(QStringList, names);
    QFETCH(bool, replace);
    QFETCH(QStringList, kept);
    connectTo(true);
    showFolders(QStringLiteral("site"), QStringLiteral("www"));
    keep(names[0]);
    if (names.size() > 1) {
        showFolders(QStringLiteral("other"), QStringLiteral("www"));
        m_prompter.answers << (replace ? Prompter::Answer::Yes : Prompter::Answer::No);
        keep(names[1]);
    }
    QCOMPARE(shown(profile().folderPairs), kept);
    QCOMPARE(storedProfile().folderPairs, profile().folderPairs);
    for (const FolderPair& pair : std::as_const(profile().folderPairs))
        QVERIFY2(pair.remote.startsWith(m_server->loginDir() + QStringLiteral("www")),
                 qPrintable(pair.remote));
    QCOMPARE(m_prompter.messages.size(), 0);
}

void TestFolderPairs::openingAPairShowsWhatStillExists_data() {
    QTest::addColumn<bool>("localGone");
    QTest::addColumn<bool>("remoteGone");
    QTest::addColumn<QString>("message"); // part of the one message; "" for none
    QTest::newRow("both there") << false << false << "";
    QTest::newRow("local folder gone") << true << false << "local folder";
    QTest::newRow("server's folder gone") << false << true << "server's folder";
}

void TestFolderPairs::openingAPairShowsWhatStillExists() {
    QFETCH(bool, localGone);
    QFETCH(bool, remoteGone);
    QFETCH(QString, message);
    connectTo(true);
    showFolders(QStringLiteral("site"), QStringLiteral("www"));
    keep(QStringLiteral("Site"));
    showFolders(QStringLiteral("other"), QString());
    if (localGone)
        QVERIFY(QDir(m_local->filePath(QStringLiteral("site"))).removeRecursively());
    if (remoteGone)
        QVERIFY(QDir(m_server->root() + QStringLiteral("/www")).removeRecursively());

    m_frm->folderPairs().open(0);
    QVERIFY(waitUntilIdle(m_frm->session()));
    QTRY_VERIFY(!m_frm->parts().remotePane->listingPending());
    QTRY_COMPARE(m_prompter.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(m_prompter.messages[0].text.contains(message),
                 qPrintable(m_prompter.messages[0].text));
    const QString local = m_frm->parts().localPane->localDirectory();
    QCOMPARE(local,
             m_local->filePath(localGone ? QStringLiteral("other") : QStringLiteral("site")) +
                 u'/');
    const QString remote = m_frm->session().currentDirectory();
    QCOMPARE(remote.contains(u"www"), !remoteGone);
}

void TestFolderPairs::removingAPair_data() {
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("yes") << true << QStringList{"Other|other"};
    QTest::newRow("no") << false << QStringList{"Site|site", "Other|other"};
}

void TestFolderPairs::removingAPair() {
    QFETCH(bool, yes);
    QFETCH(QStringList, left);
    connectTo(true);
    showFolders(QStringLiteral("site"), QStringLiteral("www"));
    keep(QStringLiteral("Site"));
    showFolders(QStringLiteral("other"), QStringLiteral("www"));
    keep(QStringLiteral("Other"));
    m_prompter.answers << (yes ? Prompter::Answer::Yes : Prompter::Answer::No);
    m_frm->folderPairs().remove(0);
    QCOMPARE(shown(profile().folderPairs), left);
    QCOMPARE(shown(storedProfile().folderPairs), left);
    QVERIFY(QDir(m_local->filePath(QStringLiteral("site"))).exists());
}

// The profile's clock (minutes, -1000 for "find out"), what the user sets
// in the dialog (and whether to find it out from an uploaded file), and what
// the profile keeps after Preview.
void TestFolderPairs::synchroniseKeepsTheClockWithTheProfile_data() {
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("set");
    QTest::addColumn<bool>("byUpload");
    QTest::addColumn<int>("kept");
    QTest::newRow("found out, set to 2 h") << -1000 << 120 << false << 120;
    QTest::newRow("1 h, left alone") << 60 << 60 << false << 60;
    QTest::newRow("1 h, back to find out") << 60 << -1000 << false << -1000;
    QTest::newRow("found out from an uploaded file") << 60 << -1000 << true << 0;
}

void TestFolderPairs::synchroniseKeepsTheClockWithTheProfile() {
    QFETCH(int, stored);
    QFETCH(int, set);
    QFETCH(bool, byUpload);
    QFETCH(int, kept);
    const auto clock = [](int minutes) {
        return minutes == -1000 ? std::optional<int>() : std::optional<int>(minutes);
    };
    profile().clockMinutes = clock(stored);
    connectTo(true);
    m_frm->sync().Act_Synchronise_Click();
    SyncDialog& dialog = *m_frm->sync().dialog();
    QCOMPARE(dialog.offsetMinutes(), clock(stored));
    dialog.setOffsetMinutes(clock(set));
    dialog.setClockByUpload(byUpload);
    QSignalSpy compared(&m_frm->sync(), &SyncControl::compared);
    dialog.Cmd_Preview->click();
    QVERIFY(compared.wait(60000));
    QCOMPARE(profile().clockMinutes, clock(kept));
    QCOMPARE(dialog.offsetMinutes(), clock(kept));
    if (kept != stored) // written at once; the test's profile was never written before
        QCOMPARE(storedProfile().clockMinutes, clock(kept));
    QVERIFY(!dialog.clockByUpload());
    // Nothing of tarlen's is left on the server.
    QCOMPARE(QDir(m_server->root()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_MAIN(TestFolderPairs)
#include "tst_folder_pairs.moc"
