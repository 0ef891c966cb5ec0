#pragma once

#include <array>

class FileImages;
class FilePane;
class LocalPane;
class QPushButton;
class QTimer;
class QToolButton;
class QueuePanel;
class RemotePane;
class SecurityMark;
class StatusLog;
class TransferProgressPanel;

// The controls of the main window, as the window made them. The window owns
// them (they are its children); whoever holds this only reaches them.
struct WindowParts {
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
    // Under the arrows: the entries the window adds (Compare, Synchronise,
    // Folder pairs...), then Preferences, About and Quit.
    QToolButton* Cmd_Menu = nullptr;
    // Runs the progress dots while the session waits.
    QTimer* Timer1 = nullptr;
    // Name, bar, rate and time left of the file being transferred.
    TransferProgressPanel* Progress = nullptr;
    // The transfer queue under the log.
    QueuePanel* Queue = nullptr;
    // The icons both panes' lists show.
    FileImages* images = nullptr;
};
