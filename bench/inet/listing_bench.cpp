// The listing parser's pace on a listing of a million lines, in the unix
// "ls -l" form and in MLSD, beside the time the curl command-line tool takes
// to fetch the same bytes from a real server (vsftpd). The parser's time is
// the whole of FtpListingBuilder's work: lines split and read, names
// decoded, files sorted.
//
//   listing_bench [--lines N] [--rounds N]
#include "freed_memory.h"
#include "ftp_listing.h"
#include "ftp_test_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>

namespace {

int argValue(const QStringList& args, const QString& name, int fallback) {
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
}

QByteArray unixListing(int lines) {
    static const char* const dates[] = {"Jul  9 18:02", "Dec 31  2022", "Mar  3 07:15"};
    QByteArray text;
    for (int n = 0; n < lines; ++n) {
        const bool directory = n % 10 == 0;
        text += directory ? "drwxr-xr-x    2 deploy   staff        4096 "
                          : "-rw-r--r--    1 deploy   staff    ";
        if (!directory)
            text += QByteArray::number(n * 37 % 9999991).rightJustified(8, ' ') + ' ';
        text += dates[n % 3];
        text += " file-" + QByteArray::number(n) + (directory ? "" : ".txt") + "\r\n";
    }
    return text;
}

QByteArray mlsdListing(int lines) {
    QByteArray text;
    for (int n = 0; n < lines; ++n) {
        const bool directory = n % 10 == 0;
        text += directory ? "type=dir;modify=20230709180233;perm=flcdmpe;unix.mode=0755; "
                          : "type=file;size=" + QByteArray::number(n * 37 % 9999991) +
                                ";modify=20230709180233;perm=adfrw;unix.mode=0644; ";
        text += "file-" + QByteArray::number(n) + (directory ? "" : ".txt") + "\r\n";
    }
    return text;
}

// Seconds the parser takes over the listing, fed in chunks as from the
// network; -1 when it does not give every entry.
double parseSeconds(const QByteArray& listing, bool mlsd, int lines) {
    QElapsedTimer clock;
    clock.start();
    FtpListingBuilder builder(mlsd, FtpNameCodec(true), QString());
    constexpr qsizetype chunk = 64 * 1024;
    for (qsizetype at = 0; at < listing.size(); at += chunk)
        builder.feed(QByteArrayView(listing).sliced(at, std::min(chunk, listing.size() - at)));
    const RemoteListing result = builder.finish();
    const double seconds = clock.nsecsElapsed() / 1e9;
    const size_t entries = result.files.size() + result.directories.size();
    return entries == size_t(lines) && result.linesNotUnderstood == 0 ? seconds : -1;
}

double curlSeconds(const QString& url) {
    QElapsedTimer clock;
    clock.start();
    QProcess curl;
    curl.start(QStringLiteral("curl"), {"-s", "-S", "-o", "/dev/null", url});
    curl.waitForFinished(-1);
    return curl.exitCode() == 0 ? clock.nsecsElapsed() / 1e9 : -1;
}

} // namespace

int main(int argc, char** argv) {
    keepFreedMemory(); // as the program does
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int lines = argValue(args, QStringLiteral("--lines"), 1000000);
    const int rounds = argValue(args, QStringLiteral("--rounds"), 3);

    FtpTestServer server(FtpTestServer::Kind::Vsftpd);
    if (!server.start()) {
        std::fprintf(stderr, "cannot start vsftpd: %s\n", qPrintable(server.errorText()));
        return 1;
    }
    struct Form {
        const char* name;
        bool mlsd;
        QByteArray listing;
    };
    const Form forms[] = {{"unix", false, unixListing(lines)}, {"mlsd", true, mlsdListing(lines)}};
    for (const Form& form : forms) {
        const QString file = QStringLiteral("%1-listing.txt").arg(QLatin1String(form.name));
        if (!server.writeFile(file, form.listing)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
        double parser = 1e9, curl = 1e9;
        for (int round = 0; round < rounds; ++round) {
            const double ours = parseSeconds(form.listing, form.mlsd, lines);
            const double theirs =
                curlSeconds(QStringLiteral("ftp://%1/%2").arg(server.address(), file));
            if (ours < 0 || theirs < 0) {
                std::fprintf(stderr, "%s: the parser or curl failed\n", form.name);
                return 1;
            }
            parser = std::min(parser, ours);
            curl = std::min(curl, theirs);
        }
        std::printf("%s listing, %d lines (%.1f MiB): parser %.0f lines/s (%.3f s)   "
                    "curl fetching the same bytes %.3f s\n",
                    form.name, lines, form.listing.size() / 1048576.0, lines / parser, parser,
                    curl);
    }
    return 0;
}
