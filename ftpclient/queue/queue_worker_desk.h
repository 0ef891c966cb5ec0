#pragma once

#include "queue_worker_host.h"

#include <QObject>

class ConflictQuestions;
class KeptAside;
class PathHolds;
class QueueItems;
class QueueLogins;

// The queue as its workers see it: what they report goes to the items, the
// held paths and the remote folders; what the queue as a whole does about
// it (start more, pause) is told by signals.
class QueueWorkerDesk : public QObject, public QueueWorkerHost {
    Q_OBJECT

public:
    struct Parts {
        QueueItems& items;
        PathHolds& holds;
        KeptAside& keptAside;
        RemoteFolders& remoteFolders;
        ConflictQuestions& questions;
        const QueueLogins& logins;
    };
    explicit QueueWorkerDesk(const Parts& parts);

    void setRetryPauseMs(int ms) { m_retryPauseMs = ms; }

    const QueueLogin& loginOf(const TransferItem& item) const override;
    int retryPauseMs() const override { return m_retryPauseMs; }
    void logLine(const QString& text) override { emit lineLogged(text); }

    void setState(quint64 id, TransferState state, const QString& note) override;
    void setProgress(quint64 id, qint64 done, qint64 total, double rate) override;
    void setLocalPath(quint64 id, const QString& path) override;
    void setRemotePath(quint64 id, const QString& path) override;
    void markPartly(quint64 id) override;
    void setPart(quint64 id, const std::optional<PartFile>& part) override;
    void noteRemoteFile(quint64 id, qint64 size, qint64 time) override;
    void finishItem(const TransferItem& item, TransferState state, const QString& error) override;
    void insertChildren(quint64 parent, std::vector<TransferItem> children) override;
    void loginRefused(const QString& why) override { emit loginWasRefused(why); }
    bool localPathTaken(quint64 id, const QString& path) const override;

    std::optional<ConflictAnswer> answerFor(quint64 id, const Conflict& conflict) override;
    void deferItem(quint64 id) override;
    bool targetTimesMatter() const override;

    const RemoteFolders::Files* remoteFolder(const TransferItem& item,
                                             const QString& folder) const override;
    void rememberRemoteFolder(const TransferItem& item, const QString& folder,
                              const SharedListing& listing) override;
    void rememberRemoteFile(const TransferItem& item, const QString& path, qint64 size,
                            qint64 time) override;
    void forgetRemoteFile(const TransferItem& item, const QString& path) override;

signals:
    void lineLogged(const QString& text);
    void loginWasRefused(const QString& why);
    // A worker is free again, or an item waits again: more may start.
    void itemStopped();
    void itemDeferred();

private:
    Parts m_parts;
    int m_retryPauseMs = 1000;
};
