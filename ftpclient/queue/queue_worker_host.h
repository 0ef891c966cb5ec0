#pragma once

#include "conflicts.h"
#include "ftp_entry.h"
#include "remote_folders.h"
#include "transfer_item.h"

#include <QString>

#include <optional>
#include <vector>

struct QueueLogin;

// What a worker of the queue asks of it and tells it about the item it
// runs; the worker knows the queue by nothing else.
class QueueWorkerHost {
public:
    virtual ~QueueWorkerHost() = default;

    // The login an item moves with.
    virtual const QueueLogin& loginOf(const TransferItem& item) const = 0;
    // The pause before the n-th automatic retry is n times this.
    virtual int retryPauseMs() const = 0;
    // A line for the window's log.
    virtual void logLine(const QString& text) = 0;

    // --- the running item --------------------------------------------------------
    virtual void setState(quint64 id, TransferState state, const QString& note) = 0;
    virtual void setProgress(quint64 id, qint64 done, qint64 total, double rate) = 0;
    // The item is saved under another name (its paths are held anew).
    virtual void setLocalPath(quint64 id, const QString& path) = 0;
    virtual void setRemotePath(quint64 id, const QString& path) = 0;
    // An attempt left part of the item to continue from.
    virtual void markPartly(quint64 id) = 0;
    virtual void setPart(quint64 id, const std::optional<PartFile>& part) = 0;
    // The remote file as a transfer of the item saw it (-1: not seen).
    virtual void noteRemoteFile(quint64 id, qint64 size, qint64 time) = 0;
    // The item stopped as `state`; `item` as the worker had it.
    virtual void finishItem(const TransferItem& item, TransferState state,
                            const QString& error) = 0;
    // A folder's entries, to follow it in the queue.
    virtual void insertChildren(quint64 parent, std::vector<TransferItem> children) = 0;
    // The login was refused or the server not trusted: nothing more starts.
    virtual void loginRefused(const QString& why) = 0;

    // Whether another item than `id` uses or will write the local path.
    virtual bool localPathTaken(quint64 id, const QString& path) const = 0;

    // --- existing targets --------------------------------------------------------
    // The answer for an existing target, when there is one now. Otherwise
    // the worker hands the item back with deferItem(); it waits for the
    // user's answer.
    virtual std::optional<ConflictAnswer> answerFor(quint64 id, const Conflict& conflict) = 0;
    virtual void deferItem(quint64 id) = 0;
    // Whether the target's time can change the answer (worth asking the
    // server for).
    virtual bool targetTimesMatter() const = 0;

    // --- remote folders, as `item`'s server has them -----------------------------
    virtual const RemoteFolders::Files* remoteFolder(const TransferItem& item,
                                                     const QString& folder) const = 0;
    virtual void rememberRemoteFolder(const TransferItem& item, const QString& folder,
                                      const SharedListing& listing) = 0;
    virtual void rememberRemoteFile(const TransferItem& item, const QString& path, qint64 size,
                                    qint64 time) = 0;
    // A remote file the item deleted.
    virtual void forgetRemoteFile(const TransferItem& item, const QString& path) = 0;
};
