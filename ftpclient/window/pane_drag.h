#pragma once

#include <QObject>
#include <QPoint>

#include <array>

class CVantelCtrl;
class FilePane;
class PaneTransfers;
class QWidget;

// Dragging one file list onto the other with the right mouse button: a drop
// on the local list downloads, a drop on the remote list uploads.
//
// The drag is a gesture of the window itself: the list that was pressed
// keeps the mouse while the button is down, the pointer shows the drag
// image, and at the release the window looks up which list lies under the
// pointer. A drag carries no data; the transfer reads the selections when
// it runs. It knows the window only to find what lies under the pointer.
class PaneDrag : public QObject {
    Q_OBJECT

public:
    // `panes`: 0 the local pane, 1 the remote one.
    PaneDrag(QWidget& window, const std::array<FilePane*, 2>& panes, PaneTransfers& transfers);
    ~PaneDrag() override;

    void LstX_Files_MouseDown(int index, short button, short shift, int x, int y);
    void LstX_Files_MouseMove(int index, short button, short shift, int x, int y);
    void LstX_Files_MouseUp(int index, short button, short shift, int x, int y);
    // A drop of the list of pane `source` on the list of pane `index`.
    void LstX_Files_DragDrop(int index, int source);
    // Forgets a drag in progress and gives the pointer back (its release
    // can no longer reach a list).
    void cancelDrag();
    bool dragging() const { return m_dragging; }

private:
    void startDrag(int index);
    void selectUnderPointer(CVantelCtrl* list, QPoint at);

    CVantelCtrl* list(int index) const;

    QWidget& m_window;
    std::array<FilePane*, 2> m_panes;
    PaneTransfers& m_transfers;
    QPoint m_dragStart;
    int m_dragPane = -1;
    bool m_dragging = false;
};
