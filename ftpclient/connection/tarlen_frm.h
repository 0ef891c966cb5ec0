#pragma once

#include "client_state.h"
#include "common/prompter.h"
#include "filelists/work_list.h"
#include "inet.h"
#include "settings/host_profiles.h"
#include "settings/settings_window.h"
#include "twips_geometry.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <array>
#include <exception>
#include <functional>

class CVantelCtrl;
class DirListBox;
class DriveListBox;
class FileListBox;

class PaneFrame;
class StatusLog;
class TransferProgressPanel;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

// The main window: the two panes, the transfer buttons, the connect button
// and the status log. Handlers and routines carry the names they have
// throughout the client; index 0 of every two-element array is the local
// pane, index 1 the remote pane.
class TARLEN_Frm : public QWidget, public SettingsWindow {
    Q_OBJECT

public:
    static inline const QString Caption = QStringLiteral("Qoro Consulting FTP");
    static inline const QString ShortTitle = QStringLiteral("Qoro FTP");

    explicit TARLEN_Frm(Prompter& prompter, QWidget* parent = nullptr);
    ~TARLEN_Frm() override;

    // Window load: transfer component, settings, centring, layout, local pane.
    void Form_Load();

    // --- controls ---------------------------------------------------------
    std::array<PaneFrame*, 2> Frm_Local{};
    QPushButton* Cmd_Connect = nullptr;
    QPushButton* Cmd_Cancel = nullptr;
    StatusLog* Txt_Status = nullptr;
    QPushButton* Cmd_Dn = nullptr;
    QPushButton* Cmd_Up = nullptr;
    QTimer* Timer1 = nullptr;
    // Name, bar, rate and time left of the file being transferred.
    TransferProgressPanel* Progress = nullptr;
    std::array<CVantelCtrl*, 2> LstX_Files{};
    QListWidget* Lst_Remote_Dir = nullptr;
    QLabel* Lbl_Dir = nullptr;
    DriveListBox* Drive1 = nullptr;
    DirListBox* Dir1 = nullptr;
    FileListBox* File1 = nullptr;
    std::array<QLineEdit*, 2> Txt_Pattern{};
    std::array<QPushButton*, 2> Cmd_Refresh{};
    std::array<QPushButton*, 2> Cmd_Rename{};
    std::array<QPushButton*, 2> Cmd_Delete{};
    std::array<QPushButton*, 2> Cmd_Dir{};
    std::array<QPushButton*, 2> Cmd_Rem{};
    std::array<QPushButton*, 6> Cmd_Files{};
    std::array<QPixmap, 8> Img_Icons;
    std::array<QPixmap, 2> Img_Arrow;
    WorkList Lst_Remote{true};
    WorkList Lst_hold{false};
    WorkList Lst_Size{true};
    WorkList Lst_Dates{true};

    // Element 1 of the transfer component array, the one that does the work
    // (nullptr once the window is unloaded).
    Inet* Inet1() const { return m_unloaded ? nullptr : m_inet1.data(); }

    // --- state ------------------------------------------------------------
    ClientState state;
    HostProfiles profiles;
    QString sKey;
    QString sRemoteDir;
    QString sRootDir;
    QString sCurFile;
    bool bConnected = false;
    short iRetry = 0;
    short iDots = 0;
    bool bResizing = false;
    short iNameColWidth = 0;
    short iDateColWidth = 0;
    short iSizeColWidth = 0;
    bool bLocalNameDesc = false;
    bool bLocalDateDesc = false;
    bool bLocalSizeDesc = false;
    bool bRemoteNameDesc = false;
    short iSortKey = 0;

    TwipsGeometry& twips() { return m_twips; }
    const TwipsGeometry& twips() const { return m_twips; }

    // --- routines ---------------------------------------------------------
    void WaitResp();
    int ReactToResponse(short iLastCommand);
    int ShowRemoteFileList();
    short ShowDir();
    void Resize_Frm();
    void Load_Files();
    void sort_files(short& key);
    void Load_FilesR();
    // How a local or a remote name is shown: bytes that are not UTF-8 appear
    // as replacement marks locally and as Latin-1 characters from a server.
    static QString shownLocal(const QString& name);
    static QString shownRemote(const QString& name);
    // The remote name behind entry `row` of the remote file list.
    QString remoteName(int row) const;
    // The display name of a local file, cut with "~" to fit the name column.
    QString shortenName(const QString& name) const;
    // What every command starter does: sets the command state, hands the
    // command to the transfer component and waits for it.
    void runCommand(short iLastCommand, const QString& command);

