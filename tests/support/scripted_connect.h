#pragma once

#include "connection/tarlen_frm.h"
#include "ftp_test_server.h"

#include <QSignalSpy>
#include <QStringList>

// Stands in for the connect dialog: confirms a host the way its Connect
// button does, without showing anything.
inline void scriptConnectDialog(TARLEN_Frm& frm, const QString& address, const QString& user,
                                const QString& password) {
    frm.showConnectDialog = [&frm, address, user, password] {
        Inet* inet = frm.Inet1();
        inet->setProtocol(Inet::ProtocolFtp);
        inet->setURL(address);
        inet->setUserName(user);
        inet->setPassword(password);
        frm.state.iLastCommand = LastCommand::FirstAfterConnect;
    };
}

inline void scriptConnectDialog(TARLEN_Frm& frm, const FtpTestServer& server) {
    scriptConnectDialog(frm, server.address(), server.userName(), server.password());
}

// The commands a window handed to its transfer component, from a spy on its
// commandExecuted signal.
inline QStringList sentCommands(const QSignalSpy& spy) {
    QStringList commands;
    for (const QList<QVariant>& call : spy)
        commands << call.at(0).toString();
    return commands;
}
