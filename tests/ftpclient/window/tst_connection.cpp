// Connecting, cancelling, recovering from refusals, disconnecting and closing
// the main window, against a real pyftpdlib server.
#include "event_waits.h"
#include "fake_settings_window.h"
#include "ftp_test_server.h"
#include "inet.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "password_vault.h"
#include "queue_login.h"
#include "queue_store.h"
#include "remote_session.h"
#include "scripted_connect.h"
#include "scripted_prompter.h"
#include "secret_service_fixture.h"
#include "session_waits.h"
#include "settings_file.h"
#include "silent_server.h"
#include "slow_proxy.h"
#include "test_files.h"
#include "vault_answers.h"
#include "window/status_log.h"
#include "window/tarlen_frm.h"

#include <vantel/vantelctrl.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// How long the slow server holds back each answer.
constexpr int kAnswerDelayMs = 150;

} // namespace

class TestConnection : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void connectLogsStatesAndSendsPwdThenDir();
    void cancellingTheDialogLeavesEverythingEmpty();
    void cancelDuringPwdSendsNoDir();
    void disconnectNamesTheLogin_data();
    void disconnectNamesTheLogin();
    void closingDuringCommandAbandonsItAndSendsNothing();
    void closingWhileConnectedSendsNothing();
    void closeDuringLoginAbandonsIt_data();
    void closeDuringLoginAbandonsIt();
    void failedLoginReturnsToDisconnected_data();
    void failedLoginReturnsToDisconnected();
    void refusedPasswordIsAskedAgain_data();
    void refusedPasswordIsAskedAgain();
    void keptQueueIsOfferedInWords_data();
    void keptQueueIsOfferedInWords();
    void urlConnectsWithItsProfileAndOpensItsFolder();
    void urlWithoutPasswordAsksForIt();
    void profileWithControlCharacterSendsNothing_data();
    void profileWithControlCharacterSendsNothing();

private:
    // The scripted dialog: confirms a host the way Connect does.
    void confirmHost(const QString& address) {
        scriptConnectDialog(*m_frm, address, m_server.userName(), m_server.password());
    }
    QStringList sent() const { return sentCommands(*m_sent); }

    FtpTestServer m_server{FtpTestServer::Kind::Pyftpdlib};
    // A session bus of the test's own, so that no keyring of the user's is
    // ever asked; the Secret Service on it only when a test starts it.
    SecretServiceFixture m_bus;
    QTemporaryDir m_config;
    ScriptedPrompter m_prompter;
    std::unique_ptr<TARLEN_Frm> m_frm;
    std::unique_ptr<QSignalSpy> m_sent;
};

void TestConnection::initTestCase() {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_config.path()));
    if (SecretServiceFixture::unavailableReason().isEmpty() && m_bus.startBus())
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.busAddress().toUtf8());
    else
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tarlen-test-bus");
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
}

void TestConnection::init() {
    m_prompter = ScriptedPrompter();
    m_frm = std::make_unique<TARLEN_Frm>(m_prompter);
    m_frm->Form_Load();
    m_frm->settingsStore().profiles().Hosts = {HostInfo{QStringLiteral("Test server"),
                                                        m_server.address(), m_server.userName(),
                                                        m_server.password()}};
    m_frm->settingsStore().profiles().iNumHosts = 1;
    m_frm->settingsStore().profiles().iCurHost = 0;
    m_sent = std::make_unique<QSignalSpy>(&m_frm->session(), &RemoteSession::commandExecuted);
    confirmHost(m_server.address());
}

void TestConnection::cleanup() {
    m_sent.reset();
    m_frm.reset();
}

void TestConnection::connectLogsStatesAndSendsPwdThenDir() {
    TARLEN_Frm& f = *m_frm;
    f.parts().Cmd_Connect->click();
    QVERIFY(waitUntilIdle(f.session()));
    QCOMPARE(sent(), (QStringList{"PWD", "DIR"}));
    QCOMPARE(f.parts().Cmd_Connect->text(), QStringLiteral("Close"));
    QVERIFY(f.session().connected());
    QCOMPARE(f.session().currentDirectory(), QStringLiteral("/"));
    QCOMPARE(f.session().rootDirectory(), QStringLiteral("/"));
    QCOMPARE(f.parts().remotePane->Lbl_Dir->text(), QStringLiteral("/"));
    QVERIFY(f.parts().Txt_Status->text().startsWith(
        QStringLiteral("\r\nResolving Host\r\nHost Resolved\r\nConnecting...\r\nConnected!")));
    QVERIFY(f.parts().Cmd_Cancel->isHidden());
    QVERIFY(!f.parts().Timer1->isActive());
    QVERIFY(m_prompter.messages.isEmpty());
}

