#include "ftp_listing.h"

#include "control_characters.h"
#include "listing_forms.h"
#include "listing_words.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Names sorted as a run before more arrive: enough that merging runs costs
// little, few enough that sorting them does not hold up the reading.
constexpr size_t kShortestRun = 1024;

// Builds the file-name filter of a pattern; nothing when it matches everything.
std::optional<QRegularExpression> patternFilter(const QString& pattern) {
    if (pattern.isEmpty() || pattern == u"*" || pattern == u"*.*")
        return std::nullopt;
    return QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern),
                              QRegularExpression::CaseInsensitiveOption);
}

// Puts the entries in the order of their indexes; entries already in it
// stay where they are.
void putInOrder(std::vector<RemoteEntry>& entries, const std::vector<int>& order) {
    size_t inPlace = 0;
    while (inPlace < order.size() && order[inPlace] == int(inPlace))
        ++inPlace;
    if (inPlace == order.size())
        return;
    std::vector<RemoteEntry> sorted;
    sorted.reserve(entries.size());
    for (const int index : order)
        sorted.push_back(std::move(entries[size_t(index)]));
    entries = std::move(sorted);
}

} // namespace

// A line of MLSD facts, as some servers send them in a LIST reply too; old
// servers leave out the ";" after the last fact ("type=file name").
bool isFactsLine(QByteArrayView line) {
    const qsizetype blank = line.indexOf(' ');
    const QByteArrayView facts = blank < 0 ? line : line.first(blank);
    if (!facts.contains('='))
        return false;
    if (facts.contains(';'))
        return true;
    for (QByteArrayView fact : {"type=", "size=", "modify=", "perm=", "unique="})
        if (facts.size() > fact.size() &&
            facts.first(fact.size()).compare(fact, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

namespace {

// The forms in the order they are tried, after ls's own. One entry is kept
// and returned, so that it is not copied on the way (see readLsLine()).
void readListLine(QByteArrayView line, std::optional<FtpListEntry>& entry) {
    if (line.isEmpty())
        return;
    if (line[0] == '+') {
        entry = parseEplfLine(line);
        return;
    }
    if (isFactsLine(line)) {
        entry = parseMlsdLine(line);
        return;
    }
    if (readLsLine(line, entry.emplace()))
        return;
    entry.reset();
    using Parser = std::optional<FtpListEntry> (*)(QByteArrayView);
    static constexpr Parser parsers[] = {
        parseUnixFields, parseDosLine,    parseOs2Line,   parseVmsLine,     parseAs400Line,
        parseMvsLine,    parseVShellLine, parseWfFtpLine, parseVxWorksLine, parseOs9Line};
    for (Parser parse : parsers)
        if ((entry = parse(line)))
            return;
}

} // namespace

std::optional<FtpListEntry> parseListLine(QByteArrayView line) {
    std::optional<FtpListEntry> entry;
    readListLine(line, entry);
    return entry;
}

namespace {

// Whether any byte of a word is below 0x20, "/" or DEL.
constexpr quint64 holdsRefusedByte(quint64 word) {
    return ((word - kEveryByte * 0x20) & ~word & kHighBits) |
           holdsZeroByte(word ^ (kEveryByte * '/')) | holdsZeroByte(word ^ (kEveryByte * 0x7F));
}

} // namespace

// Eight bytes at a time: the names of a long listing pass through here.
ListNameBytes listNameBytes(QByteArrayView name) {
    if (name.isEmpty() || (name[0] == '.' && (name.size() == 1 || name == QByteArrayView(".."))))
        return ListNameBytes::Refused;
    quint64 high = 0; // the high bits of all bytes: ASCII alone leaves it clear
    const char* at = name.data();
    const char* const end = at + name.size();
    const auto takeWord = [&high](const char* from) {
        quint64 word;
        std::memcpy(&word, from, sizeof word);
        high |= word & kHighBits;
        return !holdsRefusedByte(word);
    };
    if (end - at >= 8) {
        // The last eight bytes as one word, though they overlap the ones before.
        for (; end - at > 8; at += 8)
            if (!takeWord(at))
                return ListNameBytes::Refused;
        if (!takeWord(end - 8))
            return ListNameBytes::Refused;
        at = end;
    }
    for (; at < end; ++at) {
        const auto byte = static_cast<unsigned char>(*at);
        if (byte == '/' || byte < 0x20 || byte == 0x7F)
            return ListNameBytes::Refused;
        high |= byte & 0x80;
    }
    if (high == 0)
        return ListNameBytes::Ascii;
    // Past ASCII, the C1 controls and the separators, where the name is UTF-8.
    return holdsControlCharacter(RawName::decode(name)) ? ListNameBytes::Refused
                                                        : ListNameBytes::BeyondAscii;
}

bool isSafeListName(QByteArrayView name) {
    return listNameBytes(name) != ListNameBytes::Refused;
}

RemoteListing buildListing(const QByteArray& raw, bool mlsd, const FtpNameCodec& codec,
                           const QString& pattern) {
    FtpListingBuilder builder(mlsd, codec, pattern);
    builder.feed(raw);
    return builder.finish();
}

QString buildListingText(const QByteArray& raw, bool mlsd, const FtpNameCodec& codec,
                         const QString& pattern) {
    return listingText(buildListing(raw, mlsd, codec, pattern));
}

FtpListingBuilder::FtpListingBuilder(bool mlsd, const FtpNameCodec& codec, const QString& pattern,
                                     ListingLineEnds lineEnds)
    : m_mlsd(mlsd)
    , m_codec(codec)
    , m_filter(patternFilter(pattern))
    , m_lineEnds(lineEnds) {}

// A QString's characters stay where they are when the string is moved, so
// the keys may point at them while m_folded grows, and at a name the caller
// keeps.
void FoldedNameOrder::add(const QString& name, int index) {
    QString copy;
    m_keys.push_back(FoldedSortKey::of(name, index, &copy));
    if (!copy.isNull())
        m_folded.push_back(std::move(copy));
}

// Most servers send their names sorted, and then a batch is already in
// order and follows the one before: nothing is sorted or merged. Otherwise a
// new run is merged with the one before while it is at least as long, so
// that the runs' lengths fall off by halves and each key takes part in about
// log2(n) merges, as in one sort of them all.
void FoldedNameOrder::closeRun(size_t shortest) {
    const size_t from = m_closed;
    const size_t end = m_keys.size();
    if (end - from < std::max<size_t>(shortest, 1))
        return;
    const auto first = m_keys.begin() + qsizetype(from);
    if (!std::is_sorted(first, m_keys.end(), before))
        sortFoldedKeys(&*first, m_keys.data() + m_keys.size(), before);
    m_runStarts.push_back(from);
    m_closed = end;
    while (m_runStarts.size() >= 2) {
        const size_t last = m_runStarts.back();
        const size_t previous = m_runStarts[m_runStarts.size() - 2];
        if (!followsInOrder(last) && end - last < last - previous)
            break;
        mergeLastRun();
    }
}

bool FoldedNameOrder::followsInOrder(size_t runStart) const {
    return !before(m_keys[runStart], m_keys[runStart - 1]);
}

// The last run becomes part of the one before.
void FoldedNameOrder::mergeLastRun() {
    const size_t last = m_runStarts.back();
    m_runStarts.pop_back();
    if (!followsInOrder(last))
        std::inplace_merge(m_keys.begin() + qsizetype(m_runStarts.back()),
                           m_keys.begin() + qsizetype(last), m_keys.end(), before);
}

std::vector<int> FoldedNameOrder::take() {
    closeRun();
    while (m_runStarts.size() >= 2)
        mergeLastRun();
    std::vector<int> order;
    order.reserve(m_keys.size());
    for (const FoldedSortKey& key : m_keys)
        order.push_back(key.index);
    clear();
    return order;
}

void FoldedNameOrder::clear() {
    m_keys.clear();
    m_folded.clear();
    m_runStarts.clear();
    m_closed = 0;
}

void FtpListingBuilder::feed(QByteArrayView data) {
    qsizetype start = 0;
    if (!m_partial.isEmpty()) {
        const qsizetype end = data.indexOf('\n');
        if (end < 0) {
            m_partial += data;
            return;
        }
        m_partial += data.first(end);
        takeLine(m_partial);
        m_partial.clear();
        start = end + 1;
    }
    while (start < data.size()) {
        const void* lf = std::memchr(data.data() + start, '\n', size_t(data.size() - start));
        if (!lf)
            break;
        const qsizetype end = static_cast<const char*>(lf) - data.data();
        takeLine(data.sliced(start, end - start));
        start = end + 1;
    }
    m_partial = data.sliced(start).toByteArray();
    m_order.closeRun(kShortestRun);
}

RemoteListing FtpListingBuilder::finish() {
    settle(m_crLines >= m_bareLfLines ? ListingLineEnds::CrLf : ListingLineEnds::BareLf);
    if (!m_partial.isEmpty()) {
        // The last line came without an LF: a CR ends it where CR LF ends lines.
        const QByteArray last = std::exchange(m_partial, QByteArray());
        const bool cr = m_lineEnds == ListingLineEnds::CrLf && last.endsWith('\r');
        addLine(cr ? QByteArrayView(last).chopped(1) : QByteArrayView(last), cr);
    }
    if (!m_heldName.isEmpty()) {
        ++m_listing.linesNotUnderstood;
        m_heldName.clear();
    }
    putInOrder(m_listing.files, m_order.take());
    // Directories come in whatever order the server read them (an SFTP
    // server's is the file system's); they are few, and sorted at the end.
    FoldedNameOrder directoryOrder;
    for (size_t i = 0; i < m_listing.directories.size(); ++i)
        directoryOrder.add(m_listing.directories[i].name, int(i));
    putInOrder(m_listing.directories, directoryOrder.take());
    return std::move(m_listing);
}

void FtpListingBuilder::takeLine(QByteArrayView line) {
    if (m_lineEnds == ListingLineEnds::BareLf) {
        addLine(line, false);
        return;
    }
    if (line.endsWith('\r')) {
        if (m_lineEnds == ListingLineEnds::Unknown)
            ++m_crLines;
        addLine(line.chopped(1), true);
        return;
    }
    if (line.isEmpty())
        return; // says nothing of the line ends
    if (m_lineEnds == ListingLineEnds::CrLf) {
        // Where lines end in CR LF, a bare LF is one a name holds: the name
        // was cut at it.
        ++m_listing.linesNotUnderstood;
        return;
    }
    ++m_bareLfLines;
    addLine(line, false);
}

// Takes out what was taken as if its line's end were the listing's, when it
// was not: in a listing of bare LFs, a name that ran to a CR ended in that CR;
// in one of CR LFs, a bare LF cut a name in two.
void FtpListingBuilder::settle(ListingLineEnds lineEnds) {
    if (m_lineEnds != ListingLineEnds::Unknown)
        return;
    m_lineEnds = lineEnds;
    const auto refused = [lineEnds](quint8 mark) {
        if (lineEnds == ListingLineEnds::CrLf)
            return (mark & CrLine) == 0;
        return (mark & CrLine) != 0 && (mark & NameAtEnd) != 0;
    };
    const auto dropRefused = [&](std::vector<RemoteEntry>& entries, std::vector<quint8>& marks) {
        size_t kept = 0;
        for (size_t i = 0; i < entries.size(); ++i) {
            if (refused(marks[i]))
                continue;
            if (kept != i)
                entries[kept] = std::move(entries[i]);
            ++kept;
        }
        const size_t dropped = entries.size() - kept;
        entries.resize(kept);
        marks = {};
        m_listing.linesNotUnderstood += int(dropped);
        return dropped;
    };
    dropRefused(m_listing.directories, m_directoryMarks);
    if (dropRefused(m_listing.files, m_fileMarks) > 0)
        rebuildOrder();
}

void FtpListingBuilder::rebuildOrder() {
    m_order.clear();
    for (size_t i = 0; i < m_listing.files.size(); ++i)
        m_order.add(m_listing.files[i].name, int(i));
    m_order.closeRun();
}

namespace {

// Whether nothing but blanks follows `name` in `line`; also when the name is
// not part of the line.
bool nameRunsToEnd(QByteArrayView name, QByteArrayView line) {
    const auto nameEnd = quintptr(name.data() + name.size());
    const auto lineStart = quintptr(line.data());
    const auto lineEnd = quintptr(line.data() + line.size());
    if (nameEnd < lineStart || nameEnd > lineEnd)
        return true;
    for (qsizetype i = qsizetype(nameEnd - lineStart); i < line.size(); ++i)
        if (line[i] != ' ' && line[i] != '\t')
            return false;
    return true;
}

} // namespace

void FtpListingBuilder::addLine(QByteArrayView line, bool crLine) {
    if (line.isEmpty())
        return;
    const quint8 cr = crLine ? CrLine : 0;
    if (!m_heldName.isEmpty()) {
        // A VMS name alone on its line has its details on the next one; the
        // name ran to the end of its own line.
        const QByteArray joined = m_heldName + ' ' + line.toByteArray();
        m_heldName.clear();
        const std::optional<FtpListEntry> parsed = parseVmsLine(joined);
        const ListNameBytes bytes = parsed ? listNameBytes(parsed->name) : ListNameBytes::Refused;
        if (bytes != ListNameBytes::Refused) {
            addEntry(*parsed, bytes, cr | NameAtEnd);
            return;
        }
        ++m_listing.linesNotUnderstood;
    }
    if (!m_mlsd && isVmsNameAlone(line)) {
        m_heldName = line.toByteArray();
        return;
    }
    const std::optional<FtpListEntry> parsed = m_mlsd ? parseMlsdLine(line) : parseListLine(line);
    const ListNameBytes bytes = parsed ? listNameBytes(parsed->name) : ListNameBytes::Refused;
    if (bytes != ListNameBytes::Refused) {
        addEntry(*parsed, bytes, cr | (nameRunsToEnd(parsed->name, line) ? NameAtEnd : 0));
        return;
    }
    // Headings and the listed directory itself are no entries. A heading
    // shows how the server ends its lines.
    const bool itself =
        parsed && (parsed->name == QByteArrayView(".") || parsed->name == QByteArrayView(".."));
    if (itself)
        return;
    if (isListingHeading(line)) {
        settle(crLine ? ListingLineEnds::CrLf : ListingLineEnds::BareLf);
        return;
    }
    ++m_listing.linesNotUnderstood;
}

void FtpListingBuilder::addEntry(const FtpListEntry& parsed, ListNameBytes bytes, quint8 mark) {
    RemoteEntry entry;
    // ASCII reads the same whatever the codec.
    entry.name = bytes == ListNameBytes::Ascii ? QString::fromLatin1(parsed.name)
                                               : m_codec.decode(parsed.name);
    entry.isDirectory = parsed.directory;
    entry.isLink = parsed.link;
    entry.size = parsed.size;
    if (!entry.isDirectory && m_filter && !m_filter->match(entry.name).hasMatch())
        return;
    if (m_keepTimes)
        takeTime(parsed.time, entry);
    const bool noting = m_lineEnds == ListingLineEnds::Unknown;
    if (entry.isDirectory) {
        m_listing.directories.push_back(std::move(entry));
        if (noting)
            m_directoryMarks.push_back(mark);
        return;
    }
    m_order.add(entry.name, int(m_listing.files.size()));
    m_listing.files.push_back(std::move(entry));
    if (noting)
        m_fileMarks.push_back(mark);
}
