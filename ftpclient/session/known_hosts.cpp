#include "known_hosts.h"

#include "known_host_names.h"
#include "private_file.h"

#include <QFile>

bool KnownHosts::unreadable(QString* error) const {
    if (error)
        *error = QStringLiteral("%1 could not be read; it was left as it is.").arg(m_path);
    return false;
}

KnownHosts::KnownHosts(QString path)
    : m_path(std::move(path)) {}

std::optional<QList<KnownHosts::Line>> KnownHosts::readLines() const {
    QList<Line> lines;
    QFile file(m_path);
    if (!file.exists())
        return lines;
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray& text : file.readAll().split('\n')) {
        Line line{text, {}, {}};
        if (const std::optional<KnownHostLine> known = readKnownHostLine(text)) {
            line.names = known->names;
            line.keyBase64 = known->keyBase64;
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
    const QByteArray pattern = knownHostPattern(host, port);
    QStringList fingerprints;
    for (const Line& line : readLines().value_or(QList<Line>()))
        if (knownHostNamesMatch(line.names, pattern))
            fingerprints << sshFingerprint(QByteArray::fromBase64(line.keyBase64));
    return fingerprints;
}

bool KnownHosts::add(const PeerIdentity& key, QString* error) {
    std::optional<QList<Line>> read = readLines();
    if (!read)
        return unreadable(error);
    QList<Line>& lines = *read;
    const QByteArray names = knownHostPattern(key.host, key.port);
    const QByteArray base64 = key.keyBlob.toBase64();
    lines.append({names + ' ' + key.keyType.toLatin1() + ' ' + base64, names, base64});
    return write(lines, error);
}

bool KnownHosts::forget(const QByteArray& host, long port, QString* error) {
    const QByteArray pattern = knownHostPattern(host, port);
    std::optional<QList<Line>> read = readLines();
    if (!read)
        return unreadable(error);
    QList<Line>& lines = *read;
    const qsizetype removed =
        lines.removeIf([&](const Line& line) { return knownHostNamesMatch(line.names, pattern); });
    return removed == 0 || write(lines, error);
}
