// The desktop keyring against a real Secret Service: gnome-keyring on a
// private session bus started by the test.
#include "password_vault.h"
#include "secret_service_fixture.h"
#include "vault_answers.h"

#include <QRandomGenerator>
#include <QTest>

class TestPasswordVault : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    // Runs first: the keyring daemon is started by the tests after it.
    void withoutSecretServiceEverythingFailsAtOnce();
    void storeReadOverwriteRemove();
    void passwordsRoundTrip_data();
    void passwordsRoundTrip();
    void accountsAreKeptApart();
    void hungKeyringGivesUp();
    void askerGoneWhileRequestPending_data();
    void askerGoneWhileRequestPending();

private:
    bool keyringUp();

    SecretServiceFixture m_service;
    std::unique_ptr<PasswordVault> m_vault;
};

void TestPasswordVault::initTestCase() {
    const QString missing = SecretServiceFixture::unavailableReason();
    if (!missing.isEmpty())
        QSKIP(qPrintable(missing));
    QVERIFY2(m_service.startBus(), qPrintable(m_service.errorText()));
    // Before anything in this process touches D-Bus.
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_service.busAddress().toUtf8());
    m_vault = makeDesktopKeyring();
}

bool TestPasswordVault::keyringUp() {
    if (m_service.keyringRunning())
        return true;
    if (m_service.startKeyring())
        return true;
    qWarning("%s", qPrintable(m_service.errorText()));
    return false;
}

void TestPasswordVault::withoutSecretServiceEverythingFailsAtOnce() {
    m_service.stopKeyring();
    QVERIFY(!m_vault->available());
    const QString account = QStringLiteral("anna@ftp.example.org");

    const VaultAnswer stored = storeInVault(*m_vault, account, QStringLiteral("pw"));
    QVERIFY2(stored.error.contains(QStringLiteral("keyring")), qPrintable(stored.error));
    const VaultAnswer read = readFromVault(*m_vault, account);
    QVERIFY2(read.error.contains(QStringLiteral("keyring")), qPrintable(read.error));
    QCOMPARE(read.password, std::nullopt);
    QVERIFY(!removeFromVault(*m_vault, account).ok());
    // A caller that wants no answer need not take one.
    m_vault->store(account, QStringLiteral("pw"), nullptr, {});
}

void TestPasswordVault::storeReadOverwriteRemove() {
    QVERIFY(keyringUp());
    QVERIFY(m_vault->available());
    const QString account = vaultAccount(QStringLiteral("anna"), QStringLiteral("ftp.example.org"));
    VaultAnswer answer = readFromVault(*m_vault, account);
    QCOMPARE(answer.password, std::nullopt);
    QCOMPARE(answer.error, QString());

    // The answer comes from the event loop, never within the call.
    bool answered = false;
    QObject asker;
    m_vault->store(account, QStringLiteral("first secret"), &asker,
                   [&answered](const VaultAnswer&) { answered = true; });
    QVERIFY(!answered);
    QTRY_VERIFY(answered);
    QCOMPARE(readFromVault(*m_vault, account).password, QStringLiteral("first secret"));
    answer = storeInVault(*m_vault, account, QStringLiteral("second secret"));
    QVERIFY2(answer.ok(), qPrintable(answer.error));
    QCOMPARE(readFromVault(*m_vault, account).password, QStringLiteral("second secret"));

    answer = removeFromVault(*m_vault, account);
    QVERIFY2(answer.ok(), qPrintable(answer.error));
    answer = readFromVault(*m_vault, account);
    QCOMPARE(answer.password, std::nullopt);
    QCOMPARE(answer.error, QString());
    // Removing what is not there is no failure.
    answer = removeFromVault(*m_vault, account);
    QVERIFY2(answer.ok(), qPrintable(answer.error));
}

void TestPasswordVault::passwordsRoundTrip_data() {
    QTest::addColumn<QString>("password");
    QTest::newRow("non-ASCII") << QStringLiteral(u"Pässwörd ✓ 密码 🔑 ende");
    QTest::newRow("quotes, spaces, tab, newline") << QStringLiteral("'a\" b\tc\nd\\e%s;DROP");
    QString long_;
    QRandomGenerator random(15);
    for (int i = 0; i < 8192; ++i)
        long_ += QChar(char16_t(random.bounded(0x20, 0x7f)));
    QTest::newRow("8192 characters") << long_;
}

void TestPasswordVault::passwordsRoundTrip() {
    QFETCH(QString, password);
    QVERIFY(keyringUp());
    const QString account = vaultAccount(QStringLiteral("bob"), QStringLiteral("10.0.0.7:2121"));
    const VaultAnswer stored = storeInVault(*m_vault, account, password);
    QVERIFY2(stored.ok(), qPrintable(stored.error));
    QCOMPARE(readFromVault(*m_vault, account).password, password);
    QVERIFY(removeFromVault(*m_vault, account).ok());
}

