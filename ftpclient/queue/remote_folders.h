#pragma once

#include "ftp_entry.h"

#include <QHash>
#include <QString>

struct TransferItem;

// What the queue knows of the remote folders it sends into, by server and
// account: each folder's files, so that one listing per folder tells which
// targets exist. Forgotten when the queue drains or the login changes.
class RemoteFolders {
public:
    struct File {
        qint64 size = -1;
        qint64 time = -1;
    };
    using Files = QHash<QString, File>; // name -> size and time

    // The folder as `item`'s server has it; nothing when not listed yet.
    const Files* folder(const TransferItem& item, const QString& folder) const;
    void rememberFolder(const TransferItem& item, const QString& folder,
                        const SharedListing& listing);
    // A file sent into a folder already listed.
    void rememberFile(const TransferItem& item, const QString& path, qint64 size, qint64 time);
    void forgetFile(const TransferItem& item, const QString& path);
    void clear() { m_folders.clear(); }

private:
    QHash<QString, Files> m_folders;
};
