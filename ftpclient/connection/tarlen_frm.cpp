#include "tarlen_frm.h"

#include "filelists/file_icons.h"
#include "fileops/transfer_progress.h"
#include "inet.h"
#include "pane_frame.h"
#include "settings/connect_frm.h"
#include "status_log.h"

#include <vantel/vantelctrl.h>

#include "filelists/local_lists.h"
#include <QApplication>

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace {

const QString kMakerAddress = QStringLiteral("www.qoro-consulting.example");

QPushButton* button(QWidget* parent, const QString& caption, const QString& tip = {}) {
    auto* b = new QPushButton(caption, parent);
    b->setToolTip(tip);
    return b;
}

} // namespace

QString errorDescription(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const InetError& e) {
        return e.description();
    } catch (const VantelError& e) {
        return e.description();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

TARLEN_Frm::TARLEN_Frm(Prompter& prompter, QWidget* parent)
    : QWidget(parent)
    , m_prompter(prompter) {
    setWindowTitle(Caption + QStringLiteral(" (") + kMakerAddress + u')');
    // One small, fixed font, so that captions fit the twips layout and text
    // measures the same everywhere.
    setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    showConnectDialog = [this] {
        Connect_Frm dialog(profiles, state, *m_inet1, m_prompter, sKey, this);
        dialog.exec();
    };
    createControls();
    connectHandlers();
    watchPointerResets();
    watchFileLists();
}

TARLEN_Frm::~TARLEN_Frm() {
    // The application's signals must not reach the window once it is half
    // torn down (closing it moves the focus).
    disconnect(qApp, nullptr, this, nullptr);
    cancelDrag();
    setBusyPointer(false);
}

void TARLEN_Frm::createControls() {
    const int tpp = m_twips.twipsPerPixel();
    Frm_Local[0] = new PaneFrame(QStringLiteral("Local System"), tpp, this);
    Frm_Local[1] = new PaneFrame(QStringLiteral("Remote System"), tpp, this);
    m_twips.place(Frm_Local[0], 120, 120, 4575, 5055);
    m_twips.place(Frm_Local[1], 5400, 120, 4575, 5055);

    for (int k = 0; k < FileIcons::Count; ++k)
        Img_Icons[size_t(k)] = FileIcons::icon(k);
    Img_Arrow[0] = FileIcons::sortArrow(0);
    Img_Arrow[1] = FileIcons::sortArrow(1);

    for (int i = 0; i < 2; ++i) {
        // The lists get their settings the way a designed form gives them:
        // in design mode, before the window runs.
        auto* list = new CVantelCtrl(Frm_Local[size_t(i)]);
        list->setAmbientUserMode(false);
        list->SetMultiSelect(2);
        list->SetSorted(false);
        list->SetItemDefHeight(17);
        list->SetSelectStyle(1);
        list->SetVerticalTextAlign(1);
        list->SetVerticalImageAlign(1);
        list->SetIntegralHeight(i == 0);
        list->SetHScroll(false);
        list->SetColumns(0);
        list->SetNumTabs(0);
        list->SetImageOffset(0);
        list->SetTextOffset(0);
        list->setAmbientUserMode(true);
        list->setToolTip(i == 0 ? QStringLiteral("Local files (right-click to drag)")
                                : QStringLiteral("Remote files (right-click to drag)"));
        LstX_Files[size_t(i)] = list;

        QWidget* frame = Frm_Local[size_t(i)];
        Txt_Pattern[size_t(i)] =
            new QLineEdit(i == 0 ? QStringLiteral("*.*") : QStringLiteral("*"), frame);
        Txt_Pattern[size_t(i)]->setToolTip(QStringLiteral("List files of type"));
        Cmd_Refresh[size_t(i)] =
            button(frame, QStringLiteral("Refresh"), QStringLiteral("Reload files"));
        Cmd_Rename[size_t(i)] =
            button(frame, QStringLiteral("Rename"), QStringLiteral("Rename the selected files"));
        Cmd_Delete[size_t(i)] =
            button(frame, QStringLiteral("Delete"), QStringLiteral("Delete selected files"));
        Cmd_Dir[size_t(i)] =
            button(frame, QStringLiteral("Mk Dir"),
                   i == 0 ? QStringLiteral("Make a new directory on local system") : QString());
        Cmd_Rem[size_t(i)] =
            button(frame, QStringLiteral("Rem Dir"),
                   QStringLiteral("Remove the current directory and all its contents"));
        const double row = 5055 - 495;
        m_twips.place(Txt_Pattern[size_t(i)], 135, row, 615, 315);
        double left = 795;
        for (QPushButton* b : {Cmd_Refresh[size_t(i)], Cmd_Rename[size_t(i)], Cmd_Delete[size_t(i)],
                               Cmd_Dir[size_t(i)], Cmd_Rem[size_t(i)]}) {
            m_twips.place(b, left, row, 705, 315);
            left += 735;
        }
        m_twips.place(list, 135, 2355, 4305, 5055 - 545 - 2355);
    }

    const QStringList sortCaptions{QStringLiteral("Name"), QStringLiteral("Date"),
                                   QStringLiteral("Size")};
    const QStringList sortTips{QStringLiteral("Sort by name"), QStringLiteral("Sort by date"),
                               QStringLiteral("Sort by size")};
    for (int k = 0; k < 6; ++k)
        Cmd_Files[size_t(k)] =
            button(Frm_Local[k < 3 ? 0 : 1], sortCaptions[k % 3], sortTips[k % 3]);

    createLocalPane();
    createRemotePane();
    createWindowControls();
}

void TARLEN_Frm::createRemotePane() {
    QWidget* frame = Frm_Local[1];
    Lbl_Dir = new QLabel(frame);
    Lbl_Dir->setToolTip(QStringLiteral("Current remote directory"));
    Lst_Remote_Dir = new QListWidget(frame);
    Lst_Remote_Dir->setToolTip(
        QStringLiteral("Remote Directories (Dbl-Click to switch directories)"));
    m_twips.place(Lbl_Dir, 135, 240, 4305, 255);
    m_twips.place(Lst_Remote_Dir, 135, 540, 4305, 1500);
    m_twips.place(Cmd_Files[3], 135, 2100, 4305, 255);
    m_twips.place(Cmd_Files[4], 135, 2100, 1000, 255);
    m_twips.place(Cmd_Files[5], 1200, 2100, 1000, 255);
    Cmd_Files[4]->hide();
    Cmd_Files[5]->hide();
    Cmd_Files[3]->setIcon(Img_Arrow[1]);
}

void TARLEN_Frm::createWindowControls() {
    Cmd_Dn = new QPushButton(this);
    Cmd_Dn->setIcon(FileIcons::transferArrow(false));
    Cmd_Dn->setToolTip(QStringLiteral("Download from remote server"));
    Cmd_Up = new QPushButton(this);
    Cmd_Up->setIcon(FileIcons::transferArrow(true));
    Cmd_Up->setToolTip(QStringLiteral("Upload to remote server"));
    m_twips.place(Cmd_Dn, 4875, 1800, 450, 450);
    m_twips.place(Cmd_Up, 4875, 2700, 450, 450);

    Cmd_Connect = new QPushButton(QStringLiteral("Connect"), this);
    Cmd_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Cmd_Cancel->hide();
    m_twips.place(Cmd_Connect, 120, 5175, 1215, 375);
    m_twips.place(Cmd_Cancel, 120, 5550, 1215, 375);

    Txt_Status = new StatusLog(this);
    m_twips.place(Txt_Status, 1455, 5275, 8520, 855);
    Progress = new TransferProgressPanel(this);
    m_twips.place(Progress, 1455, 6175, 8520, 330);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);

    m_twips.place(this, 0, 0, 10230, 6575);
}

