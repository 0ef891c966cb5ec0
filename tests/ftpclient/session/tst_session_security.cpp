// Trust on first use through the session, against real servers: what the
// user is asked, what is remembered (and when nothing is), a certificate or
// host key that changed, key files with passphrases, and what the log says
// about each connection's protection.
#include "ftp_test_server.h"
#include "hostile_ftp_server.h"
#include "inet.h"
#include "remote_session.h"
#include "security_prompts.h"
#include "session_waits.h"
#include "ssh_test_server.h"
#include "test_certificates.h"
#include "test_files.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Answers the session's questions from a script and keeps what it was asked.
class ScriptedSecurityPrompts : public SecurityPrompts {
public:
    QList<Decision> decisions; // taken in order; Cancel when empty
    QList<std::optional<QString>> passphrases;
    QList<PeerIdentity> asked;
    QStringList passphraseFiles;

    Decision decide(const PeerIdentity& peer) override {
        asked.append(peer);
        return decisions.isEmpty() ? Decision::Cancel : decisions.takeFirst();
    }
    std::optional<QString> passphrase(const QString& keyFile) override {
        passphraseFiles.append(keyFile);
        return passphrases.isEmpty() ? std::nullopt : passphrases.takeFirst();
    }
    QList<Decision> clearTextDecisions; // taken in order; Cancel when empty
    QList<QByteArray> clearTextAsked;
    Decision clearText(const QByteArray& host, long) override {
        clearTextAsked.append(host);
        return clearTextDecisions.isEmpty() ? Decision::Cancel : clearTextDecisions.takeFirst();
    }
};

using Decision = SecurityPrompts::Decision;

FtpTestServer::Options tlsServer(const TestCertificates::Certificate& certificate,
                                 FtpTestServer::Tls tls = FtpTestServer::Tls::Explicit) {
    FtpTestServer::Options options;
    options.tls = tls;
    options.certificateFile = certificate.certificateFile;
    options.privateKeyFile = certificate.keyFile;
    options.requireTlsLogin = tls == FtpTestServer::Tls::Explicit;
    options.requireTlsData = tls == FtpTestServer::Tls::Explicit;
    return options;
}

} // namespace

class TestSessionSecurity : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void certificateTrustedOnceIsPinnedForLaterSessions();
    void changedCertificateWarnsWithBothFingerprints();
    void connectOnceAndCancelRememberNothing();
    void hostKeyTrustedOnceIsKnownToLaterSessions_data();
    void hostKeyTrustedOnceIsKnownToLaterSessions();
    void changedHostKeyIsRefusedUntilTheOldOneIsForgotten_data();
    void changedHostKeyIsRefusedUntilTheOldOneIsForgotten();
    void encryptedKeyFileAsksForItsPassphraseOnce();
    void logSaysHowEachConnectionIsProtected();
    void clearTextIsAskedForBeforeThePasswordLeaves_data();
    void clearTextIsAskedForBeforeThePasswordLeaves();

private:
    // A session as the window makes one, with its trust files in this
    // test's folder.
    std::unique_ptr<RemoteSession> newSession(const QString& address, ServerProtocol protocol,
                                              const QString& user = QString(),
                                              const QString& password = QString(),
                                              const QString& keyFile = QString());
    bool logIn(RemoteSession& session) { return runToEnd(session.logIn()).completed(); }
    QString trustFile(const char* name) const {
        return m_trustDir->filePath(QString::fromLatin1(name));
    }

    QTemporaryDir m_certificateDir;
    std::unique_ptr<TestCertificates> m_certificates;
    std::unique_ptr<SshTestServer> m_ssh;
    std::unique_ptr<QTemporaryDir> m_trustDir;
    ScriptedSecurityPrompts m_prompts;
};

void TestSessionSecurity::initTestCase() {
    m_certificates = std::make_unique<TestCertificates>(m_certificateDir.path());
    QVERIFY2(m_certificates->createStandardSet(), qPrintable(m_certificates->errorText()));
    if (SshTestServer::unavailableReason().isEmpty()) {
        m_ssh = std::make_unique<SshTestServer>();
        QVERIFY2(m_ssh->start(), qPrintable(m_ssh->errorText()));
    }
}

void TestSessionSecurity::init() {
    m_trustDir = std::make_unique<QTemporaryDir>();
    m_prompts = ScriptedSecurityPrompts();
}

