#pragma once

#include "host_profiles.h"

#include <QString>

#include <optional>

// A server and folder handed over as a URL (ftp://, ftps:// or sftp://), as
// a desktop passes on a link the user clicked:
//   scheme://[user[:password]@]host[:port][/path]
struct LaunchTarget {
    ServerProtocol protocol = ServerProtocol::FtpTlsIfOffered;
    QString host;  // IPv6 literals in brackets
    int port = -1; // -1: the protocol's own
    QString user;  // empty when the URL names none
    std::optional<QString> password;
    // The folder to open, decoded ("" for the login directory). Over FTP a
    // URL path is taken from the login directory ("ftp://h/pub/" is "pub/"
    // there); over SFTP it is absolute, and "/~/" is the login directory.
    // It ends in "/"; a relative one does not start with "/".
    QString directory;

    // The address as the connect dialog takes it: "host" or "host:port".
    QString address() const;
};

// Reads a URL; on failure says why in *error.
std::optional<LaunchTarget> parseLaunchUrl(const QString& text, QString* error);

// The saved profile the target names: same host and port, a protocol the
// URL's scheme allows, and the same user when the URL names one. -1: none.
int matchingProfile(const HostProfiles& profiles, const LaunchTarget& target);

// What to log in with: the matching profile (the URL's user and password,
// when it has them, in place of the profile's), or a host made of the URL
// alone (without a user: anonymous over FTP, the local user over SFTP).
HostInfo launchHost(const HostProfiles& profiles, const LaunchTarget& target);
