// "Save Password" with the desktop's keyring, against gnome-keyring on a
// private session bus: the password goes into the keyring and not into the
// settings file, comes back when the profile is chosen, and goes when the
// profile does. Without a keyring the dialog says so and scrambles as ever.
#include "connect/connect_frm.h"
#include "fake_settings_window.h"
#include "password_vault.h"
#include "scripted_prompter.h"
#include "secret_service_fixture.h"
#include "settings_file.h"
#include "vault_answers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString Key = QStringLiteral("mavrq5216");
} // namespace

class TestConnectKeyring : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    // Runs first: the keyring is started after it.
    void withoutKeyringThePasswordIsScrambled();
    void savedPasswordGoesToTheKeyring();
    void olderFileMovesOnlyWhenSaved();
    void keyringRequestPendingWhenLeft_data();
    void keyringRequestPendingWhenLeft();
    void saveRefusedLate_data();
    void saveRefusedLate();

private:
    // Saves the profile the dialog shows, with "Save Password" checked.
    HostProfiles saveProfile(const HostProfiles& from, const QString& name, const QString& pw);
    QByteArray settingsText() const;

    SecretServiceFixture m_service;
    QTemporaryDir m_dir;
    QString m_file;
    ScriptedPrompter m_prompter;
    std::unique_ptr<PasswordVault> m_vault;
};

void TestConnectKeyring::initTestCase() {
    const QString missing = SecretServiceFixture::unavailableReason();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    QVERIFY2(m_service.startBus(), qPrintable(m_service.errorText()));
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_service.busAddress().toUtf8());
    m_vault = makeDesktopKeyring();
    m_file = m_dir.filePath(QStringLiteral("tarlen.ini"));
}

HostProfiles TestConnectKeyring::saveProfile(const HostProfiles& from, const QString& name,
                                             const QString& pw) {
    Connect_Frm dialog(from, m_prompter, Key);
    dialog.setPasswordVault(m_vault.get());
    dialog.Cmb_Host->setEditText(name);
    dialog.Txt_Host->setText(QStringLiteral("files.example.org"));
    dialog.Txt_UI->setText(QStringLiteral("me"));
    dialog.Txt_PW->setText(pw);
    dialog.Chk_PW->setChecked(true);
    dialog.Cmd_Save->click();
    if (!QTest::qWaitFor([&dialog] { return !dialog.keyringBusy(); }))
        qWarning("the keyring did not answer the save");
    FakeSettingsWindow window;
    SaveSettings(window, dialog.profiles(), Key, m_file);
    return dialog.profiles();
}

