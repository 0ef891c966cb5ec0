#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

// Lets the window handle its events from inside a long loop, but only every
// few milliseconds rather than on every pass.
class EventPacer {
public:
    explicit EventPacer(QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents,
                        int intervalMs = 5)
        : m_flags(flags)
        , m_intervalMs(intervalMs) {
        m_clock.start();
    }

    // Returns true when events were handled.
    bool pace() {
        if (m_clock.elapsed() < m_intervalMs)
            return false;
        QCoreApplication::processEvents(m_flags);
        m_clock.restart();
        return true;
    }

private:
    QElapsedTimer m_clock;
    QEventLoop::ProcessEventsFlags m_flags;
    int m_intervalMs;
};
