#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <array>
#include <map>

// The date and size texts of local entries, and the size key that orders
// them. One object serves a whole directory: each local day is worked out
// and formatted once, and the times that fall into a day already seen are
// matched to it without the C library.
class LocalEntryTexts {
public:
    // The user's locale, always with digit grouping.
    LocalEntryTexts();
    explicit LocalEntryTexts(const QLocale& locale);

    // The local date of a modification time given in seconds since the
    // epoch, "mm/dd/yy"; "" when it has no calendar date.
    QString date(qint64 secsSinceEpoch);
    // "#,##0": digits grouped with the locale's thousands separator.
    QString size(qint64 length) const;
    // The same, kept on the stack when it can be, to go into a longer text.
    struct SizeText {
        char16_t units[32];
        qsizetype at = 32; // where the digits begin in `units`
        QString other;     // the locale's own text, where it writes them itself
        QStringView view() const {
            return other.isNull() ? QStringView(units + at, 32 - at) : QStringView(other);
        }
    };
    SizeText sizeText(qint64 length) const;
    // Twelve digits, zero-padded, so that text order is numeric order;
    // lengths of a terabyte and more come after them as ":" and nineteen
    // digits.
    static QString sizeKey(qint64 length);

private:
    // A local day: the seconds from its start to the start of the next.
    struct Day {
        qint64 end = 0;
        QString text;
    };
    QString newDay(qint64 secsSinceEpoch);
    // The grouped digits at the end of `text`; returns where they start.
    qsizetype groupDigits(qint64 length, char16_t (&text)[32]) const;
    QString groupedDigits(qint64 length) const;

    QLocale m_locale;
    QHash<qint64, QString> m_dates; // by Julian day
    std::map<qint64, Day> m_days;   // by the second the day starts
    char16_t m_separator = 0;       // the locale groups as "#,##0" with it; 0: ask the locale
};

// Cuts names with "~" to a width in pixels: the longest prefix that fits
// followed by "~", at worst the first character and "~". A name that fits,
// or a single character, stays whole. A text's width is the sum of its
// characters' advances in the font, looked up once per character.
class NameShortener {
public:
    NameShortener(const QFont& font, int width);

    QString shorten(const QString& name);
    qreal width(QStringView text);

private:
    qreal advance(char32_t c);

    QFontMetricsF m_metrics;
    int m_limit;
    std::array<qreal, 256> m_latin1;
    QHash<char32_t, qreal> m_others;
};
