#pragma once

#include "host_profiles.h"
#include "launch_target.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class PasswordVault;
class Prompter;
class QPushButton;
class QTimer;
class QWidget;
class RemotePane;
class RemoteSession;
struct InetResult;
class SecurityMark;
class StatusLog;
class TransferProgressPanel;

// The window's parts that show the connection.
struct ConnectionView {
    RemotePane& remotePane;
    QPushButton& connectButton; // "Connect", or "Close" while logged in
    QPushButton& cancelButton;
    SecurityMark& securityMark;
    StatusLog& log;
    TransferProgressPanel& progress;
    QTimer& dots;           // the progress dots in the log while a command runs
    QWidget& focusOnCancel; // what takes the focus after Cancel
};

// What the connection asks of the window around it.
struct ConnectionHooks {
    // The host the connect dialog names; nothing when cancelled.
    std::function<std::optional<HostInfo>()> chooseHost;
    std::function<PasswordVault&()> vault;
    // Writes the settings file now; false when it could not be replaced.
    std::function<bool()> writeSettings;
    // A login succeeded and its first listing is done.
    std::function<void(const HostInfo&)> loggedIn;
};

// Connect and Close, the login with its password questions, Cancel and the
// progress dots: the window's side of the remote session. Every step goes
// on from the completion of the session's job before it; nothing waits.
class ConnectionControl : public QObject {
    Q_OBJECT

public:
    ConnectionControl(RemoteSession& session, const ConnectionView& view, HostProfiles& profiles,
                      const QString& key, Prompter& prompter, ConnectionHooks hooks,
                      QObject* parent = nullptr);

    void Cmd_Connect_Click();
    // Connects to the server a URL named without the connect dialog, and
    // opens the URL's folder once logged in.
    void connectAtStart(const LaunchTarget& target);
    void Cmd_Cancel_Click();
    void Timer1_Timer();
    // The window goes: nothing more is sent, and no login goes on.
    void unload();
    // The login as the user knows it: its saved profile's name, else its
    // address.
    QString loginName() const;

private:
    void connectSession();
    void showBusy(bool busy);
    // Connects to `given`, or to the host the connect dialog names when
    // there is none; closes the connection when there is one.
    void connectOrClose(const std::optional<HostInfo>& given);
    void connectToHost(const std::optional<HostInfo>& given);
    void reportConnectFailure(const QString& description);
    bool loginAbandoned(quint64 attempt) const;
    void connectWith(const HostInfo& host);
    void fillPasswordFromKeyring(const HostInfo& host,
                                 const std::function<void(const HostInfo&)>& then);
    // PWD logs in; a password the server refuses is asked for again.
    void sendLogin(quint64 attempt);
    void onLoginEnded(quint64 attempt, const InetResult& result);
    bool askAgainAfterRefusal(quint64 attempt);
    void listFirst(quint64 attempt);
    std::optional<QString> askPasswordAgain(const HostInfo& host, int profile, bool* save);
    // "Save Password" for the saved profile `profile`, the settings file
    // written at once.
    void keepPassword(int profile, const QString& password);
    // The saved profile of the host logged in to keeps that it may go on in
    // clear text; the settings file is written at once.
    void allowClearTextForGood();
    void disconnectFromHost();

    RemoteSession& m_session;
    ConnectionView m_view;
    HostProfiles& m_profiles;
    const QString& m_key;
    Prompter& m_prompter;
    ConnectionHooks m_hooks;
    bool m_unloaded = false;
    short m_dots = 0; // iDots
    // Each login gets a number; abandoning it moves the number on.
    quint64 m_loginAttempt = 0;
    bool m_loggingIn = false;
    // The host of the login under way or done, as the dialog or a URL gave it.
    HostInfo m_loginHost;
    // Of the login under way: whether a password was asked for again, and
    // whether to save the one the server takes.
    bool m_askedPassword = false;
    bool m_savePassword = false;
    // The folder a URL named, opened once logged in.
    QString m_startDirectory;
};
