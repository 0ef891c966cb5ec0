#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// A download's part file as the one who made it knows it: where it is, which
// file it is (device and inode), and what it held when last seen. What lies
// at that path is written to, continued or removed only while it is still
// that very file: never a file of someone else's that took the name, nor a
// link put in its place.
struct PartFile {
    QString path; // RawName text
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0; // last change, nanoseconds since 1970 UTC

    bool operator==(const PartFile&) const = default;
};

// Makes a new, empty part file at `path`, as the finished file will be:
// never through a link, never over a file that is there already.
// Nothing, with *error, when that cannot be done.
std::optional<PartFile> createPartFile(const QString& path, QString* error);

// Whether the open file `fd` is the file `record` names: the same file, a
// regular one with no other name, the user's own, and (unless the record's
// size is -1, not measured) just as long and last changed at the same
// moment, so that nothing else wrote to it.
bool isRecordedPartFile(int fd, const PartFile& record);
// The same for what lies at record.path now, not following a link.
bool partFileUnchanged(const PartFile& record);
// The record with what the file at its path holds now, when that is still
// the recorded file; nothing otherwise.
std::optional<PartFile> measuredPartFile(const PartFile& record);

// Whether the file at `target` is the recorded part file, renamed over it
// (which a download does only once it is whole).
bool partFileBecame(const PartFile& record, const QString& target);

// Removes the part file when it is still the recorded one (judged by which
// file it is alone when `stillStopping`: a download that is being stopped
// may write to it meanwhile). False when something else lies there, which
// stays.
bool removePartFile(const PartFile& record, bool stillStopping = false);
