#pragma once

#include "ftp_command.h"
#include "inet_job.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <exception>
#include <functional>
#include <vector>

// One command of a RemoteSession, from the moment it is handed to the
// session until its end (compare QNetworkReply). The session runs its jobs
// one at a time in the order they came; finished() is emitted once, after
// the session has done what the command's completion calls for (the log
// line, the listing, the directory). What a caller once waited for in
// WaitResp is this signal. The job deletes itself after it.
class RemoteJob : public QObject {
    Q_OBJECT

public:
    // `subject`: what the completion's log line names ("<subject> deleted").
    RemoteJob(const FtpCommand& command, const QString& subject, QObject* parent);

    const FtpCommand& command() const { return m_command; }
    const QString& subject() const { return m_subject; }
    // For a listing: the directory it lists (which becomes the current one
    // when it succeeds), or that it is the first listing after the login.
    struct Listing {
        QString directory;
        bool first = false;
    };
    const Listing& listing() const { return m_listing; }
    void setListing(const Listing& listing) { m_listing = listing; }
    bool isFinished() const { return m_finished; }
    // How the command ended; meaningful once finished.
    const InetResult& result() const { return m_result; }

    // Called by the session that runs the job, once.
    void complete(const InetResult& result);

signals:
    void finished(const InetResult& result);

private:
    FtpCommand m_command;
    QString m_subject;
    Listing m_listing;
    InetResult m_result;
    bool m_finished = false;
};

// Commands run one after another as one piece of work, cancellable as a
// whole: each step starts its job when the one before has ended, and a
// cancelled job ends the chain. A step that has nothing to run returns
// nullptr and the chain goes on with the next one; a step that throws, or a
// command the component refused to start (as an InetError), ends the chain
// with that error. The chain deletes itself when it has ended.
class JobChain : public QObject {
    Q_OBJECT

public:
    using Step = std::function<RemoteJob*()>;

    explicit JobChain(QObject* parent);
    ~JobChain() override;
    // A chain of one job that is already on its way.
    static JobChain* of(RemoteJob* job, QObject* parent);

    JobChain& then(Step step);
    void start();
    // Ends the chain now: the running job ends as it will, nothing after it
    // starts, and finished() says cancelled.
    void cancel();
    // The result of the job that ended last.
    const InetResult& lastResult() const { return m_last; }

signals:
    // `error` is set when a step threw.
    void finished(bool cancelled, std::exception_ptr error);

private:
    void runNext();
    void end(bool cancelled, std::exception_ptr error = nullptr);

    std::vector<Step> m_steps;
    size_t m_next = 0;
    QPointer<RemoteJob> m_running;
    InetResult m_last;
    bool m_ended = false;
};