void TestConnection::cancellingTheDialogLeavesEverythingEmpty() {
    TARLEN_Frm& f = *m_frm;
    f.parts().Txt_Status->append(QStringLiteral("\r\nold"));
    f.dialogs().showConnectDialog = [] {
        return std::optional<HostInfo>();
    };
    f.parts().Cmd_Connect->click();
    QCOMPARE(f.parts().Cmd_Connect->text(), QStringLiteral("Connect"));
    QCOMPARE(f.parts().Txt_Status->text(), QString());
    QCOMPARE(f.parts().remotePane->LstX_Files->ListCount(), 0);
    QVERIFY(sent().isEmpty());
}

void TestConnection::cancelDuringPwdSendsNoDir() {
    TARLEN_Frm& f = *m_frm;
    SilentServer silent;
    confirmHost(silent.address());
    f.parts().Cmd_Connect->click();
    // The connection to the silent server is made; its greeting never comes.
    QTRY_VERIFY(f.parts().Txt_Status->text().contains(QStringLiteral("\r\nConnecting...")));
    QVERIFY(f.session().runner().busy());
    QVERIFY(f.parts().Cmd_Cancel->isVisible() || !f.parts().Cmd_Cancel->isHidden());
    f.parts().Cmd_Cancel->click();
    QVERIFY(waitUntilIdle(f.session()));
    QCOMPARE(sent(), QStringList{"PWD"});
    QCOMPARE(f.parts().Cmd_Connect->text(), QStringLiteral("Close"));
    QVERIFY(!f.session().connected());
    QVERIFY(f.parts().Txt_Status->text().contains(QStringLiteral("\r\nOperation cancled")));
    QVERIFY(f.parts().Cmd_Cancel->isHidden());
    QVERIFY(!f.session().runner().Inet1()->StillExecuting());
}

void TestConnection::disconnectNamesTheLogin_data() {
    QTest::addColumn<QString>("savedAs"); // the login's profile, "" for none
    QTest::addColumn<int>("current");     // the profile the dialog showed last
    QTest::addColumn<QString>("named");
    QTest::newRow("the current profile") << "Test server" << 1 << "Test server";
    // Saved just now, while the anonymous profile was the current one.
    QTest::newRow("another profile is current") << "Mine" << 0 << "Mine";
    QTest::newRow("no saved profile") << "" << 0 << m_server.address();
}

// "Disconnected from" names the saved profile the login was made with,
// whichever the dialog showed last, and the address when there is none.
void TestConnection::disconnectNamesTheLogin() {
    QFETCH(QString, savedAs);
    QFETCH(int, current);
    QFETCH(QString, named);
    TARLEN_Frm& f = *m_frm;
    f.settingsStore().profiles().Hosts = {HostInfo{QStringLiteral("Anonymous"), m_server.address(),
                                                   QStringLiteral("anonymous"), QString()}};
    if (!savedAs.isEmpty())
        f.settingsStore().profiles().Hosts.append(
            HostInfo{savedAs, m_server.address(), m_server.userName(), m_server.password()});
    f.settingsStore().profiles().iNumHosts = short(f.settingsStore().profiles().Hosts.size());
    f.settingsStore().profiles().iCurHost = short(current);
    f.parts().Cmd_Connect->click();
    QVERIFY(waitUntilIdle(f.session()));
    QVERIFY(f.session().connected());
    f.parts().Cmd_Connect->click();
    QVERIFY(waitUntilIdle(f.session()));
    QCOMPARE(f.parts().Cmd_Connect->text(), QStringLiteral("Connect"));
    QVERIFY(!f.session().connected());
    QCOMPARE(f.parts().remotePane->Lbl_Dir->text(), QString());
    QCOMPARE(sent().last(), QStringLiteral("QUIT"));
    QTRY_COMPARE(m_prompter.messages.size(), 1);
    QCOMPARE(m_prompter.messages[0].text, QStringLiteral("Disconnected from ") + named);
    QCOMPARE(m_prompter.messages[0].title, QStringLiteral("Qoro FTP"));
    QCOMPARE(m_prompter.messages[0].icon, Prompter::Icon::None);
    QVERIFY(f.parts().Txt_Status->text().contains(QStringLiteral("\r\nDisconnecting...")));
}

