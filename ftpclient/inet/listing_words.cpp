#include "listing_words.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

// Month names in lower case, without the trailing full stop, separated by
// blanks.
constexpr std::string_view kMonthNames =
    // English
    "jan feb mar apr may jun jul aug sep sept oct nov dec january february march april june "
    "july august september october november december "
    // German
    "jän mär mrz mai okt dez januar jänner februar märz juni juli oktober dezember "
    // French
    "janv févr fév fevr fev mars avr juin juil jui août aoû aout déc janvier février fevrier "
    "avril juillet septembre octobre novembre décembre decembre "
    // Spanish
    "ene abr ago set dic enero febrero marzo abril mayo junio julio agosto septiembre setiembre "
    "octubre noviembre diciembre "
    // Italian
    "gen mag giu lug ott gennaio febbraio aprile maggio giugno luglio settembre ottobre "
    "dicembre "
    // Portuguese
    "out janeiro fevereiro março maio junho julho setembro outubro novembro dezembro "
    // Dutch
    "mrt mei januari februari maart augustus "
    // Swedish, Norwegian, Danish
    "maj des augusti marts desember "
    // Finnish
    "tammi helmi maalis huhti touko kesä heinä elo syys loka marras joulu tammikuu helmikuu "
    "maaliskuu huhtikuu toukokuu kesäkuu heinäkuu elokuu syyskuu lokakuu marraskuu joulukuu "
    // Hungarian
    "febr márc ápr máj jún júl szept január február március április május június július "
    "augusztus szeptember október "
    // Polish, as a name and as ls writes it after the day
    "sty lut kwi cze lip sie wrz paź lis gru styczeń luty marzec kwiecień czerwiec lipiec "
    "sierpień wrzesień październik listopad grudzień stycznia lutego marca kwietnia maja "
    "czerwca lipca sierpnia września października listopada grudnia "
    // Russian
    "янв фев февр мар апр май мая июн июл авг сен сент окт ноя нояб дек январь февраль март "
    "апрель июнь июль август сентябрь октябрь ноябрь декабрь января февраля марта апреля июня "
    "июля августа сентября октября ноября декабря ";

// The longest month name, in bytes.
constexpr qsizetype kLongestMonth = 24;

// The units of a CJK date: UTF-8 for Chinese and Japanese, UTF-8 for
// Korean, Shift-JIS, EUC-JP, EUC-KR and GB2312.
using CjkUnits = std::array<QByteArrayView, 6>;
constexpr CjkUnits kCjkYear = {"\xE5\xB9\xB4", "\xEB\x85\x84", "\x94\x4E",
                               "\xC7\xAF",     "\xB3\xE2",     "\xC4\xEA"};
constexpr CjkUnits kCjkMonth = {"\xE6\x9C\x88", "\xEC\x9B\x94", "\x8C\x8E",
                                "\xB7\xEE",     "\xBF\xF9",     "\xD4\xC2"};
constexpr CjkUnits kCjkDay = {"\xE6\x97\xA5", "\xEC\x9D\xBC", "\x93\xFA",
                              "\xC6\xFC",     "\xC0\xCF",     "\xC8\xD5"};

// The digits before a CJK unit at the end of s, when s is just that.
bool isNumberWithUnit(QByteArrayView s, const CjkUnits& units, qsizetype most) {
    qsizetype digits = 0;
    while (digits < s.size() && s[digits] >= '0' && s[digits] <= '9')
        ++digits;
    if (digits == 0 || digits > most)
        return false;
    const QByteArrayView unit = s.sliced(digits);
    for (QByteArrayView known : units)
        if (unit == known)
            return true;
    return false;
}

