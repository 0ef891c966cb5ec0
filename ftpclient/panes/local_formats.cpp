#include "local_formats.h"

#include <QDate>
#include <QVarLengthArray>

#include <algorithm>
#include <ctime>

namespace {

QLocale grouping(QLocale locale) {
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale;
}

} // namespace

LocalEntryTexts::LocalEntryTexts()
    : LocalEntryTexts(QLocale()) {}

LocalEntryTexts::LocalEntryTexts(const QLocale& locale)
    : m_locale(grouping(locale)) {}

QString LocalEntryTexts::date(qint64 secsSinceEpoch) {
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
    return *it;
}

QString LocalEntryTexts::size(qint64 length) const {
    return m_locale.toString(length);
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
    for (qsizetype k = ends.size() - 2; k > 0; --k) {
        if (right[k] + tilde <= m_limit)
            return name.left(ends[k]) + u'~';
    }
    return name.left(ends[0]) + u'~';
}
