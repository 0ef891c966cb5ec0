#include "queue_keeper.h"

#include "queue_login.h"
#include "transfer_queue.h"

#include <map>

QueueKeeper::QueueKeeper(TransferQueue& queue, QString folder)
    : m_queue(queue)
    , m_store(std::move(folder)) {
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(SaveMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &QueueKeeper::saveNow);
    // Started by the first change and not again before it fired: a stream of
    // changes is written every second, not only once it ends.
    connect(&queue, &TransferQueue::contentChanged, this, [this] {
        if (!m_saveTimer.isActive())
            m_saveTimer.start();
    });
    connect(&queue, &TransferQueue::itemsInserted, this, &QueueKeeper::noteAdded);
    connect(&queue, &TransferQueue::itemFinished, this, &QueueKeeper::noteFinished);
    connect(&queue, &TransferQueue::partFileRecorded, this, &QueueKeeper::notePartFile);
}

void QueueKeeper::readKept(const QueueLogin& login) {
    const QString key = login.key();
    if (login.address.isEmpty() || m_read.contains(key))
        return;
    m_read.insert(key);
    std::vector<TransferItem> kept = m_store.load(key);
    QStringList earlier;
    for (const QString& old : login.earlierKeys()) {
        std::vector<TransferItem> more = m_store.load(old);
        if (more.empty())
            continue;
        earlier << old;
        kept.insert(kept.end(), more.begin(), more.end());
    }
    if (kept.empty()) {
        // Nothing to offer: no line of an old journal is to meet a new one.
        m_store.forget(key);
        return;
    }
    for (TransferItem& item : kept)
        item.loginKey = key;
    m_earlier.insert(key, earlier);
    m_queue.keepAside(std::move(kept));
    // Kept again at once, as the queue has them now (with their new ids).
    saveNow();
}

void QueueKeeper::saveNow() {
    m_saveTimer.stop();
    // A server whose kept queue was not read yet has it read first, so that
    // writing its file does not lose it.
    for (const TransferItem& item : m_queue.items())
        if (!item.loginKey.isEmpty() && !m_read.contains(item.loginKey))
            readKept(m_queue.loginOf(item));
    std::map<QString, std::vector<TransferItem>> byServer;
    for (const QString& key : std::as_const(m_read))
        byServer[key];
    for (TransferItem& item : m_queue.unfinished())
        if (!item.loginKey.isEmpty())
            byServer[item.loginKey].push_back(std::move(item));
    bool saved = true;
    for (const auto& [key, items] : byServer) {
        QString error;
        if (!m_store.save(key, items, &error)) {
            saved = false;
            emit failed(error);
            continue;
        }
        for (const QString& old : m_earlier.take(key))
            m_store.forget(old);
    }
    if (saved)
        m_journalFailed = false;
}

void QueueKeeper::noteAdded(int first, int count) {
    std::map<QString, std::vector<TransferItem>> byServer;
    const auto& items = m_queue.items();
    for (int i = first; i < first + count && i < int(items.size()); ++i)
        if (!items[size_t(i)].loginKey.isEmpty())
            byServer[items[size_t(i)].loginKey].push_back(items[size_t(i)]);
    for (const auto& [key, added] : byServer) {
        QString error;
        if (!m_store.noteAdded(key, added, &error))
            journalFailed(error);
    }
}

void QueueKeeper::noteFinished(const TransferItem& item) {
    QString error;
    if (!item.loginKey.isEmpty() && !m_store.noteFinished(item.loginKey, item, &error))
        journalFailed(error);
}

void QueueKeeper::notePartFile(const TransferItem& item) {
    QString error;
    if (!item.loginKey.isEmpty() && !m_store.notePartFile(item.loginKey, item, &error))
        journalFailed(error);
}

void QueueKeeper::journalFailed(const QString& error) {
    if (std::exchange(m_journalFailed, true))
        return;
    emit failed(error);
}