// Eats a number of 1..most digits followed by a unit from the front of s.
bool takeNumberWithUnit(QByteArrayView& s, const CjkUnits& units, qsizetype most) {
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

// Lower case of the letters month names are written with: ASCII, Latin-1
// and Cyrillic. Other bytes stay as they are.
void lowerMonthLetters(char* text, qsizetype size) {
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 'A' && c <= 'Z') {
            text[i] = char(c + ('a' - 'A'));
        } else if (i + 1 < size) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (c == 0xC3 && next >= 0x80 && next <= 0x9E && next != 0x97) {
                text[++i] = char(next + 0x20); // À..Þ
            } else if (c == 0xD0 && next >= 0x90 && next <= 0x9F) {
                text[++i] = char(next + 0x20); // А..П
            } else if (c == 0xD0 && next >= 0xA0 && next <= 0xAF) {
                text[i] = char(0xD1); // Р..Я
                text[++i] = char(next - 0x20);
            } else if (c >= 0x80) {
                ++i;
            }
        }
    }
}

// Digits followed by a unit of another script ("8\xED"), by "am" or "pm",
// or split by an "h" ("10h30").
bool isNumberWithUnknownUnit(QByteArrayView s) {
    qsizetype digits = 0;
    while (digits < s.size() && digits < 4 && s[digits] >= '0' && s[digits] <= '9')
        ++digits;
    QByteArrayView unit = s.sliced(digits);
    if (unit.isEmpty() || unit.size() > 4)
        return false;
    if (static_cast<unsigned char>(unit[0]) >= 0x80)
        return true;
    if (unit.size() == 2 && (unit.compare("am", Qt::CaseInsensitive) == 0 ||
                             unit.compare("pm", Qt::CaseInsensitive) == 0))
        return true;
    return unit.size() == 3 && (unit[0] == 'h' || unit[0] == 'H') && unit[1] >= '0' &&
           unit[1] <= '9' && unit[2] >= '0' && unit[2] <= '9';
}

// Up to eight bytes as one number, so that short names compare at once.
quint64 packedName(std::string_view name) {
    quint64 packed = 0;
    for (size_t i = 0; i < 8; ++i)
        packed = packed << 8 | (i < name.size() ? static_cast<unsigned char>(name[i]) : 0);
    return packed;
}

// The month names sorted (those of up to eight bytes packed), and the first
// bytes and lengths they come in, so that most words are refused without a
// search.
struct MonthIndex {
    std::vector<quint64> shortSorted;
    std::vector<std::string_view> sorted;
    std::array<std::array<bool, kLongestMonth + 1>, 256> shapes{};
};

const MonthIndex& monthIndex() {
    static const MonthIndex index = [] {
        MonthIndex built;
        const auto take = [&built](std::string_view name) {
            if (name.empty() || name.size() > size_t(kLongestMonth))
                return;
            if (name.size() <= 8)
                built.shortSorted.push_back(packedName(name));
            else
                built.sorted.push_back(name);
            built.shapes[static_cast<unsigned char>(name[0])][name.size()] = true;
        };
        size_t at = 0;
        for (size_t blank; (blank = kMonthNames.find(' ', at)) != std::string_view::npos;
             at = blank + 1)
            take(kMonthNames.substr(at, blank - at));
        take(kMonthNames.substr(at));
        std::sort(built.shortSorted.begin(), built.shortSorted.end());
        std::sort(built.sorted.begin(), built.sorted.end());
        return built;
    }();
    return index;
}

bool isDateSeparator(char c) {
    return c == '-' || c == '/' || c == '.';
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
    if (s.isEmpty() || s.size() > 18)
        return std::nullopt;
    qint64 count = 0;
    for (char c : s) {
        if (!isDigit(c))
            return std::nullopt;
        count = count * 10 + (c - '0');
    }
    return count;
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
    if (s.endsWith(','))
        s.chop(1);
    if (s.endsWith('.'))
        s.chop(1);
    if (s.size() < 3 || s.size() > kLongestMonth)
        return false;
    // Digits and marks never begin a month's name.
    const auto first = static_cast<unsigned char>(s[0]);
    if (first < 'A' || (first > 'Z' && first < 'a') || (first > 'z' && first < 0x80))
        return false;
    char lowered[kLongestMonth];
    std::copy(s.begin(), s.end(), lowered);
    lowerMonthLetters(lowered, s.size());
    const MonthIndex& index = monthIndex();
    if (!index.shapes[static_cast<unsigned char>(lowered[0])][size_t(s.size())])
        return false;
    const std::string_view key(lowered, size_t(s.size()));
    if (key.size() <= 8)
        return std::binary_search(index.shortSorted.begin(), index.shortSorted.end(),
                                  packedName(key));
    return std::binary_search(index.sorted.begin(), index.sorted.end(), key);
}

