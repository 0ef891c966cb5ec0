#include "tarlen_frm.h"

#include "browse_together.h"
#include "common/prompter.h"
#include "connect/connect_frm.h"
#include "connect/password_check.h"
#include "connection_control.h"
#include "folder_pairs.h"
#include "pane_drag.h"
#include "panes/file_icons.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "password_vault.h"
#include "queue_hookup.h"
#include "queue_panel.h"
#include "queue_preferences.h"
#include "remote_session.h"
#include "security_mark.h"
#include "security_questions.h"
#include "status_log.h"
#include "sync_control.h"
#include "transfer_progress.h"
#include "transfer_queue.h"
#include "transfers.h"
#include "window_layout.h"
#include "window_menu.h"
#include "window_settings.h"

#include <vantel/vantelctrl.h>

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace {

const QString kMakerAddress = QStringLiteral("www.qoro-consulting.example");

QPushButton* arrowButton(bool up, const QString& tip, QWidget* window) {
    auto* button = new QPushButton(window);
    button->setIcon(FileIcons::transferArrow(up));
    button->setToolTip(tip);
    return button;
}

} // namespace

TARLEN_Frm::TARLEN_Frm(Prompter& prompter, QWidget* parent)
    : QWidget(parent)
    , m_prompter(prompter)
    , m_store(prompter)
    , m_session(std::make_unique<RemoteSession>())
    , m_securityQuestions(std::make_unique<SecurityQuestions>(prompter))
    , m_queue(std::make_unique<TransferQueue>())
    , m_preferences(std::make_unique<QueuePreferences>(*m_queue)) {
    m_session->trust().setPrompts(m_securityQuestions.get());
    setWindowTitle(Titles::Caption + QStringLiteral(" (") + kMakerAddress + u')');
    // One small, fixed font, so that captions fit the twips layout and text
    // measures the same everywhere.
    setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    createControls();
    m_layout = new WindowLayout(*this, m_twips, m_parts);
    m_transfers = std::make_unique<PaneTransfers>(*m_parts.localPane, *m_parts.remotePane,
                                                  m_prompter, *m_queue);
    m_drag = std::make_unique<PaneDrag>(*this, m_parts.Frm_Local, *m_transfers);
    m_settings = std::make_unique<WindowSettings>(WindowSettings::Parts{
        this, &m_twips, m_parts.Frm_Local, m_parts.localPane, m_preferences.get()});
    m_dialogs.showConnectDialog = [this]() -> std::optional<HostInfo> {
        Connect_Frm dialog(m_store.profiles(), m_prompter, m_store.key(), this);
        dialog.setPasswordVault(&m_store.vault());
        connect(&dialog, &Connect_Frm::profilesChanged, this,
                [this, &dialog] { m_store.keepProfiles(dialog.profiles(), *m_settings); });
        // The profiles the dialog left are the window's by then.
        dialog.answerLateSavesTo(this, [this](int k, const QString& account) {
            if (keyringRefused(m_store.profiles(), k, account))
                m_store.keepProfiles(m_store.profiles(), *m_settings);
        });
        dialog.exec();
        m_store.profiles() = dialog.profiles();
        return dialog.chosenHost();
    };
    m_queueHookup = std::make_unique<QueueHookup>(*m_queue, *m_session, m_prompter, m_parts);
    m_sync =
        std::make_unique<SyncControl>(*this, m_parts, *m_session, *m_queue, m_prompter, m_dialogs);
    m_menu->addAtTop(QStringLiteral("&Compare folders"), QKeySequence(Qt::CTRL | Qt::Key_M),
                     [this] { m_sync->Act_Compare_Click(); });
    m_menu->addAtTop(QStringLiteral("&Synchronise..."),
                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M),
                     [this] { m_sync->Act_Synchronise_Click(); });
    QAction* hideSame = m_menu->addAtTop(QStringLiteral("&Hide what is the same"),
                                         QKeySequence(Qt::CTRL | Qt::Key_H), [] {});
    hideSame->setCheckable(true);
    connect(hideSame, &QAction::toggled, m_sync.get(), &SyncControl::setHidingSame);
    m_browseTogether = std::make_unique<BrowseTogether>(*m_parts.localPane, *m_parts.remotePane);
    QAction* together = m_menu->addAtTop(QStringLiteral("&Browse both together"),
                                         QKeySequence(Qt::CTRL | Qt::Key_B), [] {});
    together->setCheckable(true);
    connect(together, &QAction::toggled, this, [this](bool on) { m_browseTogether->setOn(on); });
    const ProfileHooks profileHooks{[this] { return currentProfile(); },
                                    [this] {
                                        m_store.keepProfiles(m_store.profiles(), *m_settings);
                                    }};
    m_sync->setProfileHooks(profileHooks);
    m_folderPairs =
        new FolderPairs(*m_parts.localPane, *m_parts.remotePane, *m_session, m_prompter,
                        profileHooks, *m_menu->addMenuAtTop(QStringLiteral("&Folder pairs")));
    m_dialogs.chooseDryRunFile = [this](const QString& suggested) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Write the dry run to"),
                                            QDir::home().filePath(suggested));
    };
    createConnection();
    connectControls();
}

