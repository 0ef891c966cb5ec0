#include "group_gate.h"

#include <algorithm>

void GroupGate::note(const TransferItem& item) {
    if (item.group.isEmpty())
        return;
    Open& open = m_groups[item.group];
    if (item.deletes) {
        open.deepestDeletion = std::max(open.deepestDeletion, item.depth);
        return;
    }
    open.transfers = true;
    if (item.folder)
        open.shallowestFolder = std::min(open.shallowestFolder, item.depth);
}

bool GroupGate::passes(const TransferItem& item) const {
    if (item.group.isEmpty())
        return true;
    const auto open = m_groups.constFind(item.group);
    if (open == m_groups.cend())
        return true;
    if (!item.deletes)
        return open->shallowestFolder >= item.depth;
    if (open->transfers)
        return false;
    return !item.folder || open->deepestDeletion <= item.depth;
}
