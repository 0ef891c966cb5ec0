#include "transfer_queue.h"

#include "ftp_command.h"
#include "part_file.h"
#include "plain_name.h"
#include "queue_worker.h"
#include "raw_names.h"

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kRefreshMs = 100;

bool isWaiting(const TransferItem& item) {
    return item.state == TransferState::Waiting && !item.awaitingAnswer;
}

// Whether a stopped file left part of itself: a download's own part file
// beside its target, bytes sent of an upload.
bool leftPart(const TransferItem& item) {
    if (item.folder || item.state == TransferState::Done)
        return false;
    if (item.direction == TransferDirection::Upload)
        return item.done > 0;
    if (!item.part)
        return false;
    // Judged by which file it is: a running transfer is still writing to it.
    const std::optional<PartFile> now = measuredPartFile(*item.part);
    return now && now->size > 0;
}

// Local paths are held without regard to case: on a file system that does
// not tell case apart they are one file.
QString localKey(const QString& path) {
    return u'L' + path.toCaseFolded();
}

// A remote path is one file on one server only.
QString remoteKey(const TransferItem& item) {
    return u'R' + item.loginKey + u'\n' + item.remote;
}

QString folderKey(const TransferItem& item, const QString& folder) {
    return item.loginKey + u'\n' + folder;
}

} // namespace

QString TransferItem::name() const {
    // Shown the way the panes show it: a server's name that is not UTF-8 is
    // most likely Latin-1; a local one keeps a mark for each stray byte.
    if (direction == TransferDirection::Download)
        return RawName::shownAsLatin1(nameOf(remote));
    return RawName::shownWithMarks(nameOf(local));
}

QString TransferItem::savedName() const {
    const bool download = direction == TransferDirection::Download;
    const QString target = nameOf(download ? local : remote);
    if (target == nameOf(download ? remote : local))
        return name();
    return download ? RawName::shownWithMarks(target) : RawName::shownAsLatin1(target);
}

QString TransferItem::shownPath() const {
    const bool download = direction == TransferDirection::Download;
    const QString& source = download ? remote : local;
    // The last depth + 1 names of the path.
    qsizetype start = source.size();
    for (int level = 0; level <= depth && start > 0; ++level)
        start = source.lastIndexOf(u'/', start - 1);
    const QString path = source.mid(start + 1);
    return download ? RawName::shownAsLatin1(path) : RawName::shownWithMarks(path);
}

TransferQueue::TransferQueue(QObject* parent)
    : QObject(parent) {
    m_dirtyTimer.setSingleShot(true);
    m_dirtyTimer.setInterval(kRefreshMs);
    connect(&m_dirtyTimer, &QTimer::timeout, this, &TransferQueue::flushDirty);
}

TransferQueue::~TransferQueue() {
    // Workers report into the queue while they stop: silence them first.
    for (auto& worker : m_workers)
        worker->disconnect();
    m_workers.clear();
}

void TransferQueue::setLogin(const QueueLogin& login) {
    m_login = login;
    m_loginKey = login.address.isEmpty() ? QString() : login.key();
    if (!m_loginKey.isEmpty()) {
        m_logins.insert(m_loginKey, login);
        // Items queued before there was a login take this one.
        for (TransferItem& item : m_items)
            if (item.loginKey.isEmpty())
                item.loginKey = m_loginKey;
    }
    m_remoteFolders.clear();
    for (auto& worker : m_workers)
        worker->resetConnection();
    emit loginChanged();
    scheduleOnce();
}

const QueueLogin& TransferQueue::loginOf(const TransferItem& item) const {
    const auto found = m_logins.constFind(item.loginKey);
    return found != m_logins.cend() ? found.value() : m_login;
}

void TransferQueue::setParallel(int count) {
    m_parallel = std::clamp(count, 1, MostParallel);
    scheduleOnce();
}

// --- items ------------------------------------------------------------------

TransferItem* TransferQueue::find(quint64 id) {
    const int index = indexOf(id);
    return index >= 0 ? &m_items[size_t(index)] : nullptr;
}

const TransferItem* TransferQueue::item(quint64 id) const {
    const int index = indexOf(id);
    return index >= 0 ? &m_items[size_t(index)] : nullptr;
}

