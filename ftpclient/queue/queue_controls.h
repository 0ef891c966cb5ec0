#pragma once

#include <QObject>

class QueueItems;
class QueueScheduler;

// What the user does to the queue by hand: items cancelled, retried, taken
// out or moved, finished ones cleared, the whole queue paused, resumed or
// stopped.
class QueueControls : public QObject {
    Q_OBJECT

public:
    QueueControls(QueueItems& items, QueueScheduler& scheduler);

    void cancel(quint64 id);
    void retry(quint64 id);
    // A download taken out of the queue takes what it kept with it.
    void remove(quint64 id);
    // Moves an item one place up (-1) or down (+1).
    void move(quint64 id, int delta);
    void removeFinished();
    void pause();
    void resume();
    bool paused() const;
    // Stops every running item at once, keeping what arrived, so that the
    // queue can be kept for another time.
    void stopAll();

signals:
    // An item was taken out: worth keeping.
    void contentChanged();

private:
    QueueItems& m_items;
    QueueScheduler& m_scheduler;
};
