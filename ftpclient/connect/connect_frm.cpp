#include "connect_frm.h"

#include "common/prompter.h"
#include "field_keys.h"
#include "login_check.h"
#include "password_check.h"
#include "twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>

#include <limits>
#include <utility>

namespace {

// The client area, in twips. The host, address, user and password rows are
// 480 apart from the top; the protocol, its warning and the key file take the
// next three rows, and the "Save Password" box and the buttons come below;
// the last row says where a saved password goes.
constexpr double FormWidth = 5640;
constexpr double FormHeight = 4125;
constexpr double NoteTop = 3795;
constexpr double SavePasswordTop = 3240;
constexpr double ButtonTop = 3480;

} // namespace

Connect_Frm::Connect_Frm(const HostProfiles& profiles, Prompter& prompter, const QString& sKey,
                         QWidget* parent)
    : QDialog(parent)
    , m_profiles(profiles)
    , m_prompter(prompter)
    , m_keyring(m_profiles, prompter, *this)
    , m_key(sKey) {
    connect(&m_keyring, &KeyringRequests::passwordArrived, this, [this](const QString& password) {
        if (Txt_PW->text().isEmpty())
            Txt_PW->setText(password);
    });
    connect(&m_keyring, &KeyringRequests::profilesChanged, this, &Connect_Frm::profilesChanged);
    connect(&m_keyring, &KeyringRequests::saveMayGoOn, this, &Connect_Frm::Cmd_Save_Click);
    connect(&m_keyring, &KeyringRequests::connectMayGoOn, this, &Connect_Frm::Cmd_Connect_Click);
    createControls();
    Form_Load();
}

Connect_Frm::~Connect_Frm() = default;

void Connect_Frm::createControls() {
    setWindowTitle(QStringLiteral("Connect to Remote Host"));
    setModal(true);
    const double dpiX = logicalDpiX();
    const double dpiY = logicalDpiY();
    const auto place = [&](QWidget* w, double left, double top, double width, double height) {
        w->setGeometry(twipsRect(left, top, width, height, dpiX, dpiY));
    };
    setFixedSize(twipsToPixels(FormWidth, dpiX), twipsToPixels(FormHeight, dpiY));

    const char* captions[4] = {"Host", "Host address", "User ID", "Password"};
    for (int i = 0; i < 4; ++i) {
        Lbl_Cap[i] = new QLabel(QString::fromLatin1(captions[i]), this);
        Lbl_Cap[i]->setObjectName(QStringLiteral("Lbl_Cap(%1)").arg(i));
        place(Lbl_Cap[i], 120, 120 + 480 * i, 1575, 255);
    }

    Cmb_Host = new QComboBox(this);
    Cmb_Host->setObjectName(QStringLiteral("Cmb_Host"));
    Cmb_Host->setEditable(true);
    // A plain list: no completion, no entries added by Enter, never sorted.
    Cmb_Host->setCompleter(nullptr);
    Cmb_Host->setInsertPolicy(QComboBox::NoInsert);
    place(Cmb_Host, 1680, 120, 3855, 315);

    const auto makeText = [&](const char* name, double top) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        place(edit, 1680, top, 3855, 285);
        return edit;
    };
    Txt_Host = makeText("Txt_Host", 600);
    Txt_UI = makeText("Txt_UI", 1080);
    Txt_PW = makeText("Txt_PW", 1560);
    Txt_PW->setEchoMode(QLineEdit::Password);
    Txt_PW->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    createProtocolControls();
    createButtons();
    fitToTexts();
}

