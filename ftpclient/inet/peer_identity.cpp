#include "peer_identity.h"

#include <QCryptographicHash>
#include <QTimeZone>
#include <QtEndian>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <memory>

namespace {

struct X509Deleter {
    void operator()(X509* x) const { X509_free(x); }
};
struct BioDeleter {
    void operator()(BIO* b) const { BIO_free(b); }
};
using X509Ptr = std::unique_ptr<X509, X509Deleter>;
using BioPtr = std::unique_ptr<BIO, BioDeleter>;

X509Ptr readCertificate(const QByteArray& pem) {
    BioPtr in(BIO_new_mem_buf(pem.constData(), int(pem.size())));
    if (!in)
        return nullptr;
    return X509Ptr(PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr));
}

QString nameText(const X509_NAME* name) {
    BioPtr out(BIO_new(BIO_s_mem()));
    if (!out)
        return {};
    X509_NAME_print_ex(out.get(), name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB);
    char* data = nullptr;
    const long size = BIO_get_mem_data(out.get(), &data);
    return QString::fromUtf8(data, qsizetype(size));
}

QDateTime timeOf(const ASN1_TIME* time) {
    struct tm parts {};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1)
        return {};
    return QDateTime(QDate(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday),
                     QTime(parts.tm_hour, parts.tm_min, parts.tm_sec), QTimeZone::utc());
}

QString colonHex(const unsigned char* bytes, unsigned size) {
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes), int(size)).toHex(':').toUpper());
}

QByteArray spkiPin(X509* cert) {
    unsigned char* der = nullptr;
    const int size = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(cert), &der);
    if (size <= 0)
        return {};
    const QByteArray hash = QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char*>(der), size), QCryptographicHash::Sha256);
    OPENSSL_free(der);
    return hash.toBase64();
}

bool namesHost(X509* cert, const QByteArray& host) {
    QByteArray bare = host;
    if (bare.startsWith('[') && bare.endsWith(']'))
        bare = bare.mid(1, bare.size() - 2);
    unsigned char address[16];
    if (::inet_pton(AF_INET, bare.constData(), address) == 1 ||
        ::inet_pton(AF_INET6, bare.constData(), address) == 1)
        return X509_check_ip_asc(cert, bare.constData(), 0) == 1;
    return X509_check_host(cert, bare.constData(), size_t(bare.size()), 0, nullptr) == 1;
}

// Issued by itself and signed with its own key, whatever its key usage says.
bool selfSigned(X509* cert) {
    EVP_PKEY* key = X509_get0_pubkey(cert);
    return X509_NAME_cmp(X509_get_subject_name(cert), X509_get_issuer_name(cert)) == 0 && key &&
           X509_verify(cert, key) == 1;
}

QString shownTime(const QDateTime& time) {
    return time.toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'"));
}

// What is wrong with the certificate, as far as its own content and the
// TLS library's complaint tell.
void addReasons(PeerIdentity& id, X509* cert, const QString& verifyError) {
    if (X509_cmp_current_time(X509_get0_notAfter(cert)) < 0) {
        id.expired = true;
        id.reasons << QStringLiteral("It expired on %1.").arg(shownTime(id.validUntil));
    }
    if (X509_cmp_current_time(X509_get0_notBefore(cert)) > 0) {
        id.expired = true;
        id.reasons << QStringLiteral("It is not valid before %1.").arg(shownTime(id.validFrom));
    }
    if (!namesHost(cert, id.host)) {
        id.wrongHost = true;
        id.reasons
            << QStringLiteral("It was not issued for the name %1.").arg(QString::fromUtf8(id.host));
    }
    const QString error = verifyError.toLower();
    if (selfSigned(cert))
        id.reasons << QStringLiteral("It is self-signed: no certificate authority vouches for it.");
    else if (error.contains(u"issuer") || error.contains(u"self") || error.contains(u"chain"))
        id.reasons << QStringLiteral("It was issued by an authority this computer does not know.");
    if (id.reasons.isEmpty() && !verifyError.isEmpty())
        id.reasons << QStringLiteral("It could not be verified: %1").arg(verifyError);
}

