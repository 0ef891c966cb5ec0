#pragma once

#include "queue_store.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

class TransferQueue;
struct QueueLogin;
struct TransferItem;

// Keeps a transfer queue across runs, in a file for each server and account
// (QueueStore). What the queue adds, each part file it makes and each item it
// finishes goes into the store's journal at once; the whole queue is written
// at most a second after it changed. So what finished is never offered again,
// a part file made is continued, and a crash costs at most a second of work.
class QueueKeeper : public QObject {
    Q_OBJECT

public:
    static constexpr int SaveMs = 1000;

    explicit QueueKeeper(TransferQueue& queue, QString folder = QueueStore::defaultFolder());

    // Once per run for each server and account: what was kept for the login
    // (also under the keys older versions used, see QueueLogin::earlierKeys)
    // is set aside in the queue, to be offered from there.
    void readKept(const QueueLogin& login);
    // Writes the queue of every server now.
    void saveNow();

signals:
    // The queue could not be kept; why.
    void failed(const QString& error);

private:
    void noteAdded(int first, int count);
    void noteFinished(const TransferItem& item);
    void notePartFile(const TransferItem& item);
    void journalFailed(const QString& error);

    TransferQueue& m_queue;
    QueueStore m_store;
    QTimer m_saveTimer;
    // The servers whose kept queue this run read: the store holds nothing of
    // theirs that the queue does not.
    QSet<QString> m_read;
    // Keys an older version kept a server's queue under, forgotten once it
    // is kept under its own.
    QHash<QString, QStringList> m_earlier;
    bool m_journalFailed = false; // said once until the next save
};