void TARLEN_Frm::connectHandlers() {
    connect(Cmd_Connect, &QPushButton::clicked, this, [this] { Cmd_Connect_Click(); });
    connect(Cmd_Cancel, &QPushButton::clicked, this, [this] { Cmd_Cancel_Click(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
    connect(Txt_Status, &StatusLog::focusPassedOn, this,
            [this] { LstX_Files[0]->setFocus(Qt::OtherFocusReason); });
    connect(Cmd_Dn, &QPushButton::clicked, this, [this] { Cmd_Dn_Click(); });
    connect(Cmd_Up, &QPushButton::clicked, this, [this] { Cmd_Up_Click(); });
    for (int i = 0; i < 2; ++i) {
        connect(Cmd_Delete[size_t(i)], &QPushButton::clicked, this,
                [this, i] { Cmd_Delete_Click(i); });
        connect(Cmd_Rename[size_t(i)], &QPushButton::clicked, this,
                [this, i] { Cmd_Rename_Click(i); });
        connect(Cmd_Dir[size_t(i)], &QPushButton::clicked, this, [this, i] { Cmd_Dir_Click(i); });
        connect(Cmd_Rem[size_t(i)], &QPushButton::clicked, this, [this, i] { Cmd_Rem_Click(i); });
    }
    connect(Lst_Remote_Dir, &QListWidget::itemDoubleClicked, this,
            [this] { Lst_Remote_Dir_DblClick(); });
    for (int k = 0; k < 6; ++k)
        connect(Cmd_Files[size_t(k)], &QPushButton::clicked, this,
                [this, k] { Cmd_Files_Click(k); });
    for (int i = 0; i < 2; ++i) {
        connect(Cmd_Refresh[size_t(i)], &QPushButton::clicked, this,
                [this, i] { Cmd_Refresh_Click(i); });
        Txt_Pattern[size_t(i)]->installEventFilter(this);
        PaneFrame* frame = Frm_Local[size_t(i)];
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

// Moving the mouse over a control inside a pane puts that pane's pointer
// back to normal, so that a sizing pointer does not linger.
void TARLEN_Frm::watchPointerResets() {
    auto watch = [this](QWidget* w) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    };
    for (int i = 0; i < 2; ++i) {
        for (QWidget* w : std::initializer_list<QWidget*>{
                 Cmd_Delete[size_t(i)], Cmd_Dir[size_t(i)], Cmd_Refresh[size_t(i)],
                 Cmd_Rem[size_t(i)], Txt_Pattern[size_t(i)]})
            watch(w);
    }
    for (QPushButton* b : Cmd_Files)
        watch(b);
    watch(Dir1);
    watch(Lbl_Dir);
    watch(Lst_Remote_Dir);
}

bool TARLEN_Frm::eventFilter(QObject* watched, QEvent* e) {
    for (int i = 0; i < 2; ++i) {
        if (watched != Txt_Pattern[size_t(i)])
            continue;
        if (e->type() == QEvent::FocusIn) {
            // After the line edit's own handling, which may place the cursor.
            QTimer::singleShot(0, this, [this, i] { Txt_Pattern_GotFocus(i); });
        } else if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                short ascii = 13;
                Txt_Pattern_KeyPress(i, ascii);
                if (ascii == 0)
                    return true;
            }
        }
    }
    if (e->type() == QEvent::MouseMove) {
        auto reset = [this](int i) {
            Frm_Local[size_t(i)]->setCursor(Qt::ArrowCursor);
        };
        for (int i = 0; i < 2; ++i) {
            if (watched == Cmd_Delete[size_t(i)] || watched == Cmd_Dir[size_t(i)] ||
                watched == Cmd_Refresh[size_t(i)] || watched == Cmd_Rem[size_t(i)] ||
                watched == Txt_Pattern[size_t(i)])
                reset(i);
        }
        if (std::find(Cmd_Files.begin(), Cmd_Files.end(), watched) != Cmd_Files.end()) {
            reset(0);
            reset(1);
        }
        if (watched == Dir1)
            reset(0);
        if (watched == Lbl_Dir || watched == Lst_Remote_Dir)
            reset(1);
    }
    return QWidget::eventFilter(watched, e);
}

void TARLEN_Frm::setBusyPointer(bool busy) {
    if (busy == m_busyPointer)
        return;
    m_busyPointer = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TARLEN_Frm::reportError(const QString& prefix, const std::exception_ptr& error) {
    m_prompter.beep();
    setBusyPointer(false);
    m_prompter.message(prefix + errorDescription(error), Caption, Prompter::Icon::Critical);
}

// --- settings window --------------------------------------------------------

short TARLEN_Frm::windowState() const {
    const Qt::WindowStates s = QWidget::windowState();
    if (s & Qt::WindowMinimized)
        return 1;
    if (s & Qt::WindowMaximized)
        return 2;
    return 0;
}

void TARLEN_Frm::setWindowState(short state) {
    QWidget::setWindowState(state == 1   ? Qt::WindowMinimized
                            : state == 2 ? Qt::WindowMaximized
                                         : Qt::WindowNoState);
}

double TARLEN_Frm::windowTop() const {
    return m_twips.top(this);
}
double TARLEN_Frm::windowLeft() const {
    return m_twips.left(this);
}
double TARLEN_Frm::windowHeight() const {
    return m_twips.height(this);
}
double TARLEN_Frm::windowWidth() const {
    return m_twips.width(this);
}
void TARLEN_Frm::setWindowTop(double twips) {
    m_twips.setTop(this, twips);
}
void TARLEN_Frm::setWindowLeft(double twips) {
    m_twips.setLeft(this, twips);
}
void TARLEN_Frm::setWindowHeight(double twips) {
    m_twips.setHeight(this, twips);
}
void TARLEN_Frm::setWindowWidth(double twips) {
    m_twips.setWidth(this, twips);
}

double TARLEN_Frm::frameHeight(int index) const {
    return m_twips.height(Frm_Local[size_t(index)]);
}
double TARLEN_Frm::frameWidth(int index) const {
    return m_twips.width(Frm_Local[size_t(index)]);
}

void TARLEN_Frm::setFrameHeight(int index, double twips) {
    m_twips.setHeight(Frm_Local[size_t(index)], twips);
}

void TARLEN_Frm::setFrameWidth(int index, double twips) {
    m_twips.setWidth(Frm_Local[size_t(index)], twips);
}
