// The DOS form of IIS and Windows servers, and the OS/2 form.
#include "listing_forms.h"
#include "listing_words.h"

namespace {

bool isAmPm(QByteArrayView s) {
    return s.compare("AM", Qt::CaseInsensitive) == 0 || s.compare("PM", Qt::CaseInsensitive) == 0;
}

// "18:02" or "06:02PM" ("AM"/"PM" may also follow as a token of its own).
bool isDosTime(QByteArrayView s) {
    if (s.size() > 2 && isAmPm(s.last(2)))
        s.chop(2);
    return isClockTime(s);
}

} // namespace

std::optional<FtpListEntry> parseDosLine(QByteArrayView line) {
    const ListTokens<5> tok(line);
    if (tok.count < 4 || !isNumericDate(tok[0]) || !isDosTime(tok[1]))
        return std::nullopt;
    const size_t kind = tok.count > 4 && isAmPm(tok[2]) ? 3 : 2;
    const bool directory = tok[kind] == "<DIR>";
    const std::optional<qint64> size = directory ? qint64(-1) : toGroupedCount(tok[kind]);
    if (!size)
        return std::nullopt;
    return timed(FtpListEntry{tok.restAfter(kind), directory, false, *size}, tok[0], tok[kind - 1],
                 ListedTimeForm::Dos);
}

std::optional<FtpListEntry> parseOs2Line(QByteArrayView line) {
    const ListTokens<7> tok(line);
    const std::optional<qint64> size = tok.count >= 4 ? toCount(tok[0]) : std::nullopt;
    if (!size)
        return std::nullopt;
    // Up to two flag words ("A", "R", "DIR") stand between size and date.
    bool directory = false;
    size_t date = 1;
    while (date < 3 && date + 2 < tok.count && !isNumericDate(tok[date], true)) {
        const QByteArrayView flags = tok[date];
        if (flags.size() > 4)
            return std::nullopt;
        for (char c : flags)
            if (c < 'A' || c > 'Z')
                return std::nullopt;
        directory = directory || flags == "DIR";
        ++date;
    }
    if (date + 2 >= tok.count || !isNumericDate(tok[date], true) || !isClockTime(tok[date + 1]))
        return std::nullopt;
    return FtpListEntry{tok.restAfter(date + 1), directory, false, directory ? -1 : *size};
}
