#include "test_certificates.h"

#include "run_tool.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QProcess>

// Every certificate, the CA's included, is made in two steps: `openssl req`
// makes the key and a request, then `openssl ca` signs it, with -selfsign for
// a self-signed one. Of the openssl 3.0 commands only `ca` takes an explicit
// start and end date (-startdate/-enddate; `req -x509` and `x509` take only a
// number of days from now), and the expired certificate needs both in the
// past. `ca` wants a little database (an index file and a folder for copies
// of what it issued), kept in the same directory.

namespace {

QString opensslProgram() {
    return toolPath("openssl");
}

// The base64 body of the first PEM block of the given kind, decoded.
QByteArray pemBody(const QByteArray& pem, const QByteArray& label) {
    const QByteArray begin = "-----BEGIN " + label + "-----";
    const QByteArray end = "-----END " + label + "-----";
    const qsizetype from = pem.indexOf(begin);
    const qsizetype to = pem.indexOf(end, from);
    if (from < 0 || to < 0)
        return {};
    const QByteArray body = pem.mid(from + begin.size(), to - from - begin.size());
    return QByteArray::fromBase64(body.simplified().replace(' ', ""));
}

// openssl keeps whole seconds.
QDateTime wholeSeconds(const QDateTime& time) {
    const QDateTime utc = time.toUTC();
    return utc.addMSecs(-utc.time().msec());
}

// openssl's date form for -startdate/-enddate.
QString opensslDate(const QDateTime& time) {
    return time.toUTC().toString(QStringLiteral("yyyyMMddHHmmss")) + u'Z';
}

QString subjectAltNames(const QStringList& hosts) {
    QStringList names;
    for (const QString& host : hosts)
        names << (QHostAddress(host).isNull() ? QStringLiteral("DNS:") : QStringLiteral("IP:")) +
                     host;
    return names.join(u',');
}

bool writeText(const QString& path, const QString& text, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0) {
        *error = QStringLiteral("cannot write ") + path;
        return false;
    }
    return true;
}

} // namespace

TestCertificates::TestCertificates(const QString& directory)
    : m_dir(QDir(directory).absolutePath()) {}

bool TestCertificates::runOpenssl(const QStringList& arguments, QByteArray* output) {
    return runTool(opensslProgram(), arguments, &m_error, output);
}

bool TestCertificates::writeConfig() {
    if (m_configWritten)
        return true;
    if (!QDir().mkpath(m_dir + QStringLiteral("/issued"))) {
        m_error = QStringLiteral("cannot make ") + m_dir + QStringLiteral("/issued");
        return false;
    }
    const QString config = QStringLiteral("[req]\n"
                                          "distinguished_name = dn\n"
                                          "prompt = no\n"
                                          "[dn]\n"
                                          "CN = unused\n"
                                          "[ca]\n"
                                          "default_ca = test_ca\n"
                                          "[test_ca]\n"
                                          "database = %1/ca-index.txt\n"
                                          "new_certs_dir = %1/issued\n"
                                          // Named but unused: -rand_serial.
                                          "serial = %1/ca-serial.txt\n"
                                          "default_md = sha256\n"
                                          "policy = any_name\n"
                                          "unique_subject = no\n"
                                          "copy_extensions = none\n"
                                          "[any_name]\n"
                                          "organizationName = optional\n"
                                          "commonName = supplied\n")
                               .arg(m_dir);
    if (!writeText(m_dir + QStringLiteral("/openssl.cnf"), config, &m_error) ||
        !writeText(m_dir + QStringLiteral("/ca-index.txt"), QString(), &m_error))
        return false;
    m_configWritten = true;
    return true;
}

