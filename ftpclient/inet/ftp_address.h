#pragma once

#include "server_protocol.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The server address as a person types it: "host", "host:port",
// "scheme://host[:port]" with scheme ftp, ftps or sftp, IPv6 literals in
// brackets.
struct FtpAddress {
    QByteArray host; // in lower case; IPv6 literals keep their brackets
    long port = 21;
    ServerProtocol protocol = ServerProtocol::PlainFtp;
};

// Reads a typed address for a connection of protocol `chosen`. A scheme in
// the address picks the protocol (see protocolOfAddress); without a port the
// protocol's own is used.
std::optional<FtpAddress> parseServerAddress(const QString& typed, ServerProtocol chosen,
                                             QString* error);

// The URL path that makes libcurl address `rawPath` (bytes as the server
// names them) exactly over FTP: absolute paths stay absolute, every segment
// is percent-encoded by libcurl.
QByteArray ftpUrlPath(const QByteArray& rawPath);
// `directory` (absolute, as the server names it) from `loginDirectory`, the
// directory a connection that has not moved since its login is in: the
// server then resolves a shorter path for each entry it lists. Empty for the
// login directory itself; "./" goes first where a server might read the
// first character as an option or a user's home ("-l", "~ftp"). Outside the
// login directory, or when that is not known, `directory` as it is.
QByteArray pathFromLoginDirectory(const QByteArray& loginDirectory, const QByteArray& directory);
// The same over SFTP, where a URL path is absolute already and "/~/" is the
// login directory; an empty or relative path is taken from there.
QByteArray sftpUrlPath(const QByteArray& rawPath);
