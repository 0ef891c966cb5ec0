#pragma once

#include "client_state.h"
#include "connection_security.h"
#include "ftp_command.h"
#include "ftp_entry.h"
#include "session_trust.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

class Inet;
class QEventLoop;

// One connection to a server: it owns the transfer component, sends the
// client's commands, waits for them, does what each completion calls for and
// recovers from refusals. It has no window; everything it has to say comes
// out as signals. Several sessions can run side by side, each with a
// component and a connection of its own.
//
// Commands carry a code (iLastCommand) that decides what their completion
// does: a listing is read and handed on, PWD gives the current directory, a
// transfer or a delete writes its line into the log.
class RemoteSession : public QObject {
    Q_OBJECT

public:
    explicit RemoteSession(QObject* parent = nullptr);
    ~RemoteSession() override;

    // Element 1 of the transfer component, the one that does the work;
    // nullptr once the session is closed. A refusal or a cancel puts a fresh
    // one in its place.
    Inet* Inet1() const;
    // What the connect dialog hands over: the address as typed, the user and
    // the password, the protocol and (SFTP) the private key file. The
    // component must be idle.
    // `clearTextAllowed`: the profile allows FTP with TLS when offered to go
    // on in clear text when the server does not offer TLS, without asking.
    void setHost(const QString& address, const QString& user, const QString& password,
                 ServerProtocol protocol = ServerProtocol::PlainFtp,
                 const QString& keyFile = QString(), bool clearTextAllowed = false);
    // Another password for the same login, after the server refused one:
    // what the user accepted or trusted for this server still holds.
    void setPassword(const QString& password);
    // Whether the last command failed because the server refused the login.
    bool loginRefused() const;
    QString remoteHost() const;
    // What the session trusts, and whom it asks about the rest.
    SessionTrust& trust() { return *m_trust; }
    // The same, for connections of others that log in as this session does.
    std::shared_ptr<SessionTrust> sharedTrust() const { return m_trust; }

    // --- state ----------------------------------------------------------
    ClientState state;
    QString sRemoteDir; // the current remote directory
    QString sRootDir;   // the directory reported at login; never left upwards
    QString sCurFile;   // what the completion lines name
    bool bConnected = false;
    short iRetry = 0; // refusals recovered from since start-up

    // Whether the component is still executing a command.
    bool busy() const;
    // Whether the last command ended in the error state (and no retry of it
    // succeeded).
    bool lastCommandFailed() const { return m_commandFailed; }
    bool closed() const { return m_closed; }
    // How the connection that ran the last command is protected.
    const ConnectionSecurity& security() const { return m_security; }

    // --- commands ---------------------------------------------------------
    // Hands `command` to the component as the command of code `code`
    // (iLastCommand) and returns at once; sCommand holds its text.
    void execute(short code, const FtpCommand& command);
    // Keeps the event loop running until the component is idle. Waits nest:
    // whatever runs meanwhile may wait again.
    void WaitResp();
    // execute() and WaitResp().
    void runCommand(short code, const FtpCommand& command);
    // The Cancel button: abandons the running command, waits for its
    // completion, and goes on with a fresh component.
    void Cancel();
    // Abandons the running command, if any, without waiting for anything;
    // no reply of it is reported. The next command starts afresh.
    void reset();
    // Abandons everything for good: nothing is sent (not even QUIT) and
    // nothing more is reported.
    void close();
    // Writes a line into the log, as the command starters do.
    void log(const QString& text);

    // What the completion of a command of code `code` does.
    int ReactToResponse(short code);
    // Stores the reply to PWD as the current and the root directory.
    short ShowDir();
    // Hands a listing on, after logging how many lines it could not read.
    void showListing(const SharedListing& listing);
    // Logs a state of the component and dispatches its completion.
    void Inet1_StateChanged(short state);

signals:
    // A command was handed to the component; `command` is its text.
    void commandExecuted(const QString& command);
    // Text for the end of the status log, and the points where the log is cut
    // to its limit and where it is emptied.
    void logAppended(const QString& text);
    void logTrimmed();
    void logCleared();
    // A listing command completed: its entries.
    void listingRead(const SharedListing& listing);
    // PWD gave the current directory.
    void directoryChanged(const QString& directory);
    // QUIT completed.
    void disconnected();
    // Bytes of the running transfer moved so far, and in all (0 when unknown).
    void progress(qint64 done, qint64 total);
    // A wait began or ended (the window shows Cancel meanwhile).
    void waitStarted();
    void waitEnded();
    // A run-time failure while a completion was handled; `message` is the
    // whole text to show.
    void failure(const QString& message);
    // A new connection logged in, protected as `security` says.
    void securityEstablished(const ConnectionSecurity& security);
    // The user allowed clear text for this server for good, when it does
    // not offer TLS: the profile keeps that.
    void clearTextAllowedForGood();

private:
    void createInet();
    void reloadInet();
    void reactToState(short state);
    void recoverFromRefusal();
    void answerTrustQuestion();
    void answerClearTextQuestion();
    std::optional<FtpAddress> address() const;
    void runAgain();
    void applySecurityOptions();
    void logSecurity();
    void wakeWaits();

    QPointer<Inet> m_inet1;
    FtpCommand m_command;
    bool m_commandFailed = false;
    bool m_closed = false;
    int m_trustRounds = 0; // questions about the server answered for this command
    ConnectionSecurity m_security;
    std::shared_ptr<SessionTrust> m_trust = std::make_shared<SessionTrust>();
    std::vector<QEventLoop*> m_waits;
};
