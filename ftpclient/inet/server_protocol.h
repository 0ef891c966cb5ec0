#pragma once

#include <QString>

#include <optional>

// How the client talks to a server: FTP with or without TLS, or SFTP.
enum class ServerProtocol {
    PlainFtp,        // FTP in clear text: the password travels readable
    FtpTlsIfOffered, // FTP, switching to TLS ("AUTH TLS") when the server can
    FtpTlsRequired,  // FTP, refusing to log in unless the server switches to TLS
    FtpsImplicit,    // FTP inside TLS from the first byte (port 990)
    Sftp,            // the SSH file transfer protocol (port 22)
};

// Every protocol, in the order the connect dialog offers them.
inline constexpr ServerProtocol AllServerProtocols[] = {
    ServerProtocol::FtpTlsIfOffered, ServerProtocol::FtpTlsRequired,
    ServerProtocol::FtpsImplicit,    ServerProtocol::Sftp,
    ServerProtocol::PlainFtp,
};

// The port a server of this protocol listens on unless the address names one.
long defaultPort(ServerProtocol protocol);
// Whether the protocol speaks FTP (in any of its forms) rather than SSH.
bool isFtpFamily(ServerProtocol protocol);

// What a profile stores for the protocol, and back. A profile without the
// key is plain FTP, as it always was.
QString protocolSettingsValue(ServerProtocol protocol);
std::optional<ServerProtocol> protocolFromSettingsValue(const QString& value);

// The name a person reads in the connect dialog.
QString protocolDisplayName(ServerProtocol protocol);

// The protocol an address typed as "scheme://host..." asks for, given the
// protocol chosen so far: "sftp://" is SFTP, "ftps://" implicit FTPS, and
// "ftp://" one of the FTP forms (the chosen one if it is one, else FTP with
// TLS when offered). Nothing for an address without a known scheme.
std::optional<ServerProtocol> protocolOfAddress(const QString& typed, ServerProtocol chosen);
