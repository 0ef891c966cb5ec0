#pragma once

#include "conflicts.h"
#include "ftp_command.h"
#include "local_tree.h"
#include "rate_meter.h"
#include "remote_folders.h"
#include "transfer_facts.h"
#include "transfer_item.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <optional>

class Inet;
class InetJob;
class QueueWorkerHost;
struct InetResult;

// One connection of the queue and the item it works on. Each step starts a
// job on its own transfer component and the next step follows from the
// job's result: nothing here ever waits.
//
// A file goes in one command, after a look at its target; a folder is made
// on the other side and its entries queued behind it.
class QueueWorker : public QObject {
    Q_OBJECT

public:
    // A lost connection is tried again this many times.
    static constexpr int AutomaticRetries = 3;

    explicit QueueWorker(QueueWorkerHost& host);
    ~QueueWorker() override;

    bool busy() const { return m_item.id != 0; }
    quint64 itemId() const { return m_item.id; }

    void start(const TransferItem& item);
    // Whether a small file of a queued folder moves now, and another item
    // may be lined up behind it on the same connection: it then starts on
    // the server as soon as this one ends, without waiting for the window's
    // thread.
    bool takesFollower() const;
    // Starts `item` behind `leader`'s file, on the leader's connection; false
    // when this worker's component cannot take it now. The item's
    // "Retrieving" or "Sending" waits until the leader's file has ended.
    bool startBehind(QueueWorker& leader, const TransferItem& item);
    const QString& loginKey() const { return m_loginKey; }
    // Abandons the running item, keeping what arrived; it is reported as
    // `state` (Cancelled, or Waiting to be continued later).
    void stop(TransferState state);
    // Drops the connection: the next item logs in afresh (another login).
    void resetConnection();

signals:
    // A file's transfer was handed to the connection (see takesFollower()).
    void underway();

private:
    // Whether a refusal by the server ends the step's command like a
    // completion (the step looks at the result) or fails the item.
    enum class Refusal { Fails, Answers };

    void begin();
    void announce();
    // The file this worker's item waited behind has ended.
    void leaderDone();
    void releaseFollower();
    std::optional<ConflictAnswer> answerAbout(const Conflict& conflict);
    // Files.
    void runDownload();
    bool makePartFile();
    void setPart(const std::optional<PartFile>& part);
    void download(bool continueTarget);
    void runUpload();
    void upload(bool append);
    void markUnderway();
    void lookUpRemoteFile();
    void remoteFileLookedUp(const InetResult& result);
    const RemoteFolders::Files* targetFolder();
    void targetFolderListed(const InetResult& result);
    void fileMoved(const InetResult& result);
    // Folders.
    void runRemoteFolder();
    void remoteFolderListed(const InetResult& result);
    void runLocalFolder();
    void remoteFolderMade(const InetResult& result);
    void takeLocalFolder(const LocalFolder& folder, const QString& error);
    // A synchronisation's items (queue_worker_sync.cpp).
    bool asPreviewed(const struct stat& existing) const;
    void deleteLocal();
    void deleteRemote();
    void remoteDeleted(const InetResult& result);
    // Jobs and their ends.
    InetJob* startJob(const FtpCommand& command);
    bool carryOn(const InetResult& result, Refusal refusal = Refusal::Fails);
    void onFailure(const InetResult& result);
    void noteWhatWasLeft(const FtpTransferFacts& facts);
    void noteRemoteFile(const FtpTransferFacts& facts);
    void finish(TransferState state, const QString& error = QString());

    QueueWorkerHost& m_host;
    std::unique_ptr<Inet> m_inet;
    QPointer<InetJob> m_job; // the step's command
    TransferItem m_item;     // the running item, as it was handed over
    QString m_loginKey;      // the login the connection was last used with
    bool m_reading = false;  // a local folder is being read on the thread pool
    bool m_stopping = false;
    bool m_announced = false;         // the running item's "Retrieving" or "Sending" is logged
    bool m_underway = false;          // the item's file transfer is on the connection
    bool m_behind = false;            // the item waits behind another worker's file
    bool m_announceHeld = false;      // its announcement waits for that file's end
    QPointer<QueueWorker> m_follower; // the worker lined up behind this one's file
    TransferState m_stopAs = TransferState::Cancelled;
    RateMeter m_rate;
    QTimer m_retryTimer;
    int m_retries = 0;
    bool m_lookedUp = false; // the remote file's size and time were asked for
    // Guards what the thread pool hands back after this object is gone.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
