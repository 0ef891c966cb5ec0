// Laying out the window from the sizes of its two pane frames, sizing the
// frames by dragging their edges, and the pointer of a frame when the mouse
// comes over a control inside it.
#include "tarlen_frm.h"

#include "common/text_room.h"
#include "panes/local_lists.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "queue_panel.h"
#include "security_mark.h"
#include "status_log.h"
#include "transfer_progress.h"

#include <vantel/vantelctrl.h>

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace {

short roundToShort(double v) {
    return short(std::nearbyint(v));
}

// The width a list's entries are drawn in: inside its frame and its
// vertical scroll bar.
int textAreaWidth(const CVantelCtrl* list) {
    const QWidget* box = list->listBox();
    const int frame = box->width() - box->contentsRect().width();
    const int scrollBar = box->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, box);
    return list->width() - frame - scrollBar;
}

// Widths inside the local frame, and the column widths and tab stops that
// follow from the sort buttons.
void placeLocalPane(TwipsGeometry& g, LocalPane& pane) {
    const double width = g.width(&pane);
    g.setWidth(pane.Drive1, width - 270);
    g.setWidth(pane.Dir1, width - 270);
    g.setWidth(pane.LstX_Files, width - 270);
    g.setLeft(pane.Cmd_Files[2], width - 1875);
    g.setLeft(pane.Cmd_Files[1], g.left(pane.Cmd_Files[2]) - g.width(pane.Cmd_Files[1]) + 130);
    g.setWidth(pane.Cmd_Files[0], g.left(pane.Cmd_Files[1]) - g.left(pane.Cmd_Files[0]) - 120);
}

void setLocalColumns(const TwipsGeometry& g, LocalPane& pane) {
    const int tpp = g.twipsPerPixel();
    pane.iNameColWidth = roundToShort(g.width(pane.Cmd_Files[0]) / tpp);
    pane.iDateColWidth = roundToShort(g.width(pane.Cmd_Files[1]) / tpp);
    pane.iSizeColWidth = roundToShort(g.width(pane.Cmd_Files[2]) / tpp);
    pane.LstX_Files->SetTabStops(0, pane.iNameColWidth);
    // The size column ends where the buttons above it end, but never under
    // the list's vertical scroll bar, whether or not it shows right now.
    const int sizeColumnEnd =
        std::min(pane.iNameColWidth + pane.iDateColWidth + pane.iSizeColWidth - 22,
                 textAreaWidth(pane.LstX_Files) - 4);
    pane.LstX_Files->SetTabStops(1, short(-sizeColumnEnd));
}

void placeRemotePane(TwipsGeometry& g, RemotePane& pane) {
    const double width = g.width(&pane);
    g.setWidth(pane.Lst_Remote_Dir, width - 270);
    g.setWidth(pane.LstX_Files, width - 270);
    g.setWidth(pane.Cmd_Files[0], g.width(pane.LstX_Files));
    g.setWidth(pane.Lbl_Dir, g.width(pane.LstX_Files));
}

// The row of buttons at the bottom of a frame and the list above it.
void placeButtonRow(TwipsGeometry& g, FilePane& pane) {
    const double frameHeight = g.height(&pane);
    for (QWidget* w :
         std::initializer_list<QWidget*>{pane.Cmd_Rem, pane.Cmd_Refresh, pane.Cmd_Delete,
                                         pane.Cmd_Dir, pane.Cmd_Rename, pane.Txt_Pattern})
        g.setTop(w, frameHeight - 495);
    g.setHeight(pane.LstX_Files, frameHeight - 545 - g.top(pane.LstX_Files));
}

// The column under the left pane: Connect, Cancel and the security mark, as
// wide as the design makes them or as the widest of them needs; the log
// begins beside it.
void placeLeftColumn(TwipsGeometry& g, QPushButton* connect, QPushButton* cancel,
                     SecurityMark* mark, QWidget* log) {
    const double tpp = g.twipsPerPixel();
    const QSize markRoom = mark->minimumSizeHint();
    const double width = std::max({1215.0, textWidthNeeded(connect) * tpp,
                                   textWidthNeeded(cancel) * tpp, markRoom.width() * tpp});
    for (QWidget* w : std::initializer_list<QWidget*>{connect, cancel, mark})
        g.setWidth(w, width);
    g.setHeight(mark, std::max(420.0, markRoom.height() * tpp));
    g.setLeft(log, g.left(connect) + width + 120);
}

} // namespace

