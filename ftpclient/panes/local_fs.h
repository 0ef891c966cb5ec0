#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

struct stat;

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

// An open directory: its entries are looked up from it, without the system
// walking the directory's path again for each one.
class Directory {
public:
    explicit Directory(const QString& path);
    ~Directory();
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // As LocalFs::entries().
    QStringList entries(EntryKind kind) const;
    // The regular files and the directories at once, in one reading.
    void scan(QStringList* files, QStringList* directories) const;
    // The same, each file's name handed to `file` as soon as it is known.
    // The names are made out of the system's bytes on a second thread while
    // the rest of the directory is read; `file` runs there, in disk order.
    // Once the whole directory is read, `read` hears on the calling thread
    // how many of its entries may be files (at most that many; directories
    // and names starting with "." left out), while their names may still be
    // being made. Given a `helper`, the calling thread then makes names as
    // well, handing its files to `helper`: both sinks run at once, each on
    // its thread, and neither sees the files in disk order nor the
    // directories come in it.
    using FileSink = std::function<void(QString name)>;
    using ReadSink = std::function<void(size_t files)>;
    void scan(const FileSink& file, QStringList* directories, const ReadSink& read = {},
              const FileSink& helper = {}) const;
    // The status of entry `name` (links followed); false with errno set when
    // it cannot be had.
    bool status(const QString& name, struct stat* info) const;

private:
    int m_fd = -1;
};

// Why `path` cannot be opened as a directory; "" when it can.
QString openError(const QString& path);
// Whether anything, a dangling symbolic link included, has this name.
bool exists(const QString& path);

} // namespace LocalFs