int TransferQueue::indexOf(quint64 id) const {
    if (m_index.isEmpty() && !m_items.empty())
        for (size_t i = 0; i < m_items.size(); ++i)
            m_index.insert(m_items[i].id, int(i));
    return m_index.value(id, -1);
}

// Rows from `from` on moved: their indexes are looked up afresh, and the
// scheduler looks at them again.
void TransferQueue::itemsChangedStructure(int from) {
    m_index.clear();
    m_scanFrom = std::min(m_scanFrom, size_t(std::max(from, 0)));
}

quint64 TransferQueue::append(TransferItem item) {
    item.id = m_nextId++;
    if (item.loginKey.isEmpty())
        item.loginKey = m_loginKey;
    adoptKeptPart(item);
    m_localTargets.insert(localKey(item.local));
    m_items.push_back(std::move(item));
    const int row = int(m_items.size()) - 1;
    itemsChangedStructure(row);
    emit itemsInserted(row, 1);
    emit contentChanged();
    markDirty(0);
    scheduleOnce();
    return m_items.back().id;
}

quint64 TransferQueue::addDownload(const QString& remote, const QString& local, bool folder,
                                   qint64 size, qint64 remoteTime) {
    TransferItem item;
    item.direction = TransferDirection::Download;
    item.remote = remote;
    item.local = local;
    item.folder = folder;
    item.size = size;
    item.remoteTime = remoteTime;
    return append(std::move(item));
}

quint64 TransferQueue::addUpload(const QString& local, const QString& remote, bool folder) {
    TransferItem item;
    item.direction = TransferDirection::Upload;
    item.local = local;
    item.remote = remote;
    item.folder = folder;
    return append(std::move(item));
}

void TransferQueue::restore(const std::vector<TransferItem>& items) {
    if (items.empty())
        return;
    const int first = int(m_items.size());
    for (TransferItem item : items) {
        item.id = m_nextId++;
        item.loginKey = m_loginKey;
        if (item.state == TransferState::Running)
            item.state = TransferState::Waiting;
        item.rate = 0;
        item.secondsLeft = -1;
        item.answer.reset();
        item.awaitingAnswer = false;
        m_localTargets.insert(localKey(item.local));
        m_items.push_back(std::move(item));
    }
    itemsChangedStructure(first);
    emit itemsInserted(first, int(items.size()));
    emit contentChanged();
    markDirty(0);
    scheduleOnce();
}

void TransferQueue::keepAside(std::vector<TransferItem> items) {
    for (TransferItem& item : items) {
        item.id = m_nextId++;
        if (item.loginKey.isEmpty())
            item.loginKey = m_loginKey;
        m_keptAside.push_back(std::move(item));
    }
    emit contentChanged();
}

std::vector<TransferItem> TransferQueue::takeKeptAside(const QString& key) {
    std::vector<TransferItem> taken;
    std::vector<TransferItem> left;
    for (TransferItem& item : m_keptAside)
        (item.loginKey == key ? taken : left).push_back(std::move(item));
    m_keptAside = std::move(left);
    if (!taken.empty())
        emit contentChanged();
    return taken;
}

// A part file tarlen recorded for this very download (with the same server
// and account, remote file and target) is continued, whoever queues it
// again; the item it was kept with is no longer needed. The remote file is
// held to what the part file was begun from.
void TransferQueue::adoptKeptPart(TransferItem& item) {
    if (m_keptAside.empty() || item.folder || item.direction != TransferDirection::Download)
        return;
    const auto kept = std::find_if(m_keptAside.begin(), m_keptAside.end(), [&](const auto& old) {
        return old.part && !old.folder && old.direction == TransferDirection::Download &&
               old.loginKey == item.loginKey && old.remote == item.remote &&
               old.local == item.local;
    });
    if (kept == m_keptAside.end())
        return;
    item.part = kept->part;
    item.partly = true;
    item.done = kept->done;
    item.size = kept->size;
    item.remoteTime = kept->remoteTime;
    m_keptAside.erase(kept);
}

