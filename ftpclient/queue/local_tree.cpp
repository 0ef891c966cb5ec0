#include "local_tree.h"

#include "raw_names.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

LocalTreeEntry readLocalEntry(int dirFd, const char* name) {
    LocalTreeEntry entry;
    entry.name = RawName::decode(name);
    struct stat info {};
    if (::fstatat(dirFd, name, &info, 0) != 0) {
        struct stat link {};
        entry.problem = ::fstatat(dirFd, name, &link, AT_SYMLINK_NOFOLLOW) == 0
                            ? QStringLiteral("a link to nothing")
                            : QString::fromLocal8Bit(std::strerror(errno));
        return entry;
    }
    entry.modified = info.st_mtim.tv_sec;
    if (S_ISREG(info.st_mode))
        entry.size = info.st_size;
    else if (S_ISDIR(info.st_mode))
        entry.folder = true;
    else
        entry.problem = QStringLiteral("neither a file nor a folder");
    return entry;
}

LocalFolder readLocalFolder(const QString& path, QString* error) {
    LocalFolder folder;
    const int fd = ::open(RawName::encode(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(fd >= 0 ? ::fdopendir(fd) : nullptr, ::closedir);
    if (!dir) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return folder;
    }
    struct stat self {};
    if (::fstat(fd, &self) == 0)
        folder.identity = QByteArray::number(quint64(self.st_dev)) + ':' +
                          QByteArray::number(quint64(self.st_ino));
    while (const dirent* found = ::readdir(dir.get())) {
        if (std::strcmp(found->d_name, ".") == 0 || std::strcmp(found->d_name, "..") == 0)
            continue;
        folder.entries.push_back(readLocalEntry(fd, found->d_name));
    }
    return folder;
}
