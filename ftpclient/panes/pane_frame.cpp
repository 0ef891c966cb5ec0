#include "pane_frame.h"

#include <QMouseEvent>

namespace {

int buttonCode(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

int shiftCode(Qt::KeyboardModifiers mods) {
    return (mods & Qt::ShiftModifier ? 1 : 0) | (mods & Qt::ControlModifier ? 2 : 0) |
           (mods & Qt::AltModifier ? 4 : 0);
}

} // namespace

PaneFrame::PaneFrame(const QString& title, int twipsPerPixel, QWidget* parent)
    : QGroupBox(title, parent)
    , m_tpp(twipsPerPixel) {
    setMouseTracking(true);
}

void PaneFrame::mousePressEvent(QMouseEvent* e) {
    emit MouseDown(buttonCode(e->button()), shiftCode(e->modifiers()), e->position().x() * m_tpp,
                   e->position().y() * m_tpp);
}

void PaneFrame::mouseMoveEvent(QMouseEvent* e) {
    emit MouseMove(buttonCode(e->buttons()), shiftCode(e->modifiers()), e->position().x() * m_tpp,
                   e->position().y() * m_tpp);
}

void PaneFrame::mouseReleaseEvent(QMouseEvent* e) {
    emit MouseUp(buttonCode(e->button()), shiftCode(e->modifiers()), e->position().x() * m_tpp,
                 e->position().y() * m_tpp);
}
