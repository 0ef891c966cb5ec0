#include "pane_drag.h"

#include "panes/file_icons.h"
#include "panes/file_pane.h"
#include "transfers.h"

#include <vantel/vantelctrl.h>

#include <QApplication>
#include <QTimer>

PaneDrag::PaneDrag(QWidget& window, const std::array<FilePane*, 2>& panes, PaneTransfers& transfers)
    : QObject(&window)
    , m_window(window)
    , m_panes(panes)
    , m_transfers(transfers) {
    for (int i = 0; i < 2; ++i) {
        CVantelCtrl* list = this->list(i);
        connect(list, &CVantelCtrl::MouseDown, this,
                [this, i](short b, short s, int x, int y) { LstX_Files_MouseDown(i, b, s, x, y); });
        connect(list, &CVantelCtrl::MouseMove, this,
                [this, i](short b, short s, int x, int y) { LstX_Files_MouseMove(i, b, s, x, y); });
        connect(list, &CVantelCtrl::MouseUp, this,
                [this, i](short b, short s, int x, int y) { LstX_Files_MouseUp(i, b, s, x, y); });
    }
    // A list that loses the keyboard has lost its release as well.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget*) {
        for (FilePane* pane : m_panes)
            if (old && (old == pane->LstX_Files || pane->LstX_Files->isAncestorOf(old)))
                cancelDrag();
    });
}

PaneDrag::~PaneDrag() {
    cancelDrag();
}

CVantelCtrl* PaneDrag::list(int index) const {
    return m_panes[size_t(index)]->LstX_Files;
}

void PaneDrag::LstX_Files_MouseDown(int index, short button, short, int x, int y) {
    // A drag still in progress at a press lost its release somewhere.
    cancelDrag();
    // Only the right button drags: the left one selects, and a click never
    // turns into a drag.
    m_dragPane = button == 2 ? index : -1;
    m_dragStart = QPoint(x, y);
    if (button == 2)
        selectUnderPointer(list(index), m_dragStart);
}

// The right button takes the entry it is pressed on, as the left one does,
// unless that entry is selected already: then the whole selection goes.
void PaneDrag::selectUnderPointer(CVantelCtrl* list, QPoint at) {
    const QWidget* viewport = list->listBox()->viewport();
    const int entry = list->listBox()->indexAt(viewport->mapFrom(list, at));
    if (entry < 0 || list->Selected(entry))
        return;
    list->listBox()->setSel(false, -1);
    list->SetSelected(entry, true);
    list->SetListIndex(entry);
}

void PaneDrag::LstX_Files_MouseMove(int index, short button, short, int x, int y) {
    m_panes[size_t(index)]->setCursor(Qt::ArrowCursor);
    if (m_dragPane == index && !m_dragging && (button & 2) &&
        (QPoint(x, y) - m_dragStart).manhattanLength() >= QApplication::startDragDistance())
        startDrag(index);
}

void PaneDrag::LstX_Files_MouseUp(int index, short button, short, int x, int y) {
    const bool dropping = m_dragging && m_dragPane == index && button == 2;
    cancelDrag();
    if (!dropping)
        return;
    const QPoint at = list(index)->mapTo(&m_window, QPoint(x, y));
    QWidget* under = m_window.childAt(at);
    for (int target = 0; target < 2; ++target) {
        const CVantelCtrl* targetList = list(target);
        if (under && (under == targetList || targetList->isAncestorOf(under))) {
            // Run the transfer once the mouse handling is over.
            QTimer::singleShot(0, this,
                               [this, target, index] { LstX_Files_DragDrop(target, index); });
            return;
        }
    }
}

void PaneDrag::startDrag(int index) {
    m_dragging = true;
    QApplication::setOverrideCursor(QCursor(FileIcons::dragImage(index == 0), 16, 16));
}

void PaneDrag::cancelDrag() {
    if (m_dragging)
        QApplication::restoreOverrideCursor();
    m_dragging = false;
    m_dragPane = -1;
}

void PaneDrag::LstX_Files_DragDrop(int index, int source) {
    // A list dropped on itself does nothing; the drop position is not used.
    if (source == index || source < 0 || source > 1)
        return;
    if (index == 0)
        m_transfers.Cmd_Dn_Click();
    else
        m_transfers.Cmd_Up_Click();
}
