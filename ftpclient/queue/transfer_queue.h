#pragma once

#include "conflict_questions.h"
#include "kept_aside.h"
#include "path_holds.h"
#include "queue_controls.h"
#include "queue_items.h"
#include "queue_login.h"
#include "queue_logins.h"
#include "queue_scheduler.h"
#include "queue_worker.h"
#include "queue_worker_desk.h"
#include "remote_folders.h"
#include "transfer_item.h"

#include <QObject>

#include <vector>

// The transfers waiting, running and done, each on a connection of the
// queue's own so that the window never waits for them. Up to parallel()
// items run at once; folders are made on the other side and their contents
// queued behind them. A download keeps what arrived in a part file and
// continues from it when retried; a lost connection is retried a few times
// on its own, with a growing pause.
//
// Everything the queue has to say comes out as signals; the window shows
// them. Items are identified by their id, stable while they are queued.
//
// The work is done by its parts: QueueItems holds the items in their order,
// QueueScheduler starts them on its QueueWorkers, PathHolds keeps two items
// from writing one path, ConflictQuestions answers about existing targets,
// QueueLogins and KeptAside keep the logins and the items put aside,
// QueueWorkerDesk is what the workers report to, and QueueControls is what
// the user does to the items by hand.
class TransferQueue : public QObject {
    Q_OBJECT

public:
    static constexpr int MostParallel = QueueScheduler::MostParallel;
    static constexpr int AutomaticRetries = QueueWorker::AutomaticRetries;

    explicit TransferQueue(QObject* parent = nullptr);

    // The login of the items queued from now on. Items queued before keep
    // the login they came with and go on, on connections of their own, when
    // it is another server's; a login to the same server and account again
    // gives them the new one (its password, what its session trusts).
    void setLogin(const QueueLogin& login);
    const QueueLogin& login() const { return m_logins.current(); }
    const QString& loginKey() const { return m_logins.currentKey(); }
    // The login an item moves with.
    const QueueLogin& loginOf(const TransferItem& item) const { return m_logins.of(item); }

    void setParallel(int count) { m_scheduler.setParallel(count); }
    int parallel() const { return m_scheduler.parallel(); }
    void setExistingTargetRule(ExistingTargetRule rule) { m_questions.setRule(rule); }
    ExistingTargetRule existingTargetRule() const { return m_questions.rule(); }
    // Without prompts, the rule's answer or Skip.
    void setConflictPrompts(ConflictPrompts* prompts) { m_questions.setPrompts(prompts); }
    // The pause before the n-th automatic retry is n times this.
    void setRetryPauseMs(int ms) { m_desk.setRetryPauseMs(ms); }

    // --- adding -------------------------------------------------------------
    // A remote file (or folder) into a local path; `entry` as the listing
    // showed it gives its size and time.
    quint64 addDownload(const QString& remote, const QString& local, bool folder, qint64 size = -1,
                        qint64 remoteTime = -1);
    quint64 addUpload(const QString& local, const QString& remote, bool folder);
    // The items of a synchronisation the user accepted, in the preview's
    // order (see TransferItem::group).
    void addPlanned(std::vector<TransferItem> items);
    // Items kept from an earlier run, as they were, with the login of the
    // moment.
    void restore(const std::vector<TransferItem>& items);
    // Items kept for later (not continued yet): not shown and never started,
    // but kept with unfinished(). A download queued again for the same
    // server, account, remote file and target takes over the part file one
    // of them recorded.
    void keepAside(std::vector<TransferItem> items);
    // Takes back the items kept aside for the server and account `key`.
    std::vector<TransferItem> takeKeptAside(const QString& key);

    // --- the user's hand ------------------------------------------------------
    QueueControls& controls() { return m_controls; }
    const QueueControls& controls() const { return m_controls; }

    // --- reading ------------------------------------------------------------
    const std::vector<TransferItem>& items() const { return m_items.items(); }
    const TransferItem* item(quint64 id) const { return m_items.item(id); }
    int indexOf(quint64 id) const { return m_items.indexOf(id); }
    TransferTotals totals() const { return totalsOf(m_items.items()); }
    // The items worth keeping for another run: not finished, not removed,
    // and those kept aside.
    std::vector<TransferItem> unfinished() const;
    bool idle() const { return m_scheduler.idle(); }

signals:
    void itemsInserted(int first, int count);
    void itemsRemoved(int first, int count);
    void itemMoved(int from, int to);
    void itemChanged(int index);
    void totalsChanged();
    // The queue has changed in a way worth keeping (not mere progress).
    void contentChanged();
    // A line for the window's log, as the window's own transfers write them.
    void logLine(const QString& text);
    // A file arrived in this local or remote folder (ending in "/").
    void localFileArrived(const QString& folder);
    void remoteFileArrived(const QString& folder);
    // Every item has stopped: done, failed, cancelled or skipped.
    void drained();
    // Items queued from now on go with another login.
    void loginChanged();
    // A file or folder is done or skipped: it is not to be offered again.
    void itemFinished(const TransferItem& item);
    // A download made a new part file; the item carries its record.
    void partFileRecorded(const TransferItem& item);

private:
    quint64 append(TransferItem item);

    QueueItems m_items;
    PathHolds m_holds;
    KeptAside m_keptAside;
    QueueLogins m_logins;
    ConflictQuestions m_questions;
    RemoteFolders m_remoteFolders;
    QueueWorkerDesk m_desk;
    QueueScheduler m_scheduler; // its workers report to m_desk: it goes first
    QueueControls m_controls;
};
