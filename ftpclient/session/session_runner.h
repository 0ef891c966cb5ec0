#pragma once

#include "connection_security.h"
#include "ftp_command.h"
#include "inet_job.h"
#include "remote_job.h"
#include "session_component.h"
#include "session_trust.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <memory>

class Inet;

// Runs a session's jobs one at a time, in the order they came, on the
// session's transfer component: it tries a job again after a refusal or once
// the user trusted the server, starts a fresh component after a refusal or a
// cancel, and logs the component's states and how a new connection is
// protected. What a finished job's completion means for the session is not
// its business: it announces the end (jobEnding) before the job's own
// listeners hear of it.
class SessionRunner : public QObject {
    Q_OBJECT

public:
    explicit SessionRunner(QObject* parent = nullptr);
    ~SessionRunner() override;

    // Element 1 of the transfer component; nullptr once closed.
    Inet* Inet1() const;
    // The server's host name as the component read it from the address.
    // Whatever runs is abandoned first.
    void setHost(const QString& address, const QString& user, const QString& password,
                 ServerProtocol protocol, const QString& keyFile, bool clearTextAllowed);
    void setPassword(const QString& password);
    QString remoteHost() const;
    // What the session trusts, and whom it asks about the rest.
    SessionTrust& trust() { return *m_trust; }
    // The same, for connections of others that log in as this session does.
    std::shared_ptr<SessionTrust> sharedTrust() const { return m_trust; }

    // Whether a job runs or waits to run.
    bool busy() const;
    // Whether the last job ended in an error (and no retry of it succeeded).
    bool lastCommandFailed() const { return m_lastFailed; }
    // Whether the last job failed because the server refused the login.
    bool loginRefused() const { return m_loginRefused; }
    // Closed for good: every job handed over ends at once, as cancelled.
    bool closed() const { return m_closed; }
    // Refusals recovered from since start-up (iRetry): every other one is
    // sent again once.
    int refusalsRecovered() const { return m_iRetry; }
    // How the connection that ran the last command is protected.
    const ConnectionSecurity& security() const { return m_security; }

    // Queues the command as a job and returns at once.
    RemoteJob* submit(const FtpCommand& command, const QString& subject);
    // Abandons the running and the waiting jobs: the Cancel button's (which
    // logs that), silently, and for good.
    void Cancel();
    void reset();
    void close();
    void log(const QString& text);

signals:
    void commandExecuted(const QString& command);
    void logAppended(const QString& text);
    void logTrimmed();
    void logCleared();
    void busyChanged(bool busy);
    void failure(const QString& message);
    void securityEstablished(const ConnectionSecurity& security);
    void clearTextAllowedForGood();
    // The running job ended as `result`; its finished() follows.
    void jobEnding(const RemoteJob& job, const InetResult& result);

private:
    void startNext();
    void attempt();
    void onAttemptEnded(const InetResult& result);
    bool recoverFromFailure(const InetResult& result);
    void endRunning(const InetResult& result);
    void abandonAll(bool logCancel);
    // Logs a state of the component (the component's StateChanged).
    void Inet1_StateChanged(short state);
    bool answerTrustQuestion(const InetResult& result);
    bool answerClearTextQuestion();
    void applySecurityOptions();
    void logSecurity();

    SessionComponent m_component;
    std::deque<QPointer<RemoteJob>> m_waiting;
    QPointer<RemoteJob> m_running;
    QPointer<InetJob> m_attempt;
    bool m_lastFailed = false;
    bool m_loginRefused = false;
    bool m_closed = false;
    bool m_busy = false;
    bool m_cancelAsked = false; // the Cancel button abandoned the running job
    int m_iRetry = 0;           // refusals recovered from since start-up (iRetry)
    int m_trustRounds = 0;      // questions about the server answered for this job
    ConnectionSecurity m_security;
    std::shared_ptr<SessionTrust> m_trust = std::make_shared<SessionTrust>();
};
