// The forms of VMS, MVS / z/OS and AS/400 servers.
#include "listing_forms.h"
#include "listing_words.h"

#include <array>
#include <string_view>

namespace {

// "NAME.EXT;12": a name and its version.
bool isVmsName(QByteArrayView s) {
    const qsizetype semicolon = s.lastIndexOf(';');
    return semicolon > 0 && isDigits(s.sliced(semicolon + 1));
}

// "9-JUL-2023".
bool isVmsDate(QByteArrayView s) {
    const qsizetype dash = s.indexOf('-');
    return (dash == 1 || dash == 2) && s.size() == dash + 9 && s[dash + 4] == '-' &&
           isDigits(s.first(dash)) && isMonthName(s.sliced(dash + 1, 3)) &&
           isDigits(s.sliced(dash + 5));
}

// "2/4" (blocks used and allocated) or "2": the bytes of the blocks used;
// some servers give bytes instead ("2KB", "3MB").
std::optional<qint64> vmsSize(QByteArrayView s) {
    if (s.size() > 2 && (s.back() == 'B' || s.back() == 'b') &&
        std::string_view("KMGkmg").find(s[s.size() - 2]) != std::string_view::npos)
        return toSizeWithUnit(s.chopped(1));
    const qsizetype slash = s.indexOf('/');
    const std::optional<qint64> used = toCount(slash < 0 ? s : s.first(slash));
    if (!used || *used > (qint64(1) << 40) || (slash >= 0 && !isDigits(s.sliced(slash + 1))))
        return std::nullopt;
    return *used * 512;
}

// "[GROUP,OWNER]", "(RWED,RWED,RE,)", or an owner without brackets.
bool isVmsOwnerOrRights(QByteArrayView s) {
    if ((s.startsWith('[') && s.endsWith(']')) || (s.startsWith('(') && s.endsWith(')')))
        return true;
    for (char c : s)
        if (!isDigit(c) && (c < 'A' || c > 'Z') && (c < 'a' || c > 'z') && c != '_' && c != '$')
            return false;
    return !s.isEmpty() && !isDigit(s[0]);
}

// "2023/07/09".
bool isSlashedDate(QByteArrayView s) {
    return s.size() == 10 && s[4] == '/' && s[7] == '/' && isDigits(s.first(4)) &&
           isDigits(s.sliced(5, 2)) && isDigits(s.sliced(8, 2));
}

// "01.03", a member's version and modification level.
bool isMemberVersion(QByteArrayView s) {
    return s.size() == 5 && s[2] == '.' && isDigits(s.first(2)) && isDigits(s.sliced(3));
}

bool isDataSetOrganisation(QByteArrayView s) {
    static constexpr std::array<const char*, 8> kinds = {"PS", "PO", "PO-E", "DA",
                                                         "VS", "IS", "U",    "PS-E"};
    for (const char* kind : kinds)
        if (s == kind)
            return true;
    return false;
}

// "*STMF", "*DIR", "*FILE", "*MEM", "*LIB".
bool isAs400Type(QByteArrayView s) {
    if (s.size() < 3 || s[0] != '*')
        return false;
    for (char c : s.sliced(1))
        if (c < 'A' || c > 'Z')
            return false;
    return true;
}

// "07/09/23", "09.07.23" or "07/09/2023".
bool isAs400Date(QByteArrayView s) {
    return isNumericDate(s) && s[2] != '-';
}

bool isHexDigits(QByteArrayView s) {
    for (char c : s)
        if (!isDigit(c) && (c < 'A' || c > 'F'))
            return false;
    return !s.isEmpty();
}

// The members of a partitioned data set: "NAME  01.04 2023/06/30 ..." with
// their statistics, or a load module's "NAME  00B308 000411  00 FO ...",
// its size and place in hexadecimal.
std::optional<FtpListEntry> parseMemberLine(const ListTokens<10>& tok) {
    if (tok.count < 4 || tok.count > 10)
        return std::nullopt;
    if (isMemberVersion(tok[1]) && isSlashedDate(tok[2]))
        return FtpListEntry{tok[0], false, false, -1};
    if (tok[1].size() == 6 && isHexDigits(tok[1]) && tok[2].size() == 6 && isHexDigits(tok[2]) &&
        tok[3].size() == 2 && isHexDigits(tok[3]))
        return FtpListEntry{tok[0], false, false, tok[1].toLongLong(nullptr, 16)};
    return std::nullopt;
}

} // namespace

bool isVmsNameAlone(QByteArrayView line) {
    // Such a line ends in the name's version, a digit: most lines are told
    // apart by their last byte.
    qsizetype end = line.size();
    while (end > 0 && isListBlank(line[end - 1]))
        --end;
    if (end == 0 || !isDigit(line[end - 1]))
        return false;
    const ListTokens<2> tok(line);
    return tok.count == 1 && isVmsName(tok[0]);
}

