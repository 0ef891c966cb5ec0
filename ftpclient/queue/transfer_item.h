#pragma once

#include "part_file.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

enum class TransferDirection { Download, Upload };

// What to do with a target that exists already.
enum class ConflictAnswer {
    Overwrite,
    Resume, // continue the existing target, which is smaller than the source
    Skip,
    Rename, // write under a free name beside it
};

enum class TransferState {
    Waiting,   // to be started
    Running,   // on a connection now
    Done,      // copied whole
    Failed,    // stopped for the reason in `error`; can be retried
    Cancelled, // stopped by the user; can be retried
    Skipped,   // the target existed and was left alone
};

// A target as the preview of a synchronisation showed it.
struct PreviewedTarget {
    bool exists = false;
    bool folder = false;
    qint64 size = -1; // -1: not known
    qint64 time = -1; // seconds since 1970 UTC; -1: not known
};

// One file or folder to move. Paths are full paths in RawName text: a local
// file-system path and a path on the server.
struct TransferItem {
    quint64 id = 0;
    TransferDirection direction = TransferDirection::Download;
    bool folder = false; // a folder: made on the other side, then its contents queued
    QString local;
    QString remote;
    // How far below what the user queued it lies: 0 for a file or folder
    // queued by hand, 1 for an entry of a queued folder, and so on.
    int depth = 0;
    // The server and account it moves with (QueueLogin::key()); "" for the
    // queue's login of the moment.
    QString loginKey;

    qint64 size = -1;       // bytes; -1 when not known
    qint64 remoteTime = -1; // the remote file's modification time (s since 1970 UTC)
    qint64 done = 0;        // bytes moved, counting what an earlier attempt kept

    TransferState state = TransferState::Waiting;
    QString error;       // why it failed or was skipped
    int attempts = 0;    // connection losses survived by the running attempt
    bool partly = false; // an earlier attempt left part of it to continue from
    // A download's part file, as the queue made it and last saw it (a size
    // of -1: not measured since a transfer into it was stopped). Only this
    // very file is ever continued or removed; anything else at its name is
    // someone else's.
    std::optional<PartFile> part;
    // A folder: the folders it lies in, each by what tells it apart (a local
    // folder's device and inode, a remote one's listing), outermost first,
    // so that a tree leading back into itself is not followed.
    QList<QByteArray> ancestry;
    // Items of one synchronisation share a group. A folder of a group is only
    // made: what goes into it comes as items of the group, which start once
    // the group's folders above them are made. Its deletions wait until its
    // transfers and the deletions below them have stopped.
    QString group;
    // Deletes the target (the local path of a download, the remote path of
    // an upload) instead of moving anything; a synchronisation's only.
    bool deletes = false;
    // The target as the accepted preview showed it: a target still so is
    // overwritten (or deleted) without a question; one that changed since
    // is asked about (or left alone) as any other.
    std::optional<PreviewedTarget> previewed;
    // The answer given about an existing target, once given.
    std::optional<ConflictAnswer> answer;
    bool awaitingAnswer = false; // a question about its target is still open

    // While running: bytes per second over the last seconds, and the time
    // left at that rate (-1: not known).
    double rate = 0;
    qint64 secondsLeft = -1;

    bool finished() const {
        return state == TransferState::Done || state == TransferState::Skipped;
    }
    bool canRetry() const {
        return state == TransferState::Failed || state == TransferState::Cancelled;
    }
    // The file name, for the log.
    QString name() const;
    // The name the file is saved under: its name, unless it is written under
    // another one beside an existing target.
    QString savedName() const;
    // The source's path from the folder the user queued it from: its name,
    // after the names of the queued folders it lies in ("docs/a/file1.txt").
    QString shownPath() const;
};

// The whole queue at a glance.
struct TransferTotals {
    int files = 0;     // file items in the queue
    int filesDone = 0; // of them copied or skipped
    int failed = 0;
    qint64 bytes = 0; // of the items whose size is known
    qint64 bytesDone = 0;
    double rate = 0;         // bytes per second, all running items together
    qint64 secondsLeft = -1; // -1: not known
    int running = 0;
};

// Whether `exists`, `folder`, `size` and `time` describe the target the
// preview showed (what either side does not know is not compared).
bool matchesPreview(const PreviewedTarget& previewed, bool exists, bool folder, qint64 size,
                    qint64 time);

// Whether a stopped file left part of itself: a download's own part file
// beside its target, bytes sent of an upload.
bool leftPart(const TransferItem& item);
TransferTotals totalsOf(const std::vector<TransferItem>& items);
// The items worth keeping for another run: those not finished, a running
// one as one to be continued.
std::vector<TransferItem> keptForLater(const std::vector<TransferItem>& items);
