#include "queue_login.h"

#include "session_trust.h"

#include <QCryptographicHash>

// The account on the server, not the profile's name: a profile renamed
// keeps its queue, and two profiles for one account share it.
QString QueueLogin::key() const {
    const QByteArray text = address.trimmed().toLower().toUtf8() + '\n' + user.toUtf8() + '\n' +
                            QByteArray::number(int(protocol));
    return QString::fromLatin1(
        QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex().left(24));
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
