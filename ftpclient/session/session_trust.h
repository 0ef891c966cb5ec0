#pragma once

#include "connection_security.h"
#include "ftp_address.h"
#include "known_hosts.h"
#include "peer_identity.h"
#include "trusted_certificates.h"

#include <QHash>
#include <QString>

class SecurityPrompts;

// What one session trusts: the certificates and host keys the user chose to
// trust (kept in files under the configuration folder), the ones accepted
// for this session only, and the key file to log in with over SSH.
class SessionTrust {
public:
    // The folder of the trust files: "tarlen" in the XDG configuration folder.
    static QString defaultDirectory();

    explicit SessionTrust(const QString& directory = defaultDirectory());

    void setDirectory(const QString& directory);
    QString directory() const { return m_directory; }
    // Without prompts nothing new is ever trusted.
    void setPrompts(SecurityPrompts* prompts) { m_prompts = prompts; }
    // Authorities to trust instead of the system's (empty: the system's).
    void setCertificateAuthorities(const QString& caFile) { m_caFile = caFile; }
    // A new host: forgets what was accepted for one session only, and the
    // passphrase. `clearTextAllowed`: the profile allows clear text when the
    // server does not offer TLS.
    void setLogin(const QString& keyFile, bool clearTextAllowed = false);

    // What the transfer component needs for a connection to `address`. Asks
    // for the key file's passphrase the first time it needs one.
    SecurityOptions optionsFor(const FtpAddress& address);
    // After a command failed on a server identity: asks the user what to do
    // and stores the answer. True when the command should run again; *error
    // tells when a trust file could not be written.
    bool resolve(PeerIdentity peer, QString* error);
    // The login failed: the passphrase is asked for again next time.
    void forgetPassphrase();

    // FTP with TLS when offered: the server does not offer TLS. Asks whether
    // to go on in clear text; true when the user agreed (*always: for good,
    // for the profile to keep).
    bool allowClearText(const FtpAddress& address, bool* always);
    // A connection to the server was encrypted with TLS: from now on a
    // refusal of TLS by that server is taken for an attack. False, with
    // *error, when that could not be written down.
    bool rememberTls(const FtpAddress& address, QString* error);
    bool usedTls(const FtpAddress& address) const;
    // Whether the server's certificate was accepted for this session only
    // (nothing about it is to be remembered).
    bool acceptedForNow(const FtpAddress& address) const;

private:
    bool resolveCertificate(PeerIdentity& peer, QString* error);
    bool resolveHostKey(PeerIdentity& peer, QString* error);

    QString m_directory;
    KnownHosts m_knownHosts;
    TrustedCertificates m_certificates;
    SecurityPrompts* m_prompts = nullptr;
    QString m_caFile;
    QString m_keyFile;
    std::optional<QString> m_passphrase;
    QHash<QByteArray, QByteArray> m_pinsForNow; // server name -> public key pin
    QByteArray m_hostKeyForNow;
    bool m_clearTextAlways = false;
    bool m_clearTextForNow = false;
};

// Whether the private key file is protected by a passphrase: an OpenSSH key
// with a cipher, or a PEM key marked as encrypted. False when unreadable.
bool keyFileNeedsPassphrase(const QString& keyFile);
