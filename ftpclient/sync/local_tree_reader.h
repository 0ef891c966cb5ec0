#pragma once

#include "sync_types.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

// How a local tree is read.
struct LocalTreeOptions {
    bool recursive = true;
    // Leaves folders out (see SkipPath); called from the reading threads at
    // once, so it must not change anything.
    SkipPath skip;
    // Folders read at once; 1 reads on the calling thread alone.
    int threads = 2;
};

// The tree below the local folder `root` (RawName text): every folder read,
// hidden entries included. Links are followed, but never into a folder
// they lie in (told by device and inode) nor deeper than MostFolderDepth;
// such a folder, and one that cannot be read, holds the reason in its
// SideFolder::error. Reads the disk and returns when all is read, or soon
// after `cancelled` turns true: run it off the window's thread.
SideTree readLocalTree(const QString& root, const LocalTreeOptions& options,
                       const std::atomic<bool>* cancelled = nullptr);

// readLocalTree() on the thread pool; finished() follows on this object's
// thread, unless cancel() came first.
class LocalTreeReader : public QObject {
    Q_OBJECT

public:
    explicit LocalTreeReader(QObject* parent = nullptr);
    ~LocalTreeReader() override;

    void start(const QString& root, const LocalTreeOptions& options);
    // Stops the reading; finished() does not follow.
    void cancel();
    bool running() const { return m_running; }

signals:
    void finished(const SideTree& tree);

private:
    // Shared with the reading: it may outlive this object.
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    bool m_running = false;
};