// Children follow their folder, in the order given.
void TransferQueue::insertChildren(quint64 parent, std::vector<TransferItem> children) {
    const int at = indexOf(parent) + 1;
    if (at <= 0 || children.empty())
        return;
    const QString loginKey = m_items[size_t(at - 1)].loginKey;
    for (TransferItem& child : children) {
        child.id = m_nextId++;
        child.loginKey = loginKey;
        adoptKeptPart(child);
        m_localTargets.insert(localKey(child.local));
    }
    const int count = int(children.size());
    m_items.insert(m_items.begin() + at, std::make_move_iterator(children.begin()),
                   std::make_move_iterator(children.end()));
    itemsChangedStructure(at);
    emit itemsInserted(at, count);
    emit contentChanged();
    markDirty(0);
}

// --- the user's hand --------------------------------------------------------------

void TransferQueue::cancel(quint64 id) {
    if (QueueWorker* worker = workerFor(id)) {
        worker->stop(TransferState::Cancelled);
        return;
    }
    TransferItem* it = find(id);
    if (it && it->state == TransferState::Waiting)
        setState(id, TransferState::Cancelled);
}

void TransferQueue::retry(quint64 id) {
    TransferItem* it = find(id);
    if (!it || !it->canRetry())
        return;
    it->state = TransferState::Waiting;
    it->error.clear();
    it->attempts = 0;
    it->answer.reset();
    m_scanFrom = std::min(m_scanFrom, size_t(indexOf(id)));
    emit itemChanged(indexOf(id));
    emit contentChanged();
    markDirty(0);
    scheduleOnce();
}

// A download taken out of the queue takes what it kept with it.
void TransferQueue::remove(quint64 id) {
    const int row = indexOf(id);
    if (row < 0)
        return;
    const TransferItem gone = m_items[size_t(row)];
    m_items.erase(m_items.begin() + row);
    itemsChangedStructure(row);
    emit itemsRemoved(row, 1);
    if (QueueWorker* worker = workerFor(id))
        worker->stop(TransferState::Cancelled);
    if (gone.part && !gone.finished())
        removePartFile(*gone.part, gone.state == TransferState::Running);
    emit contentChanged();
    markDirty(0);
    checkDrained();
}

void TransferQueue::move(quint64 id, int delta) {
    const int from = indexOf(id);
    const int to = from + delta;
    if (from < 0 || to < 0 || to >= int(m_items.size()))
        return;
    std::swap(m_items[size_t(from)], m_items[size_t(to)]);
    itemsChangedStructure(std::min(from, to));
    emit itemMoved(from, to);
    emit contentChanged();
}

void TransferQueue::removeFinished() {
    for (int row = int(m_items.size()) - 1; row >= 0; --row) {
        if (!m_items[size_t(row)].finished())
            continue;
        m_items.erase(m_items.begin() + row);
        itemsChangedStructure(row);
        emit itemsRemoved(row, 1);
    }
    emit contentChanged();
    markDirty(0);
}

void TransferQueue::pause() {
    m_paused = true;
    for (auto& worker : m_workers)
        worker->stop(TransferState::Waiting);
    markDirty(0);
}

void TransferQueue::resume() {
    m_paused = false;
    m_scanFrom = 0;
    markDirty(0);
    scheduleOnce();
}

void TransferQueue::stopAll() {
    const bool wasPaused = m_paused;
    m_paused = true;
    for (auto& worker : m_workers)
        worker->stop(TransferState::Waiting);
    m_paused = wasPaused;
}

void TransferQueue::clear() {
    const bool wasPaused = m_paused;
    m_paused = true;
    for (auto& worker : m_workers)
        worker->stop(TransferState::Cancelled);
    m_paused = wasPaused;
    const int count = int(m_items.size());
    m_items.clear();
    m_localTargets.clear();
    m_questions.clear();
    m_answerForTheRest.reset();
    itemsChangedStructure(0);
    if (count > 0)
        emit itemsRemoved(0, count);
    emit contentChanged();
    markDirty(0);
}

// --- running ----------------------------------------------------------------

QueueWorker* TransferQueue::workerFor(quint64 id) const {
    for (const auto& worker : m_workers)
        if (worker->busy() && worker->itemId() == id)
            return worker.get();
    return nullptr;
}

