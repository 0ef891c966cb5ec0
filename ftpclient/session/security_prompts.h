#pragma once

#include "peer_identity.h"

#include <QString>

#include <optional>

// What the session asks the person at the window about security. The window
// answers with dialogs; tests answer from a script.
class SecurityPrompts {
public:
    enum class Decision {
        Trust,        // remember it for this server and connect
        ConnectOnce,  // connect this time, remember nothing
        ForgetOldKey, // SSH, changed key: remove the key trusted before
        Cancel,       // do not connect
    };

    virtual ~SecurityPrompts() = default;

    // A certificate or host key that could not be taken on trust. A changed
    // one carries the fingerprint trusted before in knownFingerprint; a
    // changed SSH key can only be forgotten or refused.
    virtual Decision decide(const PeerIdentity& peer) = 0;
    // The passphrase of a private key file; nothing when the person declines.
    virtual std::optional<QString> passphrase(const QString& keyFile) = 0;
    // FTP with TLS when offered, and the server at `host`:`port` does not
    // offer TLS: go on in clear text this time (ConnectOnce), always for
    // this server (Trust), or not at all (Cancel), before anything is sent.
    virtual Decision clearText(const QByteArray& host, long port) = 0;
};
