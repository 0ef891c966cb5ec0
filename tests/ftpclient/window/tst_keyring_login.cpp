// Logging in with a password that the desktop's keyring keeps, against a real
// pyftpdlib server and gnome-keyring on a private session bus. A process of
// its own: the keyring runs throughout, never restarted under libsecret.
#include "ftp_test_server.h"
#include "launch_target.h"
#include "panes/remote_pane.h"
#include "password_vault.h"
#include "remote_session.h"
#include "scripted_prompter.h"
#include "secret_service_fixture.h"
#include "sent_commands.h"
#include "session_waits.h"
#include "vault_answers.h"
#include "window/tarlen_frm.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestKeyringLogin : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void passwordIsReadBeforeTheLogin_data();
    void passwordIsReadBeforeTheLogin();

private:
    FtpTestServer m_server{FtpTestServer::Kind::Pyftpdlib};
    SecretServiceFixture m_bus;
    QTemporaryDir m_config;
    ScriptedPrompter m_prompter;
    std::unique_ptr<TARLEN_Frm> m_frm;
    std::unique_ptr<QSignalSpy> m_sent;
};

void TestKeyringLogin::initTestCase() {
    const QString missing = SecretServiceFixture::unavailableReason();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_config.path()));
    QVERIFY2(m_bus.startBus(), qPrintable(m_bus.errorText()));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_bus.busAddress().toUtf8());
    QVERIFY2(m_bus.startKeyring(), qPrintable(m_bus.errorText()));
    QVERIFY2(m_server.start(), qPrintable(m_server.errorText()));
}

// The window's one profile keeps its password in the keyring, not yet read.
void TestKeyringLogin::init() {
    m_prompter = ScriptedPrompter();
    m_frm = std::make_unique<TARLEN_Frm>(m_prompter);
    m_frm->Form_Load();
    HostInfo profile{QStringLiteral("Test server"), m_server.address(), m_server.userName(),
                     QString()};
    profile.inKeyring = true;
    m_frm->settingsStore().profiles().Hosts = {profile};
    m_frm->settingsStore().profiles().iNumHosts = 1;
    m_frm->settingsStore().profiles().iCurHost = 0;
    m_sent = std::make_unique<QSignalSpy>(&m_frm->session(), &RemoteSession::commandExecuted);
}

void TestKeyringLogin::cleanup() {
    m_sent.reset();
    m_frm.reset();
}

void TestKeyringLogin::passwordIsReadBeforeTheLogin_data() {
    QTest::addColumn<QString>("meanwhile"); // while the keyring is asked
    QTest::newRow("nothing") << QString();
    QTest::newRow("Close") << "Close";
    QTest::newRow("window gone") << "window gone";
}

// A URL's profile logs in once the keyring gave its password, and opens the
// URL's folder. Close, or the window going, while the keyring is asked ends
// the attempt before anything reaches the server.
void TestKeyringLogin::passwordIsReadBeforeTheLogin() {
    QFETCH(QString, meanwhile);
    const std::unique_ptr<PasswordVault> vault = makeDesktopKeyring();
    const QString account = vaultAccount(m_server.userName(), m_server.address());
    const VaultAnswer stored = storeInVault(*vault, account, m_server.password());
    QVERIFY2(stored.ok(), qPrintable(stored.error));
    QVERIFY(m_server.writeFile(QStringLiteral("docs/inner.txt"), "x"));
    TARLEN_Frm& f = *m_frm;
    const QString url =
        QStringLiteral("ftp://%1@%2/docs").arg(m_server.userName(), m_server.address());
    f.connectAtStart(*parseLaunchUrl(url, nullptr));
    QVERIFY(sentCommands(*m_sent).isEmpty());
    QCOMPARE(f.parts().Cmd_Connect->text(), QStringLiteral("Close"));

    if (meanwhile.isEmpty()) {
        QTRY_VERIFY(f.session().connected());
        QCOMPARE(sentCommands(*m_sent).value(0), QStringLiteral("PWD"));
        QTRY_COMPARE(f.parts().remotePane->Lbl_Dir->text(), QStringLiteral("/docs/"));
        QVERIFY(waitUntilIdle(f.session()));
        QVERIFY(m_prompter.passwordPrompts.isEmpty());
        QVERIFY(m_prompter.messages.isEmpty());
        return;
    }
    if (meanwhile == u"Close") {
        f.parts().Cmd_Connect->click();
    } else {
        m_sent.reset();
        m_frm.reset();
    }
    // QtKeychain runs one request after the other: the window's is answered
    // by the time this one is.
    QCOMPARE(readFromVault(*vault, account).password, std::optional<QString>(m_server.password()));
    if (m_frm) {
        QVERIFY(sentCommands(*m_sent).isEmpty());
        QVERIFY(!f.session().connected());
        QCOMPARE(f.parts().Cmd_Connect->text(), QStringLiteral("Connect"));
    }
    QVERIFY(m_prompter.messages.isEmpty());
}

QTEST_MAIN(TestKeyringLogin)
#include "tst_keyring_login.moc"
