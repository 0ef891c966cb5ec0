#pragma once

#include "part_file.h"
#include "raw_names.h"

#include <sys/stat.h>

// The part file at `path` as the queue that made it would have recorded it:
// made now when missing, otherwise taken as it is, so that a test can stand
// in for what an earlier download of tarlen's left there.
inline PartFile recordedPartFile(const QString& path) {
    if (const std::optional<PartFile> made = createPartFile(path, nullptr))
        return *made;
    PartFile record;
    record.path = path;
    struct stat info {};
    if (::lstat(RawName::encode(path).constData(), &info) == 0) {
        record.device = quint64(info.st_dev);
        record.inode = quint64(info.st_ino);
        record.size = info.st_size;
        record.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    }
    return record;
}
