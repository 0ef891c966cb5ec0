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
    for (QueueWorker* worker : workers())
        worker->disconnect();
    m_lines.clear();
}

bool QueueScheduler::Line::busy() const {
    return first->busy() || (second && second->busy());
}

std::vector<QueueWorker*> QueueScheduler::workers() const {
    std::vector<QueueWorker*> all;
    for (const Line& line : m_lines) {
        all.push_back(line.first.get());
        if (line.second)
            all.push_back(line.second.get());
    }
    return all;
}

std::unique_ptr<QueueWorker> QueueScheduler::makeWorker() {
    auto worker = std::make_unique<QueueWorker>(m_parts.host);
    connect(worker.get(), &QueueWorker::underway, this, &QueueScheduler::schedule);
    return worker;
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
    for (QueueWorker* worker : workers())
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
    for (QueueWorker* worker : workers())
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
    while (int(m_lines.size()) > m_parallel) {
        auto idle = std::find_if(m_lines.begin(), m_lines.end(),
                                 [](const Line& line) { return !line.busy(); });
        if (idle == m_lines.end())
            break;
        idle->first.release()->deleteLater();
        if (idle->second)
            idle->second.release()->deleteLater();
        m_lines.erase(idle);
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
        startIdle();
        lineUp();
    } while (m_scheduleAgain);
    m_scheduling = false;
    checkDrained();
}

void QueueScheduler::startIdle() {
    while (!m_paused && runningCount() < m_parallel) {
        const TransferItem* next = m_parts.items.nextWaiting(
            [this](const TransferItem& item) { return startable(item); }, runningGate());
        if (!next)
            break;
        QueueWorker* worker = idleWorker(*next);
        if (!worker)
            break;
        if (!next->folder)
            m_parts.holds.holdTargets(*next);
        worker->start(*next);
    }
}

// The next item in the queue's order, when it is a file of a queued folder
// with the leader's login, waits on the leader's connection.
void QueueScheduler::lineUp() {
    for (Line& line : m_lines) {
        if (m_paused)
            return;
        const bool firstBusy = line.first->busy();
        const bool secondBusy = line.second && line.second->busy();
        if (firstBusy == secondBusy)
            continue;
        QueueWorker& leader = firstBusy ? *line.first : *line.second;
        if (!leader.takesFollower())
            continue;
        if (!line.second)
            line.second = makeWorker();
        if (lineUpBehind(leader, firstBusy ? *line.second : *line.first))
            return; // the lines may have changed meanwhile; schedule() comes round again
    }
}

bool QueueScheduler::lineUpBehind(QueueWorker& leader, QueueWorker& follower) {
    const TransferItem* leading = m_parts.items.item(leader.itemId());
    const TransferItem* next = m_parts.items.nextWaiting(
        [this](const TransferItem& item) { return startable(item); }, runningGate());
    if (!leading || !next || next->depth == 0 || next->folder || next->deletes ||
        next->loginKey != leading->loginKey)
        return false;
    const TransferItem item = *next;
    m_parts.holds.holdTargets(item);
    if (follower.startBehind(leader, item)) {
        m_scheduleAgain = true;
        return true;
    }
    m_parts.holds.release(item.id);
    return false;
}

// An item with a login whose paths are free.
bool QueueScheduler::startable(const TransferItem& item) const {
    return !m_parts.holds.heldByAnother(item) && !m_parts.logins.of(item).address.isEmpty();
}

// A gate told of the running items.
GroupGate QueueScheduler::runningGate() const {
    GroupGate gate;
    for (QueueWorker* worker : workers())
        if (worker->busy())
            if (const TransferItem* item = m_parts.items.item(worker->itemId()))
                gate.note(*item);
    return gate;
}

// The first worker of an idle connection. One lined up there before keeps
// that connection only while the next item has the same login.
QueueWorker* QueueScheduler::idleWorker(const TransferItem& next) {
    for (Line& line : m_lines) {
        if (line.busy())
            continue;
        if (line.second && line.second->loginKey() != next.loginKey)
            line.second.release()->deleteLater();
        return line.first.get();
    }
    if (int(m_lines.size()) >= m_parallel)
        return nullptr;
    m_lines.push_back({makeWorker(), nullptr});
    return m_lines.back().first.get();
}

QueueWorker* QueueScheduler::workerFor(quint64 id) const {
    for (QueueWorker* worker : workers())
        if (worker->busy() && worker->itemId() == id)
            return worker;
    return nullptr;
}

int QueueScheduler::runningCount() const {
    return int(std::count_if(m_lines.begin(), m_lines.end(),
                             [](const Line& line) { return line.busy(); }));
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