QByteArray TestConnectKeyring::settingsText() const {
    QFile file(m_file);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestConnectKeyring::withoutKeyringThePasswordIsScrambled() {
    Connect_Frm dialog(HostProfiles(), m_prompter, Key);
    dialog.setPasswordVault(m_vault.get());
    QVERIFY(!dialog.Lbl_PasswordNote->isHidden());
    QVERIFY(dialog.Lbl_PasswordNote->text().contains(QStringLiteral("scrambled")));

    const HostProfiles saved = saveProfile(HostProfiles(), QStringLiteral("Work"), "secret");
    QVERIFY(!saved.Hosts.last().inKeyring);
    QVERIFY(!settingsText().contains("KEYRING"));
    FakeSettingsWindow window;
    HostProfiles loaded;
    LoadSettings(window, loaded, Key, m_file);
    QCOMPARE(loaded.Hosts.last().sPW, QStringLiteral("secret"));
    QFile::remove(m_file);
}

void TestConnectKeyring::savedPasswordGoesToTheKeyring() {
    QVERIFY2(m_service.startKeyring(), qPrintable(m_service.errorText()));
    const HostProfiles saved = saveProfile(HostProfiles(), QStringLiteral("Work"), "s3cr\u00E9t");
    QVERIFY(saved.Hosts.last().inKeyring);
    const QByteArray text = settingsText();
    QVERIFY(text.contains("KEYRING= 1"));
    QVERIFY(text.contains("PW=\n"));
    const QString account = vaultAccount(QStringLiteral("me"), QStringLiteral("files.example.org"));
    QCOMPARE(readFromVault(*m_vault, account).password,
             std::optional<QString>(QStringLiteral("s3cr\u00E9t")));

    // Loaded again, the profile's password comes from the keyring.
    FakeSettingsWindow window;
    HostProfiles loaded;
    LoadSettings(window, loaded, Key, m_file);
    const int work = int(loaded.Hosts.size()) - 1;
    QVERIFY(loaded.Hosts[work].inKeyring);
    QVERIFY(loaded.Hosts[work].sPW.isEmpty());
    loaded.iCurHost = short(work);
    Connect_Frm dialog(loaded, m_prompter, Key);
    dialog.setPasswordVault(m_vault.get());
    QVERIFY(dialog.Lbl_PasswordNote->isHidden());
    QTRY_COMPARE(dialog.Txt_PW->text(), QStringLiteral("s3cr\u00E9t"));
    dialog.Cmd_Connect->click();
    QCOMPARE(dialog.chosenHost()->sPW, QStringLiteral("s3cr\u00E9t"));

    // Deleting the profile takes its password out of the keyring.
    Connect_Frm again(loaded, m_prompter, Key);
    again.setPasswordVault(m_vault.get());
    again.Cmb_Host_Click(work);
    again.Cmd_Delete->click();
    QTRY_VERIFY(!again.keyringBusy());
    const VaultAnswer gone = readFromVault(*m_vault, account);
    QCOMPARE(gone.password, std::nullopt);
    QCOMPARE(gone.error, QString());
    QVERIFY(m_prompter.messages.isEmpty());
}

// A scrambled password from before stays in the file until its profile is
// saved; then it moves into the keyring.
void TestConnectKeyring::olderFileMovesOnlyWhenSaved() {
    QVERIFY(m_service.keyringRunning() || m_service.startKeyring());
    QFile::remove(m_file);
    HostProfiles old;
    old.Hosts = {HostInfo{QStringLiteral("Old"), QStringLiteral("files.example.org"),
                          QStringLiteral("me"), QStringLiteral("old pw")}};
    old.iNumHosts = 1;
    FakeSettingsWindow window;
    QVERIFY(SaveSettings(window, old, Key, m_file));
    const QByteArray before = settingsText();

    HostProfiles loaded;
    LoadSettings(window, loaded, Key, m_file);
    Connect_Frm dialog(loaded, m_prompter, Key);
    dialog.setPasswordVault(m_vault.get());
    QCOMPARE(dialog.Txt_PW->text(), QStringLiteral("old pw"));
    QVERIFY(SaveSettings(window, dialog.profiles(), Key, m_file));
    QCOMPARE(settingsText(), before);

    const HostProfiles moved = saveProfile(loaded, QStringLiteral("Old"), "old pw");
    QVERIFY(moved.Hosts[0].inKeyring);
    QVERIFY(!settingsText().contains(before.mid(before.indexOf("HOST0PW="), 12)));
}

void TestConnectKeyring::keyringRequestPendingWhenLeft_data() {
    QTest::addColumn<QString>("request");             // what the dialog last asked of the keyring
    QTest::addColumn<bool>("connect");                // Connect at once; else the dialog goes
    QTest::addColumn<std::optional<QString>>("left"); // in the keyring afterwards
    const std::optional<QString> kept = QStringLiteral("s3cret");
    const std::optional<QString> typed = QStringLiteral("typed");
    QTest::newRow("password read, Connect") << "read" << true << kept;
    QTest::newRow("password read, dialog gone") << "read" << false << kept;
    QTest::newRow("save, Connect") << "save" << true << typed;
    QTest::newRow("save, dialog gone") << "save" << false << typed;
    QTest::newRow("save before the password came, Connect") << "save untyped" << true << kept;
    QTest::newRow("delete, dialog gone") << "delete" << false << std::optional<QString>();
}

// What the dialog asked of the keyring is done even when the dialog goes
// first, and the gone dialog hears nothing of it. Connect waits for the
// keyring, so that the password read goes with it; one typed meanwhile wins.
// Save waits for a password still to come rather than save an empty one.
void TestConnectKeyring::keyringRequestPendingWhenLeft() {
    QFETCH(QString, request);
    QFETCH(bool, connect);
    QFETCH(std::optional<QString>, left);
    QVERIFY(m_service.keyringRunning() || m_service.startKeyring());
    const QString account = vaultAccount(QStringLiteral("me"), QStringLiteral("files.example.org"));
    QVERIFY(storeInVault(*m_vault, account, QStringLiteral("s3cret")).ok());
    HostProfiles profiles;
    profiles.Hosts = {HostInfo{QStringLiteral("Work"), QStringLiteral("files.example.org"),
                               QStringLiteral("me"), QString()}};
    profiles.Hosts[0].inKeyring = true;
    profiles.iNumHosts = 1;
    profiles.iCurHost = 0;
    m_prompter = ScriptedPrompter();

    auto dialog = std::make_unique<Connect_Frm>(profiles, m_prompter, Key);
    dialog->setPasswordVault(m_vault.get()); // reads the password of the profile shown
    if (request.startsWith(u"save")) {
        if (request == u"save")
            dialog->Txt_PW->setText(QStringLiteral("typed"));
        dialog->Chk_PW->setChecked(true);
        dialog->Cmd_Save->click();
    } else if (request == u"delete") {
        dialog->Cmd_Delete->click();
    }
    QVERIFY(dialog->keyringBusy());
    if (connect) {
        dialog->Cmd_Connect->click();
        QVERIFY(!dialog->chosenHost());
        QTRY_VERIFY(dialog->chosenHost());
        QCOMPARE(dialog->chosenHost()->sPW, *left);
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
    }
    dialog.reset();
    QCOMPARE(readFromVault(*m_vault, account).password, left);
    QVERIFY(m_prompter.messages.isEmpty());
}

void TestConnectKeyring::saveRefusedLate_data() {
    QTest::addColumn<bool>("dialogGone"); // Cancel before the keyring gave up
    QTest::newRow("dialog still open") << false;
    QTest::newRow("dialog gone") << true;
}

// A keyring that hangs is given up on after the vault's time limit. The
// password saved then stays with its profile, to go into the settings file:
// the dialog's profiles when it is still open, else whoever took them over
// from it hears of the refusal. Either way the user is told.
void TestConnectKeyring::saveRefusedLate() {
    QFETCH(bool, dialogGone);
    QVERIFY(m_service.keyringRunning() || m_service.startKeyring());
    m_prompter = ScriptedPrompter();
    QObject keeper;
    QList<std::pair<int, QString>> lateRefusals;
    auto dialog = std::make_unique<Connect_Frm>(HostProfiles(), m_prompter, Key);
    dialog->setPasswordVault(m_vault.get());
    dialog->answerLateSavesTo(&keeper, [&](int k, const QString& account) {
        lateRefusals.append({k, account});
    });
    dialog->Cmb_Host->setEditText(QStringLiteral("Hung"));
    dialog->Txt_Host->setText(QStringLiteral("hung.example.org"));
    dialog->Txt_UI->setText(QStringLiteral("me"));
    dialog->Txt_PW->setText(QStringLiteral("typed"));
    dialog->Chk_PW->setChecked(true);
    m_service.freezeKeyring(true);
    dialog->Cmd_Save->click();
    QVERIFY(dialog->profiles().Hosts[0].inKeyring);
    if (dialogGone) {
        dialog->Cmd_Cancel->click();
        dialog.reset();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!m_prompter.messages.isEmpty(), 15000);
    m_service.freezeKeyring(false);
    QVERIFY(m_prompter.messages.first().text.contains(
        QStringLiteral("kept scrambled in the settings file")));
    const QString account = vaultAccount(QStringLiteral("me"), QStringLiteral("hung.example.org"));
    if (dialogGone) {
        QCOMPARE(lateRefusals, (QList<std::pair<int, QString>>{{0, account}}));
    } else {
        QVERIFY(lateRefusals.isEmpty());
        QVERIFY(!dialog->profiles().Hosts[0].inKeyring);
        QCOMPARE(dialog->profiles().Hosts[0].sPW, QStringLiteral("typed"));
        QVERIFY(!dialog->keyringBusy());
    }
}

QTEST_MAIN(TestConnectKeyring)
#include "tst_connect_keyring.moc"
