#pragma once

#include "transfer_item.h"

#include <vector>

// Items kept for later (not continued yet): not shown and never started,
// but kept with the queue's unfinished items. A download queued again for
// the same server, account, remote file and target takes over the part file
// one of them recorded.
class KeptAside {
public:
    void add(TransferItem item) { m_items.push_back(std::move(item)); }
    // Takes back the items kept for the server and account `key`.
    std::vector<TransferItem> take(const QString& key);
    // Gives `item` the part file kept for this very download, if any.
    void adoptPart(TransferItem& item);
    const std::vector<TransferItem>& items() const { return m_items; }

private:
    std::vector<TransferItem> m_items;
};
