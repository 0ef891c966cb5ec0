#pragma once

#include <QObject>
#include <QTest>
#include <QTimer>

// Runs the event loop until everything posted to it before the call has
// been handled: what a click leaves to be done once the mouse handling is
// over (a zero-time single shot) has been done by then.
inline bool waitForPostedEvents(int timeoutMs = 5000) {
    bool reached = false;
    QObject context;
    QTimer::singleShot(0, &context, [&reached] { reached = true; });
    return QTest::qWaitFor([&reached] { return reached; }, timeoutMs);
}
