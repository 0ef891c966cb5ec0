#include "queue_items.h"

#include <algorithm>

namespace {

constexpr int kRefreshMs = 100;

bool isWaiting(const TransferItem& item) {
    return item.state == TransferState::Waiting && !item.awaitingAnswer;
}

} // namespace

QueueItems::QueueItems() {
    m_dirtyTimer.setSingleShot(true);
    m_dirtyTimer.setInterval(kRefreshMs);
    connect(&m_dirtyTimer, &QTimer::timeout, this, &QueueItems::flushDirty);
}

TransferItem* QueueItems::find(quint64 id) {
    const int index = indexOf(id);
    return index >= 0 ? &m_items[size_t(index)] : nullptr;
}

const TransferItem* QueueItems::item(quint64 id) const {
    const int index = indexOf(id);
    return index >= 0 ? &m_items[size_t(index)] : nullptr;
}

int QueueItems::indexOf(quint64 id) const {
    if (m_index.isEmpty() && !m_items.empty())
        for (size_t i = 0; i < m_items.size(); ++i)
            m_index.insert(m_items[i].id, int(i));
    return m_index.value(id, -1);
}

void QueueItems::structureChanged(int from) {
    m_index.clear();
    m_scanFrom = std::min(m_scanFrom, size_t(std::max(from, 0)));
}

// --- order ------------------------------------------------------------------

void QueueItems::insert(int at, std::vector<TransferItem> items) {
    const int count = int(items.size());
    m_items.insert(m_items.begin() + at, std::make_move_iterator(items.begin()),
                   std::make_move_iterator(items.end()));
    structureChanged(at);
    emit itemsInserted(at, count);
    emit contentChanged();
    markDirty(0);
}

void QueueItems::adoptLoginKey(const QString& key) {
    for (TransferItem& item : m_items)
        if (item.loginKey.isEmpty())
            item.loginKey = key;
}

std::optional<TransferItem> QueueItems::take(quint64 id) {
    const int row = indexOf(id);
    if (row < 0)
        return std::nullopt;
    TransferItem gone = std::move(m_items[size_t(row)]);
    m_items.erase(m_items.begin() + row);
    structureChanged(row);
    emit itemsRemoved(row, 1);
    return gone;
}

void QueueItems::move(quint64 id, int delta) {
    const int from = indexOf(id);
    const int to = from + delta;
    if (from < 0 || to < 0 || to >= int(m_items.size()))
        return;
    std::swap(m_items[size_t(from)], m_items[size_t(to)]);
    structureChanged(std::min(from, to));
    emit itemMoved(from, to);
    emit contentChanged();
}

void QueueItems::removeFinished() {
    for (int row = int(m_items.size()) - 1; row >= 0; --row) {
        if (!m_items[size_t(row)].finished())
            continue;
        m_items.erase(m_items.begin() + row);
        structureChanged(row);
        emit itemsRemoved(row, 1);
    }
    emit contentChanged();
    markDirty(0);
}

bool QueueItems::retry(quint64 id) {
    TransferItem* it = find(id);
    if (!it || !it->canRetry())
        return false;
    it->state = TransferState::Waiting;
    it->error.clear();
    it->attempts = 0;
    it->answer.reset();
    m_scanFrom = std::min(m_scanFrom, size_t(indexOf(id)));
    emit itemChanged(indexOf(id));
    emit contentChanged();
    markDirty(0);
    return true;
}

// --- what the workers report --------------------------------------------------

void QueueItems::setState(quint64 id, TransferState state, const QString& note) {
    TransferItem* it = find(id);
    if (!it)
        return;
    it->state = state;
    it->error = note;
    if (state == TransferState::Waiting)
        m_scanFrom = std::min(m_scanFrom, size_t(indexOf(id)));
    markDirty(id);
}

void QueueItems::setProgress(quint64 id, qint64 done, qint64 total, double rate) {
    TransferItem* it = find(id);
    if (!it)
        return;
    it->done = done;
    if (total > 0)
        it->size = total;
    it->rate = rate;
    it->secondsLeft = rate > 0 && it->size > done ? qint64((it->size - done) / rate) + 1 : -1;
    markDirty(id);
}

