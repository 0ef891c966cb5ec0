#pragma once

#include <QObject>

#include <memory>

class Prompter;
class QTimer;
class QueueKeeper;
class QueueQuestions;
class RemoteSession;
class TransferQueue;
struct HostInfo;
struct QueueLogin;
struct WindowParts;

// The transfer queue hooked up to the window: its lines in the log, the
// panes refreshed as files arrive in the directories they show, the
// progress display following the file on its way, its questions put to the
// user, and the queue kept across runs for each login.
class QueueHookup : public QObject {
    Q_OBJECT

public:
    QueueHookup(TransferQueue& queue, RemoteSession& session, Prompter& prompter,
                const WindowParts& parts);
    ~QueueHookup() override;

    // What is queued from now on goes with the login to `host`, named as
    // its saved profile `profileName` (empty when there is none).
    void takeLogin(const HostInfo& host, const QString& profileName);
    // Writes the queue of every server now.
    void saveQueue();
    // Asks before quitting stops transfers that run; true to quit.
    bool mayQuitTransfers();

private:
    void connectQueue();
    void reportTransfersGoingOn(const QueueLogin& left);
    void offerKeptQueue();
    void refreshPanesSoon(bool local);
    void followRunningFile();

    TransferQueue& m_queue;
    RemoteSession& m_session;
    Prompter& m_prompter;
    const WindowParts& m_parts;
    std::unique_ptr<QueueQuestions> m_questions;
    std::unique_ptr<QueueKeeper> m_keeper;
    QTimer* m_localRefreshTimer = nullptr;
    QTimer* m_remoteRefreshTimer = nullptr;
};
