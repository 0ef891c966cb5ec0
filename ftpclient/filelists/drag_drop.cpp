// Dragging one file list onto the other, the Delete key in a list, and the
// pointer of a pane when the mouse comes over its list.
//
// The drag is a gesture of the window itself: the list that was pressed
// keeps the mouse while the button is down, the pointer shows the drag
// image, and at the release the window looks up which list lies under the
// pointer. A drag carries no data; the transfer reads the selections when
// it runs.
#include "connection/pane_frame.h"
#include "connection/tarlen_frm.h"
#include "file_icons.h"

#include <vantel/vantelctrl.h>

#include <QApplication>
#include <QTimer>

void TARLEN_Frm::LstX_Files_MouseDown(int index, short button, short, int x, int y) {
    // A drag still in progress at a press lost its release somewhere.
    cancelDrag();
    // Only the right button drags: the left one selects, and a click never
    // turns into a drag.
    m_dragPane = button == 2 ? index : -1;
    m_dragStart = QPoint(x, y);
}

void TARLEN_Frm::LstX_Files_MouseMove(int index, short button, short, int x, int y) {
    Frm_Local[size_t(index)]->setCursor(Qt::ArrowCursor);
    if (m_dragPane == index && !m_dragging && (button & 2) &&
        (QPoint(x, y) - m_dragStart).manhattanLength() >= QApplication::startDragDistance())
        startDrag(index);
}

void TARLEN_Frm::LstX_Files_MouseUp(int index, short button, short, int x, int y) {
    const bool dropping = m_dragging && m_dragPane == index && button == 2;
    cancelDrag();
    if (!dropping)
        return;
    const QPoint at = LstX_Files[size_t(index)]->mapTo(this, QPoint(x, y));
    QWidget* under = childAt(at);
    for (int target = 0; target < 2; ++target) {
        CVantelCtrl* list = LstX_Files[size_t(target)];
        if (under && (under == list || list->isAncestorOf(under))) {
            // Run the transfer once the mouse handling is over.
            QTimer::singleShot(0, this,
                               [this, target, index] { LstX_Files_DragDrop(target, index); });
            return;
        }
    }
}

void TARLEN_Frm::LstX_Files_KeyDown(int index, short& KeyCode, short) {
    if (KeyCode == 46)
        Cmd_Delete_Click(index);
}

void TARLEN_Frm::startDrag(int index) {
    m_dragging = true;
    QApplication::setOverrideCursor(QCursor(FileIcons::dragImage(index == 0), 16, 16));
}

void TARLEN_Frm::cancelDrag() {
    if (m_dragging)
        QApplication::restoreOverrideCursor();
    m_dragging = false;
    m_dragPane = -1;
}

// A drag whose release can no longer reach a list ends here: the window lost
// the keyboard or stopped being the active window.
void TARLEN_Frm::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange && !isActiveWindow())
        cancelDrag();
    QWidget::changeEvent(e);
}

void TARLEN_Frm::LstX_Files_DragDrop(int index, int source) {
    // A list dropped on itself does nothing; the drop position is not used.
    if (source == index || source < 0 || source > 1)
        return;
    if (index == 0)
        Cmd_Dn_Click();
    else
        Cmd_Up_Click();
}

void TARLEN_Frm::watchFileLists() {
    for (int i = 0; i < 2; ++i) {
        CVantelCtrl* list = LstX_Files[size_t(i)];
        connect(list, &CVantelCtrl::MouseDown, this,
                [this, i](short b, short s, int x, int y) { LstX_Files_MouseDown(i, b, s, x, y); });
        connect(list, &CVantelCtrl::MouseMove, this,
                [this, i](short b, short s, int x, int y) { LstX_Files_MouseMove(i, b, s, x, y); });
        connect(list, &CVantelCtrl::MouseUp, this,
                [this, i](short b, short s, int x, int y) { LstX_Files_MouseUp(i, b, s, x, y); });
        connect(list, &CVantelCtrl::KeyDown, this,
                [this, i](short& code, short s) { LstX_Files_KeyDown(i, code, s); });
    }
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget*) {
        for (CVantelCtrl* list : LstX_Files)
            if (old && (old == list || list->isAncestorOf(old)))
                cancelDrag();
    });
}
