#pragma once

#include "inet.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTest>

// What one command run through an Inet produced.
struct CommandOutcome {
    bool finished = false;
    QList<short> states;
    QString reply;
    int responseCode = 0;
    QString responseInfo;

    bool ok() const { return finished && !states.isEmpty() && states.last() == 12; }
};

// Collects every state an Inet reports.
class StateRecorder : public QObject {
public:
    explicit StateRecorder(Inet& inet) {
        connect(&inet, &Inet::StateChanged, this, [this](short s) { states.append(s); });
    }
    QList<short> states;
};

inline QString readWholeReply(Inet& inet) {
    QString all;
    for (QString part = inet.GetChunk(1024); !part.isEmpty(); part = inet.GetChunk(1024))
        all += part;
    return all;
}

// Runs one command (its text or an FtpCommand) to its end, pumping events
// the way the client's wait does.
template <typename Command>
CommandOutcome runCommand(Inet& inet, const Command& command, int timeoutMs = 30000) {
    StateRecorder recorder(inet);
    CommandOutcome out;
    inet.Execute(inet.URL(), command);
    out.finished = QTest::qWaitFor([&] { return !inet.StillExecuting(); }, timeoutMs);
    QCoreApplication::processEvents();
    out.states = recorder.states;
    if (out.finished) {
        out.reply = readWholeReply(inet);
        out.responseCode = inet.ResponseCode();
        out.responseInfo = inet.ResponseInfo();
    }
    return out;
}

// The listing reply as a sorted list of its lines.
inline QStringList listingLines(const QString& reply) {
    QStringList lines = reply.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}
