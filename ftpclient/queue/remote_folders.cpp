#include "remote_folders.h"

#include "plain_name.h"
#include "transfer_item.h"

namespace {

QString folderKey(const TransferItem& item, const QString& folder) {
    return item.loginKey + u'\n' + folder;
}

} // namespace

const RemoteFolders::Files* RemoteFolders::folder(const TransferItem& item,
                                                  const QString& folder) const {
    const auto found = m_folders.constFind(folderKey(item, folder));
    return found == m_folders.cend() ? nullptr : &found.value();
}

void RemoteFolders::rememberFolder(const TransferItem& item, const QString& folder,
                                   const SharedListing& listing) {
    Files& files = m_folders[folderKey(item, folder)];
    if (!listing)
        return;
    for (const RemoteEntry& entry : listing->files)
        files.insert(entry.name, {entry.size, entry.modified});
}

void RemoteFolders::rememberFile(const TransferItem& item, const QString& path, qint64 size,
                                 qint64 time) {
    const auto found = m_folders.find(folderKey(item, folderOf(path)));
    if (found != m_folders.end())
        found->insert(nameOf(path), {size, time});
}

void RemoteFolders::forgetFile(const TransferItem& item, const QString& path) {
    const auto found = m_folders.find(folderKey(item, folderOf(path)));
    if (found != m_folders.end())
        found->remove(nameOf(path));
}
