// Laying out the window from the sizes of its two pane frames, sizing the
// frames by dragging their edges, and the pointer of a frame when the mouse
// comes over a control inside it.
#include "window_layout.h"

#include "common/text_room.h"
#include "common/twips_geometry.h"
#include "panes/local_lists.h"
#include "panes/local_pane.h"
#include "panes/remote_pane.h"
#include "queue_panel.h"
#include "security_mark.h"
#include "status_log.h"
#include "transfer_progress.h"
#include "window_parts.h"

#include <vantel/vantelctrl.h>

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
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

WindowLayout::WindowLayout(QWidget& window, TwipsGeometry& twips, const WindowParts& parts)
    : QObject(&window)
    , m_window(window)
    , m_twips(twips)
    , m_parts(parts) {
    orderTabStops();
    watchPointerResets();
}

// Tab walks the local pane, the arrows and the menu between the panes, the
// remote pane, then Connect and what lies below it.
void WindowLayout::orderTabStops() {
    const WindowParts& p = m_parts;
    QList<QWidget*> order = p.localPane->tabOrder();
    order << p.Cmd_Dn << p.Cmd_Up << p.Cmd_Menu << p.remotePane->tabOrder() << p.Cmd_Connect
          << p.Cmd_Cancel;
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void WindowLayout::Resize_Frm() {
    TwipsGeometry& g = m_twips;
    // A frame is never too narrow for the buttons under its list.
    for (FilePane* pane : m_parts.Frm_Local)
        g.setWidth(pane, std::max(g.width(pane), pane->fitButtonRow()));
    placeLocalPane(g, *m_parts.localPane);
    placeRemotePane(g, *m_parts.remotePane);
    placeButtonRow(g, *m_parts.Frm_Local[0]);
    placeButtonRow(g, *m_parts.Frm_Local[1]);
    placeAroundFrames();
    keepWholeLayoutShown();

    LocalPane* local = m_parts.localPane;
    setLocalColumns(g, *local);
    local->Load_Files();
    local->sort_files(local->iSortKey);
}

// The arrows between the frames, the column under the left one, and the
// log, the progress display and the queue under both.
void WindowLayout::placeAroundFrames() {
    TwipsGeometry& g = m_twips;
    const WindowParts& p = m_parts;
    FilePane* local = p.Frm_Local[0];
    FilePane* remote = p.Frm_Local[1];
    g.setLeft(p.Cmd_Up, g.width(local) + 300);
    g.setLeft(p.Cmd_Dn, g.width(local) + 300);
    g.setLeft(p.Cmd_Menu, g.width(local) + 300);
    g.setTop(p.Cmd_Connect, g.top(local) + g.height(local));
    g.setTop(p.Cmd_Cancel, g.top(p.Cmd_Connect) + g.height(p.Cmd_Connect));
    g.setTop(p.Lbl_Security, g.top(p.Cmd_Cancel) + g.height(p.Cmd_Cancel) + 60);
    g.setTop(p.Txt_Status,
             g.top(local) +
                 std::max(std::nearbyint(g.height(local)), std::nearbyint(g.height(remote))) + 100);
    g.setLeft(remote, g.width(local) + 1000);
    placeLeftColumn(g, p.Cmd_Connect, p.Cmd_Cancel, p.Lbl_Security, p.Txt_Status);
    // The log spans the window under both panes; the progress display sits
    // under the log, as wide as it.
    g.setWidth(p.Txt_Status,
               std::max(0.0, g.left(remote) + g.width(remote) - g.left(p.Txt_Status)));
    g.place(p.Progress, g.left(p.Txt_Status), g.top(p.Txt_Status) + g.height(p.Txt_Status) + 45,
            g.width(p.Txt_Status), g.height(p.Progress));
    // The queue spans the window under the progress display, and is never
    // narrower than its controls.
    g.place(p.Queue, g.left(p.Cmd_Connect),
            std::max(g.top(p.Progress) + g.height(p.Progress),
                     g.top(p.Lbl_Security) + g.height(p.Lbl_Security)) +
                45,
            std::max(g.left(remote) + g.width(remote) - g.left(p.Cmd_Connect),
                     double(p.Queue->minimumSizeHint().width() * g.twipsPerPixel())),
            g.height(p.Queue));
}

// The window cannot be made smaller than its layout: nothing may be cut off.
void WindowLayout::keepWholeLayoutShown() {
    TwipsGeometry& g = m_twips;
    const FilePane* remote = m_parts.Frm_Local[1];
    const QueuePanel* queue = m_parts.Queue;
    const double neededWidth =
        std::max(g.left(remote) + g.width(remote), g.left(queue) + g.width(queue)) + 255;
    const double neededHeight = g.top(queue) + g.height(queue) + 120;
    if (m_window.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))
        return;
    m_window.setMinimumSize(g.toPixels(neededWidth), g.toPixels(neededHeight));
    g.setWidth(&m_window, neededWidth);
    if (g.height(&m_window) < neededHeight)
        g.setHeight(&m_window, neededHeight);
}

