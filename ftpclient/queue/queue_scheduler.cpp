#include "queue_scheduler.h"

#include "conflict_questions.h"
#include "path_holds.h"
#include "queue_items.h"
#include "queue_logins.h"
#include "queue_worker.h"

#include <algorithm>

QueueScheduler::QueueScheduler(const Parts& parts)
    : m_parts(parts) {}

QueueScheduler::~QueueScheduler() {
    // Workers report into the queue while they stop: silence them first.
    for (auto& worker : m_workers)
        worker->disconnect();
    m_workers.clear();
}

void QueueScheduler::setParallel(int count) {
    m_parallel = std::clamp(count, 1, MostParallel);
    scheduleOnce();
}

void QueueScheduler::pause() {
    m_paused = true;
    stopEvery(TransferState::Waiting);
    m_parts.items.markDirty(0);
}

// A worker that stops at once may take a connection the count no longer
// allows with it (afterItemStopped): the workers are gone through as they
// were, and one let go is deleted only later.
void QueueScheduler::stopEvery(TransferState state) {
    std::vector<QueueWorker*> workers;
    for (const auto& worker : m_workers)
        workers.push_back(worker.get());
    for (QueueWorker* worker : workers)
        worker->stop(state);
}

void QueueScheduler::resume() {
    m_paused = false;
    m_parts.items.rescan();
    m_parts.items.markDirty(0);
    scheduleOnce();
}

void QueueScheduler::stopAll() {
    const bool wasPaused = m_paused;
    m_paused = true;
    stopEvery(TransferState::Waiting);
    m_paused = wasPaused;
}

bool QueueScheduler::cancelRunning(quint64 id) {
    QueueWorker* worker = workerFor(id);
    if (!worker)
        return false;
    worker->stop(TransferState::Cancelled);
    return true;
}

void QueueScheduler::resetConnections() {
    for (auto& worker : m_workers)
        worker->resetConnection();
}

void QueueScheduler::pauseForLogin(const QString& why) {
    if (m_paused)
        return;
    m_paused = true;
    emit lineLogged(QStringLiteral("\r\nThe transfers are paused: ") + why);
    stopAll();
    m_parts.items.markDirty(0);
}

void QueueScheduler::scheduleOnce() {
    QMetaObject::invokeMethod(this, &QueueScheduler::schedule, Qt::QueuedConnection);
}

void QueueScheduler::afterItemStopped() {
    // A connection more than the count now allows goes once it is idle.
    while (int(m_workers.size()) > m_parallel) {
        auto idle = std::find_if(m_workers.begin(), m_workers.end(),
                                 [](const auto& worker) { return !worker->busy(); });
        if (idle == m_workers.end())
            break;
        (*idle)->deleteLater();
        idle->release();
        m_workers.erase(idle);
    }
    // The connection just freed takes the next item at once, not after
    // whatever else waits in the event loop.
    schedule();
}

// Starts waiting items on idle connections, first come first served. A
// start may finish its item at once and call back here: that call only
// asks for another round.
void QueueScheduler::schedule() {
    if (m_scheduling) {
        m_scheduleAgain = true;
        return;
    }
    m_scheduling = true;
    do {
        m_scheduleAgain = false;
        while (!m_paused && runningCount() < m_parallel) {
            const TransferItem* next = m_parts.items.nextWaiting(
                [this](const TransferItem& item) { return startable(item); }, runningGate());
            if (!next)
                break;
            QueueWorker* worker = idleWorker();
            if (!worker)
                break;
            if (!next->folder)
                m_parts.holds.holdTargets(*next);
            worker->start(*next);
        }
    } while (m_scheduleAgain);
    m_scheduling = false;
    checkDrained();
}

// An item with a login whose paths are free.
bool QueueScheduler::startable(const TransferItem& item) const {
    return !m_parts.holds.heldByAnother(item) && !m_parts.logins.of(item).address.isEmpty();
}

// A gate told of the running items.
GroupGate QueueScheduler::runningGate() const {
    GroupGate gate;
    for (const auto& worker : m_workers)
        if (worker->busy())
            if (const TransferItem* item = m_parts.items.item(worker->itemId()))
                gate.note(*item);
    return gate;
}

QueueWorker* QueueScheduler::idleWorker() {
    for (auto& worker : m_workers)
        if (!worker->busy())
            return worker.get();
    if (int(m_workers.size()) >= m_parallel)
        return nullptr;
    m_workers.push_back(std::make_unique<QueueWorker>(m_parts.host));
    return m_workers.back().get();
}

QueueWorker* QueueScheduler::workerFor(quint64 id) const {
    for (const auto& worker : m_workers)
        if (worker->busy() && worker->itemId() == id)
            return worker.get();
    return nullptr;
}

int QueueScheduler::runningCount() const {
    return int(std::count_if(m_workers.begin(), m_workers.end(),
                             [](const auto& worker) { return worker->busy(); }));
}

void QueueScheduler::checkDrained() {
    const bool busy = !idle();
    if (m_wasBusy && !busy)
        emit drained();
    m_wasBusy = busy;
}

bool QueueScheduler::idle() const {
    if (runningCount() > 0 || m_parts.questions.open())
        return false;
    if (m_paused)
        return true;
    return !m_parts.items.anyWaiting();
}
