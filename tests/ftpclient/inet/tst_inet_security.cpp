// What the transfer component trusts and what it reports when it cannot:
// certificates over explicit and implicit TLS (vsftpd), SSH host keys and
// SSH logins (OpenSSH's sshd), a server that refuses TLS, cancelling and
// large listings over the secure protocols, logging in again after QUIT
// over TLS (vsftpd and ProFTPD), and what a server stripping TLS gets.
#include "hostile_ftp_server.h"
#include "inet.h"
#include "inet_test_helper.h"
#include "protocol_test_server.h"
#include "ssh_test_server.h"
#include "test_certificates.h"
#include "test_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

using Tls = FtpTestServer::Tls;

FtpTestServer::Options tlsServer(Tls tls, const TestCertificates::Certificate& certificate) {
    FtpTestServer::Options options;
    options.tls = tls;
    options.certificateFile = certificate.certificateFile;
    options.privateKeyFile = certificate.keyFile;
    options.requireTlsLogin = tls == Tls::Explicit;
    options.requireTlsData = tls == Tls::Explicit;
    return options;
}

} // namespace

class TestInetSecurity : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    // TLS
    void selfSignedCertificateIsShownThenAcceptedByItsPin_data();
    void selfSignedCertificateIsShownThenAcceptedByItsPin();
    void changedCertificateIsCaughtByThePin();
    void certificateFaultsAreNamed_data();
    void certificateFaultsAreNamed();
    void requiredTlsRefusedByServerStopsBeforeLogin();
    void tlsIfOfferedSaysWhetherItGotTls();
    void strippedTlsOrBareDataSendsNothing_data();
    void strippedTlsOrBareDataSendsNothing();
    void commandAfterQuitLogsInAfresh_data();
    void commandAfterQuitLogsInAfresh();

    // SSH
    void unknownHostKeyIsShownThenAcceptedOnce();
    void changedHostKeyIsRefusedNamingBoth_data();
    void changedHostKeyIsRefusedNamingBoth();
    void sshLogins_data();
    void sshLogins();

    // Both
    void cancelMidDownload_data();
    void cancelMidDownload();
    void hundredThousandEntryListing_data();
    void hundredThousandEntryListing();

private:
    void useFtpServer(const FtpTestServer& server, ServerProtocol protocol);
    // Points the component at the server, trusting it as the system would.
    void useProtocolServer(const ProtocolTestServer& server);
    void useSshServer(const SshTestServer& server, const QString& knownHostsLine);
    bool sshAvailable() const { return SshTestServer::unavailableReason().isEmpty(); }

    QTemporaryDir m_dir;
    std::unique_ptr<TestCertificates> m_certificates;
    std::unique_ptr<SshTestServer> m_ssh;
    std::unique_ptr<Inet> m_inet;
    std::unique_ptr<QTemporaryDir> m_local;
};

void TestInetSecurity::initTestCase() {
    m_certificates = std::make_unique<TestCertificates>(m_dir.path());
    QVERIFY2(m_certificates->createStandardSet(), qPrintable(m_certificates->errorText()));
    if (!sshAvailable())
        return;
    m_ssh = std::make_unique<SshTestServer>();
    QVERIFY2(m_ssh->start(), qPrintable(m_ssh->errorText()));
}

void TestInetSecurity::init() {
    m_local = std::make_unique<QTemporaryDir>();
    m_inet = std::make_unique<Inet>();
    m_inet->setRequestTimeout(20);
}

void TestInetSecurity::cleanup() {
    m_inet.reset();
    m_local.reset();
}

void TestInetSecurity::useFtpServer(const FtpTestServer& server, ServerProtocol protocol) {
    m_inet->setServerProtocol(protocol);
    m_inet->setURL(server.address());
    m_inet->setUserName(server.userName());
    m_inet->setPassword(server.password());
}

void TestInetSecurity::useProtocolServer(const ProtocolTestServer& server) {
    m_inet->setServerProtocol(server.protocol());
    m_inet->setSecurityOptions(server.trustedOptions());
    m_inet->setURL(server.address());
    m_inet->setUserName(server.userName());
    m_inet->setPassword(server.password());
}

