#pragma once

#include "remote_session.h"

#include <QTest>

// The session runs its commands as jobs and nothing waits for them: a test
// that starts one (a click, a pane's handler) waits here until the session
// has nothing running and nothing waiting.
inline bool waitUntilIdle(const RemoteSession& session, int timeoutMs = 30000) {
    return QTest::qWaitFor([&session] { return !session.runner().busy(); }, timeoutMs);
}

// Runs `job` to its end and hands back how it ended.
inline InetResult runToEnd(RemoteJob* job, int timeoutMs = 30000) {
    InetResult result = InetResult::cancelledResult();
    bool ended = false;
    QObject context; // ends the connection with this function
    QObject::connect(job, &RemoteJob::finished, &context, [&](const InetResult& r) {
        result = r;
        ended = true;
    });
    if (!QTest::qWaitFor([&ended] { return ended; }, timeoutMs))
        return InetResult::cancelledResult();
    return result;
}
