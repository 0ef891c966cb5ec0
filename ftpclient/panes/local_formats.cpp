#include "local_formats.h"

#include <QDate>
#include <QVarLengthArray>

#include <algorithm>
#include <ctime>
#include <iterator>

namespace {

QLocale grouping(QLocale locale) {
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale;
}

// Whether `secs` is the local time `secondOfDay` on the day of `day`.
bool isBoundary(qint64 secs, const std::tm& day, int secondOfDay) {
    const std::time_t time = std::time_t(secs);
    std::tm local{};
    return localtime_r(&time, &local) && local.tm_year == day.tm_year &&
           local.tm_yday == day.tm_yday &&
           local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec == secondOfDay;
}

} // namespace

LocalEntryTexts::LocalEntryTexts()
    : LocalEntryTexts(QLocale()) {}

LocalEntryTexts::LocalEntryTexts(const QLocale& locale)
    : m_locale(grouping(locale)) {
    // Most locales write lengths with ASCII digits in groups of three; those
    // are written here, the others by the locale itself.
    const QString separator = m_locale.groupSeparator();
    if (separator.size() == 1) {
        m_separator = separator.at(0).unicode();
        constexpr qint64 kProbe = 1234567890123456789;
        if (groupedDigits(kProbe) != m_locale.toString(kProbe))
            m_separator = 0;
    }
}

QString LocalEntryTexts::date(qint64 secsSinceEpoch) {
    auto it = m_days.upper_bound(secsSinceEpoch);
    if (it != m_days.begin() && secsSinceEpoch < (--it)->second.end)
        return it->second.text;
    return newDay(secsSinceEpoch);
}

QString LocalEntryTexts::newDay(qint64 secsSinceEpoch) {
    // The C library's conversion to local time; Qt's own is many times
    // slower, which tells on directories of many thousand files.
    const std::time_t time = std::time_t(secsSinceEpoch);
    std::tm local{};
    if (!localtime_r(&time, &local))
        return {};
    const QDate day(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    if (!day.isValid())
        return {};
    auto it = m_dates.constFind(day.toJulianDay());
    if (it == m_dates.constEnd())
        it = m_dates.insert(day.toJulianDay(), day.toString(QStringLiteral("MM/dd/yy")));
    // The day's bounds: midnight before and after, when the day has no clock
    // change (both ends then read as its first and last second).
    const qint64 start = secsSinceEpoch - (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec);
    const qint64 end = start + 86400;
    if (isBoundary(start, local, 0) && isBoundary(end - 1, local, 86399))
        m_days[start] = Day{end, *it};
    return *it;
}

QString LocalEntryTexts::size(qint64 length) const {
    return m_separator ? groupedDigits(length) : m_locale.toString(length);
}

LocalEntryTexts::SizeText LocalEntryTexts::sizeText(qint64 length) const {
    SizeText text;
    if (m_separator)
        text.at = groupDigits(length, text.units);
    else
        text.other = m_locale.toString(length);
    return text;
}

qsizetype LocalEntryTexts::groupDigits(qint64 length, char16_t (&text)[32]) const {
    qsizetype at = std::size(text);
    const bool negative = length < 0;
    quint64 rest = negative ? 0 - quint64(length) : quint64(length);
    int digits = 0;
    do {
        if (digits > 0 && digits % 3 == 0)
            text[--at] = m_separator;
        text[--at] = char16_t(u'0' + rest % 10);
        rest /= 10;
        ++digits;
    } while (rest != 0);
    if (negative)
        text[--at] = u'-';
    return at;
}

QString LocalEntryTexts::groupedDigits(qint64 length) const {
    char16_t text[32];
    const qsizetype at = groupDigits(length, text);
    return QString(reinterpret_cast<const QChar*>(text + at), qsizetype(std::size(text)) - at);
}

QString LocalEntryTexts::sizeKey(qint64 length) {
    // Twelve digits, or past that a mark that sorts after every digit and all
    // the nineteen digits a length can have, so that text order is the
    // order of the numbers.
    constexpr qint64 kTwelveDigits = 1000000000000;
    const bool big = length >= kTwelveDigits;
    QString key(big ? 20 : 12, u'0');
    if (big)
        key[0] = u':';
    quint64 rest = quint64(std::max<qint64>(length, 0));
    for (qsizetype at = key.size() - 1; rest != 0 && at >= (big ? 1 : 0); --at, rest /= 10)
        key[at] = QChar(char16_t(u'0' + rest % 10));
    return key;
}

NameShortener::NameShortener(const QFont& font, int width)
    : m_metrics(font)
    , m_limit(width) {
    m_latin1.fill(-1);
}

qreal NameShortener::advance(char32_t c) {
    if (c < m_latin1.size()) {
        qreal& known = m_latin1[c];
        if (known < 0)
            known = m_metrics.horizontalAdvance(QChar(c));
        return known;
    }
    auto it = m_others.constFind(c);
    if (it == m_others.constEnd())
        it = m_others.insert(c, c > 0xFFFF ? m_metrics.horizontalAdvance(QString::fromUcs4(&c, 1))
                                           : m_metrics.horizontalAdvance(QChar(c)));
    return *it;
}

qreal NameShortener::width(QStringView text) {
    qreal sum = 0;
    for (char32_t c : text.toUcs4())
        sum += advance(c);
    return sum;
}

QString NameShortener::shorten(const QString& name) {
    // Most names are of Latin-1 alone and fit: summed up at once, their
    // characters' advances mostly known already.
    const char16_t* const units = reinterpret_cast<const char16_t*>(name.constData());
    const qsizetype size = name.size();
    qreal sum = 0;
    qsizetype summed = 0;
    for (; summed < size && units[summed] < m_latin1.size() && sum <= m_limit; ++summed) {
        const qreal known = m_latin1[units[summed]];
        sum += known >= 0 ? known : advance(units[summed]);
    }
    if (summed == size && sum <= m_limit)
        return name;
    // Where each character ends, in code units and in pixels; a character
    // is never cut in half.
    QVarLengthArray<qsizetype, 64> ends;
    QVarLengthArray<qreal, 64> right;
    qreal x = 0;
    for (qsizetype i = 0; i < name.size();) {
        const bool pair =
            name[i].isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate();
        const char32_t c = pair ? QChar::surrogateToUcs4(name[i], name[i + 1]) : name[i].unicode();
        i += pair ? 2 : 1;
        x += advance(c);
        ends.append(i);
        right.append(x);
    }
    if (ends.size() < 2 || x <= m_limit)
        return name;
    const qreal tilde = advance(U'~');
    qsizetype k = ends.size() - 2;
    while (k > 0 && right[k] + tilde > m_limit)
        --k;
    // Made in one piece of the size it needs: a list holds many of them.
    QString cut(ends[k] + 1, Qt::Uninitialized);
    std::copy_n(name.constData(), ends[k], cut.data());
    cut[ends[k]] = u'~';
    return cut;
}
