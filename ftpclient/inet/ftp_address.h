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
// The same over SFTP, where a URL path is absolute already and "/~/" is the
// login directory; an empty or relative path is taken from there.
QByteArray sftpUrlPath(const QByteArray& rawPath);
