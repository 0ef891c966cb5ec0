#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// PEM certificates and private keys for TLS tests, made with the openssl
// command line into a directory the caller owns (a QTemporaryDir, usually).
// Keys are EC P-256: quick to make, and served by vsftpd as its "RSA" key.
//
//   QTemporaryDir dir;
//   TestCertificates certificates(dir.path());
//   QVERIFY2(certificates.createStandardSet(), qPrintable(certificates.errorText()));
//   options.certificateFile = certificates.selfSigned().certificateFile;
class TestCertificates {
public:
    struct Certificate {
        QString name;            // base name of the files
        QString certificateFile; // PEM certificate
        QString keyFile;         // PEM private key, not encrypted
        QStringList hosts;       // subject alternative names (IP or DNS); the first is the CN
        QDateTime notBefore;     // UTC, to the second
        QDateTime notAfter;
        bool signedByCa = false;
        QByteArray der; // the certificate as DER
        // SHA-256 of the DER as `openssl x509 -fingerprint -sha256` prints it:
        // upper-case hex pairs separated by colons.
        QString sha256Fingerprint;
        // Base64 SHA-256 of the DER SubjectPublicKeyInfo: what libcurl's
        // CURLOPT_PINNEDPUBLICKEY takes after "sha256//".
        QString publicKeySha256;

        QString pinnedPublicKey() const { return QStringLiteral("sha256//") + publicKeySha256; }
        bool isNull() const { return certificateFile.isEmpty(); }
    };

    struct Blueprint {
        QString name; // file base name: <name>.pem and <name>.key
        QStringList hosts{QStringLiteral("127.0.0.1"), QStringLiteral("localhost")};
        bool signedByCa = false; // false: self-signed
        QDateTime notBefore;     // invalid: a day ago
        QDateTime notAfter;      // invalid: ten years after notBefore
    };

    explicit TestCertificates(const QString& directory);

    // Makes one certificate and its key (and the CA first when needed);
    // returns a null Certificate on failure, with errorText() saying why.
    Certificate create(const Blueprint& blueprint);

    // Makes all of the certificates below; false on failure.
    bool createStandardSet();
    // Self-signed for 127.0.0.1 (IP) and localhost (DNS).
    const Certificate& selfSigned() const { return m_selfSigned; }
    // Another self-signed one for the same names, with its own key: a
    // server whose certificate changed.
    const Certificate& otherSelfSigned() const { return m_otherSelfSigned; }
    // Issued by the test CA, valid, for 127.0.0.1 and localhost: verifies
    // once the CA file is trusted (CURLOPT_CAINFO).
    const Certificate& caIssued() const { return m_caIssued; }
    // Issued by the test CA for wrong.example only. With the CA trusted, the
    // host name is the only fault.
    const Certificate& wrongHost() const { return m_wrongHost; }
    // Issued by the test CA for 127.0.0.1 and localhost, valid from 60 to 30
    // days ago. With the CA trusted, the expiry is the only fault.
    const Certificate& expired() const { return m_expired; }

    // The test CA (made by the first CA-signed create()): its certificate
    // file is what to give CURLOPT_CAINFO.
    const Certificate& ca() const { return m_ca; }
    QString caFile() const { return m_ca.certificateFile; }

    QString directory() const { return m_dir; }
    QString errorText() const { return m_error; }

    // The fingerprints of any PEM certificate; empty on failure.
    static QString sha256Fingerprint(const QByteArray& pem);
    static QString publicKeySha256(const QString& certificateFile);

private:
    bool ensureCa();
    bool writeConfig();
    bool runOpenssl(const QStringList& arguments, QByteArray* output = nullptr);
    Certificate finish(const Blueprint& blueprint, const QString& certificateFile,
                       const QString& keyFile);

    QString m_dir;
    QString m_error;
    bool m_configWritten = false;
    Certificate m_ca;
    Certificate m_selfSigned;
    Certificate m_otherSelfSigned;
    Certificate m_caIssued;
    Certificate m_wrongHost;
    Certificate m_expired;
};
