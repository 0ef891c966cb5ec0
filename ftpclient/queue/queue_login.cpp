#include "queue_login.h"

#include "ftp_address.h"
#include "session_trust.h"

#include <QCryptographicHash>

#include <optional>

namespace {

QString hashed(const QByteArray& text) {
    return QString::fromLatin1(
        QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex().left(24));
}

// How keys were made while a queue was kept per protocol.
QString keyPerProtocol(const QString& spelling, const QString& user, ServerProtocol protocol) {
    return hashed(spelling.toUtf8() + '\n' + user.toUtf8() + '\n' +
                  QByteArray::number(int(protocol)));
}

std::optional<FtpAddress> serverOf(const QueueLogin& login) {
    return parseServerAddress(login.address.trimmed(), login.protocol, nullptr);
}

} // namespace

// The account on the server, not the profile's name: a profile renamed
// keeps its queue, and two profiles for one account share it. The
// protocol does not count: "TLS when offered" and "TLS required" reach one
// server, and an SFTP server listens on a port of its own.
QString QueueLogin::key() const {
    const std::optional<FtpAddress> server = serverOf(*this);
    const QByteArray where = server ? server->host + ':' + QByteArray::number(server->port)
                                    : address.trimmed().toLower().toUtf8();
    return hashed("server\n" + where + '\n' + user.toUtf8());
}

QStringList QueueLogin::earlierKeys() const {
    const std::optional<FtpAddress> server = serverOf(*this);
    if (!server)
        return {};
    const QString host = QString::fromUtf8(server->host);
    const QStringList spellings{address.trimmed().toLower(), host,
                                host + u':' + QString::number(server->port)};
    QStringList keys;
    for (const ServerProtocol protocol : AllServerProtocols) {
        for (const QString& spelling : spellings) {
            const std::optional<FtpAddress> there = parseServerAddress(spelling, protocol, nullptr);
            if (!there || there->host != server->host || there->port != server->port)
                continue;
            const QString key = keyPerProtocol(spelling, user, protocol);
            if (!keys.contains(key))
                keys << key;
        }
    }
    return keys;
}

ServerProtocol QueueLogin::demandedProtocol() const {
    if (protocol == ServerProtocol::FtpTlsIfOffered && session.encrypted)
        return ServerProtocol::FtpTlsRequired;
    return protocol;
}

SecurityOptions QueueLogin::securityFor(const FtpAddress& address) const {
    SecurityOptions options = trust ? trust->optionsFor(address) : SecurityOptions();
    if (!session.encrypted || session.peerKeyPin.isEmpty())
        return options;
    if (address.protocol == ServerProtocol::Sftp)
        options.pinnedHostKey = session.peerKeyPin;
    else
        options.pinnedPublicKey = session.peerKeyPin;
    return options;
}
