#pragma once

#include "common/twips_geometry.h"
#include "host_profiles.h"
#include "launch_target.h"
#include "panes/file_images.h"
#include "preferences.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class FilePane;
class LocalPane;
class PaneDrag;
class PasswordVault;
class PaneTransfers;
class Prompter;
class QueueKeeper;
struct QueueLogin;
class QueuePanel;
class QueueQuestions;
class QPushButton;
class QTimer;
class QToolButton;
class RemotePane;
class RemoteSession;
class SecurityMark;
class SecurityQuestions;
class StatusLog;
class TransferProgressPanel;
class TransferQueue;
class WindowSettings;

// The main window: it composes the two panes, the transfer buttons between
// them, the connect and cancel buttons, the status log and the progress
// display, lays them out, and connects and disconnects the session.
class TARLEN_Frm : public QWidget {
    Q_OBJECT

public:
    static inline const QString Caption = QStringLiteral("Qoro Consulting FTP");

    explicit TARLEN_Frm(Prompter& prompter, QWidget* parent = nullptr);
    ~TARLEN_Frm() override;

    // Window load: settings, centring, layout, local pane.
    void Form_Load();

    // --- parts --------------------------------------------------------------
    RemoteSession& session() const { return *m_session; }
    // The transfers, moving on connections of their own.
    TransferQueue& queue() const { return *m_queue; }
    LocalPane* localPane = nullptr;
    RemotePane* remotePane = nullptr;
    // The two panes as the pane frames of the layout: 0 local, 1 remote.
    std::array<FilePane*, 2> Frm_Local{};
    QPushButton* Cmd_Connect = nullptr;
    QPushButton* Cmd_Cancel = nullptr;
    StatusLog* Txt_Status = nullptr;
    // Whether the connection is encrypted, under the Connect button.
    SecurityMark* Lbl_Security = nullptr;
    QPushButton* Cmd_Dn = nullptr;
    QPushButton* Cmd_Up = nullptr;
    // Under the arrows: Preferences, About and Quit.
    QToolButton* Cmd_Menu = nullptr;
    QTimer* Timer1 = nullptr;
    // Name, bar, rate and time left of the file being transferred.
    TransferProgressPanel* Progress = nullptr;
    // The transfer queue under the log.
    QueuePanel* Queue = nullptr;
    FileImages images;
    PaneDrag& drag() const { return *m_drag; }
    // The window's state and geometry as the settings file keeps them.
    WindowSettings& windowSettings() const { return *m_settings; }

    // --- settings -----------------------------------------------------------
    HostProfiles profiles;
    QString sKey;
    // Where the settings are kept; tests point it at a temporary file.
    QString settingsFile;
    // Shows the preferences dialog; what was chosen, or nothing when
    // cancelled. Tests put a scripted one in its place.
    std::function<std::optional<Preferences>(const Preferences&)> showPreferences;
    // Shows the connect dialog; the chosen host, or nothing when cancelled.
    // Tests put a scripted one in its place.
    std::function<std::optional<HostInfo>()> showConnectDialog;

    TwipsGeometry& twips() { return m_twips; }
    const TwipsGeometry& twips() const { return m_twips; }
    bool bResizing = false;
    short iDots = 0;

    // --- routines and handlers ----------------------------------------------
    void Resize_Frm();
    void Frm_Local_MouseDown(int index, int button, int shift, double x, double y);
    void Frm_Local_MouseMove(int index, int button, int shift, double x, double y);
    void Frm_Local_MouseUp(int index, int button, int shift, double x, double y);
    void Cmd_Connect_Click();
    // Connects to the server a URL named (tarlen's command line) without the
    // connect dialog, and opens the URL's folder.
    void connectAtStart(const LaunchTarget& target);
    void Cmd_Cancel_Click();
    void Timer1_Timer();
    void Cmd_Dn_Click();
    void Cmd_Up_Click();
    // The menu's entries (also Ctrl+, and F1; Ctrl+Q quits).
    void Act_Preferences_Click();
    void Act_About_Click();

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void createControls();
    void createMenu();
    void orderTabStops();
    void centreOnScreen();
    void connectSession();
    // Connects to `given`, or to the host the connect dialog names when
    // there is none; closes the connection when there is one. `afterLogin`
    // runs once the login was tried (not when it was abandoned).
    void connectOrClose(const std::optional<HostInfo>& given,
                        const std::function<void()>& afterLogin = {});
    void connectToHost(const std::optional<HostInfo>& given,
                       const std::function<void()>& afterLogin);
    // The rest of connectToHost, once the password is known.
    void connectWith(HostInfo host);
    // Runs a step of connecting; an error in it ends the attempt, said in a
    // message.
    void guardConnect(const std::function<void()>& step);
    bool loginAbandoned(quint64 attempt) const;
    void fillPasswordFromKeyring(const HostInfo& host,
                                 const std::function<void(const HostInfo&)>& then);
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
    // Abandons the command at unload (no QUIT) and writes the settings.
    void Form_Unload();
    // The settings file: the one given, else the usual one.
    QString settingsPath() const;
    // Writes the settings file now; false when it could not be replaced.
    bool writeSettings();
    void keepProfiles(const HostProfiles& changed);
    void watchPointerResets();
    // The queue: its lines in the log, panes refreshed as files arrive, kept
    // across runs per login.
    void connectQueue();
    void takeQueueLogin(const HostInfo& host);
    void reportTransfersGoingOn(const QueueLogin& left);
    void offerKeptQueue();
    void saveQueue();
    // Asks before quitting stops transfers that run; true to quit.
    bool mayQuitTransfers();
    void refreshPanesSoon(bool local);
    void followRunningFile();

    Prompter& m_prompter;
    TwipsGeometry m_twips;
    std::unique_ptr<RemoteSession> m_session;
    std::unique_ptr<SecurityQuestions> m_securityQuestions;
    std::unique_ptr<TransferQueue> m_queue;
    std::unique_ptr<QueueQuestions> m_queueQuestions;
    std::unique_ptr<QueueKeeper> m_queueKeeper;
    QTimer* m_localRefreshTimer = nullptr;
    QTimer* m_remoteRefreshTimer = nullptr;
    std::unique_ptr<PaneTransfers> m_transfers;
    std::unique_ptr<PaneDrag> m_drag;
    std::unique_ptr<WindowSettings> m_settings;
    // The desktop's keyring, looked for when a password is first needed.
    std::unique_ptr<PasswordVault> m_vault;
    PasswordVault& vault();
    bool m_unloaded = false;
    // Each login gets a number; abandoning it moves the number on.
    quint64 m_loginAttempt = 0;
    bool m_loggingIn = false;
    // The host of the login under way or done, as the dialog or a URL gave it.
    HostInfo m_loginHost;
};
