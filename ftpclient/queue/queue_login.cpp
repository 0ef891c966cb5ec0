#include "queue_login.h"

#include <QCryptographicHash>

// The account on the server, not the profile's name: a profile renamed
// keeps its queue, and two profiles for one account share it.
QString QueueLogin::key() const {
    const QByteArray text = address.trimmed().toLower().toUtf8() + '\n' + user.toUtf8() + '\n' +
                            QByteArray::number(int(protocol));
    return QString::fromLatin1(
        QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex().left(24));
}
