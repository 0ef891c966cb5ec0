#pragma once

#include <QGroupBox>

// A titled pane frame that reports mouse presses, moves and releases on
// itself in twips, for resizing the pane by dragging its edges.
class PaneFrame : public QGroupBox {
    Q_OBJECT

public:
    PaneFrame(const QString& title, int twipsPerPixel, QWidget* parent = nullptr);

signals:
    void MouseDown(int button, int shift, double x, double y);
    void MouseMove(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    int m_tpp;
};