void Connect_Frm::createButtons() {
    const double dpiX = logicalDpiX();
    const double dpiY = logicalDpiY();
    const auto place = [&](QWidget* w, double left, double top, double width, double height) {
        w->setGeometry(twipsRect(left, top, width, height, dpiX, dpiY));
    };
    Chk_PW = new QCheckBox(QStringLiteral("Save Password"), this);
    Chk_PW->setObjectName(QStringLiteral("Chk_PW"));
    place(Chk_PW, 120, SavePasswordTop, 1335, 495);
    Lbl_PasswordNote =
        new QLabel(QStringLiteral("No keyring: a saved password is only scrambled."), this);
    Lbl_PasswordNote->setObjectName(QStringLiteral("Lbl_PasswordNote"));
    place(Lbl_PasswordNote, 120, NoteTop, 5415, 255);

    const auto makeButton = [&](const char* name, const char* caption, double left, double width) {
        auto* button = new QPushButton(QString::fromLatin1(caption), this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(true);
        place(button, left, ButtonTop, width, 255);
        return button;
    };
    Cmd_Cancel = makeButton("Cmd_Cancel", "Cancel", 1680, 945);
    Cmd_Save = makeButton("Cmd_Save", "Save", 2640, 945);
    Cmd_Delete = makeButton("Cmd_Delete", "Delete", 3600, 945);
    Cmd_Connect = makeButton("Cmd_Connect", "Connect", 4560, 975);

    setTabOrder(Cmb_Host, Txt_Host);
    setTabOrder(Txt_Host, Txt_UI);
    setTabOrder(Txt_UI, Txt_PW);
    setTabOrder(Txt_PW, Cmb_Protocol);
    setTabOrder(Cmb_Protocol, Txt_KeyFile);
    setTabOrder(Txt_KeyFile, Cmd_KeyFile);
    setTabOrder(Cmd_KeyFile, Cmd_Cancel);
    setTabOrder(Cmd_Cancel, Cmd_Save);
    setTabOrder(Cmd_Save, Cmd_Connect);
    setTabOrder(Cmd_Connect, Cmd_Delete);
    setTabOrder(Cmd_Delete, Chk_PW);

    connect(Cmb_Host, &QComboBox::activated, this, &Connect_Frm::Cmb_Host_Click);
    // Typing a name leaves no entry selected.
    connect(Cmb_Host->lineEdit(), &QLineEdit::textEdited, this, [this] { m_selected = -1; });
    connect(Txt_Host, &QLineEdit::textEdited, this, &Connect_Frm::Txt_Host_Change);
    connect(Cmd_Save, &QPushButton::clicked, this, &Connect_Frm::Cmd_Save_Click);
    connect(Cmd_Delete, &QPushButton::clicked, this, &Connect_Frm::Cmd_Delete_Click);
    connect(Cmd_Connect, &QPushButton::clicked, this, &Connect_Frm::Cmd_Connect_Click);
    connect(Cmd_Cancel, &QPushButton::clicked, this, &Connect_Frm::Cmd_Cancel_Click);

    m_fieldKeys = new FieldKeys(this);
    m_fieldKeys->add(Cmb_Host, [this] { Txt_Host->setFocus(); });
    m_fieldKeys->add(Txt_Host, [this] { Txt_UI->setFocus(); });
    m_fieldKeys->add(Txt_UI, [this] { Txt_PW->setFocus(); });
    m_fieldKeys->add(Txt_PW, [this] { Cmd_Connect_Click(); });
    m_fieldKeys->add(Txt_KeyFile, [this] { Cmd_Connect_Click(); });
}

void Connect_Frm::Form_Load() {
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }

    m_profiles.iNumHosts = qMax<short>(m_profiles.iNumHosts, 0);
    m_profiles.Hosts.resize(m_profiles.iNumHosts);
    {
        const QSignalBlocker blocker(Cmb_Host);
        for (const HostInfo& host : std::as_const(m_profiles.Hosts))
            Cmb_Host->addItem(host.sName);
    }
    if (m_profiles.iCurHost >= 0 && m_profiles.iCurHost < Cmb_Host->count())
        selectHost(m_profiles.iCurHost);
    else
        selectNothing(QStringLiteral("Anonymous"));

    Chk_PW->setChecked(m_profiles.iSavePW != 0);
}

void Connect_Frm::Form_Unload() {
    m_profiles.iSavePW = Chk_PW->isChecked() ? 1 : 0;
}

void Connect_Frm::selectHost(int k) {
    {
        const QSignalBlocker blocker(Cmb_Host);
        Cmb_Host->setCurrentIndex(k);
    }
    Cmb_Host_Click(k);
}

// No entry is selected: the host box shows `hostText`, the fields are empty,
// the protocol is the one new profiles get and no profile is the current one.
void Connect_Frm::selectNothing(const QString& hostText) {
    {
        const QSignalBlocker blocker(Cmb_Host);
        Cmb_Host->setCurrentIndex(-1);
        Cmb_Host->setEditText(hostText);
    }
    m_selected = -1;
    m_keyring.showAnew();
    Txt_Host->clear();
    Txt_UI->clear();
    Txt_PW->clear();
    showProtocol(ServerProtocol::FtpTlsIfOffered);
    Txt_KeyFile->clear();
    m_profiles.iCurHost = -1;
}

void Connect_Frm::Cmb_Host_Click(int k) {
    if (k < 0 || k >= m_profiles.Hosts.size())
        return;
    m_selected = k;
    m_keyring.showAnew();
    const HostInfo& host = m_profiles.Hosts[k];
    Txt_Host->setText(host.sAddr);
    Txt_UI->setText(host.sUser);
    Txt_PW->setText(host.sPW);
    showProtocol(host.protocol);
    Txt_KeyFile->setText(host.sKeyFile);
    m_profiles.iCurHost = short(k);
    if (host.inKeyring && host.sPW.isEmpty())
        m_keyring.fetchPassword(k);
}

