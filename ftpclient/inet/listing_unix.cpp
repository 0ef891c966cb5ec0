// The unix "ls -l" form. The date is the landmark: what stands before it is
// the size, what follows it after one blank is the name (after the padding
// where the date is not ls's own).
#include "listing_forms.h"
#include "listing_words.h"

#include <array>
#include <cstring>
#include <string_view>

namespace {

using UnixTokens = ListTokens<16>;

// The letters of a unix mode after its type, and the types.
struct ModeLetters {
    std::array<bool, 256> permission{};
    std::array<bool, 256> type{};
    constexpr ModeLetters() {
        for (const char c : std::string_view("rwxsStTlL-"))
            permission[static_cast<unsigned char>(c)] = true;
        for (const char c : std::string_view("-dlbcpsD"))
            type[static_cast<unsigned char>(c)] = true;
    }
};
constexpr ModeLetters kModeLetters;

// "-rw-r--r--", with an ACL or extended-attribute mark ("+", "@", ".").
bool isUnixMode(QByteArrayView s) {
    if (s.size() < 10 || s.size() > 11 || !kModeLetters.type[static_cast<unsigned char>(s[0])])
        return false;
    for (qsizetype i = 1; i < 10; ++i)
        if (!kModeLetters.permission[static_cast<unsigned char>(s[i])])
            return false;
    return s.size() == 10 || s[10] == '+' || s[10] == '@' || s[10] == '.';
}

// NetWare writes the type alone and the rights in brackets.
bool isNetWareMode(const UnixTokens& tok) {
    return tok.count > 2 && (tok[0] == "d" || tok[0] == "-") && tok[1].startsWith('[') &&
           tok[1].endsWith(']');
}

// Where a date found in a line ends, and whether its last field is a time or
// a year: after those the name begins whatever it holds, while after a date
// alone it might be a time this parser does not know.
struct DateSpan {
    size_t last = 0; // the date's last token; 0 when no date starts there
    bool timeOrYearLast = false;
};

// A date in one token ("2023-07-09", "09.07.2023", "01-jun-99",
// "2023年7月9日"), maybe followed by a time and its zone.
DateSpan singleTokenDate(const UnixTokens& t, size_t k) {
    const QByteArrayView date = t[k];
    if (!isIsoDate(date) && !isNumericDate(date) && !isNamedMonthDate(date) && !isCjkDate(date))
        return {};
    if (k + 1 >= t.count || !isClockTime(t[k + 1]))
        return {k, false};
    const bool zone = k + 2 < t.count && isZoneOffset(t[k + 2]);
    return {zone ? k + 2 : k + 1, true};
}

// "Oct 08, 2002 09:47": VShell writes the time after the year, and a comma
// after the day. Without the comma ls wrote the date, and what follows the
// year is the name, whatever it looks like.
DateSpan withTimeAfterYear(const UnixTokens& t, size_t yearAt) {
    const bool time = t[yearAt - 1].endsWith(',') && t[yearAt].size() == 4 &&
                      yearAt + 1 < t.count && isClockTime(t[yearAt + 1]);
    return {time ? yearAt + 1 : yearAt, true};
}

// The date that starts at token k, if one does.
DateSpan dateAt(const UnixTokens& t, size_t k) {
    const QByteArrayView first = t[k];
    if (first.isEmpty())
        return {};
    if (isDigit(first[0]) || first.size() > 8) {
        if (const DateSpan one = singleTokenDate(t, k); one.last != 0)
            return one;
    }
    if (k + 2 >= t.count) {
        // "09-26 2000" and "7月 9日 2023年" need three tokens, "09-26 13:45" two.
        if (k + 1 < t.count && isMonthAndDay(first) && isTimeOrYear(t[k + 1]))
            return {k + 1, true};
        return {};
    }
    const QByteArrayView second = t[k + 1];
    const QByteArrayView third = t[k + 2];
    if (isMonthAndDay(first) && isTimeOrYear(second))
        return {k + 1, true};
    if ((isMonthName(first) || isCjkMonth(first)) && isDayOfMonth(second)) {
        if (isTimeOrYear(third))
            return withTimeAfterYear(t, k + 2);
        if (isCjkYear(third))
            return {k + 2, true};
        return {};
    }
    if (isDayOfMonth(first) && isMonthName(second) && isTimeOrYear(third))
        return {k + 2, true};
    // "2023年 7月 9日" or "2023 7月 9", maybe with a time.
    if ((isCjkYear(first) || (first.size() == 4 && isDigits(first))) && isCjkMonth(second) &&
        isDayOfMonth(third)) {
        const bool time = k + 3 < t.count && isClockTime(t[k + 3]);
        return {time ? k + 3 : k + 2, time};
    }
    return {};
}

// Whether a token can be the size before a date (see sizeBefore()): digits,
// maybe with a unit, at its end.
bool mayEndInSize(QByteArrayView s) {
    if (s.isEmpty())
        return false;
    const char last = s.back();
    return isDigit(last) || std::string_view("KMGTkmgt").find(last) != std::string_view::npos;
}

// The size before the date: digits, a size with a unit, a device's
// "major, minor", or a group name run into the size. -1 when the entry
// has no size; nothing when the token cannot stand before a date.
std::optional<qint64> sizeBefore(const UnixTokens& t, size_t k, char type) {
    const QByteArrayView token = t[k];
    if ((type == 'b' || type == 'c') && k > 0 && t[k - 1].endsWith(',') && isDigits(token))
        return -1;
    if (const std::optional<qint64> size = toSizeWithUnit(token))
        return size;
    qsizetype digits = token.size();
    while (digits > 0 && isDigit(token[digits - 1]))
        --digits;
    if (digits == 0 || digits == token.size())
        return std::nullopt;
    return toCount(token.sliced(digits));
}

// Filled in place: the entries of a long listing are not copied about.
void fillEntry(FtpListEntry& entry, QByteArrayView name, char type, qint64 size) {
    entry.name = name;
    entry.directory = type == 'd' || type == 'D';
    entry.link = type == 'l';
    entry.size = type == 'b' || type == 'c' ? -1 : size;
    if (type == 'l') {
        const qsizetype arrow = name.indexOf(QByteArrayView(" -> "));
        if (arrow > 0) {
            entry.directory = name.endsWith('/');
            entry.name = name.first(arrow);
        }
    }
}

std::optional<FtpListEntry> makeEntry(QByteArrayView name, char type, qint64 size) {
    std::optional<FtpListEntry> entry(std::in_place);
    fillEntry(*entry, name, type, size);
    return entry;
}

// The first word of a name, up to a blank.
QByteArrayView firstWord(QByteArrayView name) {
    qsizetype end = 0;
    while (end < name.size() && !isListBlank(name[end]))
        ++end;
    return name.first(end);
}

// The entry whose name follows the date that ends at token `last`. ls puts
// one blank before the name; servers that pad their columns (NetWare) or
// write a date of their own more. After a date without time or year the
// name must not begin like a field: that would be a time or a year this
// parser does not know, and the name a wrong one.
std::optional<FtpListEntry> entryAfterDate(const UnixTokens& t, DateSpan date, char type,
                                           qint64 size, bool padded) {
    qsizetype nameStart = t.at[date.last].end + 1;
    if (padded || !date.timeOrYearLast)
        while (nameStart < t.line.size() && isListBlank(t.line[nameStart]))
            ++nameStart;
    if (nameStart >= t.line.size())
        return std::nullopt;
    const QByteArrayView name = t.line.sliced(nameStart);
    if (!date.timeOrYearLast && looksLikeField(firstWord(name)))
        return std::nullopt;
    return makeEntry(name, type, size);
}

// "mode links owner group size name", written by servers that give no date.
// A name that begins like a date or a number is a line cut short, or a date
// this parser does not know, instead.
std::optional<FtpListEntry> parseUndated(const UnixTokens& t, size_t first, char type) {
    if (t.count < first + 5 || !isDigits(t[first]))
        return std::nullopt;
    const std::optional<qint64> size = toSizeWithUnit(t[first + 3]);
    if (!size || looksLikeField(t[first + 4]))
        return std::nullopt;
    const qsizetype nameStart = t.at[first + 3].end + 1;
    return makeEntry(t.line.sliced(nameStart), type, *size);
}

// A field of ls's own line, from `at` to the next space; `at` moves past
// the spaces that follow it. Past the bytes the mask covers, byte by byte.
inline QByteArrayView lsField(QByteArrayView line, const SpaceMask& mask, qsizetype& at) {
    const qsizetype begin = at;
    at = mask.firstIn(mask.spaces, at);
    while (at >= mask.covered && at < line.size() && line[at] != ' ')
        ++at;
    const QByteArrayView field = line.sliced(begin, at - begin);
    at = mask.firstIn(~mask.spaces, at);
    while (at >= mask.covered && at < line.size() && line[at] == ' ')
        ++at;
    return field;
}

// An owner or group that no date can begin with: ASCII word characters,
// with "-" or "." only where it holds no digit, and no month name.
bool isPlainAccountName(QByteArrayView s) {
    bool digit = false;
    bool mark = false;
    for (char c : s) {
        if (isDigit(c))
            digit = true;
        else if (c == '-' || c == '.')
            mark = true;
        else if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'))
            return false;
    }
    return !s.isEmpty() && !(digit && mark) && (digit || !isMonthName(s));
}

// The owner and group of the lines before, which are nearly always the same:
// their check is not made again. One per thread, as listings are read on
// the transfer threads.
bool isKnownPlainAccount(QByteArrayView s) {
    struct Known {
        std::array<char, 32> name;
        qsizetype size = -1;
    };
    thread_local std::array<Known, 2> known;
    thread_local size_t next = 0;
    for (const Known& k : known)
        if (k.size == s.size() && std::memcmp(k.name.data(), s.data(), size_t(s.size())) == 0)
            return true;
    if (!isPlainAccountName(s))
        return false;
    if (s.size() <= qsizetype(known[0].name.size())) {
        Known& slot = known[next++ % known.size()];
        std::memcpy(slot.name.data(), s.data(), size_t(s.size()));
        slot.size = s.size();
    }
    return true;
}

bool isEnglishMonth(QByteArrayView s) {
    static constexpr std::string_view months = "JanFebMarAprMayJunJulAugSepOctNovDec";
    if (s.size() != 3)
        return false;
    for (size_t at = 0; at < months.size(); at += 3)
        if (s[0] == months[at] && s[1] == months[at + 1] && s[2] == months[at + 2])
            return true;
    return false;
}

bool isLsTimeOrYear(QByteArrayView s) {
    if (s.size() == 4)
        return isDigits(s);
    return s.size() == 5 && s[2] == ':' && isDigit(s[0]) && isDigit(s[1]) && isDigit(s[3]) &&
           isDigit(s[4]);
}

} // namespace