void TestPasswordVault::accountsAreKeptApart() {
    QVERIFY(keyringUp());
    const QString annaHere = vaultAccount(QStringLiteral("anna"), QStringLiteral("here.example"));
    const QString bobHere = vaultAccount(QStringLiteral("bob"), QStringLiteral("here.example"));
    const QString annaThere = vaultAccount(QStringLiteral("anna"), QStringLiteral("there.example"));
    QVERIFY(storeInVault(*m_vault, annaHere, QStringLiteral("one")).ok());
    QVERIFY(storeInVault(*m_vault, bobHere, QStringLiteral("two")).ok());
    QVERIFY(storeInVault(*m_vault, annaThere, QStringLiteral("three")).ok());
    QCOMPARE(readFromVault(*m_vault, annaHere).password, QStringLiteral("one"));
    QCOMPARE(readFromVault(*m_vault, bobHere).password, QStringLiteral("two"));
    QCOMPARE(readFromVault(*m_vault, annaThere).password, QStringLiteral("three"));

    QVERIFY(removeFromVault(*m_vault, bobHere).ok());
    QCOMPARE(readFromVault(*m_vault, bobHere).password, std::nullopt);
    QCOMPARE(readFromVault(*m_vault, annaHere).password, QStringLiteral("one"));
    QCOMPARE(readFromVault(*m_vault, annaThere).password, QStringLiteral("three"));
}

void TestPasswordVault::hungKeyringGivesUp() {
    QVERIFY(keyringUp());
    const QString account = vaultAccount(QStringLiteral("carl"), QStringLiteral("hung.example"));
    m_service.freezeKeyring(true);
    const VaultAnswer stored = storeInVault(*m_vault, account, QStringLiteral("never"));
    m_service.freezeKeyring(false);
    QVERIFY2(stored.error.contains(QStringLiteral("did not answer")), qPrintable(stored.error));

    // Once it answers again, so does the vault.
    const VaultAnswer later = storeInVault(*m_vault, account, QStringLiteral("later"));
    QVERIFY2(later.ok(), qPrintable(later.error));
    QCOMPARE(readFromVault(*m_vault, account).password, QStringLiteral("later"));
}

void TestPasswordVault::askerGoneWhileRequestPending_data() {
    QTest::addColumn<QString>("request");
    QTest::addColumn<bool>("hung"); // the keyring answers only after the time limit
    QTest::addColumn<std::optional<QString>>("left"); // in the keyring afterwards
    const std::optional<QString> kept = QStringLiteral("kept");
    QTest::newRow("read") << "read" << false << kept;
    QTest::newRow("store") << "store" << false << std::optional<QString>(QStringLiteral("new"));
    QTest::newRow("remove") << "remove" << false << std::optional<QString>();
    QTest::newRow("read, keyring hung") << "read" << true << kept;
}

// An asker that goes, with the vault it asked, before the answer came hears
// nothing, neither the keyring's answer nor the time limit; what it asked
// for is still done, and the keyring serves other askers as before.
void TestPasswordVault::askerGoneWhileRequestPending() {
    QFETCH(QString, request);
    QFETCH(bool, hung);
    QFETCH(std::optional<QString>, left);
    QVERIFY(keyringUp());
    const QString account = vaultAccount(QStringLiteral("dora"), QStringLiteral("gone.example"));
    QVERIFY(storeInVault(*m_vault, account, QStringLiteral("kept")).ok());

    std::unique_ptr<PasswordVault> vault = makeDesktopKeyring();
    auto asker = std::make_unique<QObject>();
    bool heard = false;
    const PasswordVault::Done done = [&heard](const VaultAnswer&) {
        heard = true;
    };
    m_service.freezeKeyring(hung);
    if (request == u"read")
        vault->read(account, asker.get(), done);
    else if (request == u"store")
        vault->store(account, QStringLiteral("new"), asker.get(), done);
    else
        vault->remove(account, asker.get(), done);
    asker.reset();
    vault.reset();
    // QtKeychain runs one request after the other: this one is answered once
    // the gone asker's request ended (or times out behind it, when hung).
    const VaultAnswer after = readFromVault(*m_vault, account);
    m_service.freezeKeyring(false);
    QCOMPARE(after.error.contains(QStringLiteral("did not answer")), hung);
    QCOMPARE(readFromVault(*m_vault, account).password, left);
    QVERIFY(!heard);
}

QTEST_GUILESS_MAIN(TestPasswordVault)
#include "tst_password_vault.moc"
