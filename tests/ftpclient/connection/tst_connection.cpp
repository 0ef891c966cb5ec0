// Connecting, cancelling, recovering from refusals, disconnecting and closing
// the main window, against a real pyftpdlib server.
#include "connection/status_log.h"
#include "connection/tarlen_frm.h"
#include "ftp_test_server.h"
#include "inet.h"
#include "scripted_connect.h"
#include "scripted_prompter.h"
#include "silent_server.h"
#include "test_files.h"

#include <vantel/vantelctrl.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {} // namespace

class TestConnection : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void connectLogsStatesAndSendsPwdThenDir();
    void cancellingTheDialogLeavesEverythingEmpty();
    void cancelDuringPwdSendsNoDir();
    void refusalIsSentAgainOnlyOnEveryOtherError();
    void refusalAfterSuccessfulRetryIsNotSentAgain();
    void disconnectShowsProfileName();
    void closingDuringCommandAbandonsItAndSendsNothing();
    void closingWhileConnectedSendsNothing();

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
    m_sent = std::make_unique<QSignalSpy>(m_frm.get(), &TARLEN_Frm::commandExecuted);
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
    QVERIFY(f.bConnected);
    QCOMPARE(f.sRemoteDir, QStringLiteral("/"));
    QCOMPARE(f.sRootDir, QStringLiteral("/"));
    QCOMPARE(f.Lbl_Dir->text(), QStringLiteral("/"));
    QVERIFY(f.Txt_Status->text().startsWith(
        QStringLiteral("\r\nResolving Host\r\nHost Resolved\r\nConnecting...\r\nConnected!")));
    QVERIFY(f.Cmd_Cancel->isHidden());
    QVERIFY(!f.Timer1->isActive());
    QVERIFY(m_prompter.messages.isEmpty());
}

void TestConnection::cancellingTheDialogLeavesEverythingEmpty() {
    TARLEN_Frm& f = *m_frm;
    f.Txt_Status->append(QStringLiteral("\r\nold"));
    f.showConnectDialog = [&f] {
        f.state.bConnCancel = true;
    };
    f.Cmd_Connect->click();
    QCOMPARE(f.Cmd_Connect->text(), QStringLiteral("Connect"));
    QCOMPARE(f.Txt_Status->text(), QString());
    QCOMPARE(f.LstX_Files[1]->ListCount(), 0);
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
    QVERIFY(!f.bConnected);
    QVERIFY(f.Txt_Status->text().contains(QStringLiteral("\r\nOperation cancled")));
    QVERIFY(f.Cmd_Cancel->isHidden());
    QVERIFY(!f.Inet1()->StillExecuting());
}

void TestConnection::refusalIsSentAgainOnlyOnEveryOtherError() {
    TARLEN_Frm& f = *m_frm;
    f.Cmd_Connect->click();
    QVERIFY(f.bConnected);
    m_sent->clear();

    f.runCommand(LastCommand::Listing, QStringLiteral("LS /nowhere/*"));
    QCOMPARE(sent(), (QStringList{"LS /nowhere/*", "LS /nowhere/*"}));
    QCOMPARE(f.Txt_Status->text().count(QStringLiteral("Error! 12003: 5")), 2);

    QCOMPARE(f.iRetry, short(0));

    m_sent->clear();
    f.runCommand(LastCommand::Listing, QStringLiteral("LS /nowhere/*"));
    QCOMPARE(sent().size(), 2);
    QVERIFY(m_prompter.messages.isEmpty());
}

void TestConnection::refusalAfterSuccessfulRetryIsNotSentAgain() {
    TARLEN_Frm& f = *m_frm;
    f.Cmd_Connect->click();
    m_sent->clear();
    // The file appears just as the refused DELETE is sent again, so the
    // retry succeeds and leaves the retry count at one.
    connect(m_frm.get(), &TARLEN_Frm::commandExecuted, this, [this] {
        if (m_sent->size() == 2)
            m_server.writeFile(QStringLiteral("late.txt"), "x");
    });
    f.runCommand(LastCommand::Delete, QStringLiteral("DELETE /late.txt"));
    QCOMPARE(sent().size(), 2);
    QCOMPARE(f.iRetry, short(1));
    QVERIFY(!QFile::exists(m_server.root() + QStringLiteral("/late.txt")));

    m_sent->clear();
    f.runCommand(LastCommand::Delete, QStringLiteral("DELETE /late.txt"));
    QCOMPARE(sent().size(), 1);
    QCOMPARE(f.iRetry, short(0));
}

void TestConnection::disconnectShowsProfileName() {
    TARLEN_Frm& f = *m_frm;
    f.Cmd_Connect->click();
    QVERIFY(f.bConnected);
    f.Cmd_Connect->click();
    QCOMPARE(f.Cmd_Connect->text(), QStringLiteral("Connect"));
    QVERIFY(!f.bConnected);
    QCOMPARE(f.Lbl_Dir->text(), QString());
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
    QVERIFY(!f.Inet1());
    QVERIFY(m_prompter.messages.isEmpty());
}

void TestConnection::closingWhileConnectedSendsNothing() {
    TARLEN_Frm& f = *m_frm;
    f.show();
    f.Cmd_Connect->click();
    QVERIFY(f.bConnected);
    f.close();
    QCOMPARE(sent(), (QStringList{"PWD", "DIR"}));
    QTest::qWait(100);
    QVERIFY(m_prompter.messages.isEmpty());
}

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