void TestInetSecurity::useSshServer(const SshTestServer& server, const QString& knownHostsLine) {
    const QString knownHosts = m_local->filePath(QStringLiteral("known_hosts"));
    QVERIFY(writeFile(knownHosts, knownHostsLine.toLatin1()));
    m_inet->setServerProtocol(ServerProtocol::Sftp);
    m_inet->setURL(server.address());
    m_inet->setUserName(server.userName());
    m_inet->setPassword(server.password());
    SecurityOptions options;
    options.knownHostsFile = knownHosts;
    m_inet->setSecurityOptions(options);
}

void TestInetSecurity::selfSignedCertificateIsShownThenAcceptedByItsPin_data() {
    QTest::addColumn<bool>("implicit");
    QTest::newRow("explicit TLS") << false;
    QTest::newRow("implicit TLS") << true;
}

void TestInetSecurity::selfSignedCertificateIsShownThenAcceptedByItsPin() {
    QFETCH(bool, implicit);
    const TestCertificates::Certificate& certificate = m_certificates->selfSigned();
    FtpTestServer server(FtpTestServer::Kind::Vsftpd,
                         tlsServer(implicit ? Tls::Implicit : Tls::Explicit, certificate));
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    useFtpServer(server, implicit ? ServerProtocol::FtpsImplicit : ServerProtocol::FtpTlsRequired);

    const CommandOutcome refused = runCommand(*m_inet, QStringLiteral("PWD"));
    QCOMPARE(refused.states.last(), short(InetState::Error));
    QCOMPARE(refused.responseCode, int(InetResponse::CertificateUntrusted));
    const std::optional<PeerIdentity> peer = m_inet->UntrustedPeer();
    QVERIFY(peer);
    QCOMPARE(peer->kind, PeerIdentity::Kind::Certificate);
    QCOMPARE(peer->problem, PeerIdentity::Problem::Unverified);
    QCOMPARE(peer->fingerprint, certificate.sha256Fingerprint);
    QCOMPARE(QString::fromLatin1(peer->publicKeyPin), certificate.publicKeySha256);
    QVERIFY2(peer->subject.contains(u"127.0.0.1"), qPrintable(peer->subject));
    QCOMPARE(peer->validUntil, certificate.notAfter);
    QVERIFY2(peer->reasons.join(u' ').contains(u"self-signed"),
             qPrintable(peer->reasons.join(u' ')));
    QVERIFY2(refused.responseInfo.contains(u"self-signed"), qPrintable(refused.responseInfo));

    // The same certificate, once its key is pinned, is accepted as it stands.
    SecurityOptions pinned;
    pinned.pinnedPublicKey = peer->publicKeyPin;
    m_inet->setSecurityOptions(pinned);
    QSignalSpy secured(m_inet.get(), &Inet::SecurityEstablished);
    const CommandOutcome accepted = runCommand(*m_inet, QStringLiteral("PWD"));
    QVERIFY2(accepted.ok(), qPrintable(accepted.responseInfo));
    QCOMPARE(accepted.states, (QList<short>{1, 2, 3, 4, 5, 6, 7, 8, 12}));
    QCOMPARE(secured.size(), 1);
    QVERIFY(m_inet->Security().encrypted);
    QVERIFY2(m_inet->Security().details.startsWith(u"TLSv1."),
             qPrintable(m_inet->Security().details));
    QVERIFY(!m_inet->UntrustedPeer());
}

