#include "listing_words.h"

#include <algorithm>
#include <string_view>

namespace {

using namespace std::string_view_literals;

// Lower case; letters outside ASCII that begin a name are listed in both
// cases.
constexpr std::array kMonthNames = {
    "abr"sv, "ago"sv, "apr"sv, "aug"sv,  "août"sv, "aoû"sv,  "avr"sv, "cze"sv,  "dec"sv,   "des"sv,
    "dez"sv, "dic"sv, "déc"sv, "ene"sv,  "feb"sv,  "febr"sv, "fev"sv, "févr"sv, "fév"sv,   "gen"sv,
    "giu"sv, "gru"sv, "jan"sv, "janv"sv, "juil"sv, "juin"sv, "jul"sv, "jun"sv,  "jún"sv,   "júl"sv,
    "kwi"sv, "lip"sv, "lis"sv, "lug"sv,  "lut"sv,  "mag"sv,  "mai"sv, "maj"sv,  "mar"sv,   "mars"sv,
    "may"sv, "mei"sv, "mrt"sv, "mrz"sv,  "mär"sv,  "márc"sv, "máj"sv, "nov"sv,  "oct"sv,   "okt"sv,
    "ott"sv, "out"sv, "paź"sv, "sep"sv,  "sept"sv, "set"sv,  "sie"sv, "sty"sv,  "szept"sv, "wrz"sv,
    "Ápr"sv, "ápr"sv, "Авг"sv, "Апр"sv,  "Дек"sv,  "Июл"sv,  "Июн"sv, "Май"sv,  "Мар"sv,   "Ноя"sv,
    "Окт"sv, "Сен"sv, "Фев"sv, "Янв"sv,  "авг"sv,  "апр"sv,  "дек"sv, "июл"sv,  "июн"sv,   "май"sv,
    "мар"sv, "ноя"sv, "окт"sv, "сен"sv,  "фев"sv,  "янв"sv,
};

constexpr QByteArrayView kCjkYear[] = {"\xE5\xB9\xB4", "\xEB\x85\x84"};  // 年 년
constexpr QByteArrayView kCjkMonth[] = {"\xE6\x9C\x88", "\xEC\x9B\x94"}; // 月 월
constexpr QByteArrayView kCjkDay[] = {"\xE6\x97\xA5", "\xEC\x9D\xBC"};   // 日 일

// The digits before a CJK unit at the end of s, when s is just that.
bool isNumberWithUnit(QByteArrayView s, const QByteArrayView (&units)[2], qsizetype most) {
    for (QByteArrayView unit : units)
        if (s.endsWith(unit)) {
            const QByteArrayView number = s.chopped(unit.size());
            return number.size() <= most && isDigits(number);
        }
    return false;
}

// Eats a number of 1..most digits followed by a unit from the front of s.
bool takeNumberWithUnit(QByteArrayView& s, const QByteArrayView (&units)[2], qsizetype most) {
    qsizetype digits = 0;
    while (digits < s.size() && digits <= most && s[digits] >= '0' && s[digits] <= '9')
        ++digits;
    if (digits == 0 || digits > most)
        return false;
    for (QByteArrayView unit : units)
        if (s.sliced(digits).startsWith(unit)) {
            s = s.sliced(digits + unit.size());
            return true;
        }
    return false;
}

} // namespace

bool isDigits(QByteArrayView s) {
    if (s.isEmpty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::optional<qint64> toCount(QByteArrayView s) {
    if (!isDigits(s) || s.size() > 18)
        return std::nullopt;
    return s.toLongLong();
}

std::optional<qint64> toGroupedCount(QByteArrayView s) {
    if (s.size() > 26)
        return std::nullopt;
    char digits[32];
    qsizetype count = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            digits[count++] = c;
            continue;
        }
        // A separator stands between digits and is followed by exactly three.
        const bool grouped =
            (c == ',' || c == '.') && i > 0 && s.size() - i > 3 && (s.size() - i - 1) % 4 == 3;
        if (!grouped)
            return std::nullopt;
    }
    return toCount(QByteArrayView(digits, count));
}

std::optional<qint64> toSizeWithUnit(QByteArrayView s) {
    if (const std::optional<qint64> plain = toCount(s))
        return plain;
    if (s.size() < 2 || s.size() > 12)
        return std::nullopt;
    static constexpr std::string_view units = "KMGT";
    const qsizetype unit = qsizetype(units.find(char(s.back() & ~0x20)));
    if (unit < 0 || unit >= qsizetype(units.size()))
        return std::nullopt;
    const QByteArrayView number = s.chopped(1);
    const qsizetype point = number.indexOf('.');
    if (!isDigits(point < 0 ? number : number.first(point)) ||
        (point >= 0 && !isDigits(number.sliced(point + 1))))
        return std::nullopt;
    const double bytes = number.toDouble() * double(1LL << (10 * (unit + 1)));
    if (!(bytes < 9.0e18))
        return std::nullopt;
    return qint64(bytes);
}

bool isMonthName(QByteArrayView s) {
    if (s.endsWith('.'))
        s.chop(1);
    if (s.size() < 3 || s.size() > 8)
        return false;
    char lowered[8];
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char c = s[i];
        lowered[i] = c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
    }
    static const auto sorted = [] {
        auto names = kMonthNames;
        std::sort(names.begin(), names.end());
        return names;
    }();
    const std::string_view key(lowered, size_t(s.size()));
    return std::binary_search(sorted.begin(), sorted.end(), key);
}

bool isCjkMonth(QByteArrayView s) {
    return isNumberWithUnit(s, kCjkMonth, 2);
}

bool isDayOfMonth(QByteArrayView s) {
    if (s.endsWith('.') || s.endsWith(','))
        s.chop(1);
    if (isNumberWithUnit(s, kCjkDay, 2))
        return true;
    return s.size() <= 2 && isDigits(s);
}

bool isCjkYear(QByteArrayView s) {
    return isNumberWithUnit(s, kCjkYear, 4);
}

bool isCjkDate(QByteArrayView s) {
    return takeNumberWithUnit(s, kCjkYear, 4) && takeNumberWithUnit(s, kCjkMonth, 2) &&
           takeNumberWithUnit(s, kCjkDay, 2) && s.isEmpty();
}

bool isClockTime(QByteArrayView s) {
    // hh:mm, then optionally :ss and a fraction.
    if (s.size() < 4 || s.size() > 18)
        return false;
    const qsizetype colon = s.indexOf(':');
    if (colon < 1 || colon > 2 || s.size() < colon + 3 || !isDigits(s.first(colon)) ||
        !isDigits(s.sliced(colon + 1, 2)))
        return false;
    QByteArrayView rest = s.sliced(colon + 3);
    if (rest.isEmpty())
        return true;
    if (rest.size() < 3 || rest[0] != ':' || !isDigits(rest.sliced(1, 2)))
        return false;
    rest = rest.sliced(3);
    return rest.isEmpty() || (rest[0] == '.' && isDigits(rest.sliced(1)));
}

bool isTimeOrYear(QByteArrayView s) {
    return (s.size() == 4 && isDigits(s)) || isClockTime(s);
}

bool isIsoDate(QByteArrayView s) {
    return s.size() == 10 && s[4] == '-' && s[7] == '-' && isDigits(s.first(4)) &&
           isDigits(s.sliced(5, 2)) && isDigits(s.sliced(8, 2));
}

bool isZoneOffset(QByteArrayView s) {
    return s.size() == 5 && (s[0] == '+' || s[0] == '-') && isDigits(s.sliced(1));
}