std::unique_ptr<RemoteSession> TestSessionSecurity::newSession(const QString& address,
                                                               ServerProtocol protocol,
                                                               const QString& user,
                                                               const QString& password,
                                                               const QString& keyFile) {
    auto session = std::make_unique<RemoteSession>();
    session->trust().setDirectory(m_trustDir->path());
    session->trust().setPrompts(&m_prompts);
    session->runner().Inet1()->setRequestTimeout(20);
    session->setHost(address, user, password, protocol, keyFile);
    return session;
}

void TestSessionSecurity::certificateTrustedOnceIsPinnedForLaterSessions() {
    FtpTestServer server(FtpTestServer::Kind::Vsftpd, tlsServer(m_certificates->selfSigned()));
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    auto session = newSession(server.address(), ServerProtocol::FtpTlsRequired);
    QSignalSpy log(session.get(), &RemoteSession::logAppended);
    m_prompts.decisions = {Decision::Trust};
    QVERIFY(logIn(*session));
    QCOMPARE(m_prompts.asked.size(), 1);
    QCOMPARE(m_prompts.asked[0].fingerprint, m_certificates->selfSigned().sha256Fingerprint);
    QCOMPARE(session->currentDirectory(),
             server.loginDir() + (server.loginDir().endsWith(u'/') ? "" : "/"));
    QVERIFY(readFile(trustFile("trusted_certificates"))
                .contains(m_certificates->selfSigned().publicKeySha256.toLatin1()));

    // The next session, and a listing on this one, ask nothing.
    QVERIFY(runToEnd(session->run(FtpCommand::list(QStringLiteral("DIR")))).completed());
    QVERIFY(!session->runner().lastCommandFailed());
    auto later = newSession(server.address(), ServerProtocol::FtpTlsRequired);
    QVERIFY(logIn(*later));
    QCOMPARE(m_prompts.asked.size(), 1);
}

