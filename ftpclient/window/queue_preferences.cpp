#include "queue_preferences.h"

#include "transfer_queue.h"

#include <algorithm>

QueuePreferences::QueuePreferences(TransferQueue& queue, QObject* parent)
    : QObject(parent)
    , m_queue(queue) {
    set(m_prefs);
}

void QueuePreferences::set(const Preferences& prefs) {
    m_prefs.parallelTransfers =
        short(std::clamp<int>(prefs.parallelTransfers, 1, TransferQueue::MostParallel));
    m_prefs.existingFiles = short(std::clamp<int>(prefs.existingFiles, 0, 2));
    m_queue.setParallel(m_prefs.parallelTransfers);
    m_queue.setExistingTargetRule(ExistingTargetRule(m_prefs.existingFiles));
    emit changed(m_prefs);
}

void QueuePreferences::setParallelTransfers(int count) {
    Preferences prefs = m_prefs;
    prefs.parallelTransfers = short(count);
    set(prefs);
}

void QueuePreferences::setExistingFiles(int rule) {
    Preferences prefs = m_prefs;
    prefs.existingFiles = short(rule);
    set(prefs);
}
