#pragma once

#include "ftp_entry.h"
#include "ftp_names.h"
#include "name_order.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QRegularExpression>
#include <QString>

#include <optional>
#include <vector>

// How a listing line writes its entry's modification time.
enum class ListedTimeForm : quint8 {
    None,
    Facts, // MLSD's "modify": YYYYMMDDHHMMSS[.sss], UTC
    Epoch, // EPLF's "m": seconds since 1970, UTC
    Unix,  // ls: "Jul  9 18:02", "Jul  9  2023", "2023-07-09 18:02[:33]"; the server's clock
    Dos,   // "07-09-23  06:02PM", "2023-07-09  18:02"; the server's clock
};

// The text of a line's modification time, read only when the time is asked
// for (see FtpListingBuilder::keepTimes()).
struct ListedTime {
    QByteArrayView text;
    ListedTimeForm form = ListedTimeForm::None;
};

// One entry of a directory listing as the server names it.
struct FtpListEntry {
    QByteArrayView name;
    bool directory = false;
    bool link = false;
    qint64 size = -1;
    ListedTime time{};
};

// The entry's time from its text: seconds since 1970 (the server's clock
// reading taken as UTC for the forms that give its clock) and how exact it
// is; false when the text is not one this reads. A date without a year is
// the latest one not more than a day after `nowUtc`.
bool readListedTime(const ListedTime& time, qint64 nowUtc, qint64* seconds,
                    TimePrecision* precision);
// Whether the form gives the server's clock rather than UTC.
bool givesServerClock(ListedTimeForm form);

// One line of an MLSD reply: "type=file;size=3;modify=...; a.txt". The
// facts end at the first blank or tab; the name is all that follows it.
// "cdir" and "pdir" lines yield nothing, links ("OS.unix=slink:target")
// are links.
std::optional<FtpListEntry> parseMlsdLine(QByteArrayView line);

// One line of a LIST reply in any of the forms servers send: unix "ls -l"
// (in many languages and date styles), DOS / IIS / Windows CE, EPLF, VMS,
// MVS, OS/2, AS/400, NetWare, VShell, WfFTP, VxWorks, OS-9, and MLSD facts.
// A line that fits none yields nothing, and so does one whose name would
// begin with what looks like a field the parser did not place. A link whose
// target is not known to be a directory comes as a file.
std::optional<FtpListEntry> parseListLine(QByteArrayView line);

// Whether a name may be shown and used: not empty, not "." or "..", and free
// of "/" and of control characters (see control_characters.h; bytes that
// are not UTF-8 count as no character).
bool isSafeListName(QByteArrayView name);
// The same, telling a safe name of ASCII alone from any other.
enum class ListNameBytes { Refused, Ascii, BeyondAscii };
ListNameBytes listNameBytes(QByteArrayView name);

// How the lines of a listing end. Over FTP a listing should end its lines
// with CR LF, but some servers send a bare LF; libcurl ends the lines of an
// SFTP listing with a bare LF itself.
enum class ListingLineEnds { Unknown, CrLf, BareLf };

// The order of names without regard to case, then of arrival, kept while
// they arrive: each batch is sorted as a run, and runs of like length are
// merged at once, so that little is left to do after the last batch.
class FoldedNameOrder {
public:
    // A name of ASCII alone is not copied: it must stay as it is (the
    // QString may be moved) until take() or clear().
    void add(const QString& name, int index);
    // The names added since the last call form a sorted run, once they are
    // at least `shortest`: a listing that arrives a line at a time (SFTP) is
    // sorted in runs of some length, not merged at every name.
    void closeRun(size_t shortest = 1);
    // The indexes in order; the order is empty afterwards.
    std::vector<int> take();
    void clear();

private:
    // An object, not a function, so that the sorts can have it inlined.
    struct Before {
        bool operator()(const FoldedSortKey& a, const FoldedSortKey& b) const {
            const int c = compareFolded(a, b);
            return c != 0 ? c < 0 : a.index < b.index;
        }
    };
    static constexpr Before before{};
    bool followsInOrder(size_t runStart) const;
    void mergeLastRun();

    std::vector<QString> m_folded; // the folded copies the keys point at
    std::vector<FoldedSortKey> m_keys;
    std::vector<size_t> m_runStarts; // of the sorted runs, in m_keys
    size_t m_closed = 0;             // where the keys of no run yet begin
};

// Takes a raw MLSD or LIST reply apart into entries, fed as the reply
// arrives, so that the listing is ready soon after the server's last byte.
// Lines that do not parse and unsafe names are left out and counted;
// headings ("total 20") and the directory itself are left out uncounted. A
// non-empty pattern ("*", "?", case-insensitive) filters the files; "*" and
// "*.*" match every file, and directories are always kept.
//
// A CR before the LF ends the line only where the server ends its lines so;
// where it ends them with a bare LF, the CR belongs to the line, and a name
// it ends is refused, never read as the name without it. Unless given, the
// line ends are learnt from the listing: from the first heading, else from
// what most lines end with (CR LF on a tie). Until then every entry is taken
// as if its line's end were the listing's; those whose ends turn out not to
// be are taken out again and counted (a name cut at an LF it holds, or one
// that ends in a CR).
class FtpListingBuilder {
public:
    FtpListingBuilder(bool mlsd, const FtpNameCodec& codec, const QString& pattern,
                      ListingLineEnds lineEnds = ListingLineEnds::Unknown);
    // Entries also carry their modification times (left unknown otherwise).
    void keepTimes();
    void feed(QByteArrayView data);
    // The listing, its files sorted.
    RemoteListing finish();

private:
    // How the line of an entry ended, noted while the line ends are not known.
    enum LineMark : quint8 {
        CrLine = 1,    // in CR LF, the CR taken off
        NameAtEnd = 2, // and the name ran to the end of the line
    };

    void takeLine(QByteArrayView line);
    void settle(ListingLineEnds lineEnds);
    void addLine(QByteArrayView line, bool crLine);
    void addEntry(const FtpListEntry& parsed, ListNameBytes bytes, quint8 mark);
    void takeTime(const ListedTime& time, RemoteEntry& entry);
    void rebuildOrder();

    bool m_mlsd;
    bool m_keepTimes = false;
    qint64 m_now = 0; // UTC, for dates without a year
    FtpNameCodec m_codec;
    std::optional<QRegularExpression> m_filter;
    ListingLineEnds m_lineEnds;
    int m_crLines = 0;     // lines ending in CR LF, then
    int m_bareLfLines = 0; // in a bare LF, while the ends are not known
    // The LineMarks of the directories and the files, while not known.
    std::vector<quint8> m_directoryMarks;
    std::vector<quint8> m_fileMarks;
    QByteArray m_partial;  // an unfinished last line
    QByteArray m_heldName; // a VMS name whose details are on the next line
    RemoteListing m_listing;
    // The files in their final order, kept as they arrive: by name without
    // regard to case, then in order of arrival. Sorting while the server
    // sends leaves little to sort once it has sent its last line.
    FoldedNameOrder m_order;
};

// The whole of a raw reply at once (see FtpListingBuilder).
RemoteListing buildListing(const QByteArray& raw, bool mlsd, const FtpNameCodec& codec,
                           const QString& pattern);
// The same as reply text (see listingText()), files sorted.
QString buildListingText(const QByteArray& raw, bool mlsd, const FtpNameCodec& codec,
                         const QString& pattern);
