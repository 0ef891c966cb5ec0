#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// The certificate or SSH host key a server showed that the client could not
// take on trust by itself, with what a person needs to decide about it.
struct PeerIdentity {
    enum class Kind { Certificate, HostKey };
    // Why it was not taken on trust.
    enum class Problem {
        Unverified, // the system's authorities do not vouch for it (see reasons)
        Changed,    // another one was trusted for this server before
        Unknown,    // SSH: the host key was never seen before
    };

    Kind kind = Kind::Certificate;
    Problem problem = Problem::Unverified;
    QByteArray host; // as the URL carries it
    long port = 0;

    // Certificate
    QString subject;
    QString issuer;
    QDateTime validFrom;
    QDateTime validUntil;
    QString fingerprint;     // SHA-256 of the certificate, "AB:CD:..."; of the key for SSH
    QByteArray publicKeyPin; // base64 SHA-256 of the certificate's public key
    QStringList reasons;     // each thing wrong with the certificate, one sentence each
    bool expired = false;
    bool wrongHost = false;

    // SSH host key
    QString keyType; // "ssh-ed25519", "ssh-rsa", "ecdsa-sha2-nistp256", ...
    int keyBits = 0;
    QByteArray keyBlob; // the key as the server sent it

    // What was trusted for this server before, when it changed.
    QString knownFingerprint;
};

// Reads the certificate in `pem` as shown by `host`:`port`, checks its dates
// and names against the host, and adds what `verifyError` (the TLS library's
// complaint, if any) says about its issuer. Nothing when it cannot be read.
std::optional<PeerIdentity> certificateIdentity(const QByteArray& pem, const QByteArray& host,
                                                long port, const QString& verifyError);
// The SHA-256 fingerprint of the public key of the certificate in `pem`, as
// CURLOPT_PINNEDPUBLICKEY expects it after "sha256//".
QByteArray publicKeyPinOf(const QByteArray& pem);

// An SSH host key as the server sent it (the wire form: type name, then its
// numbers).
PeerIdentity hostKeyIdentity(const QByteArray& keyBlob, const QByteArray& host, long port);
// "SHA256:" and the unpadded base64 of the key's hash, as ssh-keygen -l shows it.
QString sshFingerprint(const QByteArray& keyBlob);
// The line ssh-keygen -l prints for a key: "256 SHA256:... (ED25519)".
QString sshKeyLine(const PeerIdentity& key);
