#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

// One entry of a remote directory, as it flows from the listing parser to the
// file lists.
struct RemoteEntry {
    QString name; // RawName text: RawName::encode(name) gives the server's bytes
    bool isDirectory = false;
    bool isLink = false;
    qint64 size = -1;     // bytes; -1 when the listing does not say
    qint64 modified = -1; // seconds since 1970 (UTC); -1 when not known
};

// A listing taken apart: its directories and its files, each sorted by name
// without regard to case (equal names in the server's order).
struct RemoteListing {
    std::vector<RemoteEntry> directories;
    std::vector<RemoteEntry> files;
    int linesNotUnderstood = 0;
};

// Listings are handed on without copying.
using SharedListing = std::shared_ptr<const RemoteListing>;

// The listing as reply text: one name per line ending CR LF, directories
// with a trailing "/".
QString listingText(const RemoteListing& listing);