bool TestCertificates::ensureCa() {
    if (!m_ca.isNull())
        return true;
    if (!writeConfig())
        return false;
    const QString key = m_dir + QStringLiteral("/test-ca.key");
    const QString request = m_dir + QStringLiteral("/test-ca.csr");
    const QString certificate = m_dir + QStringLiteral("/test-ca.pem");
    const QString extensions = m_dir + QStringLiteral("/test-ca.ext");
    if (!writeText(extensions,
                   QStringLiteral("[ext]\n"
                                  "basicConstraints = critical,CA:TRUE\n"
                                  "keyUsage = critical,keyCertSign,cRLSign\n"
                                  "subjectKeyIdentifier = hash\n"),
                   &m_error))
        return false;

    Blueprint blueprint;
    blueprint.name = QStringLiteral("test-ca");
    blueprint.hosts = {};
    blueprint.notBefore = wholeSeconds(QDateTime::currentDateTimeUtc().addDays(-1));
    blueprint.notAfter = blueprint.notBefore.addYears(20);
    const QString config = m_dir + QStringLiteral("/openssl.cnf");
    if (!runOpenssl({QStringLiteral("req"), QStringLiteral("-new"), QStringLiteral("-config"),
                     config, QStringLiteral("-newkey"), QStringLiteral("ec"),
                     QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
                     QStringLiteral("-noenc"), QStringLiteral("-keyout"), key,
                     QStringLiteral("-out"), request, QStringLiteral("-subj"),
                     QStringLiteral("/O=tarlen tests/CN=tarlen test CA")}) ||
        !runOpenssl({QStringLiteral("ca"),
                     QStringLiteral("-batch"),
                     QStringLiteral("-notext"),
                     QStringLiteral("-config"),
                     config,
                     QStringLiteral("-selfsign"),
                     QStringLiteral("-keyfile"),
                     key,
                     QStringLiteral("-rand_serial"),
                     QStringLiteral("-startdate"),
                     opensslDate(blueprint.notBefore),
                     QStringLiteral("-enddate"),
                     opensslDate(blueprint.notAfter),
                     QStringLiteral("-extfile"),
                     extensions,
                     QStringLiteral("-extensions"),
                     QStringLiteral("ext"),
                     QStringLiteral("-in"),
                     request,
                     QStringLiteral("-out"),
                     certificate}))
        return false;
    m_ca = finish(blueprint, certificate, key);
    return !m_ca.isNull();
}

TestCertificates::Certificate TestCertificates::create(const Blueprint& blueprint) {
    if (blueprint.name.isEmpty() || blueprint.hosts.isEmpty()) {
        m_error = QStringLiteral("a certificate needs a name and at least one host");
        return {};
    }
    if (!writeConfig() || (blueprint.signedByCa && !ensureCa()))
        return {};
    Blueprint dated = blueprint;
    if (!dated.notBefore.isValid())
        dated.notBefore = QDateTime::currentDateTimeUtc().addDays(-1);
    if (!dated.notAfter.isValid())
        dated.notAfter = dated.notBefore.addYears(10);
    dated.notBefore = wholeSeconds(dated.notBefore);
    dated.notAfter = wholeSeconds(dated.notAfter);

    const QString base = m_dir + u'/' + blueprint.name;
    const QString key = base + QStringLiteral(".key");
    const QString request = base + QStringLiteral(".csr");
    const QString certificate = base + QStringLiteral(".pem");
    const QString extensions = base + QStringLiteral(".ext");
    QString text = QStringLiteral("[ext]\n"
                                  "basicConstraints = CA:FALSE\n"
                                  "keyUsage = critical,digitalSignature,keyEncipherment\n"
                                  "extendedKeyUsage = serverAuth\n"
                                  "subjectKeyIdentifier = hash\n"
                                  "subjectAltName = %1\n")
                       .arg(subjectAltNames(blueprint.hosts));
    if (blueprint.signedByCa)
        text += QStringLiteral("authorityKeyIdentifier = keyid\n");
    if (!writeText(extensions, text, &m_error))
        return {};

    const QString config = m_dir + QStringLiteral("/openssl.cnf");
    if (!runOpenssl({QStringLiteral("req"), QStringLiteral("-new"), QStringLiteral("-config"),
                     config, QStringLiteral("-newkey"), QStringLiteral("ec"),
                     QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"),
                     QStringLiteral("-noenc"), QStringLiteral("-keyout"), key,
                     QStringLiteral("-out"), request, QStringLiteral("-subj"),
                     QStringLiteral("/O=tarlen tests/CN=") + blueprint.hosts.first()}))
        return {};
    QStringList sign{QStringLiteral("ca"),
                     QStringLiteral("-batch"),
                     QStringLiteral("-notext"),
                     QStringLiteral("-config"),
                     config,
                     QStringLiteral("-rand_serial"),
                     QStringLiteral("-startdate"),
                     opensslDate(dated.notBefore),
                     QStringLiteral("-enddate"),
                     opensslDate(dated.notAfter),
                     QStringLiteral("-extfile"),
                     extensions,
                     QStringLiteral("-extensions"),
                     QStringLiteral("ext"),
                     QStringLiteral("-in"),
                     request,
                     QStringLiteral("-out"),
                     certificate};
    if (blueprint.signedByCa)
        sign << QStringLiteral("-cert") << m_ca.certificateFile << QStringLiteral("-keyfile")
             << m_ca.keyFile;
    else
        sign << QStringLiteral("-selfsign") << QStringLiteral("-keyfile") << key;
    if (!runOpenssl(sign))
        return {};
    return finish(dated, certificate, key);
}

