#pragma once

#include "sync_types.h"
#include "transfer_item.h"

#include <vector>

// The ticked actions of a preview as queue items of one group, in the
// preview's order: folders before what goes into them, the copies, then
// the deletions. Each carries its target as the preview showed it, so that
// a target changed since is asked about rather than overwritten, and a
// deletion leaves alone what changed. `localRoot` and `remoteRoot` are the
// compared folders (RawName text, no trailing "/").
std::vector<TransferItem> queueItemsFor(const SyncPlan& plan, const QString& localRoot,
                                        const QString& remoteRoot, const QString& group);
