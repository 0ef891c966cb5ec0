// The forms of smaller servers: old VShell, the routers' WfFTP and VxWorks
// servers, and Microware OS-9.
#include "listing_forms.h"
#include "listing_words.h"

namespace {

// "Thur.", "Mon": a day of the week, as WfFTP writes it.
bool isWeekday(QByteArrayView s) {
    if (s.endsWith('.'))
        s.chop(1);
    if (s.size() < 2 || s.size() > 4)
        return false;
    for (char c : s)
        if ((c < 'A' || c > 'Z') && (c < 'a' || c > 'z'))
            return false;
    return true;
}

// "d-ewrewr": a directory mark and the rights of owner and public.
bool isOs9Attributes(QByteArrayView s) {
    if (s.size() != 8 || (s[0] != 'd' && s[0] != '-'))
        return false;
    for (char c : s.sliced(1))
        if (c != 's' && c != 'e' && c != 'w' && c != 'r' && c != '-')
            return false;
    return true;
}

// "20.20": an OS-9 owner, group and user.
bool isOs9Owner(QByteArrayView s) {
    const qsizetype dot = s.indexOf('.');
    return dot > 0 && isDigits(s.first(dot)) && isDigits(s.sliced(dot + 1));
}

} // namespace

std::optional<FtpListEntry> parseVShellLine(QByteArrayView line) {
    const ListTokens<6> tok(line);
    if (tok.count < 6 || !isDigits(tok[0]) || !isMonthName(tok[1]) || !tok[2].endsWith(',') ||
        !isDayOfMonth(tok[2]) || tok[3].size() != 4 || !isDigits(tok[3]) || !isClockTime(tok[4]))
        return std::nullopt;
    const std::optional<qint64> size = toCount(tok[0]);
    QByteArrayView name = tok.restAfter(4);
    if (!size || name.isEmpty())
        return std::nullopt;
    if (name.endsWith('/'))
        return FtpListEntry{name.chopped(1), true, false, -1};
    return FtpListEntry{name, false, false, *size};
}

std::optional<FtpListEntry> parseWfFtpLine(QByteArrayView line) {
    const ListTokens<6> tok(line);
    if (tok.count != 5 || !isNumericDate(tok[2]) || !isWeekday(tok[3]) || !isClockTime(tok[4]))
        return std::nullopt;
    const std::optional<qint64> size = toCount(tok[1]);
    if (!size)
        return std::nullopt;
    return FtpListEntry{tok[0], false, false, *size};
}

std::optional<FtpListEntry> parseVxWorksLine(QByteArrayView line) {
    const ListTokens<4> tok(line);
    if (tok.count < 4 || !isNamedMonthDate(tok[1]) || !isClockTime(tok[2]))
        return std::nullopt;
    const std::optional<qint64> size = toCount(tok[0]);
    QByteArrayView name = tok.restAfter(2);
    if (!size)
        return std::nullopt;
    // "name <DIR>": a directory.
    static constexpr QByteArrayView directoryMark = "<DIR>";
    if (!name.endsWith(directoryMark))
        return FtpListEntry{name, false, false, *size};
    name.chop(directoryMark.size());
    if (name.isEmpty() || !isListBlank(name.back()))
        return std::nullopt;
    while (!name.isEmpty() && isListBlank(name.back()))
        name.chop(1);
    return FtpListEntry{name, true, false, -1};
}

std::optional<FtpListEntry> parseOs9Line(QByteArrayView line) {
    const ListTokens<6> tok(line);
    if (tok.count < 6 || !isOs9Owner(tok[0]) || !isNumericDate(tok[1]) || tok[2].size() != 4 ||
        !isDigits(tok[2]) || !isOs9Attributes(tok[3]))
        return std::nullopt;
    const std::optional<qint64> size = toCount(tok[5]);
    const QByteArrayView name = tok.restAfter(5);
    if (!size || name.isEmpty())
        return std::nullopt;
    const bool directory = tok[3][0] == 'd';
    return FtpListEntry{name, directory, false, directory ? -1 : *size};
}
