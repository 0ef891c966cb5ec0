#pragma once

#include "common/client_errors.h"
#include "common/twips_geometry.h"
#include "host_profiles.h"
#include "launch_target.h"
#include "panes/file_images.h"
#include "settings_store.h"
#include "window_dialogs.h"
#include "window_parts.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class PaneDrag;
class PasswordVault;
class PaneTransfers;
class Prompter;
class QueueHookup;
class QueuePreferences;
class RemoteSession;
class SecurityQuestions;
class TransferQueue;
class WindowLayout;
class WindowMenu;
class WindowSettings;

// The main window: it makes its controls (the two panes, the transfer
// buttons between them, the connect and cancel buttons, the status log, the
// progress display and the queue view) and hands each job to a part of its
// own: the layout to `WindowLayout`, the queue to `QueueHookup`, the menu
// to `WindowMenu`, the settings file to `SettingsStore`, dragging between
// the panes to `PaneDrag`; it connects and disconnects the session.
class TARLEN_Frm : public QWidget {
    Q_OBJECT

public:
    explicit TARLEN_Frm(Prompter& prompter, QWidget* parent = nullptr);
    ~TARLEN_Frm() override;

    // Window load: settings, centring, layout, local pane.
    void Form_Load();

    // --- parts --------------------------------------------------------------
    RemoteSession& session() const { return *m_session; }
    // The transfers, moving on connections of their own.
    TransferQueue& queue() const { return *m_queue; }
    // The window's controls.
    const WindowParts& parts() const { return m_parts; }
    // The host profiles, the settings file and the keyring.
    SettingsStore& settingsStore() { return m_store; }
    // The dialogs the window shows; tests put scripted ones in their place.
    WindowDialogs& dialogs() { return m_dialogs; }
    WindowLayout& windowLayout() const { return *m_layout; }
    PaneDrag& drag() const { return *m_drag; }
    // The window's state and geometry as the settings file keeps them.
    WindowSettings& windowSettings() const { return *m_settings; }
    TwipsGeometry& twips() { return m_twips; }

    // The arrows between the panes: the selection into the queue.
    void Cmd_Dn_Click();
    void Cmd_Up_Click();

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void createControls();
    void connectControls();
    // Abandons the command at unload (no QUIT) and writes the settings.
    void Form_Unload();

    Prompter& m_prompter;
    TwipsGeometry m_twips;
    FileImages m_images;
    WindowParts m_parts;
    WindowDialogs m_dialogs;
    SettingsStore m_store;
    std::unique_ptr<RemoteSession> m_session;
    std::unique_ptr<SecurityQuestions> m_securityQuestions;
    std::unique_ptr<TransferQueue> m_queue;
    // How the queue works; the one place these preferences are kept.
    std::unique_ptr<QueuePreferences> m_preferences;
    std::unique_ptr<QueueHookup> m_queueHookup;
    std::unique_ptr<PaneTransfers> m_transfers;
    std::unique_ptr<PaneDrag> m_drag;
    std::unique_ptr<WindowSettings> m_settings;
    WindowLayout* m_layout = nullptr;
    WindowMenu* m_menu = nullptr;
    bool m_unloaded = false;

    // === connection ========================================================
    // Connecting and disconnecting, Cancel and the progress dots, defined in
    // tarlen_frm_connection.cpp. This block moves whole into a class of its
    // own; until then it reaches the window's parts under the names below.
public:
    void Cmd_Connect_Click();
    // Connects to the server a URL named (tarlen's command line) without the
    // connect dialog, and opens the URL's folder.
    void connectAtStart(const LaunchTarget& target);
    void Cmd_Cancel_Click();
    void Timer1_Timer();
    // The progress dots written on the current line of the log.
    short iDots = 0;

private:
    void connectSession();
    // Connects to `given`, or to the host the connect dialog names when
    // there is none; closes the connection when there is one.
    void connectOrClose(const std::optional<HostInfo>& given);
    void connectToHost(const std::optional<HostInfo>& given);
    bool loginAbandoned(quint64 attempt) const;
    void fillPasswordFromKeyring(HostInfo& host);
    // Logs in; a password the server refuses is asked for again.
    void logIn(HostInfo& host, quint64 attempt);
    std::optional<QString> askPasswordAgain(const HostInfo& host, int profile, bool* save);
    // "Save Password" for the saved profile `profile`, the settings file
    // written at once.
    void keepPassword(int profile, const QString& password);
    // The saved profile that logs in as `host` does (address, user and
    // protocol), the current one first; -1 when there is none.
    int profileOf(const HostInfo& host) const;
    // The login as the user knows it: its saved profile's name, else its
    // address.
    QString loginName() const;
    // The saved profile of the host logged in to keeps that it may go on in
    // clear text; the settings file is written at once.
    void allowClearTextForGood();
    void disconnectFromHost();

    // Each login gets a number; abandoning it moves the number on.
    quint64 m_loginAttempt = 0;
    bool m_loggingIn = false;
    // The host of the login under way or done, as the dialog or a URL gave it.
    HostInfo m_loginHost;

    // What the code above reaches in the window, under the names it uses.
    static inline const QString& Caption = Titles::Caption;
    HostProfiles& profiles = m_store.profiles();
    const QString& sKey = m_store.key();
    const std::function<std::optional<HostInfo>()>& showConnectDialog = m_dialogs.showConnectDialog;
    LocalPane* const& localPane = m_parts.localPane;
    RemotePane* const& remotePane = m_parts.remotePane;
    QPushButton* const& Cmd_Connect = m_parts.Cmd_Connect;
    QPushButton* const& Cmd_Cancel = m_parts.Cmd_Cancel;
    StatusLog* const& Txt_Status = m_parts.Txt_Status;
    SecurityMark* const& Lbl_Security = m_parts.Lbl_Security;
    QTimer* const& Timer1 = m_parts.Timer1;
    TransferProgressPanel* const& Progress = m_parts.Progress;
    // Writes the settings file now; false when it could not be replaced.
    bool writeSettings();
    PasswordVault& vault();
    // The queue takes the login to `host` for what is queued from now on.
    void takeQueueLogin(const HostInfo& host);
    // === end of connection =================================================
};
