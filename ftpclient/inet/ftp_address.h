#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The server address as a person types it: "host", "host:port",
// "ftp://host[:port]", IPv6 literals in brackets.
struct FtpAddress {
    QByteArray host; // as the URL carries it; IPv6 literals keep their brackets
    long port = 21;
};

std::optional<FtpAddress> parseFtpAddress(const QString& typed, QString* error);

// The URL path that makes libcurl address `rawPath` (bytes as the server
// names them) exactly: absolute paths stay absolute, every segment is
// percent-encoded by libcurl.
QByteArray ftpUrlPath(const QByteArray& rawPath);
