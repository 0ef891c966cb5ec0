// Connecting, cancelling, recovering from refusals, disconnecting and closing
// the main window, against a real pyftpdlib server.
#include "ftp_test_server.h"
#include "inet.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "remote_session.h"
#include "scripted_connect.h"
#include "scripted_prompter.h"
#include "silent_server.h"
#include "slow_proxy.h"
#include "test_files.h"
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
    void disconnectShowsProfileName();
    void closingDuringCommandAbandonsItAndSendsNothing();
    void closingWhileConnectedSendsNothing();
    void closeDuringLoginAbandonsIt_data();
    void closeDuringLoginAbandonsIt();
    void failedLoginReturnsToDisconnected_data();
    void failedLoginReturnsToDisconnected();
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
    QTemporaryDir m_config;
    ScriptedPrompter m_prompter;
    std::unique_ptr<TARLEN_Frm> m_frm;
    std::unique_ptr<QSignalSpy> m_sent;
};

void TestConnection::initTestCase() {
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
}

void TestConnection::init() {
    m_prompter = ScriptedPrompter();
    m_frm = std::make_unique<TARLEN_Frm>(m_prompter);
    m_frm->Form_Load();
    m_frm->profiles.Hosts = {HostInfo{QStringLiteral("Test server"), m_server.address(),
                                      m_server.userName(), m_server.password()}};
    m_frm->profiles.iNumHosts = 1;
    m_frm->profiles.iCurHost = 0;
    m_sent = std::make_unique<QSignalSpy>(&m_frm->session(), &RemoteSession::commandExecuted);
    confirmHost(m_server.address());
}

void TestConnection::cleanup() {
    m_sent.reset();
    m_frm.reset();
}

void TestConnection::connectLogsStatesAndSendsPwdThenDir() {
    TARLEN_Frm& f = *m_frm;
    f.Cmd_Connect->click();
    QCOMPARE(sent(), (QStringList{"PWD", "DIR"}));
    QCOMPARE(f.Cmd_Connect->text(), QStringLiteral("Close"));
    QVERIFY(f.session().bConnected);
    QCOMPARE(f.session().sRemoteDir, QStringLiteral("/"));
    QCOMPARE(f.session().sRootDir, QStringLiteral("/"));
    QCOMPARE(f.remotePane->Lbl_Dir->text(), QStringLiteral("/"));
    QVERIFY(f.Txt_Status->text().startsWith(
        QStringLiteral("\r\nResolving Host\r\nHost Resolved\r\nConnecting...\r\nConnected!")));
    QVERIFY(f.Cmd_Cancel->isHidden());
    QVERIFY(!f.Timer1->isActive());
    QVERIFY(m_prompter.messages.isEmpty());
}

void TestConnection::cancellingTheDialogLeavesEverythingEmpty() {
    TARLEN_Frm& f = *m_frm;
    f.Txt_Status->append(QStringLiteral("\r\nold"));
    f.showConnectDialog = [] {
        return std::optional<HostInfo>();
    };
    f.Cmd_Connect->click();
    QCOMPARE(f.Cmd_Connect->text(), QStringLiteral("Connect"));
    QCOMPARE(f.Txt_Status->text(), QString());
    QCOMPARE(f.remotePane->LstX_Files->ListCount(), 0);
    QVERIFY(sent().isEmpty());
}

void TestConnection::cancelDuringPwdSendsNoDir() {
    TARLEN_Frm& f = *m_frm;
    SilentServer silent;
    confirmHost(silent.address());
    QTimer::singleShot(500, &f, [&f] {
        QVERIFY(f.Cmd_Cancel->isVisible() || !f.Cmd_Cancel->isHidden());
        f.Cmd_Cancel->click();
    });
    f.Cmd_Connect->click();
    QCOMPARE(sent(), QStringList{"PWD"});
    QCOMPARE(f.Cmd_Connect->text(), QStringLiteral("Close"));
    QVERIFY(!f.session().bConnected);
    QVERIFY(f.Txt_Status->text().contains(QStringLiteral("\r\nOperation cancled")));
    QVERIFY(f.Cmd_Cancel->isHidden());
    QVERIFY(!f.session().Inet1()->StillExecuting());
}

void TestConnection::disconnectShowsProfileName() {
    TARLEN_Frm& f = *m_frm;
    f.Cmd_Connect->click();
    QVERIFY(f.session().bConnected);
    f.Cmd_Connect->click();
    QCOMPARE(f.Cmd_Connect->text(), QStringLiteral("Connect"));
    QVERIFY(!f.session().bConnected);
    QCOMPARE(f.remotePane->Lbl_Dir->text(), QString());
    QCOMPARE(sent().last(), QStringLiteral("QUIT"));
    QTRY_COMPARE(m_prompter.messages.size(), 1);
    QCOMPARE(m_prompter.messages[0].text, QStringLiteral("Disconnected from Test server"));
    QCOMPARE(m_prompter.messages[0].title, QStringLiteral("Qoro FTP"));
    QCOMPARE(m_prompter.messages[0].icon, Prompter::Icon::None);
    QVERIFY(f.Txt_Status->text().contains(QStringLiteral("\r\nDisconnecting...")));
}

void TestConnection::closingDuringCommandAbandonsItAndSendsNothing() {
    TARLEN_Frm& f = *m_frm;
    SilentServer silent;
    confirmHost(silent.address());
    f.show();
    QTimer::singleShot(500, &f, [&f] { f.close(); });
    f.Cmd_Connect->click();
    QCOMPARE(sent(), QStringList{"PWD"});
    QVERIFY(!f.session().Inet1());
    QVERIFY(m_prompter.messages.isEmpty());
}