void TestInetSecurity::changedCertificateIsCaughtByThePin() {
    FtpTestServer server(FtpTestServer::Kind::Vsftpd,
                         tlsServer(Tls::Explicit, m_certificates->otherSelfSigned()));
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    useFtpServer(server, ServerProtocol::FtpTlsRequired);
    SecurityOptions pinned;
    pinned.pinnedPublicKey = m_certificates->selfSigned().publicKeySha256.toLatin1();
    m_inet->setSecurityOptions(pinned);

    const CommandOutcome out = runCommand(*m_inet, QStringLiteral("PWD"));
    QCOMPARE(out.responseCode, int(InetResponse::CertificateChanged));
    QVERIFY(m_inet->UntrustedPeer());
    QCOMPARE(m_inet->UntrustedPeer()->problem, PeerIdentity::Problem::Changed);
    QCOMPARE(m_inet->UntrustedPeer()->fingerprint,
             m_certificates->otherSelfSigned().sha256Fingerprint);
    QVERIFY2(out.responseInfo.contains(m_certificates->otherSelfSigned().sha256Fingerprint),
             qPrintable(out.responseInfo));
}

void TestInetSecurity::certificateFaultsAreNamed_data() {
    QTest::addColumn<QString>("which");
    QTest::addColumn<bool>("trustCa");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("reason");
    QTest::newRow("wrong host") << "wrongHost" << true << int(InetResponse::CertificateWrongHost)
                                << "not issued for the name 127.0.0.1";
    QTest::newRow("expired") << "expired" << true << int(InetResponse::CertificateExpired)
                             << "expired on";
    QTest::newRow("unknown authority")
        << "caIssued" << false << int(InetResponse::CertificateUntrusted) << "authority";
}

void TestInetSecurity::certificateFaultsAreNamed() {
    QFETCH(QString, which);
    QFETCH(bool, trustCa);
    QFETCH(int, code);
    QFETCH(QString, reason);
    const TestCertificates::Certificate& certificate =
        which == u"wrongHost" ? m_certificates->wrongHost()
        : which == u"expired" ? m_certificates->expired()
                              : m_certificates->caIssued();
    FtpTestServer server(FtpTestServer::Kind::Vsftpd, tlsServer(Tls::Explicit, certificate));
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    useFtpServer(server, ServerProtocol::FtpTlsRequired);
    SecurityOptions options;
    if (trustCa)
        options.caFile = m_certificates->caFile();
    m_inet->setSecurityOptions(options);

    const CommandOutcome out = runCommand(*m_inet, QStringLiteral("PWD"));
    QCOMPARE(out.responseCode, code);
    QVERIFY(m_inet->UntrustedPeer());
    QCOMPARE(m_inet->UntrustedPeer()->fingerprint, certificate.sha256Fingerprint);
    const QString reasons = m_inet->UntrustedPeer()->reasons.join(u' ');
    QVERIFY2(reasons.contains(reason), qPrintable(reasons));
}

void TestInetSecurity::requiredTlsRefusedByServerStopsBeforeLogin() {
    FtpTestServer server(FtpTestServer::Kind::Vsftpd);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    useFtpServer(server, ServerProtocol::FtpTlsRequired);
    const CommandOutcome out = runCommand(*m_inet, QStringLiteral("PWD"));
    QCOMPARE(out.states.last(), short(InetState::Error));
    QCOMPARE(out.responseCode, int(InetResponse::SecureChannelFailed));
    QVERIFY2(out.responseInfo.contains(u"refused to switch to TLS"), qPrintable(out.responseInfo));
    QVERIFY(!m_inet->UntrustedPeer());
}

