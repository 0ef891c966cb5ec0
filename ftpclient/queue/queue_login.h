#pragma once

#include "server_protocol.h"

#include <QString>

#include <memory>

class SessionTrust;

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

    // Names the server and the account: the queue kept for it is offered
    // again at the next login with the same key.
    QString key() const;
    bool sameServer(const QueueLogin& other) const { return key() == other.key(); }
};
