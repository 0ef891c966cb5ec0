#pragma once

#include "ftp_command.h"
#include "ftp_entry.h"
#include "peer_identity.h"
#include "transfer_facts.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class Inet;

// How one command of the transfer component ended, with everything the
// component could tell about it.
struct InetResult {
    // Refused: the component would not start the command (an InetError:
    // a control character, an address it cannot read); nothing was sent.
    enum class End { Completed, Failed, Cancelled, Refused };
    End end = End::Completed;
    // After Failed: the component's response code (InetResponse); after
    // Refused: the InetError's number.
    int code = 0;
    QString info;          // why it failed, for a person to read
    QString reply;         // the server's answer (PWD's directory); "" for a listing
    SharedListing listing; // the entries of a listing command
    FtpTransferFacts facts;
    std::optional<PeerIdentity> untrustedPeer; // after a trust question's code

    bool completed() const { return end == End::Completed; }
    bool failed() const { return end == End::Failed; }
    bool cancelled() const { return end == End::Cancelled; }
    bool refused() const { return end == End::Refused; }
    static InetResult cancelledResult() {
        InetResult result;
        result.end = End::Cancelled;
        return result;
    }
};

// One command on one transfer component, from its start to its end. start()
// returns at once; finished() follows exactly once, always through the event
// loop, also for a command the component refused to start (Refused, with
// the InetError's number) and for one abandoned by abort() (Cancelled). The
// component runs one command at a time: it must be idle when the job starts
// and is idle again when finished() is emitted, so the next job may start
// from its handler. The job deletes itself once finished() has been handled.
class InetJob : public QObject {
    Q_OBJECT

public:
    static InetJob* start(Inet& inet, const FtpCommand& command, QObject* parent = nullptr);
    ~InetJob() override;

    // Abandons the command; finished() follows with End::Cancelled.
    void abort();
    // Abandons the command without reporting anything more.
    void discard();
    bool isFinished() const { return m_finished; }
    // Whether the component took the command (it was not refused at once).
    bool started() const { return m_started; }
    const FtpCommand& command() const { return m_command; }
    const InetResult& result() const { return m_result; }

signals:
    // The states before the end (resolving, connecting, ...), for the log.
    void stateChanged(short state);
    void progress(qint64 done, qint64 total);
    // A new connection logged in; the component's Security() tells how.
    void securityEstablished();
    void finished(const InetResult& result);

private:
    InetJob(Inet& inet, const FtpCommand& command, QObject* parent);
    void run();
    void onState(short state);
    void finish(InetResult result);
    void release();
    void onInetGone();
    InetResult resultOfCompletion() const;

    QPointer<Inet> m_inet;
    FtpCommand m_command;
    InetResult m_result;
    bool m_aborted = false;
    bool m_started = false;
    bool m_finished = false;
};
