#pragma once

#include "group_gate.h"
#include "transfer_item.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

// The queue's items in queue order, each found by its id (stable while it
// is queued), and every change made to them. Each change is told by a
// signal; progress, which comes often, a few times a second.
class QueueItems : public QObject {
    Q_OBJECT

public:
    QueueItems();

    const std::vector<TransferItem>& items() const { return m_items; }
    const TransferItem* item(quint64 id) const;
    int indexOf(quint64 id) const;
    // The id of a new item (one kept aside takes its id from here as well).
    quint64 takeId() { return m_nextId++; }

    // --- order ------------------------------------------------------------------
    // Inserts items that have their ids at row `at`.
    void insert(int at, std::vector<TransferItem> items);
    // Items queued before there was a login take this one.
    void adoptLoginKey(const QString& key);
    // Takes an item out of the queue.
    std::optional<TransferItem> take(quint64 id);
    // Moves an item one place up (-1) or down (+1).
    void move(quint64 id, int delta);
    void removeFinished();
    // Puts a failed or cancelled item back to wait; false for any other.
    bool retry(quint64 id);

    // --- what the workers report -----------------------------------------------
    void setState(quint64 id, TransferState state, const QString& note = QString());
    void setProgress(quint64 id, qint64 done, qint64 total, double rate);
    // The item with its new local path; nothing when it is gone.
    const TransferItem* setLocalPath(quint64 id, const QString& path);
    void setRemotePath(quint64 id, const QString& path);
    void markPartly(quint64 id);
    // False when the item is gone.
    bool setPart(quint64 id, const std::optional<PartFile>& part);
    // The remote file as a transfer of the item saw it (-1: not seen).
    void noteRemoteFile(quint64 id, qint64 size, qint64 time);
    // An item stopped as `state`; `stopped` is the item as its worker had it.
    void settle(const TransferItem& stopped, TransferState state, const QString& error);
    // The item waits for an answer about its target.
    void defer(quint64 id);
    void takeAnswer(quint64 id, ConflictAnswer answer);

    // --- starting ---------------------------------------------------------------
    // The first item that waits and that `startable` and the gate (told of
    // the running items) let start. Items before the one a scan stopped at
    // do not wait.
    const TransferItem* nextWaiting(const std::function<bool(const TransferItem&)>& startable,
                                    GroupGate gate);
    // The next scan starts at the top.
    void rescan() { m_scanFrom = 0; }
    bool anyWaiting() const;
    // Tells about the item's row (0: only the totals) within a moment.
    void markDirty(quint64 id);

signals:
    void itemsInserted(int first, int count);
    void itemsRemoved(int first, int count);
    void itemMoved(int from, int to);
    void itemChanged(int index);
    void totalsChanged();
    void contentChanged();
    // A file is done; told before its row changes.
    void fileArrived(const TransferItem& item);
    void itemFinished(const TransferItem& item);
    void partFileRecorded(const TransferItem& item);

private:
    TransferItem* find(quint64 id);
    // Rows from `from` on changed: their indexes are looked up afresh, and
    // the next scan looks at them again.
    void structureChanged(int from);
    void flushDirty();

    std::vector<TransferItem> m_items;
    mutable QHash<quint64, int> m_index; // rebuilt when empty
    quint64 m_nextId = 1;
    size_t m_scanFrom = 0; // no item before this one waits
    QSet<quint64> m_dirty;
    QTimer m_dirtyTimer;
};
