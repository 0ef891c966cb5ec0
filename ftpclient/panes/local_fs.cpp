#include "local_fs.h"

#include "large_pages.h"
#include "raw_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace LocalFs {

QByteArray bytes(const QString& path) {
    return RawName::encode(path);
}

QStringList entries(const QString& dir, EntryKind kind) {
    return Directory(dir).entries(kind);
}

Directory::Directory(const QString& path)
    : m_fd(::open(bytes(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}

Directory::~Directory() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool Directory::status(const QString& name, struct stat* info) const {
    // Names of ASCII alone, most of them, need no conversion.
    char ascii[256];
    const qsizetype size = name.size();
    bool plain = size < qsizetype(sizeof ascii);
    for (qsizetype i = 0; plain && i < size; ++i) {
        const char16_t unit = name.at(i).unicode();
        plain = unit != 0 && unit < 0x80;
        ascii[i] = char(unit);
    }
    if (plain) {
        ascii[size] = 0;
        return ::fstatat(m_fd, ascii, info, 0) == 0;
    }
    return ::fstatat(m_fd, bytes(name).constData(), info, 0) == 0;
}

QStringList Directory::entries(EntryKind kind) const {
    QStringList files, directories;
    scan(kind == EntryKind::Files ? &files : nullptr,
         kind == EntryKind::Directories ? &directories : nullptr);
    return kind == EntryKind::Files ? files : directories;
}

void Directory::scan(QStringList* files, QStringList* directories) const {
    FileSink sink;
    if (files)
        sink = [files](QString name) {
            files->append(std::move(name));
        };
    scan(sink, directories);
}

namespace {

constexpr size_t kBlockSize = 128 * 1024;

// Raw directory entries as the system wrote them: `size` bytes of `bytes`.
struct Block {
    std::unique_ptr<char[]> bytes;
    size_t size = 0;
};

// Blocks of raw directory entries passed from the thread that reads them
// to the one that makes names of them, and back again once they are read:
// a few blocks serve the whole directory, which spares the reading thread
// a fault for each fresh page.
class BlockQueue {
public:
    void push(Block block) {
        const std::lock_guard lock(m_mutex);
        m_blocks.push_back(std::move(block));
        m_ready.notify_one();
    }
    void giveBack(Block block) {
        const std::lock_guard lock(m_mutex);
        m_spare.push_back(std::move(block));
    }
    // A block to read into: one given back, or a new one.
    Block take() {
        {
            const std::lock_guard lock(m_mutex);
            if (!m_spare.empty()) {
                Block block = std::move(m_spare.back());
                m_spare.pop_back();
                return block;
            }
        }
        return {std::make_unique_for_overwrite<char[]>(kBlockSize), 0};
    }
    void close() {
        const std::lock_guard lock(m_mutex);
        m_closed = true;
        m_ready.notify_one();
    }
    // The next block; one of size 0 once the queue is closed and drained.
    Block pop() {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return m_closed || !m_blocks.empty(); });
        if (m_blocks.empty())
            return {};
        Block block = std::move(m_blocks.front());
        m_blocks.pop_front();
        return block;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Block> m_blocks;
    std::vector<Block> m_spare;
    bool m_closed = false;
};

// The start of the system's directory record; the name follows it.
struct RecordHead {
    quint64 inode;
    qint64 offset;
    unsigned short length;
    unsigned char type;
};
constexpr size_t kNameAt = offsetof(RecordHead, type) + 1;
constexpr size_t kLongFrom = 4096;
constexpr qsizetype kNamesAhead = 128 * 1024;

// Hands `visit` the type and name of each record of a block, in order.
template <typename Visit> void forEachRecord(const Block& block, Visit visit) {
    for (size_t at = 0; at + kNameAt < block.size;) {
        RecordHead head;
        std::memcpy(&head, block.bytes.get() + at, sizeof head);
        if (head.length == 0)
            break;
        visit(head.type, block.bytes.get() + at + kNameAt);
        at += head.length;
    }
}

// The entries of a block that may be files: a link or an entry of no
// given type may be one.
size_t filesIn(const Block& block) {
    size_t files = 0;
    forEachRecord(block, [&](unsigned char type, const char* name) {
        files += type != DT_DIR && name[0] != '.' ? 1 : 0;
    });
    return files;
}

// Makes names of the blocks in `queue` until it is closed and drained,
// handing files to `file` and directories to `directories`.
void nameBlocks(int fd, BlockQueue& queue, const Directory::FileSink& file,
                QStringList* directories) {
    size_t seen = 0;
    while (true) {
        Block block = queue.pop();
        if (block.size == 0)
            return;
        forEachRecord(block, [&](unsigned char type, const char* name) {
            if (name[0] == '.')
                return;
            // A long directory: its names come in large pages.
            if (++seen == kLongFrom)
                preferLargePagesFor(kNamesAhead);
            // The directory says what most entries are; links and file
            // systems that do not say are asked.
            if (type == DT_LNK || type == DT_UNKNOWN) {
                struct stat info {};
                if (::fstatat(fd, name, &info, 0) != 0)
                    return;
                type = S_ISREG(info.st_mode) ? DT_REG : S_ISDIR(info.st_mode) ? DT_DIR : DT_UNKNOWN;
            }
            if (type == DT_REG && file)
                file(RawName::decode(name));
            else if (type == DT_DIR && directories)
                directories->append(RawName::decode(name));
        });
        queue.giveBack(std::move(block));
    }
}

} // namespace

void Directory::scan(const FileSink& file, QStringList* directories, const ReadSink& read,
                     const FileSink& helper) const {
    if (m_fd < 0 || ::lseek(m_fd, 0, SEEK_SET) != 0)
        return;
    BlockQueue queue;
    std::thread names([&] { nameBlocks(m_fd, queue, file, directories); });
    size_t files = 0;
    while (true) {
        Block block = queue.take();
        const ssize_t got = ::getdents64(m_fd, block.bytes.get(), kBlockSize);
        if (got <= 0)
            break;
        block.size = size_t(got);
        files += filesIn(block);
        queue.push(std::move(block));
    }
    queue.close();
    if (read)
        read(files);
    // Reading is quicker than making names: what is left of them is shared.
    QStringList helped;
    if (helper)
        nameBlocks(m_fd, queue, helper, directories ? &helped : nullptr);
    names.join();
    if (directories)
        directories->append(helped);
}

QString openError(const QString& path) {
    struct stat info {};
    if (path.isEmpty() || ::stat(bytes(path).constData(), &info) != 0)
        return QStringLiteral("Path not found: ") + RawName::shownWithMarks(path);
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("Not a directory: ") + RawName::shownWithMarks(path);
    if (::access(bytes(path).constData(), R_OK | X_OK) != 0)
        return QStringLiteral("Permission denied: ") + RawName::shownWithMarks(path);
    return {};
}

bool exists(const QString& path) {
    struct stat info {};
    return ::lstat(bytes(path).constData(), &info) == 0;
}

} // namespace LocalFs
