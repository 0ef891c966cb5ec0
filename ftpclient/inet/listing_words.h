#pragma once

// The words listing lines are made of: blank-separated tokens, numbers,
// month names in the languages servers print them in, times and years.

#include <QByteArrayView>
#include <QtEndian>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <optional>

struct ListToken {
    qsizetype begin;
    qsizetype end;
};

// Up to N tokens split at runs of blanks (and tabs), remembering where each
// sits in the line; stops after the N-th, so a long name costs nothing.
template <size_t N> struct ListTokens {
    QByteArrayView line;
    std::array<ListToken, N> at{};
    size_t count = 0;

    explicit ListTokens(QByteArrayView text);
    QByteArrayView operator[](size_t k) const {
        return line.sliced(at[k].begin, at[k].end - at[k].begin);
    }
    // The rest of the line from the first non-blank after token k.
    QByteArrayView restAfter(size_t k) const;
};

inline bool isListBlank(char c) {
    return c == ' ' || c == '\t';
}

// Eight bytes of a line looked at as one word, the first byte lowest.
constexpr quint64 kEveryByte = 0x0101010101010101;
constexpr quint64 kHighBits = kEveryByte * 0x80;
// The high bit of the first byte of a word that is 0, and maybe of later
// bytes: the borrows of the subtraction may mark bytes after a 0 byte, never
// before it.
constexpr quint64 holdsZeroByte(quint64 word) {
    return (word - kEveryByte) & ~word & kHighBits;
}
inline quint64 wordAt(const char* at) {
    return qFromLittleEndian<quint64>(at);
}

// The high bit of each byte of a word that is `c`, exactly.
constexpr quint64 bytesEqualTo(quint64 word, char c) {
    const quint64 other = word ^ (kEveryByte * static_cast<unsigned char>(c));
    return ~((((other & ~kHighBits) + ~kHighBits) | other) | ~kHighBits);
}
// The high bits of a word's bytes as eight bits, the first byte's lowest.
constexpr quint64 gatherHighBits(quint64 marked) {
    return (marked >> 7) * 0x0102040810204080 >> 56;
}

// Where the spaces of the first 64 bytes of a line are: bit i for byte i.
// The columns of a unix listing line are found in this mask, without a loop
// and its mispredicted end for each column.
struct SpaceMask {
    quint64 spaces = 0;
    qsizetype covered = 0; // bytes looked at: 64, or the line's size if less
    bool tab = false;      // whether one of them is a tab

    explicit SpaceMask(QByteArrayView line) {
        covered = std::min<qsizetype>(line.size(), 64);
        qsizetype at = 0;
        quint64 tabs = 0;
        for (; at + 8 <= covered; at += 8) {
            const quint64 word = wordAt(line.data() + at);
            spaces |= gatherHighBits(bytesEqualTo(word, ' ')) << at;
            tabs |= holdsZeroByte(word ^ (kEveryByte * '\t'));
        }
        for (; at < covered; ++at) {
            spaces |= quint64(line[at] == ' ') << at;
            tabs |= quint64(line[at] == '\t');
        }
        tab = tabs != 0;
    }
    // The first byte at or after `at` set in `mask`, or `covered`; `at`
    // itself when it is past what the mask covers.
    qsizetype firstIn(quint64 mask, qsizetype at) const {
        if (at >= covered)
            return at;
        const quint64 ahead = mask >> at;
        return ahead != 0 ? std::min(covered, at + qCountTrailingZeroBits(ahead)) : covered;
    }
};

inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

template <size_t N>
ListTokens<N>::ListTokens(QByteArrayView text)
    : line(text) {
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (count < N) {
        while (i < n && isListBlank(line[i]))
            ++i;
        if (i >= n)
            break;
        const qsizetype begin = i;
        while (i < n && !isListBlank(line[i]))
            ++i;
        at[count++] = {begin, i};
    }
}

template <size_t N> QByteArrayView ListTokens<N>::restAfter(size_t k) const {
    qsizetype i = at[k].end;
    while (i < line.size() && isListBlank(line[i]))
        ++i;
    return line.sliced(i);
}

bool isDigits(QByteArrayView s);
// A whole number that fits a qint64, or nothing.
std::optional<qint64> toCount(QByteArrayView s);
// "1,234,567" or "1.234.567" as well as "1234567".
std::optional<qint64> toGroupedCount(QByteArrayView s);
// "33.5k", "2M", "1.2G" (powers of 1024) as well as plain digits.
std::optional<qint64> toSizeWithUnit(QByteArrayView s);

// A month name, abbreviated or in full, as ls prints it in English, German,
// French, Spanish, Italian, Portuguese, Dutch, Hungarian, Polish, the Nordic
// languages or Russian, in any case, with or without a trailing full stop or
// comma.
bool isMonthName(QByteArrayView s);
// "7月" or "7월": a month written with CJK characters, in UTF-8, Shift-JIS,
// EUC-JP, EUC-KR or GB2312.
bool isCjkMonth(QByteArrayView s);
// "9", "09", "9." or "9,", and with CJK characters "9日" or "9일".
bool isDayOfMonth(QByteArrayView s);
// "2023年" or "2023년".
bool isCjkYear(QByteArrayView s);
// "2023年7月9日" in one token.
bool isCjkDate(QByteArrayView s);
// A date of digits in one token: "07-09-23", "09.07.2023", "2023/07/09",
// with "-", "/" or "." between; "07-09-123" (a year counted from 1900)
// only where `centuryYears`.
bool isNumericDate(QByteArrayView s, bool centuryYears = false);
// "09-26": a month and a day, without the year.
bool isMonthAndDay(QByteArrayView s);
// "9-JUL-2023", "01-jun-99", "Feb-28-1998": a date with a month name.
bool isNamedMonthDate(QByteArrayView s);
// Whether a word could be a field of a listing line rather than the first
// word of a name: a number, size, date, time, month or day, a unix mode or a
// bracketed attribute ("[RWCEAFMS]", "<DIR>", "*FILE").
bool looksLikeField(QByteArrayView s);
// "18:02", "18:02:33", "18:02:33.123456789", or a four-digit year.
bool isTimeOrYear(QByteArrayView s);
bool isClockTime(QByteArrayView s);
// "2023-07-09".
bool isIsoDate(QByteArrayView s);
// "+0200" or "-0530" after a full-iso time.
bool isZoneOffset(QByteArrayView s);
