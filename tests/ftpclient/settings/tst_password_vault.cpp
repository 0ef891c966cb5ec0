// The desktop keyring against a real Secret Service: gnome-keyring on a
// private session bus started by the test.
#include "password_vault.h"
#include "secret_service_fixture.h"

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

    QString error;
    QVERIFY(!m_vault->store(QStringLiteral("anna@ftp.example.org"), QStringLiteral("pw"), &error));
    QVERIFY2(error.contains(QStringLiteral("keyring")), qPrintable(error));
    error.clear();
    QCOMPARE(m_vault->read(QStringLiteral("anna@ftp.example.org"), &error), std::nullopt);
    QVERIFY2(error.contains(QStringLiteral("keyring")), qPrintable(error));
    error.clear();
    QVERIFY(!m_vault->remove(QStringLiteral("anna@ftp.example.org"), &error));
    QVERIFY(!error.isEmpty());
    // A caller that wants no sentence need not ask for one.
    QVERIFY(!m_vault->store(QStringLiteral("anna@ftp.example.org"), QStringLiteral("pw"), nullptr));
}

void TestPasswordVault::storeReadOverwriteRemove() {
    QVERIFY(keyringUp());
    QVERIFY(m_vault->available());
    const QString account = vaultAccount(QStringLiteral("anna"), QStringLiteral("ftp.example.org"));
    QString error = QStringLiteral("left over");
    QCOMPARE(m_vault->read(account, &error), std::nullopt);
    QCOMPARE(error, QString());

    QVERIFY2(m_vault->store(account, QStringLiteral("first secret"), &error), qPrintable(error));
    QCOMPARE(m_vault->read(account, &error), QStringLiteral("first secret"));
    QVERIFY2(m_vault->store(account, QStringLiteral("second secret"), &error), qPrintable(error));
    QCOMPARE(m_vault->read(account, &error), QStringLiteral("second secret"));

    QVERIFY2(m_vault->remove(account, &error), qPrintable(error));
    QCOMPARE(m_vault->read(account, &error), std::nullopt);
    QCOMPARE(error, QString());
    // Removing what is not there is no failure.
    QVERIFY2(m_vault->remove(account, &error), qPrintable(error));
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
    QString error;
    QVERIFY2(m_vault->store(account, password, &error), qPrintable(error));
    QCOMPARE(m_vault->read(account, &error), password);
    QVERIFY2(m_vault->remove(account, &error), qPrintable(error));
}

void TestPasswordVault::accountsAreKeptApart() {
    QVERIFY(keyringUp());
    const QString annaHere = vaultAccount(QStringLiteral("anna"), QStringLiteral("here.example"));
    const QString bobHere = vaultAccount(QStringLiteral("bob"), QStringLiteral("here.example"));
    const QString annaThere = vaultAccount(QStringLiteral("anna"), QStringLiteral("there.example"));
    QString error;
    QVERIFY2(m_vault->store(annaHere, QStringLiteral("one"), &error), qPrintable(error));
    QVERIFY2(m_vault->store(bobHere, QStringLiteral("two"), &error), qPrintable(error));
    QVERIFY2(m_vault->store(annaThere, QStringLiteral("three"), &error), qPrintable(error));
    QCOMPARE(m_vault->read(annaHere, &error), QStringLiteral("one"));
    QCOMPARE(m_vault->read(bobHere, &error), QStringLiteral("two"));
    QCOMPARE(m_vault->read(annaThere, &error), QStringLiteral("three"));

    QVERIFY2(m_vault->remove(bobHere, &error), qPrintable(error));
    QCOMPARE(m_vault->read(bobHere, &error), std::nullopt);
    QCOMPARE(m_vault->read(annaHere, &error), QStringLiteral("one"));
    QCOMPARE(m_vault->read(annaThere, &error), QStringLiteral("three"));
}

void TestPasswordVault::hungKeyringGivesUp() {
    QVERIFY(keyringUp());
    const QString account = vaultAccount(QStringLiteral("carl"), QStringLiteral("hung.example"));
    QString error;
    m_service.freezeKeyring(true);
    const bool stored = m_vault->store(account, QStringLiteral("never"), &error);
    m_service.freezeKeyring(false);
    QVERIFY(!stored);
    QVERIFY2(error.contains(QStringLiteral("did not answer")), qPrintable(error));

    // Once it answers again, so does the vault.
    QVERIFY2(m_vault->store(account, QStringLiteral("later"), &error), qPrintable(error));
    QCOMPARE(m_vault->read(account, &error), QStringLiteral("later"));
}

QTEST_GUILESS_MAIN(TestPasswordVault)
#include "tst_password_vault.moc"
