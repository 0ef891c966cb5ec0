#pragma once

#include "connection_security.h"
#include "ftp_command.h"
#include "ftp_entry.h"
#include "inet_codes.h"
#include "inet_error.h"
#include "peer_identity.h"
#include "server_protocol.h"
#include "transfer_facts.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class FtpWorker;
struct FtpEvent;

// The Internet transfer component: runs one FTP command at a time without
// blocking the thread it lives on, reports its progress through
// StateChanged, and hands out the reply text with GetChunk. The commands go
// over plain FTP, FTP over TLS or SFTP, as ServerProtocol says.
//
// Execute, GetChunk and the property setters raise InetError 35764 while a
// command runs, and then change nothing. Events are
// delivered through the event loop, never from inside a member call.
class Inet : public QObject {
    Q_OBJECT

public:
    static constexpr short ProtocolFtp = 2;

    explicit Inet(QObject* parent = nullptr);
    ~Inet() override;

    short Protocol() const { return m_protocol; }
    void setProtocol(short protocol);
    QString URL() const { return m_url; }
    void setURL(const QString& url);
    QString UserName() const { return m_userName; }
    void setUserName(const QString& userName);
    QString Password() const { return m_password; }
    void setPassword(const QString& password);
    int RequestTimeout() const { return m_requestTimeout; }
    void setRequestTimeout(int seconds);
    // How to talk to the server when the URL names no scheme of its own
    // ("ftps://" and "sftp://" do); plain FTP unless set.
    ServerProtocol serverProtocol() const { return m_serverProtocol; }
    void setServerProtocol(ServerProtocol protocol);
    // What to take on trust and how to log in over SSH.
    const SecurityOptions& securityOptions() const { return m_security; }
    void setSecurityOptions(const SecurityOptions& options);
    // Whether StateChanged tells the steps of a command (ResolvingHost to
    // ResponseReceived) or only its end; each step costs a hop between
    // threads. Told unless set.
    bool stepStates() const { return m_stepStates; }
    void setStepStates(bool report);

    // Starts `command` on the server at `url` and returns at once. The text
    // form is read by parseFtpCommand(); a program that knows its paths hands
    // over the command itself, so that no blank is ever taken for a separator.
    // A command, user name, password or address holding a control character
    // (see control_characters.h) raises an InetError and nothing is sent.
    void Execute(const QString& url, const QString& command);
    void Execute(const QString& url, const FtpCommand& command);
    bool StillExecuting() const { return m_executing; }
    // Runs the coming commands on the connection `other` uses, after any
    // command given to it first; the commands of each still end one by one
    // as before. Raises 35764 while a command runs.
    void ShareConnection(const Inet& other);
    // The next part of the reply, at most `size` characters; "" at its end.
    QString GetChunk(short size);
    // Abandons the running command: it completes with state 12 and an empty
    // reply, and the component is ready for the next one.
    void Cancel();
    // The entries of the last listing that completed (nothing after any
    // other command); the same listing GetChunk hands out as text.
    SharedListing Listing() const;

    int ResponseCode() const { return m_responseCode; }
    QString ResponseInfo() const { return m_responseInfo; }
    // The host name of the current URL.
    QString RemoteHost() const { return m_remoteHost; }
    // After state Error with a code for which isTrustQuestion() holds: the
    // certificate or host key the server showed.
    const std::optional<PeerIdentity>& UntrustedPeer() const { return m_untrustedPeer; }
    // What the last Get, Put or Stat learnt of the remote file and did
    // (see FtpTransferFacts); reset when a command starts, and left so by
    // one that is cancelled.
    using TransferFacts = FtpTransferFacts;
    const TransferFacts& LastTransfer() const { return m_lastTransfer; }
    // How the connection that ran the last command is protected; set when
    // SecurityEstablished is emitted.
    const ConnectionSecurity& Security() const { return m_connectionSecurity; }

signals:
    void StateChanged(short state);
    // Bytes of the running GET or PUT moved so far, and in all (0 when unknown).
    void TransferProgress(qint64 done, qint64 total);
    // A new connection logged in; Security() tells how it is protected.
    void SecurityEstablished();

private:
    // Raises 35764 while a command runs.
    void checkIdle() const;
    void attachTo(std::shared_ptr<FtpWorker> worker);
    void onWorkerEvent(const FtpEvent& ev);
    void completeCancelled(quint64 job);

    short m_protocol = ProtocolFtp;
    QString m_url;
    QString m_remoteHost;
    QString m_userName;
    QString m_password;
    int m_requestTimeout = 60;
    bool m_stepStates = true;
    ServerProtocol m_serverProtocol = ServerProtocol::PlainFtp;
    SecurityOptions m_security;

    bool m_executing = false;
    quint64 m_job = 0;
    bool m_cancelled = false;
    QString m_reply;
    qsizetype m_replyPos = 0;
    SharedListing m_listing;
    int m_responseCode = 0;
    QString m_responseInfo;
    std::optional<PeerIdentity> m_untrustedPeer;
    TransferFacts m_lastTransfer;
    ConnectionSecurity m_connectionSecurity;

    std::shared_ptr<FtpWorker> m_worker;
    quint64 m_front = 0; // this component's front on the worker
};
