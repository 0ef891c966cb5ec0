#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// One entry of a local folder, as a folder upload sees it.
struct LocalTreeEntry {
    QString name; // RawName text
    bool folder = false;
    qint64 size = -1;
    qint64 modified = -1; // seconds since 1970 UTC
    // Why the entry cannot be sent ("" when it can): a link to nothing,
    // something that is neither a file nor a folder.
    QString problem;
};

// A local folder as read for an upload.
struct LocalFolder {
    // What tells the folder apart from every other one on this machine (its
    // device and inode), whatever path it was reached by.
    QByteArray identity;
    std::vector<LocalTreeEntry> entries;
};

// The entry `name` of the folder open as `dirFd`, links followed.
LocalTreeEntry readLocalEntry(int dirFd, const char* name);

// The entries of the folder at `path` (RawName text), hidden ones included,
// links followed, in the order the disk gives; *error says why the folder
// could not be read. Reads the disk: run it off the window's thread.
LocalFolder readLocalFolder(const QString& path, QString* error);