// At the size the layout gave it, whatever position the settings held; a
// window taller or wider than the screen starts at its top left corner.
void WindowLayout::centreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // On whole pixels, in twips.
    const auto centred = [this](int start, int extent, double size) {
        return (start + std::max(0, (extent - m_twips.toPixels(size)) / 2)) *
               double(m_twips.twipsPerPixel());
    };
    m_twips.setLeft(&m_window, centred(area.x(), area.width(), m_twips.width(&m_window)));
    m_twips.setTop(&m_window, centred(area.y(), area.height(), m_twips.height(&m_window)));
}

void WindowLayout::Frm_Local_MouseDown(int, int, int, double, double) {
    bResizing = true;
}

void WindowLayout::Frm_Local_MouseMove(int index, int, int, double x, double y) {
    FilePane* frame = m_parts.Frm_Local[size_t(index)];
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
        x < m_twips.width(&m_window) - 3000)
        m_twips.setWidth(frame, x);
    if (bResizing && pointer != Qt::SizeHorCursor && y > 5055 &&
        y < m_twips.height(&m_window) - 500)
        m_twips.setHeight(frame, y);
}

void WindowLayout::Frm_Local_MouseUp(int, int, int, double, double) {
    bResizing = false;
    Resize_Frm();
}

// Moving the mouse over a control inside a pane puts that pane's pointer
// back to normal, so that a sizing pointer does not linger.
void WindowLayout::watchPointerResets() {
    auto watch = [this](QWidget* w) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    };
    for (FilePane* pane : m_parts.Frm_Local) {
        for (QWidget* w :
             std::initializer_list<QWidget*>{pane->Cmd_Delete, pane->Cmd_Dir, pane->Cmd_Refresh,
                                             pane->Cmd_Rem, pane->Txt_Pattern})
            watch(w);
        for (QPushButton* b : pane->Cmd_Files)
            watch(b);
    }
    watch(m_parts.localPane->Dir1);
    watch(m_parts.remotePane->Lbl_Dir);
    watch(m_parts.remotePane->Lst_Remote_Dir);
}

bool WindowLayout::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() != QEvent::MouseMove)
        return QObject::eventFilter(watched, e);
    const auto reset = [this](int i) {
        m_parts.Frm_Local[size_t(i)]->setCursor(Qt::ArrowCursor);
    };
    for (int i = 0; i < 2; ++i) {
        const FilePane* pane = m_parts.Frm_Local[size_t(i)];
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
    if (watched == m_parts.localPane->Dir1)
        reset(0);
    if (watched == m_parts.remotePane->Lbl_Dir || watched == m_parts.remotePane->Lst_Remote_Dir)
        reset(1);
    return QObject::eventFilter(watched, e);
}