// The fields after a VMS name come in more than one order: size, date and
// time, owner, rights; or owner first; or the size after the date. The
// time, the owner and the rights may be missing.
std::optional<FtpListEntry> parseVmsLine(QByteArrayView line) {
    const ListTokens<8> tok(line);
    if (tok.count < 3 || tok.count > 7 || !isVmsName(tok[0]))
        return std::nullopt;
    std::optional<qint64> size;
    bool date = false;
    bool owner = false;
    for (size_t k = 1; k < tok.count; ++k) {
        const QByteArrayView field = tok[k];
        if (!date && isVmsDate(field)) {
            date = true;
            if (k + 1 < tok.count && isClockTime(tok[k + 1]))
                ++k;
        } else if (!size && isDigit(field[0])) {
            size = vmsSize(field);
            if (!size)
                return std::nullopt;
        } else if (!owner && isVmsOwnerOrRights(field)) {
            owner = !field.startsWith('(');
        } else if (!field.startsWith('(')) {
            return std::nullopt;
        }
    }
    if (!size || !date)
        return std::nullopt;
    // A file keeps its version, which names it exactly; "NAME.DIR;1" is
    // the directory NAME.
    const QByteArrayView bare = tok[0].first(tok[0].lastIndexOf(';'));
    if (bare.size() > 4 && bare.last(4).compare(".DIR", Qt::CaseInsensitive) == 0)
        return FtpListEntry{bare.chopped(4), true, false, -1};
    return FtpListEntry{tok[0], false, false, *size};
}

std::optional<FtpListEntry> parseMvsLine(QByteArrayView line) {
    const ListTokens<10> tok(line);
    if (tok.count == 2 && tok[0] == "Migrated")
        return FtpListEntry{tok[1], false, false, -1};
    if (tok.count == 3 && tok[0] == "Pseudo" && tok[1] == "Directory")
        return FtpListEntry{tok[2], true, false, -1};
    // A data set on tape, a VSAM cluster, one on a device without a disk's
    // details: "VOL001 Tape NAME", "VOL002 3390 VSAM NAME",
    // "ARCIVE Not Direct Access Device NAME".
    if (tok.count == 3 && tok[1].compare("Tape", Qt::CaseInsensitive) == 0)
        return FtpListEntry{tok[2], false, false, -1};
    if (tok.count == 4 && tok[2] == "VSAM")
        return FtpListEntry{tok[3], false, false, -1};
    if (tok.count == 6 && tok[1] == "Not" && tok[2] == "Direct" && tok[3] == "Access" &&
        tok[4] == "Device")
        return FtpListEntry{tok[5], false, false, -1};
    if (tok.count >= 9 && tok.count <= 10 && isDataSetOrganisation(tok[tok.count - 2]) &&
        (isSlashedDate(tok[2]) || tok[2] == "**NONE**")) {
        const QByteArrayView organisation = tok[tok.count - 2];
        return FtpListEntry{tok[tok.count - 1], organisation.startsWith("PO"), false, -1};
    }
    return parseMemberLine(tok);
}

std::optional<FtpListEntry> parseAs400Line(QByteArrayView line) {
    const ListTokens<6> tok(line);
    size_t type = 1;
    if (tok.count >= 6 && isDigits(tok[1]) && isAs400Date(tok[2]) && isClockTime(tok[3]))
        type = 4;
    if (type + 1 >= tok.count || !isAs400Type(tok[type]))
        return std::nullopt;
    QByteArrayView name = tok.restAfter(type);
    const QByteArrayView kind = tok[type];
    const bool directory = kind == "*DIR" || kind == "*LIB" || name.endsWith('/');
    if (name.endsWith('/'))
        name.chop(1);
    const qint64 size = type == 4 && !directory ? toCount(tok[1]).value_or(-1) : -1;
    return FtpListEntry{name, directory, false, size};
}

bool isListingHeading(QByteArrayView line) {
    const ListTokens<3> tok(line);
    if (tok.count == 0)
        return true;
    if (tok[0] == "total" && (tok.count == 1 || toSizeWithUnit(tok[1])))
        return true;
    if (tok.count >= 2 &&
        ((tok[0] == "Directory" && tok[1].endsWith(']')) || (tok[0] == "Total" && tok[1] == "of") ||
         (tok[0] == "Volume" && tok[1] == "Unit") ||
         (tok[0] == "Name" && (tok[1] == "VV.MM" || tok[1] == "Size"))))
        return true;
    return isMlsdDirectoryItself(line);
}