const TransferItem* QueueItems::setLocalPath(quint64 id, const QString& path) {
    TransferItem* it = find(id);
    if (!it)
        return nullptr;
    it->local = path;
    emit itemChanged(indexOf(id));
    return it;
}

void QueueItems::setRemotePath(quint64 id, const QString& path) {
    if (TransferItem* it = find(id)) {
        it->remote = path;
        emit itemChanged(indexOf(id));
    }
}

void QueueItems::markPartly(quint64 id) {
    if (TransferItem* it = find(id))
        it->partly = true;
}

bool QueueItems::setPart(quint64 id, const std::optional<PartFile>& part) {
    TransferItem* it = find(id);
    if (!it)
        return false;
    const auto fileOf = [](const std::optional<PartFile>& record) {
        return record ? std::pair(record->device, record->inode) : std::pair(quint64(), quint64());
    };
    const bool anotherFile = fileOf(it->part) != fileOf(part);
    it->part = part;
    markDirty(0);
    if (!anotherFile)
        return true;
    if (part)
        emit partFileRecorded(*it);
    emit contentChanged();
    return true;
}

void QueueItems::noteRemoteFile(quint64 id, qint64 size, qint64 time) {
    TransferItem* it = find(id);
    if (!it)
        return;
    if (size >= 0)
        it->size = size;
    if (time >= 0)
        it->remoteTime = time;
}

void QueueItems::settle(const TransferItem& stopped, TransferState state, const QString& error) {
    TransferItem* it = find(stopped.id);
    if (!it)
        return;
    it->state = state;
    it->error = error;
    it->rate = 0;
    it->secondsLeft = -1;
    it->partly = stopped.partly || leftPart(*it);
    if (state == TransferState::Done) {
        it->partly = false;
        if (it->size >= 0)
            it->done = it->size;
        emit fileArrived(*it);
    }
    if (state == TransferState::Waiting)
        m_scanFrom = std::min(m_scanFrom, size_t(indexOf(stopped.id)));
    if (it->finished())
        emit itemFinished(*it);
    emit contentChanged();
    markDirty(stopped.id);
}

void QueueItems::defer(quint64 id) {
    if (TransferItem* it = find(id)) {
        it->state = TransferState::Waiting;
        it->awaitingAnswer = true;
        emit itemChanged(indexOf(id));
    }
}

void QueueItems::takeAnswer(quint64 id, ConflictAnswer answer) {
    TransferItem* it = find(id);
    if (!it)
        return;
    it->answer = answer;
    it->awaitingAnswer = false;
    m_scanFrom = std::min(m_scanFrom, size_t(indexOf(id)));
    emit itemChanged(indexOf(id));
}

// --- starting -------------------------------------------------------------------

// One that waits for its paths keeps the scan from passing it.
const TransferItem*
QueueItems::nextWaiting(const std::function<bool(const TransferItem&)>& startable, GroupGate gate) {
    while (m_scanFrom < m_items.size() && !isWaiting(m_items[m_scanFrom]))
        ++m_scanFrom;
    for (size_t i = m_scanFrom; i < m_items.size(); ++i) {
        const TransferItem& item = m_items[i];
        if (isWaiting(item) && gate.passes(item) && startable(item))
            return &m_items[i];
        if (item.state == TransferState::Waiting || item.state == TransferState::Running)
            gate.note(item);
    }
    return nullptr;
}

bool QueueItems::anyWaiting() const {
    return std::any_of(m_items.begin(), m_items.end(), [](const TransferItem& item) {
        return item.state == TransferState::Waiting;
    });
}

// Progress and the starts and ends of items come often: the rows they touch
// and the totals are told about them a few times a second.
void QueueItems::markDirty(quint64 id) {
    if (id != 0)
        m_dirty.insert(id);
    if (!m_dirtyTimer.isActive())
        m_dirtyTimer.start();
}

void QueueItems::flushDirty() {
    const QSet<quint64> dirty = std::exchange(m_dirty, {});
    for (quint64 id : dirty) {
        const int row = indexOf(id);
        if (row >= 0)
            emit itemChanged(row);
    }
    emit totalsChanged();
}
