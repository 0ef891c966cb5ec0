#include "known_host_names.h"

#include <QMessageAuthenticationCode>

namespace {

constexpr long kSshPort = 22;

// "|1|salt|hash", both base64.
bool hashedNameMatches(const QByteArray& name, const QByteArray& pattern) {
    const QList<QByteArray> parts = name.split('|');
    if (parts.size() != 4 || !parts[0].isEmpty() || parts[1] != "1")
        return false;
    const QByteArray salt = QByteArray::fromBase64(parts[2]);
    const QByteArray hash = QByteArray::fromBase64(parts[3]);
    return !hash.isEmpty() &&
           QMessageAuthenticationCode::hash(pattern, salt, QCryptographicHash::Sha1) == hash;
}

} // namespace

QByteArray knownHostPattern(const QByteArray& host, long port) {
    QByteArray bare = host.toLower();
    if (bare.startsWith('[') && bare.endsWith(']'))
        bare = bare.mid(1, bare.size() - 2);
    if (port == kSshPort)
        return bare;
    return '[' + bare + "]:" + QByteArray::number(qlonglong(port));
}

std::optional<KnownHostLine> readKnownHostLine(const QByteArray& text) {
    const QList<QByteArray> fields = text.simplified().split(' ');
    if (fields.size() < 3 || fields[0].startsWith('#') || fields[0].startsWith('@'))
        return std::nullopt;
    return KnownHostLine{fields[0], fields[2]};
}

bool knownHostNamesMatch(const QByteArray& names, const QByteArray& pattern) {
    if (names.isEmpty())
        return false;
    if (names.startsWith('|'))
        return hashedNameMatches(names, pattern);
    return names.toLower().split(',').contains(pattern);
}

QList<QByteArray> knownHostKeys(const QByteArray& fileText, const QByteArray& host, long port) {
    const QByteArray pattern = knownHostPattern(host, port);
    QList<QByteArray> keys;
    for (const QByteArray& text : fileText.split('\n'))
        if (const auto line = readKnownHostLine(text);
            line && knownHostNamesMatch(line->names, pattern))
            keys << QByteArray::fromBase64(line->keyBase64);
    return keys;
}
