#pragma once

#include "transfer_item.h"

#include <QString>

#include <vector>

// The queue of one login kept across runs: its waiting, failed and partly
// done items, in a file of the client's data folder (XDG) named after the
// login's key. Written in one step, readable by its owner only.
class QueueStore {
public:
    // The folder: "tarlen/queues" in the XDG data folder.
    static QString defaultFolder();

    explicit QueueStore(QString folder = defaultFolder());

    // Replaces what is kept for `key`; nothing kept when `items` is empty.
    // False, with *error, when the file could not be written.
    bool save(const QString& key, const std::vector<TransferItem>& items, QString* error = nullptr);
    // What is kept for `key`; nothing when there is nothing, or when the
    // file cannot be read (it is then left alone).
    std::vector<TransferItem> load(const QString& key) const;
    void forget(const QString& key);

private:
    QString fileFor(const QString& key) const;

    QString m_folder;
};
