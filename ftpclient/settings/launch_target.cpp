#include "launch_target.h"

#include "control_characters.h"
#include "ftp_address.h"
#include "login_text.h"
#include "raw_names.h"

#include <QUrl>

namespace {

// The URL's path as the server names it: percent escapes become bytes, and
// bytes that are not UTF-8 are kept as they are.
QString decodedPath(const QUrl& url) {
    return RawName::decode(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toUtf8()));
}

QString directoryOf(ServerProtocol protocol, QString path) {
    if (protocol == ServerProtocol::Sftp) {
        if (path == u"/~" || path.startsWith(u"/~/"))
            path = path.mid(3);
    } else if (path.startsWith(u'/')) {
        path.remove(0, 1);
    }
    if (path.isEmpty() || path == u"/")
        return path;
    return path.endsWith(u'/') ? path : path + u'/';
}

std::optional<ServerProtocol> protocolOfScheme(const QString& scheme) {
    if (scheme == u"ftp")
        return ServerProtocol::FtpTlsIfOffered;
    if (scheme == u"ftps")
        return ServerProtocol::FtpsImplicit;
    if (scheme == u"sftp")
        return ServerProtocol::Sftp;
    return std::nullopt;
}

bool isFtpForm(ServerProtocol protocol) {
    return protocol != ServerProtocol::Sftp && protocol != ServerProtocol::FtpsImplicit;
}

// Whether a profile may serve a URL of `wanted`: "ftp://" fits every
// profile that speaks FTP on its control port, the others only their own.
bool protocolFits(ServerProtocol profile, ServerProtocol wanted) {
    return isFtpForm(wanted) ? isFtpForm(profile) : profile == wanted;
}

// The parts of a URL's text that tell what is wrong with it, as far as they
// can be told apart without reading it as a URL.
struct UrlPieces {
    QString userInfo; // before the last "@" of the authority
    bool hasUserInfo = false;
    QString host;
    QString port;
    bool hasPort = false;
    QString path; // up to a query or fragment
};

UrlPieces piecesOf(const QString& text) {
    UrlPieces pieces;
    const qsizetype scheme = text.indexOf(QStringLiteral("://"));
    const qsizetype start = scheme < 0 ? 0 : scheme + 3;
    qsizetype end = start;
    while (end < text.size() && text[end] != u'/' && text[end] != u'?' && text[end] != u'#')
        ++end;
    QString authority = text.mid(start, end - start);
    qsizetype pathEnd = end;
    while (pathEnd < text.size() && text[pathEnd] != u'?' && text[pathEnd] != u'#')
        ++pathEnd;
    pieces.path = text.mid(end, pathEnd - end);
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0) {
        pieces.hasUserInfo = true;
        pieces.userInfo = authority.left(at);
        authority.remove(0, at + 1);
    }
    // A port follows the last ":" that is not inside an IPv6 address.
    const qsizetype bracket = authority.lastIndexOf(u']');
    const qsizetype colon = authority.lastIndexOf(u':');
    if (colon > bracket && (bracket >= 0 || authority.indexOf(u':') == colon)) {
        pieces.hasPort = true;
        pieces.port = authority.mid(colon + 1);
        authority.truncate(colon);
    }
    pieces.host = authority;
    return pieces;
}

bool validPort(const QString& port) {
    bool number = false;
    const int value = port.toInt(&number);
    return port.isEmpty() || (number && port[0].isDigit() && value >= 1 && value <= 65535);
}

// What is wrong with a URL that does not read as one, in words and without
// its parts: the message shows the URL itself (without its password).
QString urlProblem(const QString& text) {
    const UrlPieces pieces = piecesOf(text);
    const QString escapes = QStringLiteral(" holds a character that a URL must write as a "
                                           "%-escape (a space as %20, \"%\" as %25).");
    if (pieces.hasPort && !validPort(pieces.port))
        return QStringLiteral("the port must be a number from 1 to 65535.");
    QUrl probe;
    probe.setHost(pieces.host, QUrl::StrictMode);
    if (!probe.isValid())
        return pieces.host.startsWith(u'[')
                   ? QStringLiteral("the address in brackets is not a valid IPv6 address.")
                   : QStringLiteral("the server name is not a valid host name or address.");
    if (pieces.hasUserInfo) {
        const qsizetype colon = pieces.userInfo.indexOf(u':');
        probe.setUserName(pieces.userInfo.left(colon), QUrl::StrictMode);
        if (!probe.isValid())
            return QStringLiteral("the user name") + escapes;
        probe.setPassword(colon < 0 ? QString() : pieces.userInfo.mid(colon + 1), QUrl::StrictMode);
        if (!probe.isValid())
            return QStringLiteral("the password") + escapes;
    }
    probe.setPath(pieces.path, QUrl::StrictMode);
    if (!probe.isValid())
        return QStringLiteral("the folder") + escapes;
    return QStringLiteral("it does not read as scheme://[user[:password]@]host[:port][/folder].");
}

