#pragma once

#include "host_profiles.h"
#include "keyring_requests.h"

#include <QDialog>

#include <functional>
#include <optional>

class FieldKeys;
class Prompter;
class QCheckBox;
class QComboBox;
class PasswordVault;
class QLabel;
class QLineEdit;
class QPushButton;

// "Connect to Remote Host": picks, edits, saves and deletes host profiles and
// names the host to connect to. It works on a copy of the profiles, made
// afresh for every showing:
//
//     Connect_Frm dialog(profiles, prompter, sKey, mainWindow);
//     dialog.exec();
//     profiles = dialog.profiles();          // saved and deleted profiles
//     if (const auto host = dialog.chosenHost()) ... connect to it
//
// Connect (button, or Enter in the password or key file field) names the
// address, user, password, protocol and key file of the fields. Cancel,
// Escape and the window's close button name none. Every way out stores the
// "Save Password" box in iSavePW. When no profile is selected, iCurHost is -1
// and the protocol shown is FTP with TLS when the server offers it. Save
// selects the profile it saved.
class Connect_Frm : public QDialog {
    Q_OBJECT

public:
    Connect_Frm(const HostProfiles& profiles, Prompter& prompter, const QString& sKey,
                QWidget* parent = nullptr);
    ~Connect_Frm() override;

    // The profiles as the dialog left them.
    const HostProfiles& profiles() const { return m_profiles; }
    // What Connect named: the fields' address, user, password, protocol and
    // key file (and the host box's text as the name); nothing when the dialog
    // was left otherwise.
    const std::optional<HostInfo>& chosenHost() const { return m_chosen; }

    // The list position chosen by the user or by code; -1 when none is (no
    // profiles, or a name was typed since).
    int selectedHost() const { return m_selected; }
    // The protocol the protocol box shows.
    ServerProtocol protocolShown() const;

    // Asks for a private key file, starting at `startPath` (the key file
    // field's name, else ~/.ssh when there is one, else the home directory);
    // "" when none was chosen. Opens a file dialog over this one unless
    // replaced.
    std::function<QString(const QString& startPath)> chooseKeyFile;

    // Where "Save Password" keeps passwords when a keyring is running (the
    // settings file then holds none for the profile); without one the
    // dialog says that a saved password is only scrambled. Not owned.
    void setPasswordVault(PasswordVault* vault);
    // The keyring has yet to answer what the dialog asked of it (a profile's
    // password, a save, a deletion). Connect waits for that, so that no
    // password goes before it was read, and so does Save while the password
    // shown is yet to come; Cancel does not wait.
    bool keyringBusy() const { return m_keyring.busy(); }
    // A save the keyring refuses only after the dialog went reaches
    // `refused`, for as long as `context` lives (see KeyringRequests).
    void answerLateSavesTo(QObject* context, KeyringRequests::LateRefusal refused) {
        m_keyring.answerLateSavesTo(context, std::move(refused));
    }

    // The handlers, one per control event.
    void Cmb_Host_Click(int k);
    void Cmd_Save_Click();
    void Cmd_Delete_Click();
    void Cmd_Connect_Click();
    void Cmd_Cancel_Click();
    void Cmb_Protocol_Click(int index);
    void Txt_Host_Change(const QString& typed);
    void Cmd_KeyFile_Click();

    void reject() override; // Escape and the close button: as Cancel
    void done(int result) override;

    QLabel* Lbl_Cap[4] = {};
    QComboBox* Cmb_Host = nullptr;
    QLineEdit* Txt_Host = nullptr;
    QLineEdit* Txt_UI = nullptr;
    QLineEdit* Txt_PW = nullptr;
    QLabel* Lbl_Protocol = nullptr;
    QComboBox* Cmb_Protocol = nullptr;
    QLabel* Lbl_Insecure = nullptr; // shown while plain FTP is chosen
    QLabel* Lbl_KeyFile = nullptr;
    // Shown when no keyring runs: a saved password is only scrambled.
    QLabel* Lbl_PasswordNote = nullptr;
    QLineEdit* Txt_KeyFile = nullptr; // SFTP only, as is its button
    QPushButton* Cmd_KeyFile = nullptr;
    QCheckBox* Chk_PW = nullptr;
    QPushButton* Cmd_Cancel = nullptr;
    QPushButton* Cmd_Save = nullptr;
    QPushButton* Cmd_Delete = nullptr;
    QPushButton* Cmd_Connect = nullptr;

signals:
    // A profile was saved or deleted: profiles() holds the change, for the
    // window to write at once.
    void profilesChanged();

private:
    void createControls();
    void createProtocolControls();
    void createButtons();
    void fitToTexts();
    void Form_Load();
    void Form_Unload();
    void selectHost(int k);
    void selectNothing(const QString& hostText);
    void appendName(const QString& name);
    void showProtocol(ServerProtocol protocol);
    QString keyFileStartPath() const;

    HostProfiles m_profiles;
    std::optional<HostInfo> m_chosen;
    Prompter& m_prompter;
    KeyringRequests m_keyring; // over m_profiles: it goes after them
    QString m_key;
    FieldKeys* m_fieldKeys = nullptr;
    int m_selected = -1;
};
