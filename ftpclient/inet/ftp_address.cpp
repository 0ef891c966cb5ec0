#include "ftp_address.h"

#include "login_text.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>

namespace {

struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
struct CurlStringDeleter {
    void operator()(char* s) const { curl_free(s); }
};
using CurlString = std::unique_ptr<char, CurlStringDeleter>;

CurlString urlPart(CURLU* url, CURLUPart part, unsigned flags = 0) {
    char* out = nullptr;
    if (curl_url_get(url, part, &out, flags) != CURLUE_OK)
        return nullptr;
    return CurlString(out);
}

std::optional<FtpAddress> readServerAddress(const QString& typed, ServerProtocol chosen,
                                            QString* error) {
    auto fail = [&](const QString& why) -> std::optional<FtpAddress> {
        if (error)
            *error = why;
        return std::nullopt;
    };

    QString text = typed.trimmed();
    if (text.isEmpty())
        return fail(QStringLiteral("No server address was given."));
    const bool hasScheme = text.contains(u"://");
    const ServerProtocol protocol =
        hasScheme ? protocolOfAddress(text, chosen).value_or(chosen) : chosen;
    if (hasScheme && !protocolOfAddress(text, chosen))
        return fail(QStringLiteral("\"%1\" is not an FTP, FTPS or SFTP address.")
                        .arg(urlWithoutPassword(typed)));
    if (!hasScheme)
        text.prepend(u"ftp://");

    std::unique_ptr<CURLU, UrlDeleter> url(curl_url());
    if (!url)
        return fail(QStringLiteral("Out of memory."));
    // libcurl checks the form of the address; the scheme was read above, and
    // one it may not know (when built without SSH) must not fail the check.
    const QString generic = QStringLiteral("ftp") + text.mid(text.indexOf(u"://"));
    if (curl_url_set(url.get(), CURLUPART_URL, generic.toUtf8().constData(), 0) != CURLUE_OK)
        return fail(
            QStringLiteral("\"%1\" is not a valid server address.").arg(urlWithoutPassword(typed)));

    const CurlString host = urlPart(url.get(), CURLUPART_HOST);
    if (!host || !*host.get())
        return fail(QStringLiteral("\"%1\" names no host.").arg(urlWithoutPassword(typed)));

    FtpAddress address;
    // Host names mean the same in any case; libcurl hands the name on as it
    // is given (to the SSH known_hosts look-up, which tells cases apart), so
    // it is given one form, the one the known_hosts file is written in.
    address.host = QByteArray(host.get()).toLower();
    address.protocol = protocol;
    address.port = defaultPort(protocol);
    if (const CurlString port = urlPart(url.get(), CURLUPART_PORT))
        address.port = std::strtol(port.get(), nullptr, 10);
    return address;
}

// The last address read on this thread, and what came of it: a transfer
// queue reads the same one for every file it moves.
struct ReadAddress {
    QString typed;
    ServerProtocol chosen = ServerProtocol::PlainFtp;
    std::optional<FtpAddress> address;
    QString error;
};

} // namespace

std::optional<FtpAddress> parseServerAddress(const QString& typed, ServerProtocol chosen,
                                             QString* error) {
    thread_local std::optional<ReadAddress> last;
    if (!last || last->typed != typed || last->chosen != chosen) {
        ReadAddress read{typed, chosen, std::nullopt, QString()};
        read.address = readServerAddress(typed, chosen, &read.error);
        last = std::move(read);
    }
    if (!last->address && error)
        *error = last->error;
    return last->address;
}

namespace {

// "/" followed by the segments of `rawPath`, each percent-encoded.
QByteArray escapedPath(const QByteArray& rawPath) {
    QByteArray path = "/";
    qsizetype start = 0;
    while (true) {
        qsizetype slash = rawPath.indexOf('/', start);
        const qsizetype end = slash < 0 ? rawPath.size() : slash;
        if (end > start) {
            CurlString escaped(
                curl_easy_escape(nullptr, rawPath.constData() + start, int(end - start)));
            path += escaped.get();
        }
        if (slash < 0)
            break;
        path += '/';
        start = slash + 1;
    }
    return path;
}

} // namespace

QByteArray ftpUrlPath(const QByteArray& rawPath) {
    return escapedPath(rawPath);
}

QByteArray pathFromLoginDirectory(const QByteArray& loginDirectory, const QByteArray& directory) {
    if (!loginDirectory.startsWith('/') || !directory.startsWith('/'))
        return directory;
    const QByteArray base = loginDirectory.endsWith('/') ? loginDirectory : loginDirectory + '/';
    if (directory == loginDirectory || directory == base)
        return {};
    if (!directory.startsWith(base))
        return directory;
    const QByteArray rest = directory.mid(base.size());
    const char first = rest.at(0);
    const bool plainStart = (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z') ||
                            (first >= '0' && first <= '9');
    return plainStart ? rest : "./" + rest;
}

QByteArray sftpUrlPath(const QByteArray& rawPath) {
    if (rawPath.startsWith('/'))
        return escapedPath(rawPath.mid(1));
    return "/~" + escapedPath(rawPath);
}