void TestInetSecurity::tlsIfOfferedSaysWhetherItGotTls() {
    FtpTestServer plain(FtpTestServer::Kind::Vsftpd);
    QVERIFY2(plain.start(), qPrintable(plain.errorText()));
    useFtpServer(plain, ServerProtocol::FtpTlsIfOffered);
    QSignalSpy secured(m_inet.get(), &Inet::SecurityEstablished);
    // Clear text only once the user allowed it.
    const CommandOutcome refused = runCommand(*m_inet, QStringLiteral("PWD"));
    QCOMPARE(refused.responseCode, int(InetResponse::TlsNotOffered));
    QCOMPARE(secured.size(), 0);
    SecurityOptions clearText;
    clearText.clearTextAllowed = true;
    m_inet->setSecurityOptions(clearText);
    QVERIFY(runCommand(*m_inet, QStringLiteral("PWD")).ok());
    QCOMPARE(secured.size(), 1);
    QVERIFY(!m_inet->Security().encrypted);
    QCOMPARE(m_inet->Security().protocol, ServerProtocol::FtpTlsIfOffered);

    FtpTestServer tls(FtpTestServer::Kind::Vsftpd,
                      tlsServer(Tls::Explicit, m_certificates->caIssued()));
    QVERIFY2(tls.start(), qPrintable(tls.errorText()));
    useFtpServer(tls, ServerProtocol::FtpTlsIfOffered);
    SecurityOptions options;
    options.caFile = m_certificates->caFile();
    m_inet->setSecurityOptions(options);
    const CommandOutcome listed = runCommand(*m_inet, QStringLiteral("DIR"));
    QVERIFY2(listed.ok(), qPrintable(listed.responseInfo));
    QCOMPARE(secured.size(), 2);
    QVERIFY(m_inet->Security().encrypted);
}

// ProFTPD ends a TLS session on QUIT with a close_notify that stays unread
// on the connection, which libcurl then takes for a connection still alive.
void TestInetSecurity::commandAfterQuitLogsInAfresh_data() {
    QTest::addColumn<QString>("mode");
    QTest::newRow("vsftpd") << "ftps-explicit";
    QTest::newRow("ProFTPD") << "ftps-proftpd";
}

void TestInetSecurity::commandAfterQuitLogsInAfresh() {
    QFETCH(QString, mode);
    const auto serverMode = *ProtocolTestServer::modeNamed(mode);
    if (!ProtocolTestServer::unavailableReason(serverMode).isEmpty())
        QSKIP(qPrintable(ProtocolTestServer::unavailableReason(serverMode)));
    ProtocolTestServer server(serverMode);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    useProtocolServer(server);

    QVERIFY(runCommand(*m_inet, QStringLiteral("PWD")).ok());
    QVERIFY(runCommand(*m_inet, QStringLiteral("QUIT")).ok());
    const CommandOutcome again = runCommand(*m_inet, QStringLiteral("PWD"));
    QVERIFY2(again.ok(), qPrintable(again.responseInfo));
    QCOMPARE(again.reply, server.loginDir());
    QCOMPARE(again.states.first(), short(InetState::ResolvingHost));
}

void TestInetSecurity::unknownHostKeyIsShownThenAcceptedOnce() {
    if (!m_ssh)
        QSKIP(qPrintable(SshTestServer::unavailableReason()));
    useSshServer(*m_ssh, QString());
    const CommandOutcome refused = runCommand(*m_inet, QStringLiteral("PWD"));
    QCOMPARE(refused.responseCode, int(InetResponse::HostKeyUnknown));
    const std::optional<PeerIdentity> key = m_inet->UntrustedPeer();
    QVERIFY(key);
    QCOMPARE(key->kind, PeerIdentity::Kind::HostKey);
    QCOMPARE(key->problem, PeerIdentity::Problem::Unknown);
    QCOMPARE(key->fingerprint, m_ssh->hostKeyFingerprint());
    QCOMPARE(key->keyType, QStringLiteral("ssh-ed25519"));
    QCOMPARE(sshKeyLine(*key), QStringLiteral("256 %1 (ED25519)").arg(m_ssh->hostKeyFingerprint()));
    QCOMPARE(QString::fromLatin1(key->keyType.toLatin1() + ' ' + key->keyBlob.toBase64()),
             m_ssh->hostPublicKey());

    SecurityOptions options = m_inet->securityOptions();
    options.acceptedHostKey = key->keyBlob;
    m_inet->setSecurityOptions(options);
    const CommandOutcome accepted = runCommand(*m_inet, QStringLiteral("PWD"));
    QVERIFY2(accepted.ok(), qPrintable(accepted.responseInfo));
    QCOMPARE(accepted.reply, m_ssh->loginDir());
    QVERIFY(m_inet->Security().encrypted);
    QCOMPARE(m_inet->Security().details,
             QStringLiteral("ssh-ed25519 ") + m_ssh->hostKeyFingerprint());
}

