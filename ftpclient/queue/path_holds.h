#pragma once

#include "transfer_item.h"

#include <QHash>
#include <QSet>
#include <QString>

// Two items never write one path at once: a running file item holds its
// local and its remote path (and a download its part file) until it
// stops, and an item whose paths are held waits. The local targets of every
// item queued since are remembered as well, so that no part file takes a
// name another item will write.
class PathHolds {
public:
    // The item's local and remote path, for as long as it runs.
    void holdTargets(const TransferItem& item);
    // A local path more (a download's part file).
    void holdLocal(quint64 id, const QString& path);
    void release(quint64 id);
    // Whether another item holds one of the item's paths.
    bool heldByAnother(const TransferItem& item) const;
    // A local path an item of the queue will write.
    void noteTarget(const QString& path) { m_localTargets.insert(localKey(path)); }
    // Whether another item than `id` uses or will write the local path:
    // as its target, or as the part file of a running download.
    bool localPathTaken(quint64 id, const QString& path) const;

private:
    // Local paths are held without regard to case: on a file system that
    // does not tell case apart they are one file.
    static QString localKey(const QString& path) { return u'L' + path.toCaseFolded(); }
    // A remote path is one file on one server only.
    static QString remoteKey(const TransferItem& item) {
        return u'R' + item.loginKey + u'\n' + item.remote;
    }

    QHash<QString, quint64> m_holds; // path key -> the running item holding it
    // The local path key of every item queued (one gone since only costs a
    // part file its first name).
    QSet<QString> m_localTargets;
};
