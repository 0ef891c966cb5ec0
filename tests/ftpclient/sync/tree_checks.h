#pragma once

#include "local_tree_reader.h"
#include "remote_tree_reader.h"
#include "sync_types.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QTest>

#include <fcntl.h>
#include <optional>
#include <sys/stat.h>

// Writes `size` bytes to `root`/`path`, folders made as needed, last
// modified at `modified` (seconds since 1970 UTC).
inline bool plantFile(const QString& root, const QString& path, qint64 size, qint64 modified) {
    const QString full = root + u'/' + path;
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(size, 'x')) != size)
        return false;
    file.close();
    const timespec times[2] = {{time_t(modified), 0}, {time_t(modified), 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(full).constData(), times, 0) == 0;
}

// Whether a time a side gives to `precision` is the time `exact` (UTC
// seconds) read that way: cut to the minute or to the day.
inline bool sameTime(qint64 listed, TimePrecision precision, qint64 exact) {
    switch (precision) {
    case TimePrecision::Seconds:
        return listed == exact;
    case TimePrecision::Minutes:
        return listed == exact - exact % 60;
    case TimePrecision::Days:
        return listed == exact - exact % 86400;
    }
    return false;
}

inline QMap<QString, SideEntry> byName(const SideFolder& folder) {
    QMap<QString, SideEntry> entries;
    for (const SideEntry& entry : folder.entries)
        entries.insert(entry.name, entry);
    return entries;
}

// What tells `listed` apart from `disk` (the same tree as the disk has it,
// to the second): "" when the folders, names, kinds, file sizes and file
// times (within the listed precision) agree.
inline QString treeDifference(const SideTree& listed, const SideTree& disk) {
    if (QSet<QString>(listed.keyBegin(), listed.keyEnd()) !=
        QSet<QString>(disk.keyBegin(), disk.keyEnd()))
        return QStringLiteral("other folders");
    for (auto folder = disk.cbegin(); folder != disk.cend(); ++folder) {
        const QMap<QString, SideEntry> there = byName(listed.value(folder.key()));
        const QMap<QString, SideEntry> here = byName(folder.value());
        if (there.keys() != here.keys())
            return folder.key() + QStringLiteral(": other names");
        for (const SideEntry& entry : here) {
            const SideEntry& seen = there[entry.name];
            const QString where = folder.key() + u'/' + entry.name;
            if (seen.folder != entry.folder)
                return where + QStringLiteral(": another kind");
            if (entry.folder)
                continue;
            if (seen.size != entry.size)
                return where + QStringLiteral(": size %1, not %2").arg(seen.size).arg(entry.size);
            if (!sameTime(seen.modified, seen.precision, entry.modified))
                return where + QStringLiteral(": time %1 (precision %2), not %3")
                                   .arg(seen.modified)
                                   .arg(int(seen.precision))
                                   .arg(entry.modified);
        }
    }
    return {};
}

// The remote tree as the reader gives it, or nothing when it did not end in
// time.
struct RemoteRead {
    SideTree tree;
    ServerClock clock;
};

inline std::optional<RemoteRead> readRemoteTree(const QueueLogin& login, const QString& root,
                                                const RemoteTreeOptions& options) {
    RemoteTreeReader reader(login, root, options);
    std::optional<RemoteRead> read;
    QObject::connect(&reader, &RemoteTreeReader::finished,
                     [&read](const SideTree& tree, const ServerClock& clock) {
                         read = RemoteRead{tree, clock};
                     });
    reader.start();
    if (!QTest::qWaitFor([&read] { return read.has_value(); }, 120000))
        return std::nullopt;
    return read;
}