TARLEN_Frm::~TARLEN_Frm() {
    delete m_folderPairs;
    m_folderPairs = nullptr;
    m_browseTogether.reset();
    m_sync.reset();
    m_drag.reset();
    m_queue->disconnect(m_queueHookup.get());
    // The queue's view goes before the queue it shows.
    delete m_parts.Queue;
    m_parts.Queue = nullptr;
    m_session->close();
    setBusyPointer(false);
}

// The controls at their places in the design, which Resize_Frm then fits
// to the frames' sizes.
void TARLEN_Frm::createControls() {
    WindowParts& p = m_parts;
    p.images = &m_images;
    p.localPane = new LocalPane(m_images, m_prompter, m_twips, this);
    p.Cmd_Dn = arrowButton(false, QStringLiteral("Download from remote server"), this);
    p.Cmd_Up = arrowButton(true, QStringLiteral("Upload to remote server"), this);
    m_twips.place(p.Cmd_Dn, 4875, 1800, 450, 450);
    m_twips.place(p.Cmd_Up, 4875, 2700, 450, 450);
    m_menu = new WindowMenu(*this, m_twips, m_prompter, *m_preferences, m_dialogs);
    p.Cmd_Menu = m_menu->button();
    p.remotePane = new RemotePane(*m_session, m_images, m_prompter, m_twips, this);
    p.Frm_Local = {p.localPane, p.remotePane};

    p.Cmd_Connect = new QPushButton(QStringLiteral("Connect"), this);
    p.Cmd_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    p.Cmd_Cancel->hide();
    m_twips.place(p.Cmd_Connect, 120, 5175, 1215, 375);
    m_twips.place(p.Cmd_Cancel, 120, 5550, 1215, 375);
    p.Lbl_Security = new SecurityMark(this);
    m_twips.place(p.Lbl_Security, 120, 5985, 1215, 420);

    p.Txt_Status = new StatusLog(this);
    m_twips.place(p.Txt_Status, 1455, 5275, 8520, 855);
    p.Progress = new TransferProgressPanel(this);
    m_twips.place(p.Progress, 1455, 6175, 8520, 330);
    p.Queue = new QueuePanel(*m_queue, *m_preferences, this);
    m_twips.place(p.Queue, 120, 6550, 9855, 2400);

    p.Timer1 = new QTimer(this);
    p.Timer1->setInterval(1000);
    m_twips.place(this, 0, 0, 10230, 6575);
}

