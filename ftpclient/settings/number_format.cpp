#include "number_format.h"

#include <QByteArray>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>

#include <locale.h>
#include <stdlib.h>

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Moves `pos` past a run of digits; returns how many there were.
qsizetype skipDigits(const QString& text, qsizetype& pos) {
    const qsizetype start = pos;
    while (pos < text.size() && isDigit(text[pos]))
        ++pos;
    return pos - start;
}

} // namespace

QString formatNumber(double value) {
    if (!std::isfinite(value) || value == 0.0)
        value = 0.0; // no "-0", and nothing the reader could not read back
    const QString digits = QString::number(std::fabs(value), 'f', QLocale::FloatingPointShortest);
    return (value < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + digits;
}

double parseNumber(const QString& text) {
    qsizetype pos = 0;
    while (pos < text.size() && (text[pos] == u' ' || text[pos] == u'\t'))
        ++pos;
    const qsizetype start = pos;
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-'))
        ++pos;
    qsizetype mantissaDigits = skipDigits(text, pos);
    if (pos < text.size() && text[pos] == u'.') {
        qsizetype afterPoint = pos + 1;
        const qsizetype fractionDigits = skipDigits(text, afterPoint);
        if (mantissaDigits + fractionDigits > 0) {
            pos = afterPoint;
            mantissaDigits += fractionDigits;
        }
    }
    if (mantissaDigits == 0)
        return 0.0;
    if (pos < text.size() && (text[pos] == u'e' || text[pos] == u'E')) {
        qsizetype exponent = pos + 1;
        if (exponent < text.size() && (text[exponent] == u'+' || text[exponent] == u'-'))
            ++exponent;
        if (skipDigits(text, exponent) > 0)
            pos = exponent;
    }
    // The accepted text is plain decimal ASCII. It is converted with the "C"
    // locale whatever the user's locale, to an infinity on overflow and to 0
    // (or a tiny value) on underflow.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const QByteArray accepted = text.mid(start, pos - start).toLatin1();
    return strtod_l(accepted.constData(), nullptr, cLocale);
}

std::optional<short> toInt16(double value) {
    if (std::isnan(value))
        return std::nullopt;
    const double below = std::floor(value);
    const double fraction = value - below;
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        rounded = below + 1.0;
    if (rounded < std::numeric_limits<short>::min() || rounded > std::numeric_limits<short>::max())
        return std::nullopt;
    return static_cast<short>(rounded);
}

std::optional<short> parseInt16(const QString& text) {
    return toInt16(parseNumber(text));
}

QString formatDataSize(qint64 bytes, const QLocale& locale) {
    static const char* const units[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    constexpr int kUnits = int(std::size(units));
    // What the text will show of a value: tenths below ten, whole ones above.
    const auto shown = [](double value) {
        return value < 10 ? std::round(value * 10) / 10 : std::round(value);
    };
    bytes = std::max<qint64>(bytes, 0);
    if (bytes == 1)
        return QStringLiteral("1 byte");
    double value = double(bytes);
    int unit = -1;
    while (unit + 1 < kUnits && shown(value) >= 1024) {
        value /= 1024;
        ++unit;
    }
    if (unit < 0)
        return locale.toString(bytes) + QStringLiteral(" bytes");
    return locale.toString(value, 'f', shown(value) < 10 ? 1 : 0) + u' ' +
           QLatin1StringView(units[unit]);
}
