#include "local_fs.h"

#include "raw_names.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace LocalFs {

QByteArray bytes(const QString& path) {
    return RawName::encode(path);
}

QStringList entries(const QString& dir, EntryKind kind) {
    QStringList names;
    const QByteArray base = bytes(dir.endsWith(u'/') ? dir : dir + u'/');
    const std::unique_ptr<DIR, int (*)(DIR*)> handle(::opendir(base.constData()), ::closedir);
    if (!handle)
        return names;
    while (const dirent* entry = ::readdir(handle.get())) {
        const QByteArray name(entry->d_name);
        if (name.startsWith('.'))
            continue;
        struct stat info {};
        if (::stat((base + name).constData(), &info) != 0)
            continue;
        const bool wanted =
            kind == EntryKind::Files ? S_ISREG(info.st_mode) : S_ISDIR(info.st_mode);
        if (wanted)
            names.append(RawName::decode(name));
    }
    return names;
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
