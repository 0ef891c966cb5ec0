#pragma once

#include <QString>

#include <vector>

// One entry of a local folder, as a folder upload sees it.
struct LocalTreeEntry {
    QString name; // RawName text
    bool folder = false;
    qint64 size = -1;
    qint64 modified = -1; // seconds since 1970 UTC
    // Why the entry cannot be sent ("" when it can): a link back into a
    // folder above it, a link to nothing, something that is neither a file
    // nor a folder.
    QString problem;
};

// The entries of the folder at `path` (RawName text), hidden ones included,
// links followed, in the order the disk gives; *error says why the folder
// could not be read. Reads the disk: run it off the window's thread.
std::vector<LocalTreeEntry> readLocalFolder(const QString& path, QString* error);