TestCertificates::Certificate TestCertificates::finish(const Blueprint& blueprint,
                                                       const QString& certificateFile,
                                                       const QString& keyFile) {
    QFile file(certificateFile);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot read ") + certificateFile;
        return {};
    }
    const QByteArray pem = file.readAll();
    Certificate result;
    result.name = blueprint.name;
    result.certificateFile = certificateFile;
    result.keyFile = keyFile;
    result.hosts = blueprint.hosts;
    result.notBefore = blueprint.notBefore;
    result.notAfter = blueprint.notAfter;
    result.signedByCa = blueprint.signedByCa;
    result.der = pemBody(pem, "CERTIFICATE");
    result.sha256Fingerprint = sha256Fingerprint(pem);
    result.publicKeySha256 = publicKeySha256(certificateFile);
    if (result.der.isEmpty() || result.publicKeySha256.isEmpty()) {
        m_error = QStringLiteral("cannot read the certificate back from ") + certificateFile;
        return {};
    }
    return result;
}

bool TestCertificates::createStandardSet() {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    Blueprint blueprint;
    blueprint.name = QStringLiteral("self-signed");
    m_selfSigned = create(blueprint);
    if (m_selfSigned.isNull())
        return false;
    blueprint.name = QStringLiteral("other-self-signed");
    m_otherSelfSigned = create(blueprint);
    if (m_otherSelfSigned.isNull())
        return false;
    blueprint.signedByCa = true;
    blueprint.name = QStringLiteral("ca-issued");
    m_caIssued = create(blueprint);
    if (m_caIssued.isNull())
        return false;
    blueprint.name = QStringLiteral("expired");
    blueprint.notBefore = now.addDays(-60);
    blueprint.notAfter = now.addDays(-30);
    m_expired = create(blueprint);
    if (m_expired.isNull())
        return false;
    blueprint.name = QStringLiteral("wrong-host");
    blueprint.hosts = {QStringLiteral("wrong.example")};
    blueprint.notBefore = QDateTime();
    blueprint.notAfter = QDateTime();
    m_wrongHost = create(blueprint);
    return !m_wrongHost.isNull();
}

QString TestCertificates::sha256Fingerprint(const QByteArray& pem) {
    const QByteArray der = pemBody(pem, "CERTIFICATE");
    if (der.isEmpty())
        return {};
    return QString::fromLatin1(
        QCryptographicHash::hash(der, QCryptographicHash::Sha256).toHex(':').toUpper());
}

QString TestCertificates::publicKeySha256(const QString& certificateFile) {
    QByteArray publicKey;
    QString error;
    if (!runTool(opensslProgram(),
                 {QStringLiteral("x509"), QStringLiteral("-in"), certificateFile,
                  QStringLiteral("-noout"), QStringLiteral("-pubkey")},
                 &error, &publicKey))
        return {};
    // A PEM "PUBLIC KEY" is the DER SubjectPublicKeyInfo.
    const QByteArray info = pemBody(publicKey, "PUBLIC KEY");
    if (info.isEmpty())
        return {};
    return QString::fromLatin1(
        QCryptographicHash::hash(info, QCryptographicHash::Sha256).toBase64());
}