// The part of the target that holds a control character, as a message names
// it; empty when none does.
QString unsendablePart(const LaunchTarget& target) {
    if (const std::optional<LoginField> field =
            unsendableLoginField(target.user, target.password.value_or(QString()), target.host))
        return loginFieldName(*field);
    if (holdsControlCharacter(target.directory))
        return QStringLiteral("folder");
    return {};
}

} // namespace

QString LaunchTarget::address() const {
    return port < 0 ? host : host + u':' + QString::number(port);
}

std::optional<LaunchTarget> parseLaunchUrl(const QString& text, QString* error) {
    // No message shows the URL's password.
    const QString shown = urlWithoutPassword(text);
    auto fail = [&](const QString& why) -> std::optional<LaunchTarget> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid())
        return fail(
            QStringLiteral("\"%1\" is not a valid URL: %2").arg(shown, urlProblem(text.trimmed())));
    const std::optional<ServerProtocol> protocol = protocolOfScheme(url.scheme().toLower());
    if (!protocol)
        return fail(QStringLiteral("\"%1\" is not an ftp://, ftps:// or sftp:// URL.").arg(shown));
    if (url.host().isEmpty())
        return fail(QStringLiteral("\"%1\" names no server.").arg(shown));
    if (url.hasQuery() || url.hasFragment())
        return fail(QStringLiteral("\"%1\" has a part a server address cannot have (after "
                                   "\"?\" or \"#\").")
                        .arg(shown));

    LaunchTarget target;
    target.protocol = *protocol;
    target.host = url.host(QUrl::FullyEncoded);
    if (target.host.contains(u':'))
        target.host = u'[' + target.host + u']';
    target.port = url.port(-1);
    target.user = url.userName(QUrl::FullyDecoded);
    if (!url.password().isEmpty())
        target.password = url.password(QUrl::FullyDecoded);
    target.directory = directoryOf(target.protocol, decodedPath(url));
    const QString unsendable = unsendablePart(target);
    if (!unsendable.isEmpty())
        return fail(QStringLiteral("the %1 in \"%2\" contains a control character.")
                        .arg(unsendable, shown));
    return target;
}

int matchingProfile(const HostProfiles& profiles, const LaunchTarget& target) {
    for (int i = 0; i < profiles.iNumHosts && i < profiles.Hosts.size(); ++i) {
        const HostInfo& host = profiles.Hosts[i];
        if (!protocolFits(host.protocol, target.protocol))
            continue;
        const std::optional<FtpAddress> saved =
            parseServerAddress(host.sAddr, host.protocol, nullptr);
        if (!saved || QString::fromUtf8(saved->host).compare(target.host, Qt::CaseInsensitive))
            continue;
        const long port = target.port < 0 ? defaultPort(host.protocol) : target.port;
        if (saved->port != port)
            continue;
        if (!target.user.isEmpty() && host.sUser != target.user)
            continue;
        return i;
    }
    return -1;
}

HostInfo launchHost(const HostProfiles& profiles, const LaunchTarget& target) {
    const int index = matchingProfile(profiles, target);
    HostInfo host;
    if (index >= 0) {
        host = profiles.Hosts[index];
    } else {
        host.sAddr = target.address();
        host.protocol = target.protocol;
        // SFTP has no anonymous login: ssh's own choice is the local user.
        host.sUser = target.protocol == ServerProtocol::Sftp ? qEnvironmentVariable("USER")
                                                             : QStringLiteral("anonymous");
    }
    if (!target.user.isEmpty())
        host.sUser = target.user;
    if (target.password)
        host.sPW = *target.password;
    return host;
}
