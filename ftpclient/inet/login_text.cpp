#include "login_text.h"

#include "control_characters.h"

#include <QByteArray>

std::optional<LoginField> unsendableLoginField(const QString& userName, const QString& password,
                                               const QString& address) {
    if (holdsControlCharacter(userName))
        return LoginField::UserName;
    if (holdsControlCharacter(password))
        return LoginField::Password;
    if (holdsControlCharacter(address) ||
        holdsControlCharacter(QString::fromUtf8(QByteArray::fromPercentEncoding(address.toUtf8()))))
        return LoginField::Address;
    return std::nullopt;
}

QString loginFieldName(LoginField field) {
    switch (field) {
    case LoginField::UserName:
        return QStringLiteral("user name");
    case LoginField::Password:
        return QStringLiteral("password");
    case LoginField::Address:
        return QStringLiteral("host address");
    }
    return {};
}

// The user part runs from after "scheme://" to the last "@"; its password
// from the first ":" in it. A "/" or an "@" typed into a password stays
// hidden: nothing after the first ":" up to the last "@" is shown.
QString urlWithoutPassword(const QString& url) {
    const qsizetype scheme = url.indexOf(QStringLiteral("://"));
    const qsizetype start = scheme < 0 ? 0 : scheme + 3;
    const qsizetype at = url.lastIndexOf(u'@');
    if (at < start)
        return url;
    const qsizetype colon = url.indexOf(u':', start);
    if (colon < 0 || colon > at)
        return url;
    return url.left(colon + 1) + QStringLiteral("***") + url.mid(at);
}