bool isCjkMonth(QByteArrayView s) {
    return isNumberWithUnit(s, kCjkMonth, 2);
}

bool isDayOfMonth(QByteArrayView s) {
    if (s.endsWith('.') || s.endsWith(','))
        s.chop(1);
    if (s.size() <= 2)
        return isDigits(s);
    return isNumberWithUnit(s, kCjkDay, 2);
}

bool isCjkYear(QByteArrayView s) {
    return isNumberWithUnit(s, kCjkYear, 4);
}

bool isCjkDate(QByteArrayView s) {
    return takeNumberWithUnit(s, kCjkYear, 4) && takeNumberWithUnit(s, kCjkMonth, 2) &&
           takeNumberWithUnit(s, kCjkDay, 2) && s.isEmpty();
}

bool isNumericDate(QByteArrayView s, bool centuryYears) {
    if (s.size() < 8 || s.size() > 10 || (s.size() == 9 && !centuryYears))
        return false;
    const bool yearFirst = s.size() == 10 && isDateSeparator(s[4]);
    const qsizetype first = yearFirst ? 4 : 2;
    const qsizetype second = first + 3;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const bool separator = i == first || i == second;
        if (separator ? !isDateSeparator(s[i]) : !isDigit(s[i]))
            return false;
    }
    return s[first] == s[second];
}

bool isMonthAndDay(QByteArrayView s) {
    return s.size() == 5 && s[2] == '-' && isDigit(s[0]) && isDigit(s[1]) && isDigit(s[3]) &&
           isDigit(s[4]);
}

bool isNamedMonthDate(QByteArrayView s) {
    if (s.size() < 7 || s.size() > 14)
        return false;
    const qsizetype first = s.indexOf('-');
    const qsizetype second = first < 0 ? -1 : s.indexOf('-', first + 1);
    if (first < 1 || second < 0 || s.indexOf('-', second + 1) >= 0)
        return false;
    const QByteArrayView a = s.first(first);
    const QByteArrayView b = s.sliced(first + 1, second - first - 1);
    const QByteArrayView c = s.sliced(second + 1);
    const bool year = (c.size() == 2 || c.size() == 4) && isDigits(c);
    // "01-jun-99", "9-JUL-2023", or "Feb-28-1998".
    return year && ((a.size() <= 2 && isDigits(a) && isMonthName(b)) ||
                    (b.size() <= 2 && isDigits(b) && isMonthName(a)));
}

bool looksLikeField(QByteArrayView s) {
    if (s.isEmpty())
        return false;
    bool digit = false;
    bool onlyNumberMarks = true;
    for (char c : s) {
        digit = digit || isDigit(c);
        onlyNumberMarks = onlyNumberMarks &&
                          (isDigit(c) || isDateSeparator(c) || c == ':' || c == ',' || c == '+');
    }
    if (digit && onlyNumberMarks)
        return true; // a number, size, date or time
    if (isDigit(s[0]) && isNumberWithUnknownUnit(s))
        return true; // "8月" in a code this parser does not know, "6pm", "10h30"
    const char first = s[0];
    if (first == '[' || first == '<' || first == '(' || first == '*')
        return true;
    if (s.size() >= 10 && std::string_view("-dlbcpsD").find(first) != std::string_view::npos &&
        std::string_view("rwx-").find(s[1]) != std::string_view::npos &&
        std::string_view("rwx-").find(s[2]) != std::string_view::npos)
        return true; // a unix mode
    return toSizeWithUnit(s).has_value() || isMonthName(s) || isCjkMonth(s) || isCjkYear(s) ||
           isCjkDate(s) || isDayOfMonth(s) || isNamedMonthDate(s);
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
