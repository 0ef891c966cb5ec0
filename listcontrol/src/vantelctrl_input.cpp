#include "vantel/vantelctrl.h"

// The list's input, raised to the container as the control's events.

void CVantelCtrl::ownerKeyDown(short& keyCode, short shift) {
    emit KeyDown(keyCode, shift);
}

void CVantelCtrl::ownerKeyUp(short& keyCode, short shift) {
    emit KeyUp(keyCode, shift);
}

void CVantelCtrl::ownerKeyPress(short& keyAscii) {
    emit KeyPress(keyAscii);
}

void CVantelCtrl::ownerMouse(MouseKind kind, short button, short shift, QPoint pos) {
    const QPoint p = m_list->mapTo(this, pos);
    switch (kind) {
    case MouseKind::Down:
        emit MouseDown(button, shift, p.x(), p.y());
        break;
    case MouseKind::Move:
        emit MouseMove(button, shift, p.x(), p.y());
        break;
    case MouseKind::Up:
        emit MouseUp(button, shift, p.x(), p.y());
        break;
    }
}

void CVantelCtrl::ownerClick() {
    emit Click();
}

void CVantelCtrl::ownerDblClick() {
    emit DblClick();
}
