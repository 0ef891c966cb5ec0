#include "ftp_listing.h"

#include "listing_forms.h"

namespace {

// Builds the file-name filter of a pattern; nothing when it matches everything.
std::optional<QRegularExpression> patternFilter(const QString& pattern) {
    if (pattern.isEmpty() || pattern == u"*" || pattern == u"*.*")
        return std::nullopt;
    return QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern),
                              QRegularExpression::CaseInsensitiveOption);
}

} // namespace

// A line of MLSD facts, as some servers send them in a LIST reply too.
bool isFactsLine(QByteArrayView line) {
    const qsizetype blank = line.indexOf(' ');
    const QByteArrayView facts = blank < 0 ? line : line.first(blank);
    return facts.contains('=') && facts.contains(';');
}

std::optional<FtpListEntry> parseListLine(QByteArrayView line) {
    if (line.isEmpty())
        return std::nullopt;
    if (line[0] == '+')
        return parseEplfLine(line);
    if (isFactsLine(line))
        return parseMlsdLine(line);
    using Parser = std::optional<FtpListEntry> (*)(QByteArrayView);
    static constexpr Parser parsers[] = {parseUnixLine, parseDosLine,   parseOs2Line,
                                         parseVmsLine,  parseAs400Line, parseMvsLine};
    for (Parser parse : parsers)
        if (std::optional<FtpListEntry> entry = parse(line))
            return entry;
    return std::nullopt;
}

bool isSafeListName(QByteArrayView name) {
    if (name.isEmpty() || name == QByteArrayView(".") || name == QByteArrayView(".."))
        return false;
    for (char c : name)
        if (c == '/' || c == '\r' || c == '\n' || c == '\0')
            return false;
    return true;
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

FtpListingBuilder::FtpListingBuilder(bool mlsd, const FtpNameCodec& codec, const QString& pattern)
    : m_mlsd(mlsd)
    , m_codec(codec)
    , m_filter(patternFilter(pattern)) {}

void FtpListingBuilder::feed(QByteArrayView data) {
    qsizetype start = 0;
    if (!m_partial.isEmpty()) {
        const qsizetype end = data.indexOf('\n');
        if (end < 0) {
            m_partial += data;
            return;
        }
        m_partial += data.first(end);
        addLine(m_partial);
        m_partial.clear();
        start = end + 1;
    }
    for (;;) {
        const qsizetype end = data.indexOf('\n', start);
        if (end < 0)
            break;
        addLine(data.sliced(start, end - start));
        start = end + 1;
    }
    m_partial = data.sliced(start).toByteArray();
}

RemoteListing FtpListingBuilder::finish() {
    if (!m_partial.isEmpty()) {
        addLine(m_partial);
        m_partial.clear();
    }
    if (!m_heldName.isEmpty()) {
        ++m_listing.linesNotUnderstood;
        m_heldName.clear();
    }
    std::vector<RemoteEntry> sorted;
    sorted.reserve(m_listing.files.size());
    for (const auto& key : m_order)
        sorted.push_back(std::move(m_listing.files[size_t(key.second)]));
    m_listing.files = std::move(sorted);
    return std::move(m_listing);
}

void FtpListingBuilder::addLine(QByteArrayView line) {
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty())
        return;
    if (!m_heldName.isEmpty()) {
        // A VMS name alone on its line has its details on the next one.
        const QByteArray joined = m_heldName + ' ' + line.toByteArray();
        m_heldName.clear();
        const std::optional<FtpListEntry> parsed = parseVmsLine(joined);
        if (parsed && isSafeListName(parsed->name)) {
            addEntry(*parsed);
            return;
        }
        ++m_listing.linesNotUnderstood;
    }
    if (!m_mlsd && isVmsNameAlone(line)) {
        m_heldName = line.toByteArray();
        return;
    }
    const std::optional<FtpListEntry> parsed = m_mlsd ? parseMlsdLine(line) : parseListLine(line);
    if (parsed && isSafeListName(parsed->name)) {
        addEntry(*parsed);
        return;
    }
    // Headings and the listed directory itself are no entries.
    const bool itself =
        parsed && (parsed->name == QByteArrayView(".") || parsed->name == QByteArrayView(".."));
    if (!itself && !isListingHeading(line))
        ++m_listing.linesNotUnderstood;
}

void FtpListingBuilder::addEntry(const FtpListEntry& parsed) {
    RemoteEntry entry;
    entry.name = m_codec.decode(parsed.name);
    entry.isDirectory = parsed.directory;
    entry.isLink = parsed.link;
    entry.size = parsed.size;
    if (!entry.isDirectory && m_filter && !m_filter->match(entry.name).hasMatch())
        return;
    if (entry.isDirectory) {
        m_listing.directories.push_back(std::move(entry));
        return;
    }
    m_order.emplace(entry.name.toCaseFolded(), int(m_listing.files.size()));
    m_listing.files.push_back(std::move(entry));
}
