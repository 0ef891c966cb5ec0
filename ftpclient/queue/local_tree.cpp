#include "local_tree.h"

#include "raw_names.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray realPath(const QByteArray& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.constData(), resolved) ? QByteArray(resolved) : QByteArray();
}

// Whether `target` is `folder` or holds it: following a link there would
// walk the same folders again and again.
bool holds(const QByteArray& target, const QByteArray& folder) {
    return folder == target || target == "/" || folder.startsWith(target + '/');
}

LocalTreeEntry entryFor(int dirFd, const char* name, const QByteArray& folderPath,
                        const QByteArray& realFolder) {
    LocalTreeEntry entry;
    entry.name = RawName::decode(name);
    struct stat link {};
    struct stat info {};
    if (::fstatat(dirFd, name, &link, AT_SYMLINK_NOFOLLOW) != 0) {
        entry.problem = QString::fromLocal8Bit(std::strerror(errno));
        return entry;
    }
    if (::fstatat(dirFd, name, &info, 0) != 0) {
        entry.problem = QStringLiteral("a link to nothing");
        return entry;
    }
    entry.modified = info.st_mtim.tv_sec;
    if (S_ISREG(info.st_mode)) {
        entry.size = info.st_size;
    } else if (S_ISDIR(info.st_mode)) {
        entry.folder = true;
        if (S_ISLNK(link.st_mode) && holds(realPath(folderPath + '/' + name), realFolder))
            entry.problem = QStringLiteral("a link back into a folder above it; not followed");
    } else {
        entry.problem = QStringLiteral("neither a file nor a folder");
    }
    return entry;
}

} // namespace

std::vector<LocalTreeEntry> readLocalFolder(const QString& path, QString* error) {
    std::vector<LocalTreeEntry> entries;
    const QByteArray folderPath = RawName::encode(path);
    const int fd = ::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(fd >= 0 ? ::fdopendir(fd) : nullptr, ::closedir);
    if (!dir) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return entries;
    }
    const QByteArray realFolder = realPath(folderPath);
    while (const dirent* found = ::readdir(dir.get())) {
        if (std::strcmp(found->d_name, ".") == 0 || std::strcmp(found->d_name, "..") == 0)
            continue;
        entries.push_back(entryFor(fd, found->d_name, folderPath, realFolder));
    }
    return entries;
}
