// The files in which the session keeps what the user trusted, and the key
// file check that decides whether to ask for a passphrase.
#include "known_host_names.h"
#include "known_hosts.h"
#include "session_trust.h"
#include "trusted_certificates.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

// A host key in the wire form: the type name, then the key bytes.
QByteArray wireKey(const QByteArray& type, const QByteArray& key) {
    QByteArray blob;
    for (const QByteArray& field : {type, key}) {
        const quint32 size = quint32(field.size());
        blob += char(size >> 24);
        blob += char(size >> 16);
        blob += char(size >> 8);
        blob += char(size);
        blob += field;
    }
    return blob;
}

PeerIdentity hostKey(const QByteArray& host, long port, char fill) {
    return hostKeyIdentity(wireKey("ssh-ed25519", QByteArray(32, fill)), host, port);
}

PeerIdentity certificate(const QByteArray& host, long port, const QByteArray& pin,
                         const QString& fingerprint) {
    PeerIdentity id;
    id.host = host;
    id.port = port;
    id.publicKeyPin = pin;
    id.fingerprint = fingerprint;
    return id;
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool setContent(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

mode_t modeOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

bool makeKey(const QString& path, const QStringList& extra) {
    return QProcess::execute(QStringLiteral("ssh-keygen"),
                             QStringList{"-q", "-t", "ed25519", "-f", path} + extra) == 0;
}

} // namespace

class TestTrustFiles : public QObject {
    Q_OBJECT

private slots:
    void init();

    void knownHostsNamesServersAsOpenSshDoes_data();
    void knownHostsNamesServersAsOpenSshDoes();
    void knownHostsAddsAndForgetsOnlyItsServer();
    void knownHostsFindsAndForgetsHashedNames_data();
    void knownHostsFindsAndForgetsHashedNames();
    void trustFilesAreTheOwnersAlone();
    void unreadableFileIsNeverOverwritten();
    void certificateTrustReplacesTheOldOneOfItsServer();
    void hostKeyFingerprintsAndLinesAsSshKeygenShows();
    void passphraseIsNeededOnlyForProtectedKeys();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString& name) const { return m_dir->filePath(name); }
};

void TestTrustFiles::init() {
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestTrustFiles::knownHostsNamesServersAsOpenSshDoes_data() {
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QByteArray>("pattern");
    QTest::newRow("standard port")
        << QByteArray("Files.Example.org") << 22 << QByteArray("files.example.org");
    QTest::newRow("other port") << QByteArray("127.0.0.1") << 2222
                                << QByteArray("[127.0.0.1]:2222");
    QTest::newRow("IPv6, standard port") << QByteArray("[::1]") << 22 << QByteArray("::1");
    QTest::newRow("IPv6, other port") << QByteArray("[::1]") << 2222 << QByteArray("[::1]:2222");
}

void TestTrustFiles::knownHostsNamesServersAsOpenSshDoes() {
    QFETCH(QByteArray, host);
    QFETCH(int, port);
    QFETCH(QByteArray, pattern);
    QCOMPARE(knownHostPattern(host, port), pattern);
}

void TestTrustFiles::knownHostsAddsAndForgetsOnlyItsServer() {
    const QString file = path(QStringLiteral("tarlen/known_hosts"));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("tarlen"))));
    const QByteArray kept = "# notes a person left\n"
                            "[127.0.0.1]:2200 ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIAAA keep\n";
    QFile seed(file);
    QVERIFY(seed.open(QIODevice::WriteOnly) && seed.write(kept) == kept.size());
    seed.close();

    KnownHosts knownHosts(file);
    QString error;
    const PeerIdentity first = hostKey("127.0.0.1", 2222, 'a');
    const PeerIdentity second = hostKey("127.0.0.1", 2222, 'b');
    QVERIFY2(knownHosts.add(first, &error), qPrintable(error));
    QVERIFY2(knownHosts.add(second, &error), qPrintable(error));
    QCOMPARE(knownHosts.fingerprintsFor("127.0.0.1", 2222),
             (QStringList{first.fingerprint, second.fingerprint}));
    QVERIFY(knownHosts.fingerprintsFor("127.0.0.1", 22).isEmpty());
    QVERIFY(contentOf(file).contains("[127.0.0.1]:2222 ssh-ed25519 " + first.keyBlob.toBase64()));

    QVERIFY2(knownHosts.forget("127.0.0.1", 2222, &error), qPrintable(error));
    QVERIFY(knownHosts.fingerprintsFor("127.0.0.1", 2222).isEmpty());
    QCOMPARE(contentOf(file), kept);
}