void TARLEN_Frm::connectControls() {
    const WindowParts& p = m_parts;
    connect(p.Txt_Status, &StatusLog::focusPassedOn, this,
            [this] { m_parts.localPane->LstX_Files->setFocus(Qt::OtherFocusReason); });
    connect(p.Cmd_Dn, &QPushButton::clicked, this, [this] { Cmd_Dn_Click(); });
    connect(p.Cmd_Up, &QPushButton::clicked, this, [this] { Cmd_Up_Click(); });
    connect(p.remotePane, &RemotePane::localFilesDropped, this,
            [this](const QStringList& paths) { m_transfers->uploadDropped(paths); });
    for (int i = 0; i < 2; ++i) {
        FilePane* frame = p.Frm_Local[size_t(i)];
        WindowLayout* layout = m_layout;
        connect(frame, &PaneFrame::MouseDown, layout,
                [layout, i](int b, int s, double x, double y) {
                    layout->Frm_Local_MouseDown(i, b, s, x, y);
                });
        connect(frame, &PaneFrame::MouseMove, layout,
                [layout, i](int b, int s, double x, double y) {
                    layout->Frm_Local_MouseMove(i, b, s, x, y);
                });
        connect(frame, &PaneFrame::MouseUp, layout, [layout, i](int b, int s, double x, double y) {
            layout->Frm_Local_MouseUp(i, b, s, x, y);
        });
    }
}

void TARLEN_Frm::Form_Load() {
    try {
        m_store.load(*m_settings);
        LocalPane* local = m_parts.localPane;
        local->LstX_Files->SetNumTabs(3);
        m_layout->Resize_Frm();
        m_layout->centreOnScreen();
        local->bLocalSizeDesc = false;
        local->bLocalDateDesc = false;
        local->bLocalNameDesc = false;
        m_parts.remotePane->bRemoteNameDesc = false;
        local->iSortKey = 0;
        local->Load_Files();
    } catch (...) {
        reportError(m_prompter, QStringLiteral("The following error occurred: "),
                    std::current_exception());
    }
}

void TARLEN_Frm::closeEvent(QCloseEvent* e) {
    if (!m_unloaded && !m_queueHookup->mayQuitTransfers()) {
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
    m_queue->controls().stopAll();
    m_queueHookup->saveQueue();
    m_connection->unload();
    m_session->close();
    setBusyPointer(false);
    m_store.write(*m_settings);
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
    const WindowParts& p = m_parts;
    const ConnectionView view{*p.remotePane,   *p.Cmd_Connect,          *p.Cmd_Cancel,
                              *p.Lbl_Security, *p.Txt_Status,           *p.Progress,
                              *p.Timer1,       *p.localPane->LstX_Files};
    ConnectionHooks hooks;
    hooks.chooseHost = [this] {
        return m_dialogs.showConnectDialog ? m_dialogs.showConnectDialog()
                                           : std::optional<HostInfo>();
    };
    hooks.vault = [this]() -> PasswordVault& {
        return m_store.vault();
    };
    hooks.writeSettings = [this] {
        return m_store.write(*m_settings);
    };
    hooks.loggedIn = [this](const HostInfo& host) {
        m_loggedIn = host;
        const HostProfiles& profiles = m_store.profiles();
        const int profile = profileOf(profiles, host);
        m_queueHookup->takeLogin(host, profile >= 0 ? profiles.Hosts[profile].sName : QString());
    };
    m_connection = std::make_unique<ConnectionControl>(*m_session, view, m_store.profiles(),
                                                       m_store.key(), m_prompter, std::move(hooks));
}

HostInfo* TARLEN_Frm::currentProfile() {
    if (!m_session->connected() || !m_loggedIn)
        return nullptr;
    const int profile = profileOf(m_store.profiles(), *m_loggedIn);
    return profile >= 0 ? &m_store.profiles().Hosts[profile] : nullptr;
}

void TARLEN_Frm::connectAtStart(const LaunchTarget& target) {
    m_connection->connectAtStart(target);
}
