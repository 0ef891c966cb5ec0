#include "server_protocol.h"

long defaultPort(ServerProtocol protocol) {
    switch (protocol) {
    case ServerProtocol::FtpsImplicit:
        return 990;
    case ServerProtocol::Sftp:
        return 22;
    default:
        return 21;
    }
}

bool isFtpFamily(ServerProtocol protocol) {
    return protocol != ServerProtocol::Sftp;
}

QString protocolSettingsValue(ServerProtocol protocol) {
    switch (protocol) {
    case ServerProtocol::PlainFtp:
        return QStringLiteral("FTP");
    case ServerProtocol::FtpTlsIfOffered:
        return QStringLiteral("FTP-TLS-IF-OFFERED");
    case ServerProtocol::FtpTlsRequired:
        return QStringLiteral("FTP-TLS-REQUIRED");
    case ServerProtocol::FtpsImplicit:
        return QStringLiteral("FTPS-IMPLICIT");
    case ServerProtocol::Sftp:
        return QStringLiteral("SFTP");
    }
    return {};
}

std::optional<ServerProtocol> protocolFromSettingsValue(const QString& value) {
    for (ServerProtocol protocol : AllServerProtocols)
        if (value.compare(protocolSettingsValue(protocol), Qt::CaseInsensitive) == 0)
            return protocol;
    return std::nullopt;
}

QString protocolDisplayName(ServerProtocol protocol) {
    switch (protocol) {
    case ServerProtocol::PlainFtp:
        return QStringLiteral("FTP without encryption (insecure)");
    case ServerProtocol::FtpTlsIfOffered:
        return QStringLiteral("FTP, TLS if the server offers it");
    case ServerProtocol::FtpTlsRequired:
        return QStringLiteral("FTP, TLS required");
    case ServerProtocol::FtpsImplicit:
        return QStringLiteral("FTPS, implicit TLS");
    case ServerProtocol::Sftp:
        return QStringLiteral("SFTP (SSH)");
    }
    return {};
}

std::optional<ServerProtocol> protocolOfAddress(const QString& typed, ServerProtocol chosen) {
    const QString text = typed.trimmed();
    const qsizetype end = text.indexOf(u"://");
    if (end < 0)
        return std::nullopt;
    const QString scheme = text.left(end).toLower();
    if (scheme == u"sftp")
        return ServerProtocol::Sftp;
    if (scheme == u"ftps")
        return ServerProtocol::FtpsImplicit;
    if (scheme == u"ftp")
        return isFtpFamily(chosen) && chosen != ServerProtocol::FtpsImplicit
                   ? chosen
                   : ServerProtocol::FtpTlsIfOffered;
    return std::nullopt;
}