void TARLEN_Frm::Resize_Frm() {
    TwipsGeometry& g = m_twips;
    FilePane* local = Frm_Local[0];
    FilePane* remote = Frm_Local[1];
    // A frame is never too narrow for the buttons under its list.
    for (FilePane* pane : Frm_Local)
        g.setWidth(pane, std::max(g.width(pane), pane->fitButtonRow()));
    placeLocalPane(g, *localPane);
    placeRemotePane(g, *remotePane);
    placeButtonRow(g, *local);
    placeButtonRow(g, *remote);

    g.setLeft(Cmd_Up, g.width(local) + 300);
    g.setLeft(Cmd_Dn, g.width(local) + 300);
    g.setLeft(Cmd_Menu, g.width(local) + 300);
    g.setTop(Cmd_Connect, g.top(local) + g.height(local));
    g.setTop(Cmd_Cancel, g.top(Cmd_Connect) + g.height(Cmd_Connect));
    g.setTop(Lbl_Security, g.top(Cmd_Cancel) + g.height(Cmd_Cancel) + 60);
    g.setTop(Txt_Status,
             g.top(local) +
                 std::max(std::nearbyint(g.height(local)), std::nearbyint(g.height(remote))) + 100);
    g.setLeft(remote, g.width(local) + 1000);
    placeLeftColumn(g, Cmd_Connect, Cmd_Cancel, Lbl_Security, Txt_Status);
    // The log spans the window under both panes; the progress display sits
    // under the log, as wide as it.
    g.setWidth(Txt_Status, std::max(0.0, g.left(remote) + g.width(remote) - g.left(Txt_Status)));
    g.place(Progress, g.left(Txt_Status), g.top(Txt_Status) + g.height(Txt_Status) + 45,
            g.width(Txt_Status), g.height(Progress));
    // The queue spans the window under the progress display, and is never
    // narrower than its controls.
    g.place(Queue, g.left(Cmd_Connect),
            std::max(g.top(Progress) + g.height(Progress),
                     g.top(Lbl_Security) + g.height(Lbl_Security)) +
                45,
            std::max(g.left(remote) + g.width(remote) - g.left(Cmd_Connect),
                     double(Queue->minimumSizeHint().width() * g.twipsPerPixel())),
            g.height(Queue));

    // The window cannot be made smaller than its layout: nothing may be cut off.
    const double neededWidth =
        std::max(g.left(remote) + g.width(remote), g.left(Queue) + g.width(Queue)) + 255;
    const double neededHeight = g.top(Queue) + g.height(Queue) + 120;
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))) {
        setMinimumSize(g.toPixels(neededWidth), g.toPixels(neededHeight));
        g.setWidth(this, neededWidth);
        if (g.height(this) < neededHeight)
            g.setHeight(this, neededHeight);
    }

    setLocalColumns(g, *localPane);
    localPane->Load_Files();
    localPane->sort_files(localPane->iSortKey);
}

void TARLEN_Frm::Frm_Local_MouseDown(int, int, int, double, double) {
    bResizing = true;
}

void TARLEN_Frm::Frm_Local_MouseMove(int index, int, int, double x, double y) {
    FilePane* frame = Frm_Local[size_t(index)];
    const double frameWidth = m_twips.width(frame);
    const double frameHeight = m_twips.height(frame);
    if (!bResizing) {
        const bool east = x > frameWidth - 50;
        const bool south = y > frameHeight - 50;
        frame->setCursor(east && south ? Qt::SizeFDiagCursor
                         : east        ? Qt::SizeHorCursor
                         : south       ? Qt::SizeVerCursor
                                       : Qt::ArrowCursor);
    }
    const Qt::CursorShape pointer = frame->cursor().shape();
    if (bResizing && (pointer == Qt::SizeHorCursor || pointer == Qt::SizeFDiagCursor) && x > 4335 &&
        x < m_twips.width(this) - 3000)
        m_twips.setWidth(frame, x);
    if (bResizing && pointer != Qt::SizeHorCursor && y > 5055 && y < m_twips.height(this) - 500)
        m_twips.setHeight(frame, y);
}

void TARLEN_Frm::Frm_Local_MouseUp(int, int, int, double, double) {
    bResizing = false;
    Resize_Frm();
}

// Moving the mouse over a control inside a pane puts that pane's pointer
// back to normal, so that a sizing pointer does not linger.
void TARLEN_Frm::watchPointerResets() {
    auto watch = [this](QWidget* w) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    };
    for (FilePane* pane : Frm_Local) {
        for (QWidget* w :
             std::initializer_list<QWidget*>{pane->Cmd_Delete, pane->Cmd_Dir, pane->Cmd_Refresh,
                                             pane->Cmd_Rem, pane->Txt_Pattern})
            watch(w);
        for (QPushButton* b : pane->Cmd_Files)
            watch(b);
    }
    watch(localPane->Dir1);
    watch(remotePane->Lbl_Dir);
    watch(remotePane->Lst_Remote_Dir);
}

bool TARLEN_Frm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::MouseMove)
        return QWidget::eventFilter(watched, e);
    const auto reset = [this](int i) {
        Frm_Local[size_t(i)]->setCursor(Qt::ArrowCursor);
    };
    for (int i = 0; i < 2; ++i) {
        const FilePane* pane = Frm_Local[size_t(i)];
        if (watched == pane->Cmd_Delete || watched == pane->Cmd_Dir ||
            watched == pane->Cmd_Refresh || watched == pane->Cmd_Rem ||
            watched == pane->Txt_Pattern)
            reset(i);
        // The sort buttons put both panes' pointers back.
        if (std::find(pane->Cmd_Files.begin(), pane->Cmd_Files.end(), watched) !=
            pane->Cmd_Files.end()) {
            reset(0);
            reset(1);
        }
    }
    if (watched == localPane->Dir1)
        reset(0);
    if (watched == remotePane->Lbl_Dir || watched == remotePane->Lst_Remote_Dir)
        reset(1);
    return QWidget::eventFilter(watched, e);
}
