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

class ConnectionControl;
class PaneDrag;
class PasswordVault;
class PaneTransfers;
class Prompter;
class QueueHookup;
class QueuePreferences;
class RemoteSession;
class BrowseTogether;
class SecurityQuestions;
class SyncControl;
class FolderPairs;
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
    // Connect and Close, the login, Cancel and the progress dots.
    ConnectionControl& connection() const { return *m_connection; }
    // Connects to the server a URL named (tarlen's command line) without the
    // connect dialog, and opens the URL's folder.
    void connectAtStart(const LaunchTarget& target);
    TwipsGeometry& twips() { return m_twips; }
    // Compare and Synchronise.
    SyncControl& sync() const { return *m_sync; }
    // Synchronised browsing.
    BrowseTogether& browseTogether() const { return *m_browseTogether; }
    FolderPairs& folderPairs() const { return *m_folderPairs; }
    // The saved profile the window is logged in with; nullptr when not
    // connected or when the login is not a saved profile.
    HostInfo* currentProfile();

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
    void createConnection();

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
    std::unique_ptr<ConnectionControl> m_connection;
    std::unique_ptr<SyncControl> m_sync;
    std::unique_ptr<BrowseTogether> m_browseTogether;
    FolderPairs* m_folderPairs = nullptr; // the menu owns it
    std::optional<HostInfo> m_loggedIn;   // the last login's host
    bool m_unloaded = false;
};
