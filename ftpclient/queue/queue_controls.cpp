#include "queue_controls.h"

#include "part_file.h"
#include "queue_items.h"
#include "queue_scheduler.h"

QueueControls::QueueControls(QueueItems& items, QueueScheduler& scheduler)
    : m_items(items)
    , m_scheduler(scheduler) {}

void QueueControls::cancel(quint64 id) {
    if (m_scheduler.cancelRunning(id))
        return;
    const TransferItem* it = m_items.item(id);
    if (it && it->state == TransferState::Waiting)
        m_items.setState(id, TransferState::Cancelled);
}

void QueueControls::retry(quint64 id) {
    if (m_items.retry(id))
        m_scheduler.scheduleOnce();
}

void QueueControls::remove(quint64 id) {
    const std::optional<TransferItem> gone = m_items.take(id);
    if (!gone)
        return;
    m_scheduler.cancelRunning(id);
    if (gone->part && !gone->finished())
        removePartFile(*gone->part, gone->state == TransferState::Running);
    emit contentChanged();
    m_items.markDirty(0);
    m_scheduler.checkDrained();
}

void QueueControls::move(quint64 id, int delta) {
    m_items.move(id, delta);
}

void QueueControls::removeFinished() {
    m_items.removeFinished();
}

void QueueControls::pause() {
    m_scheduler.pause();
}

void QueueControls::resume() {
    m_scheduler.resume();
}

bool QueueControls::paused() const {
    return m_scheduler.paused();
}

void QueueControls::stopAll() {
    m_scheduler.stopAll();
}