// What nearly every server sends, read without the search for the date:
// "-rw-r--r-- 1 owner group 1234 Jul  9 18:02 name". Only a line the general
// reading below would give the same entry for is taken; any other is left
// to it. The entry is filled where the caller keeps it: copying it costs
// more than reading the line.
bool readLsLine(QByteArrayView line, FtpListEntry& entry) {
    // A tab in the bytes the mask covers, among the columns or early in the
    // name, is left to the general reading.
    const SpaceMask mask(line);
    if (mask.tab)
        return false;
    qsizetype at = 0;
    const QByteArrayView mode = lsField(line, mask, at);
    if (!isUnixMode(mode) || (mode[0] != '-' && mode[0] != 'd' && mode[0] != 'l'))
        return false;
    const QByteArrayView links = lsField(line, mask, at);
    const QByteArrayView owner = lsField(line, mask, at);
    const QByteArrayView group = lsField(line, mask, at);
    const QByteArrayView size = lsField(line, mask, at);
    const QByteArrayView month = lsField(line, mask, at);
    const QByteArrayView day = lsField(line, mask, at);
    const std::optional<qint64> bytes = toCount(size);
    if (!isDigits(links) || !isKnownPlainAccount(owner) || !isKnownPlainAccount(group) || !bytes ||
        !isEnglishMonth(month) || day.size() > 2 || !isDigits(day))
        return false;
    // One blank ends the time or year; what follows is the name.
    const qsizetype timeStart = at;
    at = mask.firstIn(mask.spaces, at);
    while (at >= mask.covered && at < line.size() && line[at] != ' ')
        ++at;
    if (at + 1 >= line.size() || line[at] != ' ' ||
        !isLsTimeOrYear(line.sliced(timeStart, at - timeStart)))
        return false;
    fillEntry(entry, line.sliced(at + 1), mode[0], *bytes);
    entry.time = {QByteArrayView(month.data(), line.data() + at), ListedTimeForm::Unix};
    return true;
}