void TestConnection::closingDuringCommandAbandonsItAndSendsNothing() {
    TARLEN_Frm& f = *m_frm;
    SilentServer silent;
    confirmHost(silent.address());
    f.show();
    f.parts().Cmd_Connect->click();
    QTRY_VERIFY(f.parts().Txt_Status->text().contains(QStringLiteral("\r\nConnecting...")));
    QVERIFY(f.session().runner().busy());
    f.close();
    QCOMPARE(sent(), QStringList{"PWD"});
    QVERIFY(!f.session().runner().Inet1());
    QVERIFY(m_prompter.messages.isEmpty());
}

void TestConnection::closingWhileConnectedSendsNothing() {
    TARLEN_Frm& f = *m_frm;
    f.show();
    f.parts().Cmd_Connect->click();
    QVERIFY(waitUntilIdle(f.session()));
    QVERIFY(f.session().connected());
    f.close();
    QCOMPARE(sent(), (QStringList{"PWD", "DIR"}));
    QVERIFY(waitForPostedEvents());
    QVERIFY(waitUntilIdle(f.session()));
    QCOMPARE(sent(), (QStringList{"PWD", "DIR"}));
    QVERIFY(m_prompter.messages.isEmpty());
}

void TestConnection::closeDuringLoginAbandonsIt_data() {
    QTest::addColumn<QString>("runningCommand");
    QTest::newRow("during PWD") << QStringLiteral("PWD");
    QTest::newRow("during DIR") << QStringLiteral("DIR");
}

// Close while the login waits abandons it: nothing more is sent, nothing of
// it reaches the lists later, and the next Connect works.
void TestConnection::closeDuringLoginAbandonsIt() {
    QFETCH(QString, runningCommand);
    TARLEN_Frm& f = *m_frm;
    QVERIFY(m_server.writeFile(QStringLiteral("listed.txt"), "x"));
    SlowProxy slow(m_server.port(), kAnswerDelayMs);
    confirmHost(slow.address());
    bool closeClicked = false;
    connect(&m_frm->session(), &RemoteSession::commandExecuted, this, [&](const QString& command) {
        if (command == runningCommand)
            QTimer::singleShot(kAnswerDelayMs / 2, &f, [&f, &closeClicked] {
                QVERIFY(f.session().runner().busy());
                f.parts().Cmd_Connect->click();
                closeClicked = true;
            });
    });
    f.parts().Cmd_Connect->click();
    QTRY_VERIFY(closeClicked);
    QVERIFY(waitUntilIdle(f.session()));
    QCOMPARE(sent().last(), runningCommand);
    QCOMPARE(f.parts().Cmd_Connect->text(), QStringLiteral("Connect"));
    QVERIFY(!f.session().connected());
    QVERIFY(f.parts().Cmd_Cancel->isHidden());
    QVERIFY(!QApplication::overrideCursor());
    const QString logAtClose = f.parts().Txt_Status->text();

    // Once whatever the server still said has been passed on and the
    // abandoned connection is gone.
    QTRY_VERIFY(slow.quiet());
    QVERIFY(waitForPostedEvents());
    QCOMPARE(sent().last(), runningCommand);
    QCOMPARE(f.parts().remotePane->LstX_Files->ListCount(), 0);
    QCOMPARE(f.parts().remotePane->Lst_Remote_Dir->count(), 0);
    QCOMPARE(f.parts().Txt_Status->text(), logAtClose);
    QVERIFY(m_prompter.messages.isEmpty());

    disconnect(&m_frm->session(), &RemoteSession::commandExecuted, this, nullptr);
    confirmHost(m_server.address());
    f.parts().Cmd_Connect->click();
    QVERIFY(waitUntilIdle(f.session()));
    QVERIFY(f.session().connected());
    QCOMPARE(f.parts().remotePane->LstX_Files->List(0), QStringLiteral("listed.txt"));
    QFile::remove(m_server.root() + QStringLiteral("/listed.txt"));
}

