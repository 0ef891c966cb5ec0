#pragma once

#include "transfer_item.h"

#include <QHash>
#include <QString>

#include <climits>

// Holds back items of a synchronisation until what they depend on has
// stopped: what goes into a folder until the group's folders above it are
// made, a deletion until the group's transfers have stopped, and a folder's
// deletion until the deletions below it have. One gate serves one look
// through the queue: it is told of the items that have not stopped in queue
// order, the running ones first; a group's preview puts a folder before
// what goes into it and every deletion after the transfers.
class GroupGate {
public:
    // An item that has not stopped (waiting, running, or waiting for an answer).
    void note(const TransferItem& item);
    bool passes(const TransferItem& item) const;

private:
    struct Open {
        int shallowestFolder = INT_MAX; // depth of the shallowest folder to be made
        bool transfers = false;
        int deepestDeletion = -1;
    };
    QHash<QString, Open> m_groups;
};
