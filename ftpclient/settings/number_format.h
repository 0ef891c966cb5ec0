#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// Numbers in the settings file. A number is written as a signed decimal with
// a space where a minus sign would stand for a value that is not negative
// (" 0", " 1215", "-1", " 12.5"). Reading is lenient: leading blanks, an
// optional sign, digits, an optional point with digits and an optional
// exponent, up to the first character that does not fit; anything else reads
// as 0.

QString formatNumber(double value);

double parseNumber(const QString& text);

// The nearest whole number, halves to the even neighbour, when it lies within
// -32768 .. 32767; nothing otherwise.
std::optional<short> toInt16(double value);

// parseNumber() then toInt16().
std::optional<short> parseInt16(const QString& text);

// A size as the user reads it, counted in 1,024s and labelled so: "1 byte",
// "1,023 bytes", then KiB, MiB, GiB, TiB, PiB and EiB with one decimal below
// ten ("1.5 KiB", "12 MiB"). The unit is chosen after rounding, so that a
// size just short of the next unit shows as "1.0" of it. `bytes` is not
// negative (a negative one shows as 0).
QString formatDataSize(qint64 bytes, const QLocale& locale = QLocale());
