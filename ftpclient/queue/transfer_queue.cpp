#include "transfer_queue.h"

#include "plain_name.h"

TransferQueue::TransferQueue(QObject* parent)
    : QObject(parent)
    , m_desk({m_items, m_holds, m_keptAside, m_remoteFolders, m_questions, m_logins})
    , m_scheduler({m_items, m_holds, m_logins, m_questions, m_desk})
    , m_controls(m_items, m_scheduler) {
    connect(&m_items, &QueueItems::itemsInserted, this, &TransferQueue::itemsInserted);
    connect(&m_items, &QueueItems::itemsRemoved, this, &TransferQueue::itemsRemoved);
    connect(&m_items, &QueueItems::itemMoved, this, &TransferQueue::itemMoved);
    connect(&m_items, &QueueItems::itemChanged, this, &TransferQueue::itemChanged);
    connect(&m_items, &QueueItems::totalsChanged, this, &TransferQueue::totalsChanged);
    connect(&m_items, &QueueItems::contentChanged, this, &TransferQueue::contentChanged);
    connect(&m_items, &QueueItems::itemFinished, this, &TransferQueue::itemFinished);
    connect(&m_items, &QueueItems::partFileRecorded, this, &TransferQueue::partFileRecorded);
    connect(&m_items, &QueueItems::fileArrived, this, [this](const TransferItem& item) {
        if (item.direction == TransferDirection::Download)
            emit localFileArrived(folderOf(item.local));
        else
            emit remoteFileArrived(folderOf(item.remote));
    });
    connect(&m_controls, &QueueControls::contentChanged, this, &TransferQueue::contentChanged);
    connect(&m_desk, &QueueWorkerDesk::lineLogged, this, &TransferQueue::logLine);
    connect(&m_desk, &QueueWorkerDesk::loginWasRefused, &m_scheduler,
            &QueueScheduler::pauseForLogin);
    connect(&m_desk, &QueueWorkerDesk::itemStopped, &m_scheduler,
            &QueueScheduler::afterItemStopped);
    connect(&m_desk, &QueueWorkerDesk::itemDeferred, &m_scheduler, &QueueScheduler::scheduleOnce);
    connect(&m_questions, &ConflictQuestions::answered, &m_items, &QueueItems::takeAnswer);
    connect(&m_questions, &ConflictQuestions::settled, &m_scheduler, &QueueScheduler::scheduleOnce);
    connect(&m_scheduler, &QueueScheduler::lineLogged, this, &TransferQueue::logLine);
    connect(&m_scheduler, &QueueScheduler::drained, this, [this] {
        m_questions.forgetAnswerForTheRest();
        // What the server held may change before the next run.
        m_remoteFolders.clear();
        emit drained();
    });
}

void TransferQueue::setLogin(const QueueLogin& login) {
    m_logins.set(login);
    // Items queued before there was a login take this one.
    if (!loginKey().isEmpty())
        m_items.adoptLoginKey(loginKey());
    m_remoteFolders.clear();
    m_scheduler.resetConnections();
    emit loginChanged();
    m_scheduler.scheduleOnce();
}

// --- adding -----------------------------------------------------------------

quint64 TransferQueue::append(TransferItem item) {
    item.id = m_items.takeId();
    if (item.loginKey.isEmpty())
        item.loginKey = loginKey();
    m_keptAside.adoptPart(item);
    m_holds.noteTarget(item.local);
    const quint64 id = item.id;
    m_items.insert(int(m_items.items().size()), {std::move(item)});
    m_scheduler.scheduleOnce();
    return id;
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

void TransferQueue::addPlanned(std::vector<TransferItem> items) {
    if (items.empty())
        return;
    for (TransferItem& item : items) {
        item.id = m_items.takeId();
        if (item.loginKey.isEmpty())
            item.loginKey = loginKey();
        m_keptAside.adoptPart(item);
        m_holds.noteTarget(item.local);
    }
    m_items.insert(int(m_items.items().size()), std::move(items));
    m_scheduler.scheduleOnce();
}

void TransferQueue::restore(const std::vector<TransferItem>& items) {
    if (items.empty())
        return;
    std::vector<TransferItem> restored;
    for (TransferItem item : items) {
        item.id = m_items.takeId();
        item.loginKey = loginKey();
        if (item.state == TransferState::Running)
            item.state = TransferState::Waiting;
        item.rate = 0;
        item.secondsLeft = -1;
        item.answer.reset();
        item.awaitingAnswer = false;
        m_holds.noteTarget(item.local);
        restored.push_back(std::move(item));
    }
    m_items.insert(int(m_items.items().size()), std::move(restored));
    m_scheduler.scheduleOnce();
}

void TransferQueue::keepAside(std::vector<TransferItem> items) {
    for (TransferItem& item : items) {
        item.id = m_items.takeId();
        if (item.loginKey.isEmpty())
            item.loginKey = loginKey();
        m_keptAside.add(std::move(item));
    }
    emit contentChanged();
}

std::vector<TransferItem> TransferQueue::takeKeptAside(const QString& key) {
    std::vector<TransferItem> taken = m_keptAside.take(key);
    if (!taken.empty())
        emit contentChanged();
    return taken;
}

std::vector<TransferItem> TransferQueue::unfinished() const {
    std::vector<TransferItem> kept = keptForLater(m_items.items());
    kept.insert(kept.end(), m_keptAside.items().begin(), m_keptAside.items().end());
    return kept;
}
