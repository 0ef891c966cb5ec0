#include "sync_items.h"

namespace {

PreviewedTarget previewOf(bool present, const SideEntry& entry) {
    PreviewedTarget target;
    target.exists = present;
    target.folder = entry.folder;
    target.size = entry.folder ? -1 : entry.size;
    target.time = entry.folder ? -1 : entry.modified;
    return target;
}

QString joined(const QString& root, const QString& path) {
    return root.endsWith(u'/') ? root + path : root + u'/' + path;
}

} // namespace

std::vector<TransferItem> queueItemsFor(const SyncPlan& plan, const QString& localRoot,
                                        const QString& remoteRoot, const QString& group) {
    std::vector<TransferItem> items;
    for (const SyncAction& action : plan.actions) {
        const bool deletes =
            action.kind == ActionKind::DeleteLocal || action.kind == ActionKind::DeleteRemote;
        if (!action.chosen || (!isTransfer(action.kind) && !deletes))
            continue;
        TransferItem item;
        const bool towardsLocal =
            action.kind == ActionKind::Download || action.kind == ActionKind::DeleteLocal;
        item.direction = towardsLocal ? TransferDirection::Download : TransferDirection::Upload;
        item.folder = action.folder;
        item.deletes = deletes;
        item.local = joined(localRoot, action.path);
        item.remote = joined(remoteRoot, action.path);
        item.depth = int(action.path.count(u'/'));
        item.group = group;
        if (!action.folder) {
            item.size = towardsLocal != deletes ? action.remote.size : action.local.size;
            if (towardsLocal && !deletes)
                item.remoteTime = action.remote.modified;
        }
        item.previewed = towardsLocal ? previewOf(action.localPresent, action.local)
                                      : previewOf(action.remotePresent, action.remote);
        items.push_back(std::move(item));
    }
    return items;
}
