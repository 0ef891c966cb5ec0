// The modification times of listing lines, read from the text each form
// points at, only for listings whose times are wanted.
#include "ftp_listing.h"
#include "listing_words.h"

#include <QDateTime>
#include <QTimeZone>

#include <array>
#include <string_view>

namespace {

constexpr qint64 kDay = 24 * 60 * 60;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
qint64 daysFromCivil(qint64 year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const qint64 era = (year >= 0 ? year : year - 399) / 400;
    const qint64 yearOfEra = year - era * 400;
    const qint64 dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const qint64 dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The number the digits of `s` make; -1 when `s` is empty or holds another
// character.
int number(QByteArrayView s) {
    if (s.isEmpty() || s.size() > 9)
        return -1;
    int value = 0;
    for (const char c : s) {
        if (!isDigit(c))
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// 1..12 for an English month's first three letters, in any case; 0 otherwise.
int englishMonth(QByteArrayView s) {
    static constexpr std::string_view months = "janfebmaraprmayjunjulaugsepoctnovdec";
    if (s.size() != 3)
        return 0;
    std::array<char, 3> lower{};
    for (int i = 0; i < 3; ++i)
        lower[i] = char(s[i] >= 'A' && s[i] <= 'Z' ? s[i] + ('a' - 'A') : s[i]);
    const size_t at = months.find(std::string_view(lower.data(), 3));
    return at == std::string_view::npos || at % 3 != 0 ? 0 : int(at / 3) + 1;
}

struct Date {
    int year = -1;
    int month = 0;
    int day = 0;
    bool valid() const {
        return year >= 1900 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
    }
    qint64 seconds() const { return daysFromCivil(year, month, day) * kDay; }
};

struct Clock {
    int hour = -1;
    int minute = -1;
    int second = -1; // -1: minutes only
};

bool validClock(const Clock& c) {
    return c.hour >= 0 && c.hour < 24 && c.minute >= 0 && c.minute < 60 && c.second < 61;
}

void applyAmPm(Clock& clock, QByteArrayView marker) {
    if (marker.compare("PM", Qt::CaseInsensitive) == 0 && clock.hour < 12)
        clock.hour += 12;
    else if (marker.compare("AM", Qt::CaseInsensitive) == 0 && clock.hour == 12)
        clock.hour = 0;
}

// "18:02", "9:02", "18:02:33", "18:02:33.000000000", "06:02PM".
Clock clockOf(QByteArrayView s) {
    QByteArrayView marker;
    if (s.size() > 2 && !isDigit(s.back())) {
        marker = s.last(2);
        s.chop(2);
    }
    const qsizetype colon = s.indexOf(':');
    if (colon < 1 || colon > 2 || s.size() < colon + 3)
        return {};
    Clock clock{number(s.first(colon)), number(s.sliced(colon + 1, 2)), -1};
    if (s.size() >= colon + 6 && s[colon + 3] == ':')
        clock.second = number(s.sliced(colon + 4, 2));
    applyAmPm(clock, marker);
    return clock;
}

// The blank-separated words of a time's text.
std::array<QByteArrayView, 4> wordsOf(QByteArrayView text, int* count) {
    std::array<QByteArrayView, 4> words;
    *count = 0;
    qsizetype at = 0;
    while (*count < 4) {
        while (at < text.size() && isListBlank(text[at]))
            ++at;
        if (at >= text.size())
            break;
        const qsizetype begin = at;
        while (at < text.size() && !isListBlank(text[at]))
            ++at;
        words[(*count)++] = text.sliced(begin, at - begin);
    }
    return words;
}

// "2023-07-09".
Date isoDate(QByteArrayView s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-')
        return {};
    return {number(s.first(4)), number(s.sliced(5, 2)), number(s.sliced(8, 2))};
}

struct Reading {
    qint64 seconds = -1;
    TimePrecision precision = TimePrecision::Seconds;
};

Reading at(const Date& date, const Clock& clock) {
    if (!date.valid() || !validClock(clock))
        return {};
    const qint64 seconds = date.seconds() + clock.hour * 3600 + clock.minute * 60;
    if (clock.second < 0)
        return {seconds, TimePrecision::Minutes};
    return {seconds + clock.second, TimePrecision::Seconds};
}

// "Jul  9 18:02": the year is the latest that puts the date no more than a
// day after now (ls shows the time for the last half year, and the server's
// clock may be ahead of ours by its zone).
Reading withoutYear(int month, int day, const Clock& clock, qint64 nowUtc) {
    const int thisYear = QDateTime::fromSecsSinceEpoch(nowUtc, QTimeZone::utc()).date().year();
    Reading reading = at({thisYear, month, day}, clock);
    if (reading.seconds > nowUtc + kDay)
        reading = at({thisYear - 1, month, day}, clock);
    return reading;
}

Reading unixTime(QByteArrayView text, qint64 nowUtc) {
    int count = 0;
    const auto w = wordsOf(text, &count);
    if (count >= 2) {
        if (const Date iso = isoDate(w[0]); iso.valid())
            return at(iso, clockOf(w[1]));
    }
    if (count != 3)
        return {};
    int month = englishMonth(w[0]);
    int day = number(w[1]);
    if (month == 0) { // "9 Jul 2023"
        month = englishMonth(w[1]);
        day = number(w[0]);
    }
    if (month == 0)
        return {};
    if (w[2].size() == 4 && number(w[2]) >= 1900) {
        const Date date{number(w[2]), month, day};
        return date.valid() ? Reading{date.seconds(), TimePrecision::Days} : Reading{};
    }
    return withoutYear(month, day, clockOf(w[2]), nowUtc);
}

// "07-09-23" (month, day, year) or "2023-07-09".
Date dosDate(QByteArrayView s) {
    if (const Date iso = isoDate(s); iso.valid())
        return iso;
    if (s.size() != 8 && s.size() != 10)
        return {};
    int year = number(s.sliced(6));
    if (s.size() == 8)
        year += year < 70 ? 2000 : 1900;
    return {year, number(s.first(2)), number(s.sliced(3, 2))};
}

Reading dosTime(QByteArrayView text) {
    int count = 0;
    const auto w = wordsOf(text, &count);
    if (count < 2)
        return {};
    Clock clock = clockOf(w[1]);
    if (count > 2)
        applyAmPm(clock, w[2]);
    return at(dosDate(w[0]), clock);
}

// "20230709180233" or "20230709180233.123".
Reading factsTime(QByteArrayView text) {
    if (text.size() < 14)
        return {};
    const Date date{number(text.first(4)), number(text.sliced(4, 2)), number(text.sliced(6, 2))};
    const Clock clock{number(text.sliced(8, 2)), number(text.sliced(10, 2)),
                      number(text.sliced(12, 2))};
    return clock.second < 0 ? Reading{} : at(date, clock);
}

Reading epochTime(QByteArrayView text) {
    bool ok = false;
    const qint64 seconds = text.toLongLong(&ok);
    return ok && seconds >= 0 ? Reading{seconds, TimePrecision::Seconds} : Reading{};
}

} // namespace

bool readListedTime(const ListedTime& time, qint64 nowUtc, qint64* seconds,
                    TimePrecision* precision) {
    Reading reading;
    switch (time.form) {
    case ListedTimeForm::None:
        return false;
    case ListedTimeForm::Facts:
        reading = factsTime(time.text);
        break;
    case ListedTimeForm::Epoch:
        reading = epochTime(time.text);
        break;
    case ListedTimeForm::Unix:
        reading = unixTime(time.text, nowUtc);
        break;
    case ListedTimeForm::Dos:
        reading = dosTime(time.text);
        break;
    }
    if (reading.seconds < 0)
        return false;
    *seconds = reading.seconds;
    *precision = reading.precision;
    return true;
}

bool givesServerClock(ListedTimeForm form) {
    return form == ListedTimeForm::Unix || form == ListedTimeForm::Dos;
}

void FtpListingBuilder::keepTimes() {
    m_keepTimes = true;
    m_now = QDateTime::currentSecsSinceEpoch();
}

void FtpListingBuilder::takeTime(const ListedTime& time, RemoteEntry& entry) {
    if (!readListedTime(time, m_now, &entry.modified, &entry.precision))
        return;
    if (givesServerClock(time.form))
        m_listing.serverClockTimes = true;
}
