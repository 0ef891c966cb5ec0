#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// How a known_hosts file in OpenSSH's form names servers. A line is
// "names key-type base64-key": the names either a comma-separated list, each
// "host" for port 22 and "[host]:port" for another, or one hashed name
// "|1|salt|hash" (the HMAC-SHA1 of the name keyed with the salt, both
// base64). Host names count in lower case, as OpenSSH writes and hashes them.

// How the file names a server; `host` may be an IPv6 literal in brackets.
QByteArray knownHostPattern(const QByteArray& host, long port);

// The parts of a line that name servers and hold a key; nothing for
// comments, blank lines and marked lines (@cert-authority, @revoked).
struct KnownHostLine {
    QByteArray names;
    QByteArray keyBase64;
};
std::optional<KnownHostLine> readKnownHostLine(const QByteArray& text);

// Whether `names` (the first field of a line) names the server of `pattern`,
// as knownHostPattern gives it.
bool knownHostNamesMatch(const QByteArray& names, const QByteArray& pattern);

// The keys (as servers send them) that the file's text holds for a server,
// in file order.
QList<QByteArray> knownHostKeys(const QByteArray& fileText, const QByteArray& host, long port);
