#pragma once

#include "conflicts.h"
#include "ftp_command.h"
#include "local_tree.h"
#include "rate_meter.h"
#include "transfer_facts.h"
#include "transfer_item.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class Inet;
class QueueWorkerHost;

// One connection of the queue and the item it works on. Each step is a
// command of its own transfer component, and the next step follows from the
// component's completion: nothing here ever waits.
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
    // Abandons the running item, keeping what arrived; it is reported as
    // `state` (Cancelled, or Waiting to be continued later).
    void stop(TransferState state);
    // Drops the connection: the next item logs in afresh (another login).
    void resetConnection();

private:
    void begin();
    void runDownload();
    void runUpload();
    void runRemoteFolder();
    void runLocalFolder();
    bool makePartFile();
    void setPart(const std::optional<PartFile>& part);
    void download(bool continueTarget);
    void upload(bool append);
    void listLocalFolder();
    void takeLocalFolder(const LocalFolder& folder, const QString& error);
    void noteWhatWasLeft();
    void noteRemoteFile(const FtpTransferFacts& facts);
    std::optional<ConflictAnswer> answerAbout(const Conflict& conflict);
    bool timesMatter() const;
    void lookUpRemoteFile(std::function<void(const FtpTransferFacts&)> then);

    // Runs `command`; its success goes on with `then`, a refusal by the
    // server with `onRefusal` when given (else it fails the item).
    void execute(const FtpCommand& command, std::function<void()> then,
                 std::function<void()> onRefusal = nullptr);
    void onState(short state);
    void onProgress(qint64 done, qint64 total);
    void onFailure();
    void finish(TransferState state, const QString& error = QString());
    void createInet();
    void logLine(const QString& text);
    // Logs that the file is on its way, under the name it is saved as.
    void announce();

    QueueWorkerHost& m_host;
    std::unique_ptr<Inet> m_inet;
    TransferItem m_item; // the running item, as it was handed over
    QString m_loginKey;  // the login the connection was last used with
    std::function<void()> m_then;
    std::function<void()> m_onRefusal;
    bool m_reading = false; // a local folder is being read on the thread pool
    bool m_stopping = false;
    bool m_announced = false; // the running item's "Retrieving" or "Sending" is logged
    TransferState m_stopAs = TransferState::Cancelled;
    RateMeter m_rate;
    QTimer m_retryTimer;
    int m_retries = 0;
    bool m_lookedUp = false; // the remote file's size and time were asked for
    // Guards what the thread pool hands back after this object is gone.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