int TransferQueue::runningCount() const {
    return int(std::count_if(m_workers.begin(), m_workers.end(),
                             [](const auto& worker) { return worker->busy(); }));
}

QueueWorker* TransferQueue::idleWorker() {
    for (auto& worker : m_workers)
        if (!worker->busy())
            return worker.get();
    if (int(m_workers.size()) >= m_parallel)
        return nullptr;
    m_workers.push_back(std::make_unique<QueueWorker>(*this));
    return m_workers.back().get();
}

void TransferQueue::scheduleOnce() {
    QMetaObject::invokeMethod(this, &TransferQueue::schedule, Qt::QueuedConnection);
}

// Starts waiting items on idle connections, first come first served. A
// start may finish its item at once and call back here: that call only
// asks for another round.
void TransferQueue::schedule() {
    if (m_scheduling) {
        m_scheduleAgain = true;
        return;
    }
    m_scheduling = true;
    do {
        m_scheduleAgain = false;
        while (!m_paused && runningCount() < m_parallel) {
            const std::optional<size_t> next = nextStartable();
            if (!next)
                break;
            QueueWorker* worker = idleWorker();
            if (!worker)
                break;
            const TransferItem& item = m_items[*next];
            if (!item.folder) {
                hold(item.id, localKey(item.local));
                hold(item.id, remoteKey(item));
            }
            worker->start(item);
        }
    } while (m_scheduleAgain);
    m_scheduling = false;
    checkDrained();
}

// The first waiting item with a login whose paths are free. Items before
// m_scanFrom do not wait; one that waits for a path keeps the scan from
// passing it.
std::optional<size_t> TransferQueue::nextStartable() {
    while (m_scanFrom < m_items.size() && !isWaiting(m_items[m_scanFrom]))
        ++m_scanFrom;
    for (size_t i = m_scanFrom; i < m_items.size(); ++i)
        if (isWaiting(m_items[i]) && !pathsHeld(m_items[i]) &&
            !loginOf(m_items[i]).address.isEmpty())
            return i;
    return std::nullopt;
}

bool TransferQueue::pathsHeld(const TransferItem& item) const {
    if (item.folder || m_holds.isEmpty())
        return false;
    const auto heldByAnother = [&](const QString& key) {
        const auto held = m_holds.constFind(key);
        return held != m_holds.cend() && held.value() != item.id;
    };
    return heldByAnother(localKey(item.local)) || heldByAnother(remoteKey(item));
}

void TransferQueue::hold(quint64 id, const QString& key) {
    m_holds.insert(key, id);
}

void TransferQueue::releaseHolds(quint64 id) {
    m_holds.removeIf([id](const auto& held) { return held.value() == id; });
}

bool TransferQueue::localPathTaken(quint64 id, const QString& path) const {
    const QString key = localKey(path);
    const auto held = m_holds.constFind(key);
    if (held != m_holds.cend() && held.value() != id)
        return true;
    return m_localTargets.contains(key);
}

void TransferQueue::checkDrained() {
    const bool busy = !idle();
    if (m_wasBusy && !busy) {
        m_answerForTheRest.reset();
        // What the server held may change before the next run.
        m_remoteFolders.clear();
        emit drained();
    }
    m_wasBusy = busy;
}

bool TransferQueue::idle() const {
    if (runningCount() > 0 || !m_questions.empty())
        return false;
    if (m_paused)
        return true;
    return std::none_of(m_items.begin(), m_items.end(), [](const TransferItem& item) {
        return item.state == TransferState::Waiting;
    });
}

// --- what the workers report --------------------------------------------------

void TransferQueue::setState(quint64 id, TransferState state, const QString& note) {
    TransferItem* it = find(id);
    if (!it)
        return;
    it->state = state;
    it->error = note;
    if (state == TransferState::Waiting)
        m_scanFrom = std::min(m_scanFrom, size_t(indexOf(id)));
    emit itemChanged(indexOf(id));
    markDirty(0);
}