void TestConnection::failedLoginReturnsToDisconnected_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("code");
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const QString closedPort = QStringLiteral("127.0.0.1:%1").arg(probe.serverPort());
    QTest::newRow("wrong password") << m_server.address() << QStringLiteral("wrong") << 12015;
    QTest::newRow("closed port") << closedPort << m_server.password() << 12029;
    QTest::newRow("unknown host") << QStringLiteral("no-such-host.invalid") << m_server.password()
                                  << 12007;
    QTest::newRow("timeout") << QString() << m_server.password() << 12002;
}

// A login that fails sends no DIR and leaves the window disconnected; Close
// never reports a disconnection from a server that was never connected.
void TestConnection::failedLoginReturnsToDisconnected() {
    QFETCH(QString, address);
    QFETCH(QString, password);
    QFETCH(int, code);
    TARLEN_Frm& f = *m_frm;
    SilentServer silent;
    scriptConnectDialog(f, address.isEmpty() ? silent.address() : address, m_server.userName(),
                        password);
    if (address.isEmpty()) {
        const auto confirm = f.dialogs().showConnectDialog;
        f.dialogs().showConnectDialog = [&f, confirm] {
            f.session().runner().Inet1()->setRequestTimeout(1);
            return confirm();
        };
    }
    f.parts().Cmd_Connect->click();
    QVERIFY(waitUntilIdle(f.session()));
    QCOMPARE(sent(), QStringList{"PWD"});
    QVERIFY(f.parts().Txt_Status->text().contains(QStringLiteral("Error! %1: ").arg(code)));
    QCOMPARE(f.parts().Cmd_Connect->text(), QStringLiteral("Connect"));
    QVERIFY(!f.session().connected());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(m_prompter.messages.isEmpty());

    // The button connects again rather than closing.
    confirmHost(m_server.address());
    f.parts().Cmd_Connect->click();
    QVERIFY(waitUntilIdle(f.session()));
    QVERIFY(f.session().connected());
    QVERIFY(m_prompter.messages.isEmpty());
}

void TestConnection::refusedPasswordIsAskedAgain_data() {
    QTest::addColumn<QStringList>("typed"); // in order; the question after them is cancelled
    QTest::addColumn<bool>("ticked");       // "Save Password" as each answer left it
    QTest::addColumn<bool>("keyring");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("kept"); // the profile's password afterwards
    const auto plain = int(ServerProtocol::PlainFtp);
    const QString right = m_server.password();
    QTest::newRow("cancelled") << QStringList() << true << false << plain << false << "stale";
    QTest::newRow("refused again, then taken, not saved")
        << QStringList{"still wrong", right} << false << false << plain << true << "stale";
    QTest::newRow("saved scrambled without a keyring")
        << QStringList{right} << true << false << plain << true << right;
    QTest::newRow("saved in the keyring")
        << QStringList{right} << true << true << plain << true << right;
    // Clear text is agreed to once, before the first password goes.
    QTest::newRow("TLS when offered, server without TLS")
        << QStringList{right} << false << false << int(ServerProtocol::FtpTlsIfOffered) << true
        << "stale";
}

