#include "tarlen_frm.h"

#include "common/client_errors.h"
#include "common/prompter.h"
#include "connection_control.h"
#include "connect/connect_frm.h"
#include "pane_drag.h"
#include "panes/file_icons.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "password_vault.h"
#include "queue_keeper.h"
#include "queue_panel.h"
#include "queue_questions.h"
#include "remote_session.h"
#include "security_mark.h"
#include "security_questions.h"
#include "settings_file.h"
#include "status_log.h"
#include "transfer_progress.h"
#include "transfer_queue.h"
#include "transfers.h"
#include "window_settings.h"

#include <vantel/vantelctrl.h>

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace {

const QString kMakerAddress = QStringLiteral("www.qoro-consulting.example");

} // namespace

TARLEN_Frm::TARLEN_Frm(Prompter& prompter, QWidget* parent)
    : QWidget(parent)
    , m_prompter(prompter)
    , m_session(std::make_unique<RemoteSession>())
    , m_securityQuestions(std::make_unique<SecurityQuestions>(prompter))
    , m_queue(std::make_unique<TransferQueue>())
    , m_queueQuestions(std::make_unique<QueueQuestions>(prompter))
    , m_queueKeeper(std::make_unique<QueueKeeper>(*m_queue)) {
    m_session->trust().setPrompts(m_securityQuestions.get());
    m_queue->setConflictPrompts(m_queueQuestions.get());
    setWindowTitle(Caption + QStringLiteral(" (") + kMakerAddress + u')');
    // One small, fixed font, so that captions fit the twips layout and text
    // measures the same everywhere.
    setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    showConnectDialog = [this]() -> std::optional<HostInfo> {
        Connect_Frm dialog(profiles, m_prompter, sKey, this);
        dialog.setPasswordVault(&vault());
        connect(&dialog, &Connect_Frm::profilesChanged, this,
                [this, &dialog] { keepProfiles(dialog.profiles()); });
        dialog.exec();
        profiles = dialog.profiles();
        return dialog.chosenHost();
    };
    createControls();
    orderTabStops();
    m_transfers = std::make_unique<PaneTransfers>(*localPane, *remotePane, m_prompter, *m_queue);
    connect(remotePane, &RemotePane::localFilesDropped, this,
            [this](const QStringList& paths) { m_transfers->uploadDropped(paths); });
    m_drag = std::make_unique<PaneDrag>(*this);
    m_settings = std::make_unique<WindowSettings>(*this);
    createConnection();
    connectQueue();
    watchPointerResets();
}

TARLEN_Frm::~TARLEN_Frm() {
    m_drag.reset();
    m_queue->disconnect(this);
    // The queue's view goes before the queue it shows.
    delete Queue;
    Queue = nullptr;
    m_session->close();
    setBusyPointer(false);
}

// Tab walks the local pane, the arrows and the menu between the panes, the
// remote pane, then Connect and what lies below it.
void TARLEN_Frm::orderTabStops() {
    QList<QWidget*> order = localPane->tabOrder();
    order << Cmd_Dn << Cmd_Up << Cmd_Menu << remotePane->tabOrder() << Cmd_Connect << Cmd_Cancel;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TARLEN_Frm::createControls() {
    localPane = new LocalPane(images, m_prompter, m_twips, this);

    Cmd_Dn = new QPushButton(this);
    Cmd_Dn->setIcon(FileIcons::transferArrow(false));
    Cmd_Dn->setToolTip(QStringLiteral("Download from remote server"));
    Cmd_Up = new QPushButton(this);
    Cmd_Up->setIcon(FileIcons::transferArrow(true));
    Cmd_Up->setToolTip(QStringLiteral("Upload to remote server"));
    m_twips.place(Cmd_Dn, 4875, 1800, 450, 450);
    m_twips.place(Cmd_Up, 4875, 2700, 450, 450);
    createMenu();
    remotePane = new RemotePane(*m_session, images, m_prompter, m_twips, this);
    Frm_Local = {localPane, remotePane};

    Cmd_Connect = new QPushButton(QStringLiteral("Connect"), this);
    Cmd_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Cmd_Cancel->hide();
    m_twips.place(Cmd_Connect, 120, 5175, 1215, 375);
    m_twips.place(Cmd_Cancel, 120, 5550, 1215, 375);
    Lbl_Security = new SecurityMark(this);
    m_twips.place(Lbl_Security, 120, 5985, 1215, 420);

    Txt_Status = new StatusLog(this);
    m_twips.place(Txt_Status, 1455, 5275, 8520, 855);
    Progress = new TransferProgressPanel(this);
    m_twips.place(Progress, 1455, 6175, 8520, 330);
    Queue = new QueuePanel(*m_queue, this);
    m_twips.place(Queue, 120, 6550, 9855, 2400);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    m_twips.place(this, 0, 0, 10230, 6575);

    connect(Txt_Status, &StatusLog::focusPassedOn, this,
            [this] { localPane->LstX_Files->setFocus(Qt::OtherFocusReason); });
    connect(Cmd_Dn, &QPushButton::clicked, this, [this] { Cmd_Dn_Click(); });
    connect(Cmd_Up, &QPushButton::clicked, this, [this] { Cmd_Up_Click(); });
    for (int i = 0; i < 2; ++i) {
        FilePane* frame = Frm_Local[size_t(i)];
        connect(frame, &PaneFrame::MouseDown, this, [this, i](int b, int s, double x, double y) {
            Frm_Local_MouseDown(i, b, s, x, y);
        });
        connect(frame, &PaneFrame::MouseMove, this, [this, i](int b, int s, double x, double y) {
            Frm_Local_MouseMove(i, b, s, x, y);
        });
        connect(frame, &PaneFrame::MouseUp, this,
                [this, i](int b, int s, double x, double y) { Frm_Local_MouseUp(i, b, s, x, y); });
    }
}

void TARLEN_Frm::Form_Load() {
    try {
        sKey = QStringLiteral("mavrq5216");
        LoadSettings(*m_settings, profiles, sKey, settingsPath());

        localPane->LstX_Files->SetNumTabs(3);
        Resize_Frm();
        centreOnScreen();
        localPane->bLocalSizeDesc = false;
        localPane->bLocalDateDesc = false;
        localPane->bLocalNameDesc = false;
        remotePane->bRemoteNameDesc = false;
        localPane->iSortKey = 0;
        localPane->Load_Files();
    } catch (...) {
        reportError(m_prompter, QStringLiteral("The following error occurred: "),
                    std::current_exception());
    }
}

// Centred on the screen at the size the layout gave it, whatever position
// the settings held; a window taller or wider than the screen starts at its
// top left corner.
void TARLEN_Frm::centreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // On whole pixels, in twips.
    const auto centred = [this](int start, int extent, double size) {
        return (start + std::max(0, (extent - m_twips.toPixels(size)) / 2)) *
               double(m_twips.twipsPerPixel());
    };
    m_settings->setWindowLeft(centred(area.x(), area.width(), m_twips.width(this)));
    m_settings->setWindowTop(centred(area.y(), area.height(), m_twips.height(this)));
}

