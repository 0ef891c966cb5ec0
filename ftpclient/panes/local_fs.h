#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The local file system for paths whose names may not be UTF-8. Qt's file
// classes turn such names into text they cannot give back, so the local pane
// reads and changes the disk through these calls, with every name kept as
// RawName text.
namespace LocalFs {

// The bytes of a path, for the system's calls.
QByteArray bytes(const QString& path);

enum class EntryKind { Files, Directories };
// The names of the regular files (or the directories) in `dir`, symbolic
// links followed, hidden (dot) names left out, in the order the disk gives.
QStringList entries(const QString& dir, EntryKind kind);

// Why `path` cannot be opened as a directory; "" when it can.
QString openError(const QString& path);
// Whether anything, a dangling symbolic link included, has this name.
bool exists(const QString& path);

} // namespace LocalFs
