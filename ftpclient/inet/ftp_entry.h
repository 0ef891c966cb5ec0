#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

// How exactly a modification time is known. A unix listing shows minutes
// for recent files and days for older ones; MLSD, MDTM and the local disk
// give seconds.
enum class TimePrecision : quint8 { Seconds, Minutes, Days };

// One entry of a remote directory, as it flows from the listing parser to the
// file lists.
struct RemoteEntry {
    QString name; // RawName text: RawName::encode(name) gives the server's bytes
    bool isDirectory = false;
    bool isLink = false;
    TimePrecision precision = TimePrecision::Seconds; // of `modified`
    qint64 size = -1;                                 // bytes; -1 when the listing does not say
    // Seconds since 1970; -1 when not known. UTC, unless the listing's
    // serverClockTimes says it is the server's clock reading taken as UTC.
    qint64 modified = -1;
};
// Listings of a hundred thousand entries are common: the precision costs
// no room.
static_assert(sizeof(RemoteEntry) == sizeof(QString) + 3 * sizeof(qint64));

// A listing taken apart: its directories and its files, each sorted by name
// without regard to case (equal names in the server's order).
struct RemoteListing {
    std::vector<RemoteEntry> directories;
    std::vector<RemoteEntry> files;
    int linesNotUnderstood = 0;
    // Some time was read from a form that gives the server's local clock
    // (unix "ls -l", DOS), not UTC (MLSD, EPLF): its zone is not known.
    bool serverClockTimes = false;
};

// Listings are handed on without copying.
using SharedListing = std::shared_ptr<const RemoteListing>;

// The listing as reply text: one name per line ending CR LF, directories
// with a trailing "/".
QString listingText(const RemoteListing& listing);