void TARLEN_Frm::closeEvent(QCloseEvent* e) {
    if (!m_unloaded && !mayQuitTransfers()) {
        e->ignore();
        return;
    }
    if (!m_unloaded)
        Form_Unload();
    e->accept();
}

// Abandons a running command (nothing is sent to the server, not even
// QUIT), then writes the settings.
void TARLEN_Frm::Form_Unload() {
    m_unloaded = true;
    // What still moves stops where it is and is kept for the next time.
    m_queue->stopAll();
    saveQueue();
    m_connection->unload();
    m_session->close();
    setBusyPointer(false);
    writeSettings();
}

QString TARLEN_Frm::settingsPath() const {
    return settingsFile.isEmpty() ? settingsFilePath() : settingsFile;
}

bool TARLEN_Frm::writeSettings() {
    return SaveSettings(*m_settings, profiles, sKey, settingsPath());
}

// A profile saved or deleted in the dialog is written at once, so that it
// outlives a crash (and a password it put into the keyring has a profile
// that names it).
void TARLEN_Frm::keepProfiles(const HostProfiles& changed) {
    profiles = changed;
    if (!writeSettings())
        m_prompter.message(
            QStringLiteral("The profiles could not be written to %1; they are kept until tarlen "
                           "quits.")
                .arg(settingsPath()),
            Caption, Prompter::Icon::Warning);
}

void TARLEN_Frm::changeEvent(QEvent* e) {
    // A drag whose release can no longer reach a list ends here.
    if (e->type() == QEvent::ActivationChange && !isActiveWindow() && m_drag)
        m_drag->cancelDrag();
    QWidget::changeEvent(e);
}

void TARLEN_Frm::Cmd_Dn_Click() {
    m_transfers->Cmd_Dn_Click();
}

void TARLEN_Frm::Cmd_Up_Click() {
    m_transfers->Cmd_Up_Click();
}

void TARLEN_Frm::createConnection() {
    const ConnectionView view{*remotePane, *Cmd_Connect,    *Cmd_Cancel, *Lbl_Security,
                              *Txt_Status, *Progress,       *Timer1,     *localPane->LstX_Files};
    ConnectionHooks hooks;
    hooks.chooseHost = [this] {
        return showConnectDialog ? showConnectDialog() : std::optional<HostInfo>();
    };
    hooks.vault = [this]() -> PasswordVault& { return vault(); };
    hooks.writeSettings = [this] { return writeSettings(); };
    hooks.loggedIn = [this](const HostInfo& host) { takeQueueLogin(host); };
    m_connection = std::make_unique<ConnectionControl>(*m_session, view, profiles, sKey,
                                                       m_prompter, std::move(hooks));
}

void TARLEN_Frm::connectAtStart(const LaunchTarget& target) {
    m_connection->connectAtStart(target);
}

PasswordVault& TARLEN_Frm::vault() {
    if (!m_vault)
        m_vault = makeDesktopKeyring();
    return *m_vault;
}
