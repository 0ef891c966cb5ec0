#pragma once

#include "host_profiles.h"

#include <QDialog>

class FieldKeys;
class Inet;
class Prompter;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct ClientState;

// "Connect to Remote Host": picks, edits, saves and deletes host profiles in
// memory and hands the chosen address, user and password to the transfer
// component. Made afresh for every showing:
//
//     state.bConnCancel = false;
//     Connect_Frm dialog(profiles, state, inet, prompter, sKey, mainWindow);
//     dialog.exec();
//     if (!state.bConnCancel) ... go on to connect
//
// Connect (button, or Enter in the password field) sets the component's
// protocol, URL, user name and password and iLastCommand 6. Cancel, Escape
// and the window's close button set bConnCancel. Every way out stores the
// "Save Password" box in iSavePW. When no profile is selected, iCurHost is -1.
class Connect_Frm : public QDialog {
    Q_OBJECT

public:
    Connect_Frm(HostProfiles& profiles, ClientState& state, Inet& inet, Prompter& prompter,
                const QString& sKey, QWidget* parent = nullptr);
    ~Connect_Frm() override;

    // The list position chosen by the user or by code; -1 when none is (no
    // profiles, or a name was typed since).
    int selectedHost() const { return m_selected; }

    // The handlers, one per control event.
    void Cmb_Host_Click(int k);
    void Cmd_Save_Click();
    void Cmd_Delete_Click();
    void Cmd_Connect_Click();
    void Cmd_Cancel_Click();

    void reject() override; // Escape and the close button: as Cancel
    void done(int result) override;

    QLabel* Lbl_Cap[4] = {};
    QComboBox* Cmb_Host = nullptr;
    QLineEdit* Txt_Host = nullptr;
    QLineEdit* Txt_UI = nullptr;
    QLineEdit* Txt_PW = nullptr;
    QCheckBox* Chk_PW = nullptr;
    QPushButton* Cmd_Cancel = nullptr;
    QPushButton* Cmd_Save = nullptr;
    QPushButton* Cmd_Delete = nullptr;
    QPushButton* Cmd_Connect = nullptr;

private:
    void createControls();
    void Form_Load();
    void Form_Unload();
    void selectHost(int k);
    void selectNothing(const QString& hostText);
    void appendName(const QString& name);

    HostProfiles& m_profiles;
    ClientState& m_state;
    Inet& m_inet;
    Prompter& m_prompter;
    QString m_key;
    FieldKeys* m_fieldKeys = nullptr;
    int m_selected = -1;
};