// The next length-prefixed string of an SSH wire-form key.
QByteArray nextField(const QByteArray& blob, qsizetype& at) {
    if (at + 4 > blob.size())
        return {};
    const quint32 size = qFromBigEndian<quint32>(blob.constData() + at);
    if (size > quint32(blob.size() - at - 4))
        return {};
    const QByteArray field = blob.mid(at + 4, qsizetype(size));
    at += 4 + qsizetype(size);
    return field;
}

int significantBits(QByteArray number) {
    while (!number.isEmpty() && number[0] == '\0')
        number.remove(0, 1);
    if (number.isEmpty())
        return 0;
    int bits = int(number.size()) * 8;
    for (uchar top = uchar(number[0]); !(top & 0x80); top = uchar(top << 1))
        --bits;
    return bits;
}

int keyBitsOf(const QByteArray& type, const QByteArray& blob, qsizetype at) {
    if (type == "ssh-rsa") {
        nextField(blob, at); // e
        return significantBits(nextField(blob, at));
    }
    if (type == "ssh-dss")
        return significantBits(nextField(blob, at));
    if (type.startsWith("ecdsa-sha2-nistp"))
        return type.mid(16).toInt();
    if (type == "ssh-ed25519")
        return 256;
    if (type == "ssh-ed448")
        return 456;
    return 0;
}

} // namespace

std::optional<PeerIdentity> certificateIdentity(const QByteArray& pem, const QByteArray& host,
                                                long port, const QString& verifyError) {
    const X509Ptr cert = readCertificate(pem);
    if (!cert)
        return std::nullopt;
    PeerIdentity id;
    id.kind = PeerIdentity::Kind::Certificate;
    id.host = host;
    id.port = port;
    id.subject = nameText(X509_get_subject_name(cert.get()));
    id.issuer = nameText(X509_get_issuer_name(cert.get()));
    id.validFrom = timeOf(X509_get0_notBefore(cert.get()));
    id.validUntil = timeOf(X509_get0_notAfter(cert.get()));
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned digestSize = 0;
    if (X509_digest(cert.get(), EVP_sha256(), digest, &digestSize) == 1)
        id.fingerprint = colonHex(digest, digestSize);
    id.publicKeyPin = spkiPin(cert.get());
    addReasons(id, cert.get(), verifyError);
    return id;
}

QByteArray publicKeyPinOf(const QByteArray& pem) {
    const X509Ptr cert = readCertificate(pem);
    return cert ? spkiPin(cert.get()) : QByteArray();
}

PeerIdentity hostKeyIdentity(const QByteArray& keyBlob, const QByteArray& host, long port) {
    PeerIdentity id;
    id.kind = PeerIdentity::Kind::HostKey;
    id.problem = PeerIdentity::Problem::Unknown;
    id.host = host;
    id.port = port;
    id.keyBlob = keyBlob;
    qsizetype at = 0;
    const QByteArray type = nextField(keyBlob, at);
    id.keyType = QString::fromLatin1(type);
    id.keyBits = keyBitsOf(type, keyBlob, at);
    id.fingerprint = sshFingerprint(keyBlob);
    return id;
}

QString sshFingerprint(const QByteArray& keyBlob) {
    const QByteArray hash = QCryptographicHash::hash(keyBlob, QCryptographicHash::Sha256);
    return QStringLiteral("SHA256:") +
           QString::fromLatin1(hash.toBase64(QByteArray::OmitTrailingEquals));
}

QString sshKeyLine(const PeerIdentity& key) {
    QString kind = key.keyType;
    if (kind.startsWith(u"ssh-"))
        kind = kind.mid(4);
    else if (kind.startsWith(u"ecdsa-"))
        kind = QStringLiteral("ecdsa");
    if (kind == u"dss")
        kind = QStringLiteral("dsa");
    return QStringLiteral("%1 %2 (%3)").arg(key.keyBits).arg(key.fingerprint, kind.toUpper());
}