void TestTrustFiles::knownHostsFindsAndForgetsHashedNames_data() {
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("standard port") << QByteArray("files.example.org") << 22;
    QTest::newRow("other port") << QByteArray("127.0.0.1") << 2222;
    QTest::newRow("IPv6") << QByteArray("[::1]") << 2222;
    QTest::newRow("name typed in capitals") << QByteArray("FILES.example.org") << 22;
}

// ssh-keygen -H hashes the names of a file; what it made for the server goes,
// every other line stays as it was.
void TestTrustFiles::knownHostsFindsAndForgetsHashedNames() {
    QFETCH(QByteArray, host);
    QFETCH(int, port);
    const QString file = path(QStringLiteral("known_hosts"));
    KnownHosts knownHosts(file);
    QString error;
    const PeerIdentity other = hostKey("other.example.org", port, 'o');
    const PeerIdentity server = hostKey(host, port, 's');
    QVERIFY(knownHosts.add(other, &error) && knownHosts.add(server, &error));
    QProcess keygen; // its note about the backup it keeps is not wanted in the output
    keygen.start(QStringLiteral("ssh-keygen"), {"-H", "-f", file});
    QVERIFY(keygen.waitForFinished() && keygen.exitCode() == 0);
    QList<QByteArray> lines = contentOf(file).split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].startsWith("|1|") && lines[1].startsWith("|1|"));
    const QByteArray plain = "# a note\nplain.example.org ssh-ed25519 " + other.keyBlob.toBase64();
    QVERIFY(setContent(file, lines[0] + '\n' + lines[1] + '\n' + plain + '\n'));

    QCOMPARE(knownHosts.fingerprintsFor(host, port), QStringList{server.fingerprint});
    QVERIFY(knownHosts.fingerprintsFor("plain.example.org", port + 1).isEmpty());
    QVERIFY2(knownHosts.forget(host, port, &error), qPrintable(error));
    QVERIFY(knownHosts.fingerprintsFor(host, port).isEmpty());
    QCOMPARE(contentOf(file), lines[0] + '\n' + plain + '\n');
}

void TestTrustFiles::trustFilesAreTheOwnersAlone() {
    const QString folder = path(QStringLiteral("config/tarlen"));
    SessionTrust trust(folder);
    KnownHosts knownHosts(folder + QStringLiteral("/known_hosts"));
    TrustedCertificates certificates(folder + QStringLiteral("/trusted_certificates"));
    QString error;
    const mode_t oldMask = ::umask(0);
    const bool added = knownHosts.add(hostKey("example.org", 22, 'a'), &error) &&
                       certificates.trust(certificate("example.org", 990, "cGlu", "AB:CD"), &error);
    ::umask(oldMask);
    QVERIFY2(added, qPrintable(error));
    QCOMPARE(modeOf(folder), mode_t(0700));
    QCOMPARE(modeOf(knownHosts.path()), mode_t(0600));
    QCOMPARE(modeOf(certificates.path()), mode_t(0600));
    // Nothing is left beside them.
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"known_hosts", "trusted_certificates"}));
}

