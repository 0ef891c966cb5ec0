#include "kept_aside.h"

#include <algorithm>

std::vector<TransferItem> KeptAside::take(const QString& key) {
    std::vector<TransferItem> taken;
    std::vector<TransferItem> left;
    for (TransferItem& item : m_items)
        (item.loginKey == key ? taken : left).push_back(std::move(item));
    m_items = std::move(left);
    return taken;
}

// A part file tarlen recorded for this very download (with the same server
// and account, remote file and target) is continued, whoever queues it
// again; the item it was kept with is no longer needed. The remote file is
// held to what the part file was begun from.
void KeptAside::adoptPart(TransferItem& item) {
    if (m_items.empty() || item.folder || item.direction != TransferDirection::Download)
        return;
    const auto kept = std::find_if(m_items.begin(), m_items.end(), [&](const auto& old) {
        return old.part && !old.folder && old.direction == TransferDirection::Download &&
               old.loginKey == item.loginKey && old.remote == item.remote &&
               old.local == item.local;
    });
    if (kept == m_items.end())
        return;
    item.part = kept->part;
    item.partly = true;
    item.done = kept->done;
    item.size = kept->size;
    item.remoteTime = kept->remoteTime;
    m_items.erase(kept);
}