void TestInetSecurity::changedHostKeyIsRefusedNamingBoth_data() {
    QTest::addColumn<bool>("otherType");
    QTest::newRow("new key of the same type") << false;
    QTest::newRow("key of another type only") << true;
}

void TestInetSecurity::changedHostKeyIsRefusedNamingBoth() {
    if (!m_ssh)
        QSKIP(qPrintable(SshTestServer::unavailableReason()));
    QFETCH(bool, otherType);
    SshTestServer server;
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    const QString oldLine = server.knownHostsLine();
    const QString oldFingerprint = server.hostKeyFingerprint();
    useSshServer(server, oldLine);
    QVERIFY(runCommand(*m_inet, QStringLiteral("PWD")).ok());

    SshTestServer::Options rsaOnly;
    rsaOnly.ed25519HostKey = false;
    rsaOnly.sshRsa = true;
    QVERIFY2(server.restartWithOtherHostKeys(otherType ? std::optional(rsaOnly) : std::nullopt),
             qPrintable(server.errorText()));
    const QString newFingerprint = server.hostKeyFingerprint(
        otherType ? SshTestServer::HostKey::Rsa : SshTestServer::HostKey::Ed25519);
    const CommandOutcome out = runCommand(*m_inet, QStringLiteral("PWD"));
    QCOMPARE(out.responseCode, int(InetResponse::HostKeyChanged));
    const std::optional<PeerIdentity> key = m_inet->UntrustedPeer();
    QVERIFY(key);
    QCOMPARE(key->problem, PeerIdentity::Problem::Changed);
    QCOMPARE(key->knownFingerprint, oldFingerprint);
    QCOMPARE(key->fingerprint, newFingerprint);
    QVERIFY(out.responseInfo.contains(oldFingerprint));
    QVERIFY(out.responseInfo.contains(newFingerprint));
    // The key was only looked at: the password went to the server once, before.
    QCOMPARE(server.log().count(QStringLiteral(" password for ")), 1);
}

void TestInetSecurity::sshLogins_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("code");
    QTest::newRow("password") << "password" << 0;
    QTest::newRow("wrong password") << "wrong password" << int(InetResponse::LoginFailure);
    QTest::newRow("key") << "key" << 0;
    QTest::newRow("encrypted key") << "encrypted key" << 0;
    QTest::newRow("wrong passphrase") << "wrong passphrase" << int(InetResponse::LoginFailure);
    QTest::newRow("agent") << "agent" << 0;
}

void TestInetSecurity::sshLogins() {
    if (!m_ssh)
        QSKIP(qPrintable(SshTestServer::unavailableReason()));
    QFETCH(QString, how);
    QFETCH(int, code);
    useSshServer(*m_ssh, m_ssh->knownHostsLine());
    SecurityOptions options = m_inet->securityOptions();
    options.useAgent = false;
    if (how != u"password")
        m_inet->setPassword(how == u"wrong password" ? QStringLiteral("not it") : QString());
    if (how == u"key")
        options.privateKeyFile = m_ssh->privateKeyFile();
    if (how.endsWith(u"passphrase") || how == u"encrypted key") {
        options.privateKeyFile = m_ssh->encryptedPrivateKeyFile();
        options.keyPassphrase =
            how == u"encrypted key" ? m_ssh->passphrase() : QStringLiteral("no");
    }
    SshTestAgent agent;
    const QByteArray oldSocket = qgetenv("SSH_AUTH_SOCK");
    if (how == u"agent") {
        QVERIFY2(agent.start({m_ssh->privateKeyFile()}), qPrintable(agent.errorText()));
        qputenv("SSH_AUTH_SOCK", agent.socketPath().toLocal8Bit());
        options.useAgent = true;
    }
    m_inet->setSecurityOptions(options);
    const CommandOutcome out = runCommand(*m_inet, QStringLiteral("PWD"));
    qputenv("SSH_AUTH_SOCK", oldSocket);
    QCOMPARE(out.responseCode, code);
    if (code == 0)
        QCOMPARE(out.reply, m_ssh->loginDir());
    if (how == u"wrong passphrase")
        QVERIFY2(out.responseInfo.contains(m_ssh->encryptedPrivateKeyFile()),
                 qPrintable(out.responseInfo));
}

