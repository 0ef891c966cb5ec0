#pragma once

#include "peer_identity.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The certificates the user chose to trust although no authority known here
// vouches for them: one line per server, "host:port public-key-pin
// fingerprint". The pin is what a later connection checks; the fingerprint
// is what a person is shown when the certificate changes.
class TrustedCertificates {
public:
    struct Entry {
        QByteArray publicKeyPin; // base64 SHA-256 of the certificate's public key
        QString fingerprint;     // SHA-256 of the certificate, "AB:CD:..."
    };

    explicit TrustedCertificates(QString path);

    const QString& path() const { return m_path; }
    std::optional<Entry> find(const QByteArray& host, long port) const;
    // Trusts `certificate` for its server, in place of any trusted before.
    // False, with *error, when the file could not be written.
    bool trust(const PeerIdentity& certificate, QString* error);

    static QByteArray serverName(const QByteArray& host, long port);

private:
    QString m_path;
};