std::optional<FtpListEntry> parseLsLine(QByteArrayView line) {
    std::optional<FtpListEntry> entry(std::in_place);
    if (!readLsLine(line, *entry))
        entry.reset();
    return entry;
}

std::optional<FtpListEntry> parseUnixFields(QByteArrayView line) {
    const UnixTokens tok(line);
    size_t first = 1;
    const bool netWare = tok.count > 0 && isNetWareMode(tok);
    if (netWare)
        first = 2;
    else if (tok.count < 3 || !isUnixMode(tok[0]))
        return std::nullopt;
    const char type = line[tok.at[0].begin];

    for (size_t k = first + 1; k + 1 < tok.count; ++k) {
        if (!mayEndInSize(tok[k - 1]))
            continue;
        const DateSpan date = dateAt(tok, k);
        if (date.last == 0)
            continue;
        const std::optional<qint64> size = sizeBefore(tok, k - 1, type);
        if (!size)
            continue;
        return timed(entryAfterDate(tok, date, type, *size, netWare), tok[k], tok[date.last],
                     ListedTimeForm::Unix);
    }
    // "mode links owner group date name": no size, the date in its place.
    const size_t dateInSizesPlace = first + 3;
    if (!netWare && dateInSizesPlace + 1 < tok.count && isDigits(tok[first]) &&
        !mayEndInSize(tok[dateInSizesPlace - 1])) {
        const DateSpan date = dateAt(tok, dateInSizesPlace);
        if (date.last != 0)
            return timed(entryAfterDate(tok, date, type, -1, false), tok[dateInSizesPlace],
                         tok[date.last], ListedTimeForm::Unix);
    }
    return parseUndated(tok, first, type);
}
