// The unix "ls -l" form. The date is the landmark: what stands before it is
// the size, what follows it after one blank is the name.
#include "listing_forms.h"
#include "listing_words.h"

#include <cstring>

namespace {

using UnixTokens = ListTokens<16>;

// "-rw-r--r--", with an ACL or extended-attribute mark ("+", "@", ".").
bool isUnixMode(QByteArrayView s) {
    if (s.size() < 10 || s.size() > 11 || std::strchr("-dlbcpsD", s[0]) == nullptr || s[0] == 0)
        return false;
    for (qsizetype i = 1; i < 10; ++i)
        if (std::strchr("rwxsStTlL-", s[i]) == nullptr || s[i] == 0)
            return false;
    return s.size() == 10 || std::strchr("+@.", s[10]) != nullptr;
}

// NetWare writes the type alone and the rights in brackets.
bool isNetWareMode(const UnixTokens& tok) {
    return tok.count > 2 && (tok[0] == "d" || tok[0] == "-") && tok[1].startsWith('[') &&
           tok[1].endsWith(']');
}

// The last token of a date that starts at token k, or 0 when none starts
// there.
size_t dateEnd(const UnixTokens& t, size_t k) {
    auto has = [&](size_t i) {
        return i < t.count;
    };
    if (!has(k + 1))
        return isIsoDate(t[k]) || isCjkDate(t[k]) ? k : 0;
    if (isIsoDate(t[k]) || isCjkDate(t[k])) {
        if (!isClockTime(t[k + 1]))
            return k;
        return has(k + 2) && isZoneOffset(t[k + 2]) ? k + 2 : k + 1;
    }
    if (!has(k + 2))
        return 0;
    if ((isMonthName(t[k]) || isCjkMonth(t[k])) && isDayOfMonth(t[k + 1]) && isTimeOrYear(t[k + 2]))
        return k + 2;
    if (isDayOfMonth(t[k]) && isMonthName(t[k + 1]) && isTimeOrYear(t[k + 2]))
        return k + 2;
    if (isCjkYear(t[k]) && isCjkMonth(t[k + 1]) && isDayOfMonth(t[k + 2]))
        return has(k + 3) && isClockTime(t[k + 3]) ? k + 3 : k + 2;
    return 0;
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
    while (digits > 0 && token[digits - 1] >= '0' && token[digits - 1] <= '9')
        --digits;
    if (digits == 0 || digits == token.size())
        return std::nullopt;
    return toCount(token.sliced(digits));
}

FtpListEntry makeEntry(QByteArrayView name, char type, qint64 size) {
    FtpListEntry entry{name, type == 'd' || type == 'D', type == 'l', size};
    if (type == 'l') {
        const qsizetype arrow = name.indexOf(QByteArrayView(" -> "));
        if (arrow > 0) {
            entry.directory = name.endsWith('/');
            entry.name = name.first(arrow);
        }
    }
    if (type == 'b' || type == 'c')
        entry.size = -1;
    return entry;
}

// "mode links owner group size name", written by servers that give no date.
// A name that begins like a date is a line cut short instead.
std::optional<FtpListEntry> parseUndated(const UnixTokens& t, size_t first, char type) {
    if (t.count < first + 5 || !isDigits(t[first]))
        return std::nullopt;
    const std::optional<qint64> size = toSizeWithUnit(t[first + 3]);
    if (!size || dateEnd(t, first + 4) != 0 || isMonthName(t[first + 4]) ||
        isCjkMonth(t[first + 4]) || isDayOfMonth(t[first + 4]))
        return std::nullopt;
    const qsizetype nameStart = t.at[first + 3].end + 1;
    return makeEntry(t.line.sliced(nameStart), type, *size);
}

} // namespace

std::optional<FtpListEntry> parseUnixLine(QByteArrayView line) {
    const UnixTokens tok(line);
    size_t first = 1;
    if (tok.count > 0 && isNetWareMode(tok))
        first = 2;
    else if (tok.count < 3 || !isUnixMode(tok[0]))
        return std::nullopt;
    const char type = line[tok.at[0].begin];

    for (size_t k = first + 1; k + 1 < tok.count; ++k) {
        const size_t end = dateEnd(tok, k);
        if (end == 0)
            continue;
        const std::optional<qint64> size = sizeBefore(tok, k - 1, type);
        if (!size)
            continue;
        const qsizetype nameStart = tok.at[end].end + 1;
        if (nameStart >= line.size())
            return std::nullopt;
        return makeEntry(line.sliced(nameStart), type, *size);
    }
    return parseUndated(tok, first, type);
}
