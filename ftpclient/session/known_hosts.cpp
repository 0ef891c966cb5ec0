#include "known_hosts.h"

#include "private_file.h"

#include <QFile>

namespace {

constexpr long kSshPort = 22;

} // namespace

bool KnownHosts::unreadable(QString* error) const {
    if (error)
        *error = QStringLiteral("%1 could not be read; it was left as it is.").arg(m_path);
    return false;
}

KnownHosts::KnownHosts(QString path)
    : m_path(std::move(path)) {}

QByteArray KnownHosts::hostPattern(const QByteArray& host, long port) {
    QByteArray bare = host.toLower();
    if (bare.startsWith('[') && bare.endsWith(']'))
        bare = bare.mid(1, bare.size() - 2);
    if (port == kSshPort)
        return bare;
    return '[' + bare + "]:" + QByteArray::number(qlonglong(port));
}

std::optional<QList<KnownHosts::Line>> KnownHosts::readLines() const {
    QList<Line> lines;
    QFile file(m_path);
    if (!file.exists())
        return lines;
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray& text : file.readAll().split('\n')) {
        Line line{text, {}, {}};
        const QList<QByteArray> fields = text.simplified().split(' ');
        // Marked lines (@cert-authority, @revoked) and hashed names are
        // left alone: this file never holds them unless a person put them there.
        if (fields.size() >= 3 && !fields[0].startsWith('#') && !fields[0].startsWith('@') &&
            !fields[0].startsWith('|')) {
            line.hosts = fields[0].toLower().split(',');
            line.keyBase64 = fields[2];
        }
        lines.append(line);
    }
    if (!lines.isEmpty() && lines.last().text.isEmpty())
        lines.removeLast();
    return lines;
}

bool KnownHosts::write(const QList<Line>& lines, QString* error) const {
    QByteArray content;
    for (const Line& line : lines)
        content += line.text + '\n';
    return writePrivateFile(m_path, content, error);
}

QStringList KnownHosts::fingerprintsFor(const QByteArray& host, long port) const {
    const QByteArray pattern = hostPattern(host, port);
    QStringList fingerprints;
    for (const Line& line : readLines().value_or(QList<Line>()))
        if (line.hosts.contains(pattern))
            fingerprints << sshFingerprint(QByteArray::fromBase64(line.keyBase64));
    return fingerprints;
}

bool KnownHosts::add(const PeerIdentity& key, QString* error) {
    std::optional<QList<Line>> read = readLines();
    if (!read)
        return unreadable(error);
    QList<Line>& lines = *read;
    const QByteArray base64 = key.keyBlob.toBase64();
    lines.append({hostPattern(key.host, key.port) + ' ' + key.keyType.toLatin1() + ' ' + base64,
                  {},
                  base64});
    return write(lines, error);
}

bool KnownHosts::forget(const QByteArray& host, long port, QString* error) {
    const QByteArray pattern = hostPattern(host, port);
    std::optional<QList<Line>> read = readLines();
    if (!read)
        return unreadable(error);
    QList<Line>& lines = *read;
    const qsizetype removed =
        lines.removeIf([&](const Line& line) { return line.hosts.contains(pattern); });
    return removed == 0 || write(lines, error);
}
