#pragma once

#include "conflicts.h"
#include "ftp_entry.h"
#include "queue_login.h"
#include "transfer_item.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class QueueWorker;

// The transfers waiting, running and done, each on a connection of the
// queue's own so that the window never waits for them. Up to parallel()
// items run at once; folders are made on the other side and their contents
// queued behind them. A download keeps what arrived in a part file and
// continues from it when retried; a lost connection is retried a few times
// on its own, with a growing pause.
//
// Everything the queue has to say comes out as signals; the window shows
// them. Items are identified by their id, stable while they are queued.
class TransferQueue : public QObject {
    Q_OBJECT

public:
    static constexpr int MostParallel = 10;
    static constexpr int AutomaticRetries = 3;

    explicit TransferQueue(QObject* parent = nullptr);
    ~TransferQueue() override;

    // The login of the items queued from now on. Items queued before keep
    // the login they came with and go on, on connections of their own, when
    // it is another server's; a login to the same server and account again
    // gives them the new one (its password, what its session trusts).
    void setLogin(const QueueLogin& login);
    const QueueLogin& login() const { return m_login; }
    const QString& loginKey() const { return m_loginKey; }
    // The login an item moves with.
    const QueueLogin& loginOf(const TransferItem& item) const;

    void setParallel(int count);
    int parallel() const { return m_parallel; }
    void setExistingTargetRule(ExistingTargetRule rule) { m_rule = rule; }
    ExistingTargetRule existingTargetRule() const { return m_rule; }
    // Without prompts, the rule's answer or Skip.
    void setConflictPrompts(ConflictPrompts* prompts) { m_prompts = prompts; }
    // The pause before the n-th automatic retry is n times this.
    void setRetryPauseMs(int ms) { m_retryPauseMs = ms; }

    // --- adding -------------------------------------------------------------
    // A remote file (or folder) into a local path; `entry` as the listing
    // showed it gives its size and time.
    quint64 addDownload(const QString& remote, const QString& local, bool folder, qint64 size = -1,
                        qint64 remoteTime = -1);
    quint64 addUpload(const QString& local, const QString& remote, bool folder);
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
    void cancel(quint64 id);
    void retry(quint64 id);
    void remove(quint64 id);
    // Moves an item one place up (-1) or down (+1).
    void move(quint64 id, int delta);
    void removeFinished();
    void pause();
    void resume();
    bool paused() const { return m_paused; }
    // Stops every running item at once, keeping what arrived, so that the
    // queue can be kept for another time.
    void stopAll();
    // Stops everything and empties the queue.
    void clear();

    // --- reading ------------------------------------------------------------
    const std::vector<TransferItem>& items() const { return m_items; }
    const TransferItem* item(quint64 id) const;
    int indexOf(quint64 id) const;
    TransferTotals totals() const;
    // The items worth keeping for another run: not finished, not removed,
    // and those kept aside.
    std::vector<TransferItem> unfinished() const;
    bool idle() const;

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
    friend class QueueWorker;

    quint64 append(TransferItem item);
    void adoptKeptPart(TransferItem& item);
    TransferItem* find(quint64 id);
    void itemsChangedStructure(int from);
    void schedule();
    void scheduleOnce();
    QueueWorker* idleWorker();
    // Two items never write one path at once: a running file item holds its
    // local and its remote path (and a download its part file) until it
    // stops, and an item whose paths are held waits.
    bool pathsHeld(const TransferItem& item) const;
    void hold(quint64 id, const QString& key);
    void releaseHolds(quint64 id);
    std::optional<size_t> nextStartable();
    QueueWorker* workerFor(quint64 id) const;
    int runningCount() const;
    void checkDrained();

    // What the workers report.
    void setState(quint64 id, TransferState state, const QString& note = QString());
    void setProgress(quint64 id, qint64 done, qint64 total, double rate);
    void setLocalPath(quint64 id, const QString& path);
    void setRemotePath(quint64 id, const QString& path);
    void markPartly(quint64 id);
    void setPart(quint64 id, const std::optional<PartFile>& part);
    // The remote file as a transfer of the item saw it (-1: not seen).
    void noteRemoteFile(quint64 id, qint64 size, qint64 time);
    // Whether another item than `id` uses or will write the local path:
    // as its target, or as the part file of a running download.
    bool localPathTaken(quint64 id, const QString& path) const;
    void finishItem(const TransferItem& item, TransferState state, const QString& error);
    void insertChildren(quint64 parent, std::vector<TransferItem> children);
    void reportArrival(const TransferItem& item);
    // The login was refused or the server not trusted: nothing more starts.
    void loginRefused(const QString& why);

    // The answer for an existing target: by the rule, or by an earlier
    // answer for the rest. Otherwise the question is put to the user once the
    // event loop is free, and nothing is returned: the item waits.
    std::optional<ConflictAnswer> answerFor(quint64 id, const Conflict& conflict);
    void deferItem(quint64 id);
    void askNextQuestion();

    // What the queue knows of a remote folder's files (name -> size, time).
    struct RemoteFile {
        qint64 size = -1;
        qint64 time = -1;
    };
    // Folders as `item`'s server has them.
    const QHash<QString, RemoteFile>* remoteFolder(const TransferItem& item,
                                                   const QString& folder) const;
    void rememberRemoteFolder(const TransferItem& item, const QString& folder,
                              const SharedListing& listing);
    void rememberRemoteFile(const TransferItem& item, const QString& path, qint64 size,
                            qint64 time);

    void markDirty(quint64 id);
    void flushDirty();

    QueueLogin m_login;
    QString m_loginKey;
    // The login of every server and account items were queued for.
    QHash<QString, QueueLogin> m_logins;
    std::vector<TransferItem> m_items;
    std::vector<TransferItem> m_keptAside;
    mutable QHash<quint64, int> m_index; // rebuilt when empty
    std::vector<std::unique_ptr<QueueWorker>> m_workers;
    int m_parallel = 2;
    bool m_paused = false;
    bool m_scheduling = false;
    bool m_scheduleAgain = false;
    size_t m_scanFrom = 0; // no item before this one waits
    ExistingTargetRule m_rule = ExistingTargetRule::Ask;
    std::optional<ConflictAnswer> m_answerForTheRest;
    ConflictPrompts* m_prompts = nullptr;
    std::vector<std::pair<quint64, Conflict>> m_questions;
    bool m_asking = false;
    int m_retryPauseMs = 1000;
    quint64 m_nextId = 1;
    QHash<QString, QHash<QString, RemoteFile>> m_remoteFolders;
    QHash<QString, quint64> m_holds; // path key -> the running item holding it
    // The local path key of every item queued since the queue was last
    // emptied (one gone since only costs a part file its first name).
    QSet<QString> m_localTargets;
    QSet<quint64> m_dirty;
    QTimer m_dirtyTimer;
    bool m_wasBusy = false;
};