void TestSessionSecurity::changedCertificateWarnsWithBothFingerprints() {
    FtpTestServer first(FtpTestServer::Kind::Vsftpd, tlsServer(m_certificates->selfSigned()));
    QVERIFY2(first.start(), qPrintable(first.errorText()));
    m_prompts.decisions = {Decision::Trust};
    QVERIFY(logIn(*newSession(first.address(), ServerProtocol::FtpTlsRequired)));
    const QByteArray trusted = readFile(trustFile("trusted_certificates"));

    // Another certificate on the same address and port.
    first.kill();
    FtpTestServer second(FtpTestServer::Kind::Vsftpd, tlsServer(m_certificates->otherSelfSigned()));
    QVERIFY2(second.start(), qPrintable(second.errorText()));
    auto session = newSession(second.address(), ServerProtocol::FtpTlsRequired);
    // The file names servers by address and port: give the old entry the
    // new port, as if the server had changed its certificate in place.
    QFile file(trustFile("trusted_certificates"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(trusted).replace(":" + QByteArray::number(first.port()) + ' ',
                                           ":" + QByteArray::number(second.port()) + ' '));
    file.close();
    const QByteArray before = readFile(trustFile("trusted_certificates"));

    m_prompts.decisions = {Decision::Cancel};
    QVERIFY(!logIn(*session));
    QCOMPARE(m_prompts.asked.size(), 2);
    const PeerIdentity& asked = m_prompts.asked[1];
    QCOMPARE(asked.problem, PeerIdentity::Problem::Changed);
    QCOMPARE(asked.knownFingerprint, m_certificates->selfSigned().sha256Fingerprint);
    QCOMPARE(asked.fingerprint, m_certificates->otherSelfSigned().sha256Fingerprint);
    QCOMPARE(readFile(trustFile("trusted_certificates")), before);

    // Trusting the new one replaces the old.
    m_prompts.decisions = {Decision::Trust};
    QVERIFY(logIn(*session));
    const QByteArray after = readFile(trustFile("trusted_certificates"));
    QVERIFY(after.contains(m_certificates->otherSelfSigned().publicKeySha256.toLatin1()));
    QVERIFY(!after.contains(m_certificates->selfSigned().publicKeySha256.toLatin1()));
}

void TestSessionSecurity::connectOnceAndCancelRememberNothing() {
    FtpTestServer server(FtpTestServer::Kind::Vsftpd,
                         tlsServer(m_certificates->selfSigned(), FtpTestServer::Tls::Implicit));
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    auto session = newSession(server.address(), ServerProtocol::FtpsImplicit);
    m_prompts.decisions = {Decision::Cancel};
    QVERIFY(!logIn(*session));
    m_prompts.decisions = {Decision::ConnectOnce};
    QVERIFY(logIn(*session));
    // Once is for this session: its later commands ask nothing more...
    QVERIFY(runToEnd(session->run(FtpCommand::list(QStringLiteral("DIR")))).completed());
    QVERIFY(!session->runner().lastCommandFailed());
    QCOMPARE(m_prompts.asked.size(), 2);
    // ...a new one asks again, and no answer was written anywhere.
    QVERIFY(!logIn(*newSession(server.address(), ServerProtocol::FtpsImplicit)));
    QCOMPARE(m_prompts.asked.size(), 3);
    QVERIFY(QDir(m_trustDir->path()).isEmpty());
}

void TestSessionSecurity::hostKeyTrustedOnceIsKnownToLaterSessions_data() {
    QTest::addColumn<QString>("host");
    QTest::newRow("address") << "127.0.0.1";
    // Host names are the same whatever their case.
    QTest::newRow("name in mixed case") << "LocalHost";
    QTest::newRow("name in capitals") << "LOCALHOST";
}

void TestSessionSecurity::hostKeyTrustedOnceIsKnownToLaterSessions() {
    if (!m_ssh)
        QSKIP(qPrintable(SshTestServer::unavailableReason()));
    QFETCH(QString, host);
    const QString address = host + u':' + QString::number(m_ssh->port());
    m_prompts.decisions = {Decision::Trust};
    auto session = newSession(address, ServerProtocol::Sftp, m_ssh->userName(), m_ssh->password());
    QVERIFY(logIn(*session));
    QCOMPARE(session->rootDirectory(), m_ssh->loginDir());
    QCOMPARE(m_prompts.asked.size(), 1);
    QCOMPARE(m_prompts.asked[0].kind, PeerIdentity::Kind::HostKey);
    QCOMPARE(m_prompts.asked[0].fingerprint, m_ssh->hostKeyFingerprint());
    QCOMPARE(readFile(trustFile("known_hosts")), QStringLiteral("[%1]:%2 %3\n")
                                                     .arg(host.toLower())
                                                     .arg(m_ssh->port())
                                                     .arg(m_ssh->hostPublicKey())
                                                     .toLatin1());

    QVERIFY(
        logIn(*newSession(address, ServerProtocol::Sftp, m_ssh->userName(), m_ssh->password())));
    QCOMPARE(m_prompts.asked.size(), 1);
}

void TestSessionSecurity::changedHostKeyIsRefusedUntilTheOldOneIsForgotten_data() {
    QTest::addColumn<bool>("otherType");
    QTest::newRow("new key of the same type") << false;
    QTest::newRow("key of another type only") << true;
}

void TestSessionSecurity::changedHostKeyIsRefusedUntilTheOldOneIsForgotten() {
    if (!m_ssh)
        QSKIP(qPrintable(SshTestServer::unavailableReason()));
    QFETCH(bool, otherType);
    SshTestServer server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const QString oldFingerprint = server.hostKeyFingerprint();
    m_prompts.decisions = {Decision::Trust};
    QVERIFY(logIn(
        *newSession(server.address(), ServerProtocol::Sftp, server.userName(), server.password())));
    SshTestServer::Options rsaOnly;
    rsaOnly.ed25519HostKey = false;
    rsaOnly.sshRsa = true;
    QVERIFY2(server.restartWithOtherHostKeys(otherType ? std::optional(rsaOnly) : std::nullopt),
             qPrintable(server.errorText()));
    const auto shown = otherType ? SshTestServer::HostKey::Rsa : SshTestServer::HostKey::Ed25519;

    // Refused: only forgetting the old key is offered, and Cancel changes nothing.
    auto session =
        newSession(server.address(), ServerProtocol::Sftp, server.userName(), server.password());
    m_prompts.decisions = {Decision::Trust};
    QVERIFY(!logIn(*session));
    QCOMPARE(m_prompts.asked.size(), 2);
    QCOMPARE(m_prompts.asked[1].problem, PeerIdentity::Problem::Changed);
    QCOMPARE(m_prompts.asked[1].knownFingerprint, oldFingerprint);
    QCOMPARE(m_prompts.asked[1].fingerprint, server.hostKeyFingerprint(shown));
    QVERIFY(readFile(trustFile("known_hosts")).contains(QByteArray("ssh-ed25519")));
    QVERIFY(!readFile(trustFile("known_hosts")).contains(server.knownHostsLine(shown).toLatin1()));

    // Forgetting it leads to the question about the new key.
    m_prompts.decisions = {Decision::ForgetOldKey, Decision::Trust};
    QVERIFY(logIn(*session));
    QCOMPARE(m_prompts.asked.size(), 4);
    QCOMPARE(m_prompts.asked[3].problem, PeerIdentity::Problem::Unknown);
    QCOMPARE(readFile(trustFile("known_hosts")), server.knownHostsLine(shown).toLatin1() + '\n');
}

void TestSessionSecurity::encryptedKeyFileAsksForItsPassphraseOnce() {
    if (!m_ssh)
        QSKIP(qPrintable(SshTestServer::unavailableReason()));
    QVERIFY(writeFile(trustFile("known_hosts"), m_ssh->knownHostsLine().toLatin1() + '\n'));
    auto session = newSession(m_ssh->address(), ServerProtocol::Sftp, m_ssh->userName(), QString(),
                              m_ssh->encryptedPrivateKeyFile());
    m_prompts.passphrases = {QStringLiteral("wrong"), m_ssh->passphrase()};
    QVERIFY(!logIn(*session));
    QCOMPARE(session->runner().Inet1()->ResponseCode(), int(InetResponse::LoginFailure));
    // A refused login asks again; a good passphrase is kept for the session.
    QVERIFY(logIn(*session));
    QVERIFY(runToEnd(session->run(FtpCommand::list(QStringLiteral("DIR")))).completed());
    QVERIFY(!session->runner().lastCommandFailed());
    QCOMPARE(m_prompts.passphraseFiles, QStringList(2, m_ssh->encryptedPrivateKeyFile()));

    // A key without a passphrase asks nothing.
    auto plain = newSession(m_ssh->address(), ServerProtocol::Sftp, m_ssh->userName(), QString(),
                            m_ssh->privateKeyFile());
    QVERIFY(logIn(*plain));
    QCOMPARE(m_prompts.passphraseFiles.size(), 2);
}

// "TLS when offered" against a server that does not offer it (or someone
// between who strips it): nothing is sent before the user agrees, and a
// server that used TLS before is not asked about at all.
void TestSessionSecurity::clearTextIsAskedForBeforeThePasswordLeaves_data() {
    QTest::addColumn<QList<Decision>>("answers");
    QTest::addColumn<bool>("profileAllows");
    QTest::addColumn<bool>("usedTlsBefore");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<bool>("allowedForGood");
    const QList<Decision> none;
    QTest::newRow("cancel") << QList<Decision>{Decision::Cancel} << false << false << 1 << false
                            << false;
    QTest::newRow("this time") << QList<Decision>{Decision::ConnectOnce} << false << false << 1
                               << true << false;
    QTest::newRow("always") << QList<Decision>{Decision::Trust} << false << false << 1 << true
                            << true;
    QTest::newRow("the profile allows it") << none << true << false << 0 << true << false;
    QTest::newRow("TLS was used before") << none << true << true << 0 << false << false;
}

void TestSessionSecurity::clearTextIsAskedForBeforeThePasswordLeaves() {
    QFETCH(QList<Decision>, answers);
    QFETCH(bool, profileAllows);
    QFETCH(bool, usedTlsBefore);
    QFETCH(int, questions);
    QFETCH(bool, loggedIn);
    QFETCH(bool, allowedForGood);
    HostileFtpServer::Options options;
    options.certificateFile = m_certificates->caIssued().certificateFile;
    options.keyFile = m_certificates->caIssued().keyFile;
    options.tlsConnections = usedTlsBefore ? 1 : 0;
    HostileFtpServer server(options);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    if (usedTlsBefore) {
        auto earlier = newSession(server.address(), ServerProtocol::FtpTlsIfOffered,
                                  QStringLiteral("me"), QStringLiteral("secret"));
        earlier->trust().setCertificateAuthorities(m_certificates->caFile());
        QVERIFY(logIn(*earlier));
        QVERIFY(earlier->runner().security().encrypted);
    }

    auto session = std::make_unique<RemoteSession>();
    session->trust().setDirectory(m_trustDir->path());
    session->trust().setPrompts(&m_prompts);
    session->runner().Inet1()->setRequestTimeout(20);
    session->setHost(server.address(), QStringLiteral("me"), QStringLiteral("secret"),
                     ServerProtocol::FtpTlsIfOffered, QString(), profileAllows);
    QSignalSpy forGood(session.get(), &RemoteSession::clearTextAllowedForGood);
    QSignalSpy log(session.get(), &RemoteSession::logAppended);
    m_prompts.clearTextDecisions = answers;
    QCOMPARE(logIn(*session), loggedIn);
    QCOMPARE(m_prompts.clearTextAsked.size(), questions);
    QCOMPARE(forGood.size(), allowedForGood ? 1 : 0);
    QCOMPARE(server.receivedInClear("PASS"), loggedIn);
    QCOMPARE(server.receivedInClear("USER"), loggedIn);
    if (usedTlsBefore)
        QVERIFY(std::any_of(log.begin(), log.end(), [](const QList<QVariant>& line) {
            return line[0].toString().contains(QStringLiteral("used TLS before"));
        }));
    if (loggedIn)
        QVERIFY(!session->runner().security().encrypted);
}

void TestSessionSecurity::logSaysHowEachConnectionIsProtected() {
    FtpTestServer plain(FtpTestServer::Kind::Vsftpd);
    QVERIFY2(plain.start(), qPrintable(plain.errorText()));
    auto offered = newSession(plain.address(), ServerProtocol::FtpTlsIfOffered);
    QSignalSpy offeredLog(offered.get(), &RemoteSession::logAppended);
    QSignalSpy offeredSecurity(offered.get(), &RemoteSession::securityEstablished);
    m_prompts.clearTextDecisions = {Decision::ConnectOnce};
    QVERIFY(logIn(*offered));
    QCOMPARE(offeredSecurity.size(), 1);
    QVERIFY(!offeredSecurity[0][0].value<ConnectionSecurity>().encrypted);
    QVERIFY(
        offeredLog.contains({QStringLiteral("\r\nNot encrypted: the server does not offer TLS, "
                                            "so the password and files travel in clear text")}));

    // Plain FTP logs what it always logged.
    auto old = newSession(plain.address(), ServerProtocol::PlainFtp);
    QSignalSpy oldLog(old.get(), &RemoteSession::logAppended);
    QVERIFY(logIn(*old));
    for (const QList<QVariant>& line : oldLog)
        QVERIFY2(!line[0].toString().contains(u"crypt"), qPrintable(line[0].toString()));

    FtpTestServer tls(FtpTestServer::Kind::Vsftpd, tlsServer(m_certificates->caIssued()));
    QVERIFY2(tls.start(), qPrintable(tls.errorText()));
    auto secured = newSession(tls.address(), ServerProtocol::FtpTlsIfOffered);
    secured->trust().setCertificateAuthorities(m_certificates->caFile());
    QSignalSpy securedLog(secured.get(), &RemoteSession::logAppended);
    QVERIFY(logIn(*secured));
    QVERIFY(m_prompts.asked.isEmpty());
    const auto tlsLine = std::find_if(securedLog.begin(), securedLog.end(), [](const auto& line) {
        return line[0].toString().startsWith(QStringLiteral("\r\nEncrypted: FTP over TLS, TLSv1."));
    });
    QVERIFY(tlsLine != securedLog.end());

    if (!m_ssh)
        return;
    QVERIFY(writeFile(trustFile("known_hosts"), m_ssh->knownHostsLine().toLatin1() + '\n'));
    auto sftp =
        newSession(m_ssh->address(), ServerProtocol::Sftp, m_ssh->userName(), m_ssh->password());
    QSignalSpy sftpLog(sftp.get(), &RemoteSession::logAppended);
    QVERIFY(logIn(*sftp));
    QVERIFY(
        sftpLog.contains({QStringLiteral("\r\nEncrypted: SFTP over SSH, host key ssh-ed25519 ") +
                          m_ssh->hostKeyFingerprint()}));
}

QTEST_GUILESS_MAIN(TestSessionSecurity)

#include "tst_session_security.moc"