void TransferQueue::setProgress(quint64 id, qint64 done, qint64 total, double rate) {
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

void TransferQueue::setLocalPath(quint64 id, const QString& path) {
    if (TransferItem* it = find(id)) {
        m_localTargets.insert(localKey(path));
        releaseHolds(id);
        hold(id, localKey(path));
        hold(id, remoteKey(*it));
        it->local = path;
        emit itemChanged(indexOf(id));
    }
}

void TransferQueue::setRemotePath(quint64 id, const QString& path) {
    if (TransferItem* it = find(id)) {
        it->remote = path;
        emit itemChanged(indexOf(id));
    }
}

void TransferQueue::markPartly(quint64 id) {
    if (TransferItem* it = find(id))
        it->partly = true;
}

void TransferQueue::setPart(quint64 id, const std::optional<PartFile>& part) {
    TransferItem* it = find(id);
    if (!it)
        return;
    const auto fileOf = [](const std::optional<PartFile>& record) {
        return record ? std::pair(record->device, record->inode) : std::pair(quint64(), quint64());
    };
    const bool anotherFile = fileOf(it->part) != fileOf(part);
    it->part = part;
    if (part && workerFor(id))
        hold(id, localKey(part->path));
    markDirty(0);
    if (!anotherFile)
        return;
    if (part)
        emit partFileRecorded(*it);
    emit contentChanged();
}

void TransferQueue::noteRemoteFile(quint64 id, qint64 size, qint64 time) {
    TransferItem* it = find(id);
    if (!it)
        return;
    if (size >= 0)
        it->size = size;
    if (time >= 0)
        it->remoteTime = time;
}

void TransferQueue::finishItem(const TransferItem& finished, TransferState state,
                               const QString& error) {
    releaseHolds(finished.id);
    TransferItem* it = find(finished.id);
    if (it) {
        it->state = state;
        it->error = error;
        it->rate = 0;
        it->secondsLeft = -1;
        it->partly = finished.partly || leftPart(*it);
        if (state == TransferState::Done) {
            it->partly = false;
            if (it->size >= 0)
                it->done = it->size;
            reportArrival(*it);
        }
        if (state == TransferState::Waiting)
            m_scanFrom = std::min(m_scanFrom, size_t(indexOf(finished.id)));
        emit itemChanged(indexOf(finished.id));
        if (it->finished())
            emit itemFinished(*it);
        emit contentChanged();
        markDirty(0);
    }
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
    scheduleOnce();
}

void TransferQueue::reportArrival(const TransferItem& item) {
    if (item.direction == TransferDirection::Download)
        emit localFileArrived(folderOf(item.local));
    else
        emit remoteFileArrived(folderOf(item.remote));
}

void TransferQueue::loginRefused(const QString& why) {
    if (m_paused)
        return;
    m_paused = true;
    emit logLine(QStringLiteral("\r\nThe transfers are paused: ") + why);
    stopAll();
    markDirty(0);
}

// --- existing targets -----------------------------------------------------------

std::optional<ConflictAnswer> TransferQueue::answerFor(quint64 id, const Conflict& conflict) {
    if (const auto byRule = answerByRule(m_rule, conflict))
        return byRule;
    if (m_answerForTheRest)
        return fitAnswer(*m_answerForTheRest, conflict);
    if (!m_prompts)
        return ConflictAnswer::Skip;
    m_questions.emplace_back(id, conflict);
    if (!m_asking && m_questions.size() == 1)
        QMetaObject::invokeMethod(this, &TransferQueue::askNextQuestion, Qt::QueuedConnection);
    return std::nullopt;
}

void TransferQueue::deferItem(quint64 id) {
    releaseHolds(id);
    if (TransferItem* it = find(id)) {
        it->state = TransferState::Waiting;
        it->awaitingAnswer = true;
        emit itemChanged(indexOf(id));
    }
    scheduleOnce();
}

// One question at a time; an answer for the rest settles the questions
// still open as well.
void TransferQueue::askNextQuestion() {
    if (m_asking || m_questions.empty() || !m_prompts)
        return;
    const auto [id, conflict] = m_questions.front();
    m_asking = true;
    const ConflictPrompts::Reply reply = m_prompts->ask(conflict);
    m_asking = false;
    if (reply.forTheRest)
        m_answerForTheRest = reply.answer;
    std::vector<std::pair<quint64, Conflict>> settled;
    if (reply.forTheRest)
        settled.swap(m_questions);
    else
        settled.push_back(m_questions.front()), m_questions.erase(m_questions.begin());
    for (const auto& [waiting, itsConflict] : settled) {
        TransferItem* it = find(waiting);
        if (!it)
            continue;
        it->answer = fitAnswer(reply.answer, itsConflict);
        it->awaitingAnswer = false;
        m_scanFrom = std::min(m_scanFrom, size_t(indexOf(waiting)));
        emit itemChanged(indexOf(waiting));
    }
    scheduleOnce();
    if (!m_questions.empty())
        QMetaObject::invokeMethod(this, &TransferQueue::askNextQuestion, Qt::QueuedConnection);
}

// --- remote folders ---------------------------------------------------------------

const QHash<QString, TransferQueue::RemoteFile>*
TransferQueue::remoteFolder(const TransferItem& item, const QString& folder) const {
    const auto found = m_remoteFolders.constFind(folderKey(item, folder));
    return found == m_remoteFolders.cend() ? nullptr : &found.value();
}

void TransferQueue::rememberRemoteFolder(const TransferItem& item, const QString& folder,
                                         const SharedListing& listing) {
    QHash<QString, RemoteFile>& files = m_remoteFolders[folderKey(item, folder)];
    if (!listing)
        return;
    for (const RemoteEntry& entry : listing->files)
        files.insert(entry.name, {entry.size, entry.modified});
}

void TransferQueue::rememberRemoteFile(const TransferItem& item, const QString& path, qint64 size,
                                       qint64 time) {
    const auto found = m_remoteFolders.find(folderKey(item, folderOf(path)));
    if (found != m_remoteFolders.end())
        found->insert(nameOf(path), {size, time});
}

// --- totals -------------------------------------------------------------------------

TransferTotals TransferQueue::totals() const {
    TransferTotals totals;
    for (const TransferItem& item : m_items) {
        if (item.folder)
            continue;
        ++totals.files;
        if (item.finished())
            ++totals.filesDone;
        if (item.state == TransferState::Failed)
            ++totals.failed;
        if (item.state == TransferState::Running) {
            ++totals.running;
            totals.rate += item.rate;
        }
        if (item.size >= 0 && item.state != TransferState::Skipped) {
            totals.bytes += item.size;
            totals.bytesDone += item.state == TransferState::Done ? item.size : item.done;
        }
    }
    if (totals.rate > 0 && totals.bytes > totals.bytesDone)
        totals.secondsLeft = qint64(double(totals.bytes - totals.bytesDone) / totals.rate) + 1;
    return totals;
}

// An item still running is kept as one to be continued when it left
// something to continue from.
std::vector<TransferItem> TransferQueue::unfinished() const {
    std::vector<TransferItem> kept;
    for (const TransferItem& item : m_items) {
        if (item.finished())
            continue;
        kept.push_back(item);
        // A part file still being written is kept by which file it is; a
        // stopped one with what it holds now, or not at all.
        if (item.part && item.state == TransferState::Running)
            kept.back().part->size = -1;
        else if (item.part && item.part->size < 0)
            kept.back().part = measuredPartFile(*item.part);
        if (item.state == TransferState::Running) {
            kept.back().state = TransferState::Waiting;
            kept.back().partly = item.partly || leftPart(item);
        }
    }
    kept.insert(kept.end(), m_keptAside.begin(), m_keptAside.end());
    return kept;
}

// Progress comes often: the rows it touches and the totals are told about
// it a few times a second.
void TransferQueue::markDirty(quint64 id) {
    if (id != 0)
        m_dirty.insert(id);
    if (!m_dirtyTimer.isActive())
        m_dirtyTimer.start();
}

void TransferQueue::flushDirty() {
    const QSet<quint64> dirty = std::exchange(m_dirty, {});
    for (quint64 id : dirty) {
        const int row = indexOf(id);
        if (row >= 0)
            emit itemChanged(row);
    }
    emit totalsChanged();
}
