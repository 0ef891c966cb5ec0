#include "part_file.h"

#include "raw_names.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

qint64 modifiedNs(const struct stat& info) {
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

bool matches(const struct stat& info, const PartFile& record, bool whole) {
    if (!S_ISREG(info.st_mode) || info.st_nlink != 1 || info.st_uid != ::geteuid() ||
        quint64(info.st_dev) != record.device || quint64(info.st_ino) != record.inode)
        return false;
    return !whole || (info.st_size == record.size && modifiedNs(info) == record.modifiedNs);
}

} // namespace

std::optional<PartFile> createPartFile(const QString& path, QString* error) {
    const int fd = ::open(RawName::encode(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return std::nullopt;
    }
    PartFile record;
    record.path = path;
    struct stat info {};
    if (::fstat(fd, &info) == 0) {
        record.device = quint64(info.st_dev);
        record.inode = quint64(info.st_ino);
        record.modifiedNs = modifiedNs(info);
    }
    ::close(fd);
    return record;
}

bool isRecordedPartFile(int fd, const PartFile& record) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && matches(info, record, record.size >= 0);
}

bool partFileUnchanged(const PartFile& record) {
    struct stat info {};
    return ::lstat(RawName::encode(record.path).constData(), &info) == 0 &&
           matches(info, record, record.size >= 0);
}

std::optional<PartFile> measuredPartFile(const PartFile& record) {
    struct stat info {};
    if (::lstat(RawName::encode(record.path).constData(), &info) != 0 ||
        !matches(info, record, false))
        return std::nullopt;
    PartFile measured = record;
    measured.size = info.st_size;
    measured.modifiedNs = modifiedNs(info);
    return measured;
}

bool partFileBecame(const PartFile& record, const QString& target) {
    struct stat info {};
    return ::lstat(RawName::encode(target).constData(), &info) == 0 && matches(info, record, false);
}

bool removePartFile(const PartFile& record, bool stillStopping) {
    PartFile judged = record;
    if (stillStopping)
        judged.size = -1;
    return partFileUnchanged(judged) && ::unlink(RawName::encode(record.path).constData()) == 0;
}
