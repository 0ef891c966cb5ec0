#pragma once

#include <QObject>
#include <QPoint>

class CVantelCtrl;
class TARLEN_Frm;

// Dragging one file list onto the other with the right mouse button: a drop
// on the local list downloads, a drop on the remote list uploads.
//
// The drag is a gesture of the window itself: the list that was pressed
// keeps the mouse while the button is down, the pointer shows the drag
// image, and at the release the window looks up which list lies under the
// pointer. A drag carries no data; the transfer reads the selections when
// it runs.
class PaneDrag : public QObject {
    Q_OBJECT

public:
    explicit PaneDrag(TARLEN_Frm& window);
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

    TARLEN_Frm& m_window;
    QPoint m_dragStart;
    int m_dragPane = -1;
    bool m_dragging = false;
};