// A password the server refuses is asked for again, naming the user and the
// server, with "Save Password" for the saved profile; a saved one is kept as
// the connect dialog keeps it. No password shows anywhere.
void TestConnection::refusedPasswordIsAskedAgain() {
    QFETCH(QStringList, typed);
    QFETCH(bool, ticked);
    QFETCH(bool, keyring);
    QFETCH(int, protocol);
    QFETCH(bool, connected);
    QFETCH(QString, kept);
    if (keyring && !m_bus.keyringRunning()) {
        if (!SecretServiceFixture::unavailableReason().isEmpty() || m_bus.busAddress().isEmpty())
            QSKIP("no private session bus with a keyring");
        QVERIFY2(m_bus.startKeyring(), qPrintable(m_bus.errorText()));
    } else if (!keyring && m_bus.keyringRunning()) {
        m_bus.stopKeyring();
    }
    TARLEN_Frm& f = *m_frm;
    f.settingsStore().setFile(m_config.filePath(QStringLiteral("refused.ini")));
    QFile::remove(f.settingsStore().path());
    // The server's password changed since it was saved.
    HostInfo& profile = f.settingsStore().profiles().Hosts[0];
    profile.sPW = QStringLiteral("stale");
    profile.protocol = ServerProtocol(protocol);
    f.dialogs().showConnectDialog = [profile] {
        return std::optional<HostInfo>(profile);
    };
    for (const QString& password : typed) {
        m_prompter.passwords.append(password);
        m_prompter.checks.append(ticked);
    }
    m_prompter.choices = {QStringLiteral("Continue in clear text")};
    f.parts().Cmd_Connect->click();
    QVERIFY(waitUntilIdle(f.session()));

    QCOMPARE(f.session().connected(), connected);
    QCOMPARE(f.parts().Cmd_Connect->text(),
             connected ? QStringLiteral("Close") : QStringLiteral("Connect"));
    const qsizetype asked = typed.size() + (connected ? 0 : 1);
    QCOMPARE(m_prompter.passwordPrompts.size(), asked);
    for (qsizetype n = 0; n < asked; ++n) {
        const QString& prompt = m_prompter.passwordPrompts[n];
        QVERIFY2(prompt.contains(m_server.userName()) && prompt.contains(m_server.address()),
                 qPrintable(prompt));
        QCOMPARE(prompt.contains(QStringLiteral("No keyring")), !keyring);
        QCOMPARE(m_prompter.passwordCheckBoxes[n], QStringLiteral("Save Password"));
    }
    // Ticked at first: the profile keeps the password that was refused.
    QVERIFY(m_prompter.passwordChecksShown.value(0));
    QCOMPARE(m_prompter.choicesShown.size(), protocol == int(ServerProtocol::PlainFtp) ? 0 : 1);
    const QString log = f.parts().Txt_Status->text();
    QVERIFY2(log.contains(QStringLiteral("Connected!")) &&
                 log.contains(QStringLiteral("Error! 12015: ")),
             qPrintable(log));
    for (const QString& password : typed + QStringList{QStringLiteral("stale")}) {
        QVERIFY(!log.contains(password));
        for (const ScriptedPrompter::Shown& message : std::as_const(m_prompter.messages))
            QVERIFY(!message.text.contains(password));
    }

    QCOMPARE(profile.sPW, kept);
    QCOMPARE(profile.inKeyring, keyring);
    if (kept == u"stale") {
        QVERIFY(!QFile::exists(f.settingsStore().path()));
        return;
    }
    HostProfiles reread;
    FakeSettingsWindow window;
    LoadSettings(window, reread, f.settingsStore().key(), f.settingsStore().path());
    QCOMPARE(reread.Hosts.value(0).sPW, keyring ? QString() : kept);
    QCOMPARE(reread.Hosts.value(0).inKeyring, keyring);
    if (keyring)
        QCOMPARE(readFromVault(*makeDesktopKeyring(),
                               vaultAccount(m_server.userName(), m_server.address()))
                     .password,
                 std::optional<QString>(kept));
}

void TestConnection::keptQueueIsOfferedInWords_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("question");
    QTest::newRow("one") << 1
                         << "1 transfer with Test server was left unfinished last time. Continue "
                            "it?\n\nNo forgets it; Cancel keeps it for later.";
    QTest::newRow("three") << 3
                           << "3 transfers with Test server were left unfinished last time. "
                              "Continue them?\n\nNo forgets them; Cancel keeps them for later.";
}

// What the queue left unfinished at the last quit is offered at the next
// login there, counted in words that fit the number.
void TestConnection::keptQueueIsOfferedInWords() {
    QFETCH(int, count);
    QFETCH(QString, question);
    QueueLogin login;
    login.address = m_server.address();
    login.user = m_server.userName();
    std::vector<TransferItem> kept;
    for (int n = 0; n < count; ++n) {
        TransferItem item;
        item.remote = QStringLiteral("/kept%1.txt").arg(n);
        item.local = m_config.filePath(QStringLiteral("kept%1.txt").arg(n));
        kept.push_back(item);
    }
    QueueStore store;
    QVERIFY(store.save(login.key(), kept));
    m_prompter.answers = {Prompter::Answer::No};
    m_frm->parts().Cmd_Connect->click();
    QVERIFY(waitUntilIdle(m_frm->session()));
    QVERIFY(m_frm->session().connected());
    QCOMPARE(m_prompter.questions.size(), 1);
    QCOMPARE(m_prompter.questions[0].text, question);
    QVERIFY(store.load(login.key()).empty()); // No forgot them
}

// A saved profile (from the settings file, or with its password from the
// keyring) is not checked by the dialog when a URL picks it: the connect
// attempt fails, naming the field, and nothing reaches the server.
void TestConnection::profileWithControlCharacterSendsNothing_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("said");
    const QString dele = QStringLiteral("DELE listed.txt");
    QTest::newRow("CR LF in the password")
        << m_server.userName() << m_server.password() + QStringLiteral("\r\n") + dele << "password";
    QTest::newRow("tab in the user name")
        << m_server.userName() + QStringLiteral("\t") << m_server.password() << "user name";
}

