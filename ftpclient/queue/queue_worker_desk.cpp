#include "queue_worker_desk.h"

#include "conflict_questions.h"
#include "kept_aside.h"
#include "path_holds.h"
#include "queue_items.h"
#include "queue_logins.h"

QueueWorkerDesk::QueueWorkerDesk(const Parts& parts)
    : m_parts(parts) {}

const QueueLogin& QueueWorkerDesk::loginOf(const TransferItem& item) const {
    return m_parts.logins.of(item);
}

void QueueWorkerDesk::setState(quint64 id, TransferState state, const QString& note) {
    m_parts.items.setState(id, state, note);
}

void QueueWorkerDesk::setProgress(quint64 id, qint64 done, qint64 total, double rate) {
    m_parts.items.setProgress(id, done, total, rate);
}

void QueueWorkerDesk::setLocalPath(quint64 id, const QString& path) {
    const TransferItem* item = m_parts.items.setLocalPath(id, path);
    if (!item)
        return;
    m_parts.holds.noteTarget(path);
    m_parts.holds.release(id);
    m_parts.holds.holdTargets(*item);
}

void QueueWorkerDesk::setRemotePath(quint64 id, const QString& path) {
    m_parts.items.setRemotePath(id, path);
}

void QueueWorkerDesk::markPartly(quint64 id) {
    m_parts.items.markPartly(id);
}

// Only the worker running the item reports its part file: the file is held
// while it runs.
void QueueWorkerDesk::setPart(quint64 id, const std::optional<PartFile>& part) {
    if (m_parts.items.setPart(id, part) && part)
        m_parts.holds.holdLocal(id, part->path);
}

void QueueWorkerDesk::noteRemoteFile(quint64 id, qint64 size, qint64 time) {
    m_parts.items.noteRemoteFile(id, size, time);
}

void QueueWorkerDesk::finishItem(const TransferItem& item, TransferState state,
                                 const QString& error) {
    m_parts.holds.release(item.id);
    m_parts.items.settle(item, state, error);
    emit itemStopped();
}

// Children follow their folder, in the order given, with its login.
void QueueWorkerDesk::insertChildren(quint64 parent, std::vector<TransferItem> children) {
    const TransferItem* folder = m_parts.items.item(parent);
    if (!folder || children.empty())
        return;
    const QString loginKey = folder->loginKey;
    for (TransferItem& child : children) {
        child.id = m_parts.items.takeId();
        child.loginKey = loginKey;
        m_parts.keptAside.adoptPart(child);
        m_parts.holds.noteTarget(child.local);
    }
    m_parts.items.insert(m_parts.items.indexOf(parent) + 1, std::move(children));
}

bool QueueWorkerDesk::localPathTaken(quint64 id, const QString& path) const {
    return m_parts.holds.localPathTaken(id, path);
}

std::optional<ConflictAnswer> QueueWorkerDesk::answerFor(quint64 id, const Conflict& conflict) {
    return m_parts.questions.answerFor(id, conflict);
}

void QueueWorkerDesk::deferItem(quint64 id) {
    m_parts.holds.release(id);
    m_parts.items.defer(id);
    emit itemDeferred();
}

bool QueueWorkerDesk::targetTimesMatter() const {
    return m_parts.questions.timesMatter();
}

const RemoteFolders::Files* QueueWorkerDesk::remoteFolder(const TransferItem& item,
                                                          const QString& folder) const {
    return m_parts.remoteFolders.folder(item, folder);
}

void QueueWorkerDesk::rememberRemoteFolder(const TransferItem& item, const QString& folder,
                                           const SharedListing& listing) {
    m_parts.remoteFolders.rememberFolder(item, folder, listing);
}

void QueueWorkerDesk::rememberRemoteFile(const TransferItem& item, const QString& path, qint64 size,
                                         qint64 time) {
    m_parts.remoteFolders.rememberFile(item, path, size, time);
}

void QueueWorkerDesk::forgetRemoteFile(const TransferItem& item, const QString& path) {
    m_parts.remoteFolders.forgetFile(item, path);
}