void TestTrustFiles::unreadableFileIsNeverOverwritten() {
    if (::geteuid() == 0)
        QSKIP("root reads every file");
    const QString file = path(QStringLiteral("known_hosts"));
    KnownHosts knownHosts(file);
    QString error;
    QVERIFY(knownHosts.add(hostKey("a.example", 22, 'a'), &error));
    QVERIFY(QFile::setPermissions(file, QFileDevice::WriteOwner));
    QVERIFY(!knownHosts.add(hostKey("b.example", 22, 'b'), &error));
    QVERIFY(error.contains(file));
    QVERIFY(QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QVERIFY(!contentOf(file).contains("b.example"));
}

void TestTrustFiles::certificateTrustReplacesTheOldOneOfItsServer() {
    TrustedCertificates certificates(path(QStringLiteral("trusted_certificates")));
    QString error;
    QVERIFY(certificates.trust(certificate("Example.org", 990, "b2xk", "AA:01"), &error));
    QVERIFY(certificates.trust(certificate("example.org", 21, "b3RoZXI=", "AA:02"), &error));
    QVERIFY(certificates.trust(certificate("example.org", 990, "bmV3", "AA:03"), &error));

    const auto implicit = certificates.find("EXAMPLE.org", 990);
    QVERIFY(implicit);
    QCOMPARE(implicit->publicKeyPin, QByteArray("bmV3"));
    QCOMPARE(implicit->fingerprint, QStringLiteral("AA:03"));
    QCOMPARE(certificates.find("example.org", 21)->fingerprint, QStringLiteral("AA:02"));
    QVERIFY(!certificates.find("example.org", 22));
    QCOMPARE(contentOf(certificates.path()).count('\n'), 2);
}

void TestTrustFiles::hostKeyFingerprintsAndLinesAsSshKeygenShows() {
    const QString key = path(QStringLiteral("host_key"));
    QVERIFY(makeKey(key, {"-N", ""}));
    const QList<QByteArray> publicKey = contentOf(key + QStringLiteral(".pub")).split(' ');
    QProcess keygen;
    keygen.start(QStringLiteral("ssh-keygen"), {"-l", "-f", key + QStringLiteral(".pub")});
    QVERIFY(keygen.waitForFinished());
    const QList<QByteArray> shown = keygen.readAllStandardOutput().trimmed().split(' ');

    const PeerIdentity id =
        hostKeyIdentity(QByteArray::fromBase64(publicKey.value(1)), "example.org", 22);
    QCOMPARE(id.keyType, QString::fromLatin1(publicKey.value(0)));
    QCOMPARE(id.keyBits, shown.value(0).toInt());
    QCOMPARE(id.fingerprint, QString::fromLatin1(shown.value(1)));
    QCOMPARE(sshKeyLine(id),
             QStringLiteral("%1 %2 %3")
                 .arg(QString::fromLatin1(shown.value(0)), QString::fromLatin1(shown.value(1)),
                      QString::fromLatin1(shown.last())));

    const PeerIdentity cut = hostKeyIdentity(QByteArray("\0\0\0\xFFssh", 7), "example.org", 22);
    QCOMPARE(cut.keyType, QString());
    QCOMPARE(cut.keyBits, 0);
}

void TestTrustFiles::passphraseIsNeededOnlyForProtectedKeys() {
    const QString plain = path(QStringLiteral("plain"));
    const QString protectedKey = path(QStringLiteral("protected"));
    const QString pem = path(QStringLiteral("protected.pem"));
    QVERIFY(makeKey(plain, {"-N", ""}));
    QVERIFY(makeKey(protectedKey, {"-N", "secret words"}));
    QVERIFY(QProcess::execute(QStringLiteral("ssh-keygen"),
                              {"-q", "-t", "ecdsa", "-m", "PEM", "-N", "secret", "-f", pem}) == 0);
    QVERIFY(!keyFileNeedsPassphrase(plain));
    QVERIFY(keyFileNeedsPassphrase(protectedKey));
    QVERIFY(keyFileNeedsPassphrase(pem));
    QVERIFY(!keyFileNeedsPassphrase(path(QStringLiteral("missing"))));
    QVERIFY(!keyFileNeedsPassphrase(plain + QStringLiteral(".pub")));
}

QTEST_GUILESS_MAIN(TestTrustFiles)

#include "tst_trust_files.moc"