// Adds a name at the end of the list without changing what is selected or
// shown (an empty combo box would select its first entry by itself).
void Connect_Frm::appendName(const QString& name) {
    const QSignalBlocker blocker(Cmb_Host);
    const int index = Cmb_Host->currentIndex();
    const QString text = Cmb_Host->currentText();
    Cmb_Host->addItem(name);
    Cmb_Host->setCurrentIndex(index);
    Cmb_Host->setEditText(text);
}

void Connect_Frm::Cmd_Save_Click() {
    // An empty password field may yet be filled from the keyring.
    if (m_keyring.passwordOnItsWay() && Chk_PW->isChecked() && Txt_PW->text().isEmpty()) {
        m_keyring.saveWhenAnswered();
        return;
    }
    const QString name = Cmb_Host->currentText();
    // Only a password bound for the settings file must survive scrambling.
    if (Chk_PW->isChecked() && !m_keyring.keyringRuns() &&
        !checkStorablePassword(Txt_PW->text(), m_key, m_prompter))
        return;

    int k = -1;
    for (int i = 0; i < Cmb_Host->count(); ++i) {
        if (Cmb_Host->itemText(i) == name) {
            k = i;
            break;
        }
    }
    const bool isNew = k < 0;
    if (isNew) {
        // The count is a 16-bit number; there is no room for another.
        if (m_profiles.iNumHosts == std::numeric_limits<short>::max())
            return;
        m_profiles.iNumHosts = short(m_profiles.iNumHosts + 1);
        k = m_profiles.iNumHosts - 1;
        m_profiles.Hosts.resize(m_profiles.iNumHosts);
    }
    HostInfo& host = m_profiles.Hosts[k];
    host.sName = name;
    host.sAddr = Txt_Host->text();
    host.sUser = Txt_UI->text();
    if (Chk_PW->isChecked()) {
        host.sPW = Txt_PW->text();
        m_keyring.keepPassword(k);
    }
    host.protocol = protocolShown();
    host.sKeyFile = Txt_KeyFile->text();
    if (isNew)
        appendName(name);
    // What was saved is the profile in use from now on, and the one the
    // dialog opens on next time.
    {
        const QSignalBlocker blocker(Cmb_Host);
        Cmb_Host->setCurrentIndex(k);
    }
    m_selected = k;
    m_profiles.iCurHost = short(k);
    emit profilesChanged();
}

void Connect_Frm::Cmd_Delete_Click() {
    const int k = m_selected;
    if (k < 0 || k >= m_profiles.Hosts.size())
        return;
    m_keyring.forgetPassword(m_profiles.Hosts[k]);
    m_profiles.Hosts.removeAt(k);
    m_profiles.iNumHosts = short(m_profiles.Hosts.size());
    {
        const QSignalBlocker blocker(Cmb_Host);
        Cmb_Host->removeItem(k);
    }
    if (Cmb_Host->count() > 0)
        selectHost(0);
    else
        selectNothing(QString());
    emit profilesChanged();
}

// A login that cannot be sent keeps the dialog open, with what was typed and
// the field at fault focused. While the keyring has yet to answer, Connect
// waits for it.
void Connect_Frm::Cmd_Connect_Click() {
    if (keyringBusy()) {
        m_keyring.connectWhenAnswered();
        return;
    }
    if (const std::optional<LoginField> field =
            checkSendableLogin(Txt_Host->text(), Txt_UI->text(), Txt_PW->text(), m_prompter)) {
        QLineEdit* const at = *field == LoginField::UserName   ? Txt_UI
                              : *field == LoginField::Password ? Txt_PW
                                                               : Txt_Host;
        at->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_chosen = HostInfo{Cmb_Host->currentText(), Txt_Host->text(), Txt_UI->text(),
                        Txt_PW->text(),          protocolShown(),  Txt_KeyFile->text()};
    done(Accepted);
}

void Connect_Frm::Cmd_Cancel_Click() {
    m_chosen.reset();
    done(Rejected);
}

void Connect_Frm::reject() {
    Cmd_Cancel_Click();
}

void Connect_Frm::done(int result) {
    m_keyring.dropWaiting();
    Form_Unload();
    QDialog::done(result);
}

void Connect_Frm::setPasswordVault(PasswordVault* vault) {
    m_keyring.setVault(vault);
    Lbl_PasswordNote->setVisible(!m_keyring.keyringRuns());
    // The profile shown at once could not read its password before.
    if (m_selected >= 0 && m_selected < m_profiles.Hosts.size() &&
        m_profiles.Hosts[m_selected].inKeyring && Txt_PW->text().isEmpty())
        Cmb_Host_Click(m_selected);
}
