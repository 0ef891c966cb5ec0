#pragma once

#include "ftp_test_server.h"
#include "sent_commands.h"
#include "window/tarlen_frm.h"

// Stands in for the connect dialog: names a host the way its Connect button
// does, without showing anything.
inline void scriptConnectDialog(TARLEN_Frm& frm, const QString& address, const QString& user,
                                const QString& password) {
    frm.dialogs().showConnectDialog = [address, user, password]() -> std::optional<HostInfo> {
        return HostInfo{QString(), address, user, password};
    };
}

inline void scriptConnectDialog(TARLEN_Frm& frm, const FtpTestServer& server) {
    scriptConnectDialog(frm, server.address(), server.userName(), server.password());
}
