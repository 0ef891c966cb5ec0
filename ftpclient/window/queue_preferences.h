#pragma once

#include "preferences.h"

#include <QObject>

class TransferQueue;

// The preferences the transfer queue works by, and their one owner. The
// settings file, the Preferences dialog and the boxes in the queue view
// all change them here; from here they go to the queue, and the view shows
// them. Nothing reads them back from the queue.
class QueuePreferences : public QObject {
    Q_OBJECT

public:
    QueuePreferences(TransferQueue& queue, QObject* parent = nullptr);

    const Preferences& current() const { return m_prefs; }
    void set(const Preferences& prefs);
    void setParallelTransfers(int count);
    void setExistingFiles(int rule);

signals:
    void changed(const Preferences& prefs);

private:
    TransferQueue& m_queue;
    Preferences m_prefs;
};