void TestConnection::profileWithControlCharacterSendsNothing() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, said);
    TARLEN_Frm& f = *m_frm;
    QVERIFY(m_server.writeFile(QStringLiteral("listed.txt"), "x"));
    f.settingsStore().profiles().Hosts[0].sUser = user;
    f.settingsStore().profiles().Hosts[0].sPW = password;
    const QString url = QStringLiteral("ftp://%1/").arg(m_server.address());
    f.connectAtStart(*parseLaunchUrl(url, nullptr));
    QVERIFY(waitUntilIdle(f.session()));
    QVERIFY(sent().isEmpty());
    QVERIFY(!f.session().connected());
    QCOMPARE(f.parts().Cmd_Connect->text(), QStringLiteral("Connect"));
    QCOMPARE(m_prompter.messages.size(), 1);
    const QString message = m_prompter.messages[0].text;
    QVERIFY2(message.contains(said), qPrintable(message));
    QVERIFY(!message.contains(password));
    QVERIFY(QFile::exists(m_server.root() + QStringLiteral("/listed.txt")));
}

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"

// A URL from the command line: the saved profile of that server and user
// gives the password, the folder is opened, and one that is not there
// leaves the login directory listed.
void TestConnection::urlConnectsWithItsProfileAndOpensItsFolder() {
    TARLEN_Frm& f = *m_frm;
    QVERIFY(m_server.writeFile(QStringLiteral("docs/sub dir/inner.txt"), "x"));
    QVERIFY(m_server.writeFile(QStringLiteral("top.txt"), "x"));
    f.dialogs().showConnectDialog = [] {
        return std::optional<HostInfo>(); // must not be shown
    };
    const QString base = QStringLiteral("ftp://%1@%2").arg(m_server.userName(), m_server.address());
    const std::optional<LaunchTarget> target =
        parseLaunchUrl(base + QStringLiteral("/docs/sub%20dir"), nullptr);
    QVERIFY(target);
    f.connectAtStart(*target);
    QVERIFY(waitUntilIdle(f.session()));
    QVERIFY(f.session().connected());
    QVERIFY(m_prompter.passwordPrompts.isEmpty());
    QCOMPARE(f.parts().remotePane->Lbl_Dir->text(), QStringLiteral("/docs/sub dir/"));
    QCOMPARE(f.parts().remotePane->LstX_Files->ListCount(), 1);
    QCOMPARE(f.parts().remotePane->LstX_Files->List(0), QStringLiteral("inner.txt"));

    f.parts().Cmd_Connect->click(); // Close
    QVERIFY(waitUntilIdle(f.session()));
    f.connectAtStart(*parseLaunchUrl(base + QStringLiteral("/not/there/"), nullptr));
    QVERIFY(waitUntilIdle(f.session()));
    QVERIFY(f.session().connected());
    QCOMPARE(f.parts().remotePane->Lbl_Dir->text(), QStringLiteral("/"));
    QVERIFY(f.parts().Txt_Status->text().contains(QStringLiteral("Error! 12003")));
}

void TestConnection::urlWithoutPasswordAsksForIt() {
    TARLEN_Frm& f = *m_frm;
    f.settingsStore().profiles().iNumHosts = 0;
    const QString url = QStringLiteral("ftp://%1@%2/").arg(m_server.userName(), m_server.address());
    m_prompter.passwords = {std::nullopt};
    f.connectAtStart(*parseLaunchUrl(url, nullptr));
    QVERIFY(waitUntilIdle(f.session()));
    QCOMPARE(m_prompter.passwordPrompts.size(), 1);
    QVERIFY(!f.session().connected());
    QVERIFY(sent().isEmpty());

    // An ftp:// link asks for TLS, and for clear text when there is none.
    m_prompter.passwords = {m_server.password()};
    m_prompter.choices = {QStringLiteral("Continue in clear text")};
    f.connectAtStart(*parseLaunchUrl(url, nullptr));
    QVERIFY(waitUntilIdle(f.session()));
    QVERIFY(f.session().connected());
    QCOMPARE(m_prompter.choicesShown.size(), 1);
}
