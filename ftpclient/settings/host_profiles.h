#pragma once

#include "server_protocol.h"

#include <QList>
#include <QString>

#include <optional>

// A local folder and a remote one kept together with a profile, to be
// opened side by side.
struct FolderPair {
    QString name;
    QString local;  // RawName text
    QString remote; // RawName text
    bool operator==(const FolderPair&) const = default;
};

// One saved host profile.
struct HostInfo {
    QString sName;
    QString sAddr;
    QString sUser;
    QString sPW; // plain text; only the settings file holds it scrambled
    // How to reach the host. A profile stored without one has always been
    // plain FTP.
    ServerProtocol protocol = ServerProtocol::PlainFtp;
    QString sKeyFile{}; // SFTP: the private key to log in with; "" for none
    // The password is kept in the desktop's keyring, not in the settings
    // file (which then holds an empty one).
    bool inKeyring = false;
    // FTP with TLS when offered: a server that does not offer TLS is used in
    // clear text without asking (the user said so for good).
    bool clearTextAllowed = false;
    // Folders kept with the profile, in the order kept.
    QList<FolderPair> folderPairs{};
    // How far the server's listed times are ahead of UTC, in minutes, as the
    // user set it; nothing: found out at each comparison.
    std::optional<int> clockMinutes{};
};

// The most folder pairs a profile keeps, and the longest folder (in bytes)
// a pair holds.
constexpr int kMaxFolderPairs = 100;
constexpr int kMaxPairFolderBytes = 4096;
// The farthest a server's clock is set from UTC, in minutes.
constexpr int kFarthestClockMinutes = 15 * 60;

// The profile globals: read from the settings file at start-up, edited by the
// connect dialog, written back at shutdown.
struct HostProfiles {
    QList<HostInfo> Hosts; // entries 0 .. iNumHosts - 1 are in use
    short iNumHosts = 0;
    short iCurHost = 0;
    short iSavePW = 0;
};

// The saved profile that logs in as `host` does (address, user and
// protocol), the current one first; -1 when there is none.
inline int profileOf(const HostProfiles& profiles, const HostInfo& host) {
    const auto same = [&host](const HostInfo& profile) {
        return profile.sAddr == host.sAddr && profile.sUser == host.sUser &&
               profile.protocol == host.protocol;
    };
    const int count = int(qMin<qsizetype>(profiles.iNumHosts, profiles.Hosts.size()));
    if (profiles.iCurHost >= 0 && profiles.iCurHost < count &&
        same(profiles.Hosts[profiles.iCurHost]))
        return profiles.iCurHost;
    for (int n = 0; n < count; ++n) {
        if (same(profiles.Hosts[n]))
            return n;
    }
    return -1;
}
