// Laying out the window from the sizes of its two pane frames, and sizing
// the frames by dragging their edges.
#include "tarlen_frm.h"

#include "fileops/transfer_progress.h"
#include "pane_frame.h"
#include "status_log.h"

#include <vantel/vantelctrl.h>

#include "filelists/local_lists.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

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

} // namespace

void TARLEN_Frm::Resize_Frm() {
    TwipsGeometry& g = m_twips;
    PaneFrame* local = Frm_Local[0];
    PaneFrame* remote = Frm_Local[1];
    const int tpp = g.twipsPerPixel();

    g.setWidth(Drive1, g.width(local) - 270);
    g.setWidth(Dir1, g.width(local) - 270);
    g.setWidth(LstX_Files[0], g.width(local) - 270);

    g.setLeft(Cmd_Files[2], g.width(local) - 1875);
    g.setLeft(Cmd_Files[1], g.left(Cmd_Files[2]) - g.width(Cmd_Files[1]) + 130);
    g.setWidth(Cmd_Files[0], g.left(Cmd_Files[1]) - g.left(Cmd_Files[0]) - 120);

    g.setWidth(Lst_Remote_Dir, g.width(remote) - 270);
    g.setWidth(LstX_Files[1], g.width(remote) - 270);
    g.setWidth(Cmd_Files[3], g.width(LstX_Files[1]));

    for (int i = 0; i < 2; ++i) {
        const double frameHeight = g.height(Frm_Local[size_t(i)]);
        for (QWidget* w : std::initializer_list<QWidget*>{
                 Cmd_Rem[size_t(i)], Cmd_Refresh[size_t(i)], Cmd_Delete[size_t(i)],
                 Cmd_Dir[size_t(i)], Cmd_Rename[size_t(i)], Txt_Pattern[size_t(i)]})
            g.setTop(w, frameHeight - 495);
        CVantelCtrl* list = LstX_Files[size_t(i)];
        g.setHeight(list, frameHeight - 545 - g.top(list));
    }

    g.setLeft(Cmd_Up, g.width(local) + 300);
    g.setLeft(Cmd_Dn, g.width(local) + 300);

    g.setTop(Cmd_Connect, g.top(local) + g.height(local));
    g.setTop(Cmd_Cancel, g.top(Cmd_Connect) + g.height(Cmd_Connect));

    g.setTop(Txt_Status,
             g.top(local) +
                 std::max(std::nearbyint(g.height(local)), std::nearbyint(g.height(remote))) + 100);
    g.setLeft(remote, g.width(local) + 1000);
    g.setWidth(Lbl_Dir, g.width(LstX_Files[1]));
    // The log spans the window under both panes.
    g.setWidth(Txt_Status, std::max(0.0, g.left(remote) + g.width(remote) - g.left(Txt_Status)));

    // The progress display sits under the log, as wide as it.
    g.place(Progress, g.left(Txt_Status), g.top(Txt_Status) + g.height(Txt_Status) + 45,
            g.width(Txt_Status), g.height(Progress));

    // The window cannot be made smaller than its layout: nothing may be cut off.
    const double neededWidth = g.left(remote) + g.width(remote) + 255;
    const double neededHeight = g.top(Txt_Status) + 1300;
    if (windowState() == 0) {
        setMinimumSize(g.toPixels(neededWidth), g.toPixels(neededHeight));
        setWindowWidth(neededWidth);
        if (windowHeight() - 1300 < g.top(Txt_Status))
            setWindowHeight(neededHeight);
    }

    iNameColWidth = roundToShort(g.width(Cmd_Files[0]) / tpp);
    iDateColWidth = roundToShort(g.width(Cmd_Files[1]) / tpp);
    iSizeColWidth = roundToShort(g.width(Cmd_Files[2]) / tpp);
    LstX_Files[0]->SetTabStops(0, iNameColWidth);
    // The size column ends where the buttons above it end, but never under
    // the list's vertical scroll bar, whether or not it shows right now.
    const int sizeColumnEnd = std::min(iNameColWidth + iDateColWidth + iSizeColWidth - 22,
                                       textAreaWidth(LstX_Files[0]) - 4);
    LstX_Files[0]->SetTabStops(1, short(-sizeColumnEnd));

    Load_Files();
    sort_files(iSortKey);
}

void TARLEN_Frm::Frm_Local_MouseDown(int, int, int, double, double) {
    bResizing = true;
}

void TARLEN_Frm::Frm_Local_MouseMove(int index, int, int, double x, double y) {
    PaneFrame* frame = Frm_Local[size_t(index)];
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
        x < windowWidth() - 3000)
        m_twips.setWidth(frame, x);
    if (bResizing && pointer != Qt::SizeHorCursor && y > 5055 && y < windowHeight() - 500)
        m_twips.setHeight(frame, y);
}

void TARLEN_Frm::Frm_Local_MouseUp(int, int, int, double, double) {
    bResizing = false;
    Resize_Frm();
}
