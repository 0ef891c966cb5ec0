#pragma once

#include <QElapsedTimer>

#include <deque>

// The rate of a transfer over its most recent seconds, and the time left at
// that rate. A count that goes back (a transfer started over) starts afresh.
class RateMeter {
public:
    // The rate is taken over this much of the most recent progress.
    static constexpr qint64 WindowMs = 3000;

    void restart();
    // Adds a report of `done` bytes at `ms` (or now) and returns the rate.
    double add(qint64 done);
    double add(qint64 ms, qint64 done);
    double rate() const { return m_rate; }
    // Seconds until `total` at the current rate; -1 when not known.
    qint64 secondsLeft(qint64 done, qint64 total) const;

private:
    struct Sample {
        qint64 ms;
        qint64 done;
    };
    QElapsedTimer m_clock;
    std::deque<Sample> m_samples;
    double m_rate = 0;
};
