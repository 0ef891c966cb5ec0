#pragma once

#include "connection_security.h"
#include "ftp_command.h"
#include "ftp_entry.h"
#include "inet_job.h"
#include "remote_job.h"
#include "session_runner.h"
#include "session_trust.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <deque>
#include <memory>

class Inet;

// One connection to a server: the client's commands as jobs, run one at a
// time by its SessionRunner, and what each completion means: the current and
// the login directory, whether it is connected, the listing. Nothing here
// waits: a command is started by a call that returns at once and ends with
// its job's finished(). It has no window; everything it has to say comes out
// as signals. Several sessions can run side by side, each with a component
// and a connection of its own.
//
// Its state has this one writer; callers ask for it and hear of changes.
class RemoteSession : public QObject {
    Q_OBJECT

public:
    // How a directory is listed: "DIR" (long form) or "LS".
    enum class ListVerb { Dir, Ls };

    explicit RemoteSession(QObject* parent = nullptr);
    ~RemoteSession() override;

    // --- the connection ------------------------------------------------------
    // What runs the jobs: the component, the login, what the session trusts,
    // and how the last job ended.
    const SessionRunner& runner() const { return m_runner; }
    // What the connect dialog hands over: the address as typed, the user and
    // the password, the protocol and (SFTP) the private key file. Whatever
    // runs is abandoned first.
    // `clearTextAllowed`: the profile allows FTP with TLS when offered to go
    // on in clear text when the server does not offer TLS, without asking.
    void setHost(const QString& address, const QString& user, const QString& password,
                 ServerProtocol protocol = ServerProtocol::PlainFtp,
                 const QString& keyFile = QString(), bool clearTextAllowed = false);
    // Another password for the same login, after the server refused one:
    // what the user accepted or trusted for this server still holds.
    void setPassword(const QString& password) { m_runner.setPassword(password); }
    // What the session trusts, and whom it asks about the rest.
    SessionTrust& trust() { return m_runner.trust(); }

    // --- state ------------------------------------------------------------
    // The current remote directory, always with a trailing "/" (sRemoteDir).
    QString currentDirectory() const { return m_remoteDir; }
    // The directory reported at login, never left upwards (sRootDir).
    QString rootDirectory() const { return m_rootDir; }
    // Logged in and the first listing done, until Close (bConnected).
    bool connected() const { return m_connected; }

    // --- jobs -------------------------------------------------------------
    // Each returns at once; the job's finished() tells how it ended.
    // PWD: logs in, and its answer becomes the current and the root directory.
    RemoteJob* logIn();
    // The first listing after the login ("DIR"); once it has ended the
    // session counts as connected.
    RemoteJob* listFirst();
    // Lists `directory` (with its trailing "/") filtered by `pattern`; when
    // the listing succeeds the directory becomes the current one.
    // `enterFirst`: change into it first (a link that may lead to one).
    RemoteJob* listDirectory(const QString& directory, const QString& pattern,
                             ListVerb verb = ListVerb::Ls, bool enterFirst = false);
    RemoteJob* remove(const QString& path, const QString& subject);
    RemoteJob* rename(const QString& from, const QString& to, const QString& subject);
    RemoteJob* makeDirectory(const QString& path);
    RemoteJob* removeDirectory(const QString& path);
    // QUIT: the session is no longer connected from now on.
    RemoteJob* disconnectFromServer();
    // Any other command, its completion handled by its kind.
    RemoteJob* run(const FtpCommand& command, const QString& subject = QString());

    // The Cancel button: abandons the running job and every waiting one,
    // each ending as cancelled; the log says so and a fresh component takes
    // over.
    void Cancel() { m_runner.Cancel(); }
    // Abandons whatever runs or waits, as cancelled, without a log line;
    // the session is not connected any more. The next job starts afresh.
    void reset();
    // Abandons everything for good: nothing is sent (not even QUIT) and
    // nothing more is reported.
    void close();
    // Writes a line into the log, as the command starters do.
    void log(const QString& text) { m_runner.log(text); }

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
    // The current directory changed.
    void directoryChanged(const QString& directory);
    // QUIT completed.
    void disconnected();
    // The first job started after an idle spell, and the last one ended
    // (the window shows Cancel meanwhile).
    void busyChanged(bool busy);
    // A run-time failure while a completion was handled; `message` is the
    // whole text to show.
    void failure(const QString& message);
    // A new connection logged in, protected as `security` says.
    void securityEstablished(const ConnectionSecurity& security);
    // The user allowed clear text for this server for good, when it does
    // not offer TLS: the profile keeps that.
    void clearTextAllowedForGood();

private:
    RemoteJob* submitListing(const FtpCommand& command, const RemoteJob::Listing& listing);
    // What the completion of a job does (the runner's jobEnding).
    void ReactToResponse(const RemoteJob& job, const InetResult& result);
    // Takes the reply to PWD as the current and the root directory.
    void ShowDir(const QString& reply);
    // Hands a listing on, after logging how many lines it could not read.
    void showListing(const SharedListing& listing);
    void setDirectory(const QString& directory);
    void takeFirstListing();

    SessionRunner m_runner;
    QString m_remoteDir;
    QString m_rootDir;
    bool m_connected = false;
};
