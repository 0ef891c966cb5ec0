#pragma once

#include "server_protocol.h"

#include <QByteArray>
#include <QString>

// What the transfer component may take on trust beyond what the system's
// certificate authorities vouch for, and how it logs in over SSH.
struct SecurityOptions {
    // TLS: the base64 SHA-256 of a public key accepted for the server instead
    // of the authorities' word (pinned); empty for none.
    QByteArray pinnedPublicKey;
    // TLS: a file of authorities to trust instead of the system's; empty for
    // the system's own.
    QString caFile;
    // SSH: the host keys trusted so far, in OpenSSH's known_hosts form.
    QString knownHostsFile;
    // SSH: a host key (as the server sends it) accepted for the next
    // connection although the file does not hold it.
    QByteArray acceptedHostKey;
    // SSH: a private key file to log in with, and its passphrase.
    QString privateKeyFile;
    QString keyPassphrase;
    // SSH: offer the keys of a running ssh-agent.
    bool useAgent = true;
    // SSH: the only host key taken, as the base64 SHA-256 of its blob; a
    // connection of the queue holds to the key its session saw. Empty: the
    // known hosts decide.
    QByteArray pinnedHostKey;

    // FTP with TLS when offered: a server that does not offer TLS is used
    // in clear text only when the user agreed to it; otherwise nothing is
    // sent and the command fails with InetResponse::TlsNotOffered, so that
    // the user can be asked first.
    bool clearTextAllowed = false;
    // FTP with TLS when offered: the server used TLS before, so a refusal now
    // is taken for someone in between removing it, never asked about.
    bool tlsExpected = false;
};

// How the connection in use is protected; known once logged in.
struct ConnectionSecurity {
    ServerProtocol protocol = ServerProtocol::PlainFtp;
    bool encrypted = false;
    // TLS: "TLSv1.3 / TLS_AES_256_GCM_SHA384"; SSH: the host key's type and
    // fingerprint; empty when not encrypted.
    QString details;
    // The server's key as the base64 SHA-256 of the certificate's public key
    // (TLS) or of the host key (SSH), for other connections to hold to;
    // empty when not encrypted.
    QByteArray peerKeyPin;
};