// Someone between refuses AUTH TLS, or the server will not protect the data
// connections (534 to PROT P): no user name, password or data goes in clear
// unless the user allowed clear text, and the reason names what happened.
void TestInetSecurity::strippedTlsOrBareDataSendsNothing_data() {
    QTest::addColumn<ServerProtocol>("protocol");
    QTest::addColumn<bool>("refuseProtectedData");
    QTest::addColumn<bool>("clearTextAllowed");
    QTest::addColumn<bool>("tlsExpected");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("reason");
    const auto offered = ServerProtocol::FtpTlsIfOffered;
    const auto required = ServerProtocol::FtpTlsRequired;
    QTest::newRow("TLS when offered, refused")
        << offered << false << false << false << int(InetResponse::TlsNotOffered)
        << "does not offer encryption";
    QTest::newRow("TLS required, refused")
        << required << false << false << false << int(InetResponse::SecureChannelFailed)
        << "refused to switch to TLS";
    QTest::newRow("TLS used before, refused")
        << offered << false << true << true << int(InetResponse::SecureChannelFailed)
        << "used TLS before";
    QTest::newRow("TLS when offered, bare data")
        << offered << true << true << false << int(InetResponse::SecureChannelFailed)
        << "refused to protect the data";
    QTest::newRow("TLS required, bare data")
        << required << true << false << false << int(InetResponse::SecureChannelFailed)
        << "refused to protect the data";
    QTest::newRow("clear text allowed") << offered << false << true << false << 0 << "";
}

void TestInetSecurity::strippedTlsOrBareDataSendsNothing() {
    QFETCH(ServerProtocol, protocol);
    QFETCH(bool, refuseProtectedData);
    QFETCH(bool, clearTextAllowed);
    QFETCH(bool, tlsExpected);
    QFETCH(int, code);
    QFETCH(QString, reason);
    HostileFtpServer::Options options;
    options.certificateFile = m_certificates->caIssued().certificateFile;
    options.keyFile = m_certificates->caIssued().keyFile;
    options.tlsConnections = refuseProtectedData ? -1 : 0;
    options.refuseProtectedData = refuseProtectedData;
    HostileFtpServer server(options);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    m_inet->setServerProtocol(protocol);
    m_inet->setURL(server.address());
    m_inet->setUserName(QStringLiteral("me"));
    m_inet->setPassword(QStringLiteral("secret"));
    SecurityOptions security;
    security.caFile = m_certificates->caFile();
    security.clearTextAllowed = clearTextAllowed;
    security.tlsExpected = tlsExpected;
    m_inet->setSecurityOptions(security);
    QSignalSpy secured(m_inet.get(), &Inet::SecurityEstablished);

    const CommandOutcome out = runCommand(*m_inet, QStringLiteral("DIR"));
    QCOMPARE(out.responseCode, code);
    QVERIFY2(out.responseInfo.contains(reason), qPrintable(out.responseInfo));
    QCOMPARE(server.receivedInClear("USER"), code == 0);
    QCOMPARE(server.receivedInClear("PASS"), code == 0);
    if (code == 0) {
        QCOMPARE(secured.size(), 1);
        QVERIFY(!m_inet->Security().encrypted);
    }
}

void TestInetSecurity::cancelMidDownload_data() {
    QTest::addColumn<QString>("mode");
    QTest::newRow("explicit TLS") << "ftps-explicit";
    QTest::newRow("SFTP") << "sftp";
}

