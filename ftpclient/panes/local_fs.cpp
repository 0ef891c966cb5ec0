#include "local_fs.h"

#include "raw_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

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
    const int fd = m_fd >= 0 ? ::dup(m_fd) : -1;
    const std::unique_ptr<DIR, int (*)(DIR*)> handle(fd >= 0 ? ::fdopendir(fd) : nullptr,
                                                     ::closedir);
    if (!handle) {
        if (fd >= 0)
            ::close(fd);
        return;
    }
    ::rewinddir(handle.get());
    while (const dirent* entry = ::readdir(handle.get())) {
        if (entry->d_name[0] == '.')
            continue;
        // The directory says what most entries are; links and file systems
        // that do not say are asked.
        unsigned char type = entry->d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat info {};
            if (::fstatat(m_fd, entry->d_name, &info, 0) != 0)
                continue;
            type = S_ISREG(info.st_mode) ? DT_REG : S_ISDIR(info.st_mode) ? DT_DIR : DT_UNKNOWN;
        }
        if (type == DT_REG && files)
            files->append(RawName::decode(entry->d_name));
        else if (type == DT_DIR && directories)
            directories->append(RawName::decode(entry->d_name));
    }
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
