#pragma once

#include "connection_security.h"
#include "server_protocol.h"

#include <QString>
#include <QStringList>

#include <memory>

class SessionTrust;
struct FtpAddress;

// The login the queue's own connections use: the one the window logged in
// with, and what that session trusts (certificates, host keys, the key
// file and its passphrase).
struct QueueLogin {
    QString profileName;
    QString address;
    QString user;
    QString password;
    ServerProtocol protocol = ServerProtocol::PlainFtp;
    std::shared_ptr<SessionTrust> trust;
    // How the session's own connection is protected. The queue's
    // connections get no less: TLS, and the very key the session saw, once
    // the session is encrypted.
    ConnectionSecurity session;

    // Names the server (host and port) and the account on it, whatever
    // protocol reaches it: the queue kept for it is offered again at the
    // next login with the same key.
    QString key() const;
    bool sameServer(const QueueLogin& other) const { return key() == other.key(); }
    // The keys queues of this server and account were kept under before:
    // one for each protocol and each spelling of the address.
    QStringList earlierKeys() const;
    // The server as the queue view and the log name it: the profile's name,
    // else the address.
    QString shownName() const { return profileName.isEmpty() ? address : profileName; }

    // The protocol a connection of the queue asks for: TLS required where
    // the session's TLS was only wanted when offered, but was had.
    ServerProtocol demandedProtocol() const;
    // What a connection of the queue takes on trust for `address`.
    SecurityOptions securityFor(const FtpAddress& address) const;
};