void TestConnection::closingWhileConnectedSendsNothing() {
    TARLEN_Frm& f = *m_frm;
    f.show();
    f.Cmd_Connect->click();
    QVERIFY(f.session().bConnected);
    f.close();
    QCOMPARE(sent(), (QStringList{"PWD", "DIR"}));
    QTest::qWait(100);
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
    connect(&m_frm->session(), &RemoteSession::commandExecuted, this, [&](const QString& command) {
        if (command == runningCommand)
            QTimer::singleShot(kAnswerDelayMs / 2, &f, [&f] { f.Cmd_Connect->click(); });
    });
    f.Cmd_Connect->click();
    QCOMPARE(sent().last(), runningCommand);
    QCOMPARE(f.Cmd_Connect->text(), QStringLiteral("Connect"));
    QVERIFY(!f.session().bConnected);
    QVERIFY(f.Cmd_Cancel->isHidden());
    QVERIFY(!QApplication::overrideCursor());
    const QString logAtClose = f.Txt_Status->text();

    // Long after the abandoned login would have ended.
    QTest::qWait(8 * kAnswerDelayMs);
    QCOMPARE(sent().last(), runningCommand);
    QCOMPARE(f.remotePane->LstX_Files->ListCount(), 0);
    QCOMPARE(f.remotePane->Lst_Remote_Dir->count(), 0);
    QCOMPARE(f.Txt_Status->text(), logAtClose);
    QVERIFY(m_prompter.messages.isEmpty());

    disconnect(&m_frm->session(), &RemoteSession::commandExecuted, this, nullptr);
    confirmHost(m_server.address());
    f.Cmd_Connect->click();
    QVERIFY(f.session().bConnected);
    QCOMPARE(f.remotePane->LstX_Files->List(0), QStringLiteral("listed.txt"));
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
        const auto confirm = f.showConnectDialog;
        f.showConnectDialog = [&f, confirm] {
            f.session().Inet1()->setRequestTimeout(1);
            return confirm();
        };
    }
    f.Cmd_Connect->click();
    QCOMPARE(sent(), QStringList{"PWD"});
    QVERIFY(f.Txt_Status->text().contains(QStringLiteral("Error! %1: ").arg(code)));
    QCOMPARE(f.Cmd_Connect->text(), QStringLiteral("Connect"));
    QVERIFY(!f.session().bConnected);
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(m_prompter.messages.isEmpty());

    // The button connects again rather than closing.
    confirmHost(m_server.address());
    f.Cmd_Connect->click();
    QVERIFY(f.session().bConnected);
    QVERIFY(m_prompter.messages.isEmpty());
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
    f.profiles.Hosts[0].sUser = user;
    f.profiles.Hosts[0].sPW = password;
    const QString url = QStringLiteral("ftp://%1/").arg(m_server.address());
    f.connectAtStart(*parseLaunchUrl(url, nullptr));
    QVERIFY(sent().isEmpty());
    QVERIFY(!f.session().bConnected);
    QCOMPARE(f.Cmd_Connect->text(), QStringLiteral("Connect"));
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
    f.showConnectDialog = [] {
        return std::optional<HostInfo>(); // must not be shown
    };
    const QString base = QStringLiteral("ftp://%1@%2").arg(m_server.userName(), m_server.address());
    const std::optional<LaunchTarget> target =
        parseLaunchUrl(base + QStringLiteral("/docs/sub%20dir"), nullptr);
    QVERIFY(target);
    f.connectAtStart(*target);
    QVERIFY(f.session().bConnected);
    QVERIFY(m_prompter.passwordPrompts.isEmpty());
    QCOMPARE(f.remotePane->Lbl_Dir->text(), QStringLiteral("/docs/sub dir/"));
    QCOMPARE(f.remotePane->LstX_Files->ListCount(), 1);
    QCOMPARE(f.remotePane->LstX_Files->List(0), QStringLiteral("inner.txt"));

    f.Cmd_Connect->click(); // Close
    f.connectAtStart(*parseLaunchUrl(base + QStringLiteral("/not/there/"), nullptr));
    QVERIFY(f.session().bConnected);
    QCOMPARE(f.remotePane->Lbl_Dir->text(), QStringLiteral("/"));
    QVERIFY(f.Txt_Status->text().contains(QStringLiteral("Error! 12003")));
}

void TestConnection::urlWithoutPasswordAsksForIt() {
    TARLEN_Frm& f = *m_frm;
    f.profiles.iNumHosts = 0;
    const QString url = QStringLiteral("ftp://%1@%2/").arg(m_server.userName(), m_server.address());
    m_prompter.passwords = {std::nullopt};
    f.connectAtStart(*parseLaunchUrl(url, nullptr));
    QCOMPARE(m_prompter.passwordPrompts.size(), 1);
    QVERIFY(!f.session().bConnected);
    QVERIFY(sent().isEmpty());

    // An ftp:// link asks for TLS, and for clear text when there is none.
    m_prompter.passwords = {m_server.password()};
    m_prompter.choices = {QStringLiteral("Continue in clear text")};
    f.connectAtStart(*parseLaunchUrl(url, nullptr));
    QVERIFY(f.session().bConnected);
    QCOMPARE(m_prompter.choicesShown.size(), 1);
}
