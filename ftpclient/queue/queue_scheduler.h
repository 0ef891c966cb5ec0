#pragma once

#include "group_gate.h"
#include "transfer_item.h"

#include <QObject>

#include <memory>
#include <vector>

class ConflictQuestions;
class PathHolds;
class QueueItems;
class QueueLogins;
class QueueWorker;
class QueueWorkerHost;
struct TransferItem;

// The queue's connections and what runs on them: up to parallel() items at
// once, first come first served, each once its paths are free and its
// server's login is known. Behind a small file of a queued folder, the next
// item of the same login may be lined up on the same connection (see
// QueueWorker::takesFollower()).
class QueueScheduler : public QObject {
    Q_OBJECT

public:
    static constexpr int MostParallel = 10;

    struct Parts {
        QueueItems& items;
        PathHolds& holds;
        const QueueLogins& logins;
        const ConflictQuestions& questions;
        QueueWorkerHost& host; // what the workers report to
    };
    explicit QueueScheduler(const Parts& parts);
    ~QueueScheduler() override;

    void setParallel(int count);
    int parallel() const { return m_parallel; }
    void pause();
    void resume();
    bool paused() const { return m_paused; }
    // Stops every running item at once, keeping what arrived.
    void stopAll();
    // Cancels the item if it runs; false when it does not.
    bool cancelRunning(quint64 id);
    // The next item of each connection logs in afresh.
    void resetConnections();
    // The login was refused or the server not trusted: nothing more starts.
    void pauseForLogin(const QString& why);
    // Starts what can start once the event loop is free.
    void scheduleOnce();
    // A worker is free: one more than the count allows goes, others start.
    void afterItemStopped();
    // Tells drained() when the queue has just come to rest.
    void checkDrained();
    bool idle() const;

signals:
    // Every item has stopped: done, failed, cancelled or skipped.
    void drained();
    void lineLogged(const QString& text);

private:
    void schedule();
    void stopEvery(TransferState state);
    bool startable(const TransferItem& item) const;
    GroupGate runningGate() const;
    // A connection's workers: the first, and one lined up behind it (or it
    // behind that one), made when first needed.
    struct Line {
        std::unique_ptr<QueueWorker> first;
        std::unique_ptr<QueueWorker> second;
        bool busy() const;
    };

    void startIdle();
    void lineUp();
    bool lineUpBehind(QueueWorker& leader, QueueWorker& follower);
    std::unique_ptr<QueueWorker> makeWorker();
    std::vector<QueueWorker*> workers() const;
    QueueWorker* idleWorker(const TransferItem& next);
    QueueWorker* workerFor(quint64 id) const;
    int runningCount() const;

    Parts m_parts;
    std::vector<Line> m_lines;
    int m_parallel = 2;
    bool m_paused = false;
    bool m_scheduling = false;
    bool m_scheduleAgain = false;
    bool m_wasBusy = false;
};
