#include "local_tree_reader.h"

#include "local_tree.h"

#include "folder_walk.h"
#include "raw_names.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// A folder waiting to be read: its path below the root, and the folders it
// lies in (device and inode), itself not yet among them.
struct PendingFolder {
    QString path;
    std::vector<std::pair<dev_t, ino_t>> ancestry;
};

// One folder as read, and the folders below it to read next.
struct FolderRead {
    SideFolder folder;
    std::vector<PendingFolder> below;
};

QString errnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

SideEntry entryFor(int dirFd, const dirent& found) {
    LocalTreeEntry read = readLocalEntry(dirFd, found.d_name);
    SideEntry entry;
    entry.name = std::move(read.name);
    entry.folder = read.folder;
    entry.size = read.size;
    entry.modified = read.modified;
    entry.problem = std::move(read.problem);
    entry.link = found.d_type == DT_LNK;
    if (found.d_type == DT_UNKNOWN) {
        struct stat own {};
        entry.link =
            ::fstatat(dirFd, found.d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode);
    }
    return entry;
}

// Reads one folder; its subfolders are handed back unless they are to be
// skipped or the folder is one it lies in.
FolderRead readFolder(const QByteArray& root, const PendingFolder& pending,
                      const LocalTreeOptions& options) {
    FolderRead read;
    const QByteArray path =
        pending.path.isEmpty() ? root : root + '/' + RawName::encode(pending.path);
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    struct stat self {};
    if (!dir || ::fstat(fd, &self) != 0) {
        read.folder.error = errnoText(errno);
        if (dir)
            ::closedir(dir);
        else if (fd >= 0)
            ::close(fd);
        return read;
    }
    const std::pair<dev_t, ino_t> identity{self.st_dev, self.st_ino};
    for (const auto& above : pending.ancestry) {
        if (above == identity) {
            read.folder.error =
                QStringLiteral("A link leads back into a folder above it; not followed.");
            ::closedir(dir);
            return read;
        }
    }
    while (const dirent* found = ::readdir(dir)) {
        if (std::strcmp(found->d_name, ".") == 0 || std::strcmp(found->d_name, "..") == 0)
            continue;
        read.folder.entries.push_back(entryFor(fd, *found));
    }
    ::closedir(dir);
    if (!options.recursive)
        return read;
    if (int(pending.ancestry.size()) >= MostFolderDepth) {
        read.folder.error =
            QStringLiteral("More than %1 folders deep; not followed.").arg(MostFolderDepth);
        return read;
    }
    for (const SideEntry& entry : read.folder.entries) {
        const QString below = childPath(pending.path, entry.name);
        if (!entry.folder || (options.skip && options.skip(below, true)))
            continue;
        PendingFolder next{below, pending.ancestry};
        next.ancestry.push_back(identity);
        read.below.push_back(std::move(next));
    }
    return read;
}

// The folders still to read, shared by the threads that read them: each
// takes one, reads it, and puts the folders below it back. The reading
// ends when none is left and no thread is reading one.
class TreeWalk {
public:
    TreeWalk(const QString& root, const LocalTreeOptions& options,
             const std::atomic<bool>* cancelled)
        : m_root(RawName::encode(root))
        , m_options(options)
        , m_cancelled(cancelled) {
        m_pending.push_back({});
    }

    void work() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return !m_pending.empty() || m_reading == 0; });
            if (m_pending.empty() || stopped()) {
                m_pending.clear();
                m_changed.notify_all();
                return;
            }
            PendingFolder pending = std::move(m_pending.front());
            m_pending.pop_front();
            ++m_reading;
            lock.unlock();
            FolderRead read = readFolder(m_root, pending, m_options);
            lock.lock();
            --m_reading;
            for (PendingFolder& next : read.below)
                m_pending.push_back(std::move(next));
            m_tree.insert(pending.path, std::move(read.folder));
            m_changed.notify_all();
        }
    }

    SideTree take() { return std::move(m_tree); }

private:
    bool stopped() const { return m_cancelled && m_cancelled->load(); }

    const QByteArray m_root;
    const LocalTreeOptions& m_options;
    const std::atomic<bool>* m_cancelled;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<PendingFolder> m_pending;
    int m_reading = 0;
    SideTree m_tree;
};

} // namespace

SideTree readLocalTree(const QString& root, const LocalTreeOptions& options,
                       const std::atomic<bool>* cancelled) {
    TreeWalk walk(root, options, cancelled);
    std::vector<std::thread> helpers;
    for (int i = 1; i < options.threads && options.recursive; ++i)
        helpers.emplace_back([&walk] { walk.work(); });
    walk.work();
    for (std::thread& helper : helpers)
        helper.join();
    return walk.take();
}

LocalTreeReader::LocalTreeReader(QObject* parent)
    : QObject(parent) {}

LocalTreeReader::~LocalTreeReader() {
    cancel();
}

void LocalTreeReader::start(const QString& root, const LocalTreeOptions& options) {
    cancel();
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
    m_running = true;
    const auto cancelled = m_cancelled;
    QPointer<LocalTreeReader> self(this);
    QThreadPool::globalInstance()->start([self, cancelled, root, options] {
        auto tree = std::make_shared<SideTree>(readLocalTree(root, options, cancelled.get()));
        if (cancelled->load())
            return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, cancelled, tree] {
                if (!self || cancelled->load())
                    return;
                self->m_running = false;
                emit self->finished(*tree);
            },
            Qt::QueuedConnection);
    });
}

void LocalTreeReader::cancel() {
    if (m_cancelled)
        m_cancelled->store(true);
    m_running = false;
}
