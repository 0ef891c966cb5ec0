#pragma once

#include <QObject>

class QWidget;
class TwipsGeometry;
struct WindowParts;

// The main window's layout: where each control sits, worked out from the
// sizes of the two pane frames (`Resize_Frm`); sizing a frame by dragging
// its edges; the order Tab walks; and the pointer of a frame put back when
// the mouse comes over a control inside it.
class WindowLayout : public QObject {
    Q_OBJECT

public:
    WindowLayout(QWidget& window, TwipsGeometry& twips, const WindowParts& parts);

    void Resize_Frm();
    // Centred on the screen at the size the layout gave it.
    void centreOnScreen();
    void orderTabStops();
    // The mouse on pane frame `index` (0 local, 1 remote), in twips.
    void Frm_Local_MouseDown(int index, int button, int shift, double x, double y);
    void Frm_Local_MouseMove(int index, int button, int shift, double x, double y);
    void Frm_Local_MouseUp(int index, int button, int shift, double x, double y);
    // Whether a frame is being sized (a button went down on its edge).
    bool resizing() const { return bResizing; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void placeAroundFrames();
    void keepWholeLayoutShown();
    void watchPointerResets();

    QWidget& m_window;
    TwipsGeometry& m_twips;
    const WindowParts& m_parts;
    bool bResizing = false;
};
