#pragma once

#include "private_file.h"
#include "transfer_item.h"

#include <QString>

#include <map>
#include <memory>
#include <vector>

// The queue of one login kept across runs: its waiting, failed and partly
// done items, in a file of the client's data folder (XDG) named after the
// login's key. Written in one step, readable by its owner only.
//
// Between two saves a journal beside it notes at once, a line each, what the
// next save would keep anyway: items added, part files made, items
// finished. A crash then costs no more than the work since the last line.
class QueueStore {
public:
    // The folder: "tarlen/queues" in the XDG data folder.
    static QString defaultFolder();

    explicit QueueStore(QString folder = defaultFolder());

    // Replaces what is kept for `key`, its journal with it; nothing kept when
    // `items` is empty. False, with *error, when the file could not be
    // written.
    bool save(const QString& key, const std::vector<TransferItem>& items, QString* error = nullptr);
    // What is kept for `key`: the items last saved, with what the journal
    // noted since, less the downloads that arrived whole (their recorded
    // part file became their target). Nothing when there is nothing, or when
    // the file cannot be read (it is then left alone).
    std::vector<TransferItem> load(const QString& key) const;
    void forget(const QString& key);

    // The journal's lines. Items are known by their id, which is the same
    // in the last save and in the journal after it.
    bool noteAdded(const QString& key, const std::vector<TransferItem>& items,
                   QString* error = nullptr);
    // A download's new part file (the item's record): continued by which
    // file it is.
    bool notePartFile(const QString& key, const TransferItem& item, QString* error = nullptr);
    bool noteFinished(const QString& key, const TransferItem& item, QString* error = nullptr);

private:
    QString fileFor(const QString& key) const;
    QString journalFor(const QString& key) const;
    void replay(const QString& key, std::vector<TransferItem>& items) const;
    bool addToJournal(const QString& key, const QByteArray& lines, QString* error);

    QString m_folder;
    // The journals written to, kept open between their lines.
    std::map<QString, std::unique_ptr<AppendedFile>> m_journals;
};
