#pragma once

#include "ftp_command.h"

#include <QSignalSpy>
#include <QStringList>

// The commands handed to a transfer component, from a spy on a session's
// commandExecuted signal.
inline QStringList sentCommands(const QSignalSpy& spy) {
    QStringList commands;
    for (const QList<QVariant>& call : spy)
        commands << call.at(0).toString();
    return commands;
}

// A command written as text, the way a test reads best.
inline FtpCommand commandOf(const QString& text) {
    return parseFtpCommand(text, nullptr).value_or(FtpCommand{});
}