void TestInetSecurity::cancelMidDownload() {
    QFETCH(QString, mode);
    const auto serverMode = *ProtocolTestServer::modeNamed(mode);
    if (!ProtocolTestServer::unavailableReason(serverMode).isEmpty())
        QSKIP(qPrintable(ProtocolTestServer::unavailableReason(serverMode)));
    ProtocolTestServer server(serverMode);
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    QVERIFY(server.writeFile(QStringLiteral("big.bin"), QByteArray(96 * 1024 * 1024, 'x')));
    useProtocolServer(server);

    const QString local = m_local->filePath(QStringLiteral("big.bin"));
    QVERIFY(writeFile(local, "old content"));
    StateRecorder recorder(*m_inet);
    QSignalSpy progress(m_inet.get(), &Inet::TransferProgress);
    m_inet->Execute(m_inet->URL(), QStringLiteral("GET ") + server.loginDir() +
                                       QStringLiteral("/big.bin ") + local);
    QVERIFY(QTest::qWaitFor([&] { return !progress.isEmpty(); }, 20000));
    QElapsedTimer clock;
    clock.start();
    m_inet->Cancel();
    QVERIFY(QTest::qWaitFor([&] { return !m_inet->StillExecuting(); }, 5000));
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(recorder.states.last(), short(InetState::ResponseCompleted));
    QCOMPARE(readFile(local), QByteArray("old content"));
    QTRY_COMPARE(QDir(m_local->path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"big.bin"});

    const CommandOutcome next = runCommand(*m_inet, QStringLiteral("PWD"));
    QVERIFY2(next.ok(), qPrintable(next.responseInfo));
    QCOMPARE(next.reply, server.loginDir());
}

void TestInetSecurity::hundredThousandEntryListing_data() {
    cancelMidDownload_data();
}

// The entries are empty files made straight on disk, once, in the SSH
// server's root (the one folder its user can reach); the FTP server reaches
// them through a link. Only the listing is under test.
void TestInetSecurity::hundredThousandEntryListing() {
    QFETCH(QString, mode);
    if (!m_ssh)
        QSKIP(qPrintable(SshTestServer::unavailableReason()));
    constexpr int kEntries = 100000;
    const QString many = m_ssh->root() + QStringLiteral("/many");
    if (!QFileInfo::exists(many)) {
        QVERIFY(m_ssh->makeDirectory(QStringLiteral("many")));
        const QByteArray folder = QFile::encodeName(many) + '/';
        for (int i = 0; i < kEntries; ++i) {
            const QByteArray name = folder + "file " + QByteArray::number(i) + ".txt";
            const int fd = ::open(name.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            QVERIFY(fd >= 0);
            ::close(fd);
        }
    }
    std::unique_ptr<ProtocolTestServer> ftps;
    QString folder = m_ssh->loginDir() + QStringLiteral("/many/");
    if (mode == u"sftp") {
        useSshServer(*m_ssh, m_ssh->knownHostsLine());
    } else {
        ftps = std::make_unique<ProtocolTestServer>(ProtocolTestServer::Mode::FtpsExplicit);
        QVERIFY2(ftps->start(), qPrintable(ftps->errorText()));
        QVERIFY(QFile::link(many, ftps->root() + QStringLiteral("/many")));
        m_inet->setServerProtocol(ftps->protocol());
        m_inet->setSecurityOptions(ftps->trustedOptions());
        m_inet->setURL(ftps->address());
        m_inet->setUserName(ftps->userName());
        m_inet->setPassword(ftps->password());
        folder = ftps->loginDir() + QStringLiteral("/many/");
    }

    const CommandOutcome out = runCommand(*m_inet, QStringLiteral("LS ") + folder, 120000);
    QVERIFY2(out.ok(), qPrintable(out.responseInfo));
    QVERIFY(m_inet->Listing());
    QCOMPARE(m_inet->Listing()->files.size(), size_t(kEntries));
    QVERIFY(out.reply.contains(QStringLiteral("\r\nfile 99999.txt\r\n")));
}

QTEST_GUILESS_MAIN(TestInetSecurity)

#include "tst_inet_security.moc"
