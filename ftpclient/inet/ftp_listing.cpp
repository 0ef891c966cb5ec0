#include "ftp_listing.h"

#include <array>
#include <cstring>

namespace {

bool isDigits(QByteArrayView s) {
    if (s.isEmpty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool isMonth(QByteArrayView s) {
    static constexpr std::array<const char*, 12> months = {
        "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    if (s.size() != 3)
        return false;
    for (const char* m : months)
        if (qstrnicmp(s.data(), m, 3) == 0)
            return true;
    return false;
}

bool isDay(QByteArrayView s) {
    return s.size() <= 2 && isDigits(s);
}

// "12:34" or a four-digit year.
bool isTimeOrYear(QByteArrayView s) {
    if (s.size() == 4 && isDigits(s))
        return true;
    const qsizetype colon = s.indexOf(':');
    return colon > 0 && isDigits(s.first(colon)) && isDigits(s.sliced(colon + 1));
}

bool isUnixMode(QByteArrayView s) {
    return s.size() >= 10 && std::strchr("-dlbcpsD", s[0]) != nullptr;
}

struct Token {
    qsizetype begin;
    qsizetype end;
};

// Splits at runs of blanks, remembering where each token sits in the line.
template <size_t N> size_t tokenize(QByteArrayView line, std::array<Token, N>& out) {
    size_t count = 0;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (count < N) {
        while (i < n && line[i] == ' ')
            ++i;
        if (i >= n)
            break;
        const qsizetype begin = i;
        while (i < n && line[i] != ' ')
            ++i;
        out[count++] = {begin, i};
    }
    return count;
}

std::optional<FtpListEntry> parseUnixLine(QByteArrayView line) {
    std::array<Token, 12> tok;
    const size_t count = tokenize(line, tok);
    auto text = [&](size_t k) {
        return line.sliced(tok[k].begin, tok[k].end - tok[k].begin);
    };
    if (count < 5 || !isUnixMode(text(0)))
        return std::nullopt;

    // The date is the landmark: size, month, day, time or year, then the name
    // after exactly one blank (names may begin or go on with blanks).
    for (size_t k = 2; k + 2 < count; ++k) {
        if (!isMonth(text(k)) || !isDay(text(k + 1)) || !isTimeOrYear(text(k + 2)) ||
            !isDigits(text(k - 1)))
            continue;
        const qsizetype nameStart = tok[k + 2].end + 1;
        if (nameStart >= line.size())
            return std::nullopt;
        QByteArrayView name = line.sliced(nameStart);
        const char type = line[0];
        bool directory = type == 'd' || type == 'D';
        if (type == 'l') {
            const qsizetype arrow = name.indexOf(QByteArrayView(" -> "));
            if (arrow > 0) {
                directory = name.endsWith('/');
                name = name.first(arrow);
            }
        }
        return FtpListEntry{name, directory, type == 'l', text(k - 1).toLongLong()};
    }
    return std::nullopt;
}

bool isDosDate(QByteArrayView s) {
    if (s.size() != 8 && s.size() != 10)
        return false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const bool dash = i == 2 || i == 5;
        if (dash ? s[i] != '-' : (s[i] < '0' || s[i] > '9'))
            return false;
    }
    return true;
}

bool isDosTime(QByteArrayView s) {
    if (s.endsWith("AM") || s.endsWith("PM") || s.endsWith("am") || s.endsWith("pm"))
        s.chop(2);
    return isTimeOrYear(s) && s.size() != 4;
}

std::optional<FtpListEntry> parseDosLine(QByteArrayView line) {
    std::array<Token, 3> tok;
    if (tokenize(line, tok) < 3)
        return std::nullopt;
    auto text = [&](size_t k) {
        return line.sliced(tok[k].begin, tok[k].end - tok[k].begin);
    };
    if (!isDosDate(text(0)) || !isDosTime(text(1)))
        return std::nullopt;
    const bool directory = text(2) == QByteArrayView("<DIR>");
    if (!directory && !isDigits(text(2)))
        return std::nullopt;
    const qint64 size = directory ? -1 : text(2).toLongLong();
    qsizetype nameStart = tok[2].end;
    while (nameStart < line.size() && line[nameStart] == ' ')
        ++nameStart;
    if (nameStart >= line.size())
        return std::nullopt;
    return FtpListEntry{line.sliced(nameStart), directory, false, size};
}

// Builds the file-name filter of a pattern; nothing when it matches everything.
std::optional<QRegularExpression> patternFilter(const QString& pattern) {
    if (pattern.isEmpty() || pattern == u"*" || pattern == u"*.*")
        return std::nullopt;
    return QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern),
                              QRegularExpression::CaseInsensitiveOption);
}

} // namespace

std::optional<FtpListEntry> parseMlsdLine(QByteArrayView line) {
    const qsizetype blank = line.indexOf(' ');
    if (blank <= 0)
        return std::nullopt;
    const QByteArrayView facts = line.first(blank);
    const QByteArrayView name = line.sliced(blank + 1);

    FtpListEntry entry{name, false};
    for (qsizetype start = 0; start < facts.size();) {
        qsizetype end = facts.indexOf(';', start);
        if (end < 0)
            end = facts.size();
        const QByteArrayView fact = facts.sliced(start, end - start);
        start = end + 1;
        if (fact.size() > 5 && qstrnicmp(fact.data(), "size=", 5) == 0) {
            entry.size = fact.sliced(5).toLongLong();
            continue;
        }
        if (fact.size() < 5 || qstrnicmp(fact.data(), "type=", 5) != 0)
            continue;
        const QByteArrayView type = fact.sliced(5);
        if (type.compare("cdir", Qt::CaseInsensitive) == 0 ||
            type.compare("pdir", Qt::CaseInsensitive) == 0)
            return std::nullopt;
        entry.directory = type.compare("dir", Qt::CaseInsensitive) == 0;
    }
    return entry;
}

std::optional<FtpListEntry> parseListLine(QByteArrayView line) {
    if (line.isEmpty())
        return std::nullopt;
    if (line[0] >= '0' && line[0] <= '9')
        return parseDosLine(line);
    return parseUnixLine(line);
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
    const std::optional<FtpListEntry> parsed = m_mlsd ? parseMlsdLine(line) : parseListLine(line);
    if (!parsed || !isSafeListName(parsed->name)) {
        // "total" lines and the listed directory itself are no entries.
        if (!line.startsWith("total ") && !(parsed && (parsed->name == QByteArrayView(".") ||
                                                       parsed->name == QByteArrayView(".."))))
            ++m_listing.linesNotUnderstood;
        return;
    }
    RemoteEntry entry;
    entry.name = m_codec.decode(parsed->name);
    entry.isDirectory = parsed->directory;
    entry.isLink = parsed->link;
    entry.size = parsed->size;
    if (!entry.isDirectory && m_filter && !m_filter->match(entry.name).hasMatch())
        return;
    if (entry.isDirectory) {
        m_listing.directories.push_back(std::move(entry));
        return;
    }
    m_order.emplace(entry.name.toCaseFolded(), int(m_listing.files.size()));
    m_listing.files.push_back(std::move(entry));
}
