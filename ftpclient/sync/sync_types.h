#pragma once

#include "ftp_entry.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <vector>

// How exactly a side knows an entry's modification time: TimePrecision,
// from ftp_entry.h, as the listing parser gives it.

// One entry of a folder as one side (the local disk or the server) has it.
struct SideEntry {
    QString name; // RawName text
    bool folder = false;
    bool link = false;    // a symbolic link (followed where it leads somewhere)
    qint64 size = -1;     // bytes; -1 when not known
    qint64 modified = -1; // seconds since 1970 UTC; -1 when not known
    TimePrecision precision = TimePrecision::Seconds;
    // Why the entry cannot be brought across as it is ("a link to nothing",
    // "neither a file nor a folder"); "" when it can.
    QString problem;
};

// One folder of a side: its entries in no particular order, or why it could
// not be read.
struct SideFolder {
    std::vector<SideEntry> entries;
    QString error; // "" when read
    // Lines of the server's listing that were left out: not understood, or
    // naming an entry by a name no entry can have ("a/b", a control
    // character).
    int leftOut = 0;
};

// A side's tree: each folder read, by its path below the compared folder
// ("" for the folder itself, "docs", "docs/img"), '/'-separated RawName text.
using SideTree = QHash<QString, SideFolder>;

// Whether `path` (below the compared folder, as in SideTree) is left out of
// the reading: a folder for which it holds is not read at all.
using SkipPath = std::function<bool(const QString& path, bool folder)>;

// What the server's listed times are ahead of UTC (see
// CompareRules::remoteOffsetSeconds), as the reading of its tree found.
struct ServerClock {
    enum class Source : quint8 {
        Utc,      // the listing gives UTC (MLSD) or no times: no offset
        Measured, // one file's listed time against its MDTM (or SFTP stat)
        Unknown,  // local times that could not be measured: taken as 0
        Uploaded, // a file tarlen uploaded: its listed time against the upload's
        Set,      // as the user set it
    };
    Source source = Source::Utc;
    qint64 offsetSeconds = 0;
};

// How far a server's clock is ahead of UTC when it shows `shown` for a
// moment that was `utc`: the difference to the nearest quarter hour;
// nothing when that is further from UTC than any zone.
std::optional<qint64> clockOffsetOf(qint64 shown, qint64 utc);

// How two entries of one name are judged.
struct CompareRules {
    bool bySize = true;
    bool byTime = true;
    // Differences in time up to this many seconds count as none (clocks,
    // file systems that keep two seconds, rounding).
    qint64 toleranceSeconds = 2;
    // What the server's listed times are ahead of UTC, in seconds (a
    // listing in the server's local time); subtracted before comparing.
    qint64 remoteOffsetSeconds = 0;
    // Files of the same size on both sides are compared by checksum too:
    // the server's (HASH, XSHA256 and the like) against the local file's.
    bool byChecksum = false;
    // Where the server has no checksum to give (and over SFTP), the remote
    // file is read through and hashed: every such file is downloaded.
    bool readWhenNoChecksum = false;
};

// What comparing one name on both sides found.
enum class Verdict : quint8 {
    Same,
    OnlyLocal,
    OnlyRemote,
    NewerLocal,
    NewerRemote,
    SizeDiffers,    // same time (or no time to go by), another size
    ContentsDiffer, // same size, other checksums
    Problem,        // cannot be judged or cannot be brought across: see `problem`
};

struct ComparedEntry {
    QString name;
    bool folder = false;
    bool localPresent = false;
    bool remotePresent = false;
    SideEntry local;  // as the disk has it, when present
    SideEntry remote; // as the server lists it, when present
    Verdict verdict = Verdict::Same;
    // A folder: some entry below it is not the same on both sides.
    bool containsDifferences = false;
    QString problem; // why the verdict is Problem
    // What the checksums showed, or why they could not be had ("" when
    // they were not asked for); the preview's reason says it.
    QString contentNote;
};

// One folder compared: its entries sorted by name without regard to case.
struct ComparedFolder {
    std::vector<ComparedEntry> entries;
    QString error;         // a side could not be read
    int remoteLeftOut = 0; // see SideFolder::leftOut
};

// The compared tree, by folder path as in SideTree.
using ComparedTree = QHash<QString, ComparedFolder>;

enum class SyncDirection : quint8 {
    LocalToRemote,
    RemoteToLocal,
    BothByNewest,
};

// Which names take part: a name (or a path below the compared folder)
// matching an exclude pattern is left out, and so is everything in a folder
// left out; with include patterns, only files matching one of them take
// part. Patterns are shell wildcards; one ending in "/" names folders only
// (".git/").
struct NameFilter {
    QStringList include;
    QStringList exclude;
};

struct SyncOptions {
    SyncDirection direction = SyncDirection::LocalToRemote;
    bool recursive = true;
    CompareRules rules;
    // Delete what is not on the source side (one-way directions only).
    bool deleteExtra = false;
    NameFilter filter;
};

enum class ActionKind : quint8 {
    Upload,
    Download,
    DeleteLocal,
    DeleteRemote,
    KeepExtra, // not on the source side, but deleting was not asked for
    Leave,     // the same on both sides
    Problem,   // cannot be done: see `reason`
};

// One row of the preview.
struct SyncAction {
    ActionKind kind = ActionKind::Leave;
    QString path; // below the compared folders, '/'-separated RawName text
    bool folder = false;
    qint64 bytes = 0; // moved by the action (0 for deletes and folders)
    QString reason;   // "newer here", "only there", ...
    // Each side as the preview saw it; a started action checks that the
    // target is still so.
    bool localPresent = false;
    bool remotePresent = false;
    SideEntry local;
    SideEntry remote;
    bool chosen = true; // the user's tick in the preview
};

struct SyncPlan {
    std::vector<SyncAction> actions; // transfers first, then deletes, then the rest
};

// The path of `name` in the folder at `folder` (both as in SideTree).
QString childPath(const QString& folder, const QString& name);

// Whether the action moves a file or makes a folder (and so comes before
// every deletion).
bool isTransfer(ActionKind kind);
