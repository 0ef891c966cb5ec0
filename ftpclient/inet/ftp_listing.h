#pragma once

#include "ftp_entry.h"
#include "ftp_names.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QRegularExpression>
#include <QString>

#include <optional>
#include <set>

// One entry of a directory listing as the server names it.
struct FtpListEntry {
    QByteArrayView name;
    bool directory = false;
    bool link = false;
    qint64 size = -1;
};

// One line of an MLSD reply: "type=file;size=3;modify=...; a.txt". The
// facts end at the first blank or tab; the name is all that follows it.
// "cdir" and "pdir" lines yield nothing, links ("OS.unix=slink:target")
// are links.
std::optional<FtpListEntry> parseMlsdLine(QByteArrayView line);

// One line of a LIST reply in any of the forms servers send: unix "ls -l"
// (in many languages and date styles), DOS / IIS, EPLF, VMS, MVS, OS/2,
// AS/400, NetWare, and MLSD facts. A line that fits none yields nothing.
// A link whose target is not known to be a directory comes as a file.
std::optional<FtpListEntry> parseListLine(QByteArrayView line);

// Whether a name may be shown and used: not empty, not "." or "..", and free
// of "/", CR, LF and NUL.
bool isSafeListName(QByteArrayView name);

// Takes a raw MLSD or LIST reply apart into entries, fed as the reply
// arrives, so that the listing is ready soon after the server's last byte.
// Lines that do not parse and unsafe names are left out and counted;
// headings ("total 20") and the directory itself are left out uncounted. A
// non-empty pattern ("*", "?", case-insensitive) filters the files; "*" and
// "*.*" match every file, and directories are always kept.
class FtpListingBuilder {
public:
    FtpListingBuilder(bool mlsd, const FtpNameCodec& codec, const QString& pattern);
    void feed(QByteArrayView data);
    // The listing, its files sorted.
    RemoteListing finish();

private:
    void addLine(QByteArrayView line);
    void addEntry(const FtpListEntry& parsed);

    bool m_mlsd;
    FtpNameCodec m_codec;
    std::optional<QRegularExpression> m_filter;
    QByteArray m_partial;  // an unfinished last line
    QByteArray m_heldName; // a VMS name whose details are on the next line
    RemoteListing m_listing;
    // The files in their final order, kept as they arrive: by name without
    // regard to case, then in order of arrival. Sorting while the server
    // sends leaves nothing to sort once it has sent its last line.
    std::set<std::pair<QString, int>> m_order;
};

// The whole of a raw reply at once (see FtpListingBuilder).
RemoteListing buildListing(const QByteArray& raw, bool mlsd, const FtpNameCodec& codec,
                           const QString& pattern);
// The same as reply text (see listingText()), files sorted.
QString buildListingText(const QByteArray& raw, bool mlsd, const FtpNameCodec& codec,
                         const QString& pattern);