    // --- handlers ---------------------------------------------------------
    void Cmd_Connect_Click();
    void Cmd_Cancel_Click();
    void Inet1_StateChanged(short state);
    void Timer1_Timer();
    void Frm_Local_MouseDown(int index, int button, int shift, double x, double y);
    void Frm_Local_MouseMove(int index, int button, int shift, double x, double y);
    void Frm_Local_MouseUp(int index, int button, int shift, double x, double y);
    void Drive1_Change();
    void Dir1_Change();
    void File1_PathChange();
    void Cmd_Refresh_Click(int index);
    void Lst_Remote_Dir_DblClick();
    void Txt_Pattern_GotFocus(int index);
    void Txt_Pattern_KeyPress(int index, short& KeyAscii);
    void Cmd_Files_Click(int index);
    void Cmd_Dn_Click();
    void Cmd_Up_Click();
    void Cmd_Delete_Click(int index);
    void Cmd_Rename_Click(int index);
    void Cmd_Dir_Click(int index);
    void Cmd_Rem_Click(int index);
    void LstX_Files_MouseDown(int index, short button, short shift, int x, int y);
    void LstX_Files_MouseMove(int index, short button, short shift, int x, int y);
    void LstX_Files_MouseUp(int index, short button, short shift, int x, int y);
    void LstX_Files_KeyDown(int index, short& KeyCode, short shift);
    // A drop of the list of pane `source` on the list of pane `index`.
    void LstX_Files_DragDrop(int index, int source);

    // Shows the connect dialog modally; tests put a scripted one in its place.
    std::function<void()> showConnectDialog;
    // Where the settings are kept; tests point it at a temporary file.
    QString settingsFile;

    // --- settings window ----------------------------------------------------
    short windowState() const override;
    void setWindowState(short state) override;
    double windowTop() const override;
    double windowLeft() const override;
    double windowHeight() const override;
    double windowWidth() const override;
    void setWindowTop(double twips) override;
    void setWindowLeft(double twips) override;
    void setWindowHeight(double twips) override;
    void setWindowWidth(double twips) override;
    double frameHeight(int index) const override;
    double frameWidth(int index) const override;
    void setFrameHeight(int index, double twips) override;
    void setFrameWidth(int index, double twips) override;
    QString localPath() const override;
    bool setLocalPath(const QString& path) override;

signals:
    // A command was handed to the transfer component.
    void commandExecuted(const QString& command);

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void createControls();
    // Builds Drive1, Dir1, File1 and places the local sort buttons.
    void createLocalPane();
    // The local half of Refresh and of Enter in the pattern box.
    void refreshLocal();
    // Reads the local directory again and reloads and re-sorts its list, as
    // every local file operation and download does when it is done.
    void reloadLocalFiles();
    // Opens the selected remote directory (double-click and remote Refresh).
    void openRemoteDirectory();
    // The local directory with its trailing "/" (the root gets no second one).
    QString localDirectory() const;
    // sRemoteDir with its trailing "/".
    QString remoteDirectory() const;
    void createFileOperations();
    void startDrag(int index);
    // Forgets a drag in progress and gives the pointer back.
    void cancelDrag();
    void watchFileLists();
    void deleteLocal();
    void deleteRemote();
    void renameLocal();
    void renameRemote();
    void makeLocalDirectory();
    void makeRemoteDirectory();
    void removeLocalDirectory();
    void removeRemoteDirectory();
    void createRemotePane();
    void createWindowControls();
    void connectHandlers();
    void watchPointerResets();
    bool eventFilter(QObject* watched, QEvent* e) override;

    void connectToHost();
    void disconnectFromHost();
    // Abandons a running command and puts a fresh component in its place.
    void resetInet();
    // Hands sCommand to the transfer component (nothing once unloaded).
    void executeCommand();
    // Replaces element 1 of the transfer component by a fresh one with the
    // same address and credentials.
    void reloadInet();
    void reactToState(short state);
    void createInet();
    void setBusyPointer(bool busy);
    void reportError(const QString& prefix, const std::exception_ptr& error);
    void Form_Unload();
    void loadSettings();
    void saveSettings();

    Prompter& m_prompter;
    TwipsGeometry m_twips;
    QPointer<Inet> m_inet1;
    QString m_localPath;
    bool m_busyPointer = false;
    bool m_unloaded = false;
    // Each login gets a number; abandoning it moves the number on.
    quint64 m_loginAttempt = 0;
    bool m_loggingIn = false;
    // The last command ended in the error state (and no retry succeeded).
    bool m_commandFailed = false;
    QPoint m_dragStart;
    int m_dragPane = -1;
    bool m_dragging = false;
};

// The description of a run-time failure, for the client's error messages.
QString errorDescription(const std::exception_ptr& error);
