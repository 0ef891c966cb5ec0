#include "vantel/vantellistbox.h"
#include "vantel/virtualkeys.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace {

short mouseButtonCode(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

short mouseButtonsCode(Qt::MouseButtons buttons) {
    short code = 0;
    if (buttons & Qt::LeftButton)
        code |= 1;
    if (buttons & Qt::RightButton)
        code |= 2;
    if (buttons & Qt::MiddleButton)
        code |= 4;
    return code;
}

} // namespace

// --- keyboard ----------------------------------------------------------------

void VantelListBox::keyPressEvent(QKeyEvent* e) {
    short keyCode = virtualKeyFromQt(e->key(), e->modifiers());
    const short shift = shiftCodeFromQt(e->modifiers());
    bool used = false;
    if (keyCode != 0) {
        m_owner->ownerKeyDown(keyCode, shift);
        if (keyCode != 0)
            used = handleNavigationKey(keyCode, shift);
    }
    const QString text = e->text();
    if (!text.isEmpty()) {
        short keyAscii = short(text.at(0).unicode());
        m_owner->ownerKeyPress(keyAscii);
        if (keyAscii != 0)
            used = handleCharacter(keyAscii) || used;
    }
    e->setAccepted(used);
}

void VantelListBox::keyReleaseEvent(QKeyEvent* e) {
    if (e->isAutoRepeat()) {
        e->accept();
        return;
    }
    short keyCode = virtualKeyFromQt(e->key(), e->modifiers());
    if (keyCode != 0)
        m_owner->ownerKeyUp(keyCode, shiftCodeFromQt(e->modifiers()));
    e->accept();
}

bool VantelListBox::handleNavigationKey(short keyCode, short shift) {
    const int n = count();
    const bool navigation = keyCode == VirtualKey::Up || keyCode == VirtualKey::Down ||
                            (keyCode >= VirtualKey::Prior && keyCode <= VirtualKey::Right) ||
                            keyCode == VirtualKey::Space;
    if (n == 0 || !navigation)
        return navigation;
    const bool withShift = shift & ShiftCode::Shift;
    const bool withControl = shift & ShiftCode::Control;
    const int cur = m_caret;
    const int page = std::max(1, visibleCount() - 1);
    int target = cur;
    switch (keyCode) {
    case VirtualKey::Up:
        target = cur < 0 ? 0 : std::max(0, cur - 1);
        break;
    case VirtualKey::Down:
        target = std::min(n - 1, cur + 1);
        break;
    case VirtualKey::Prior:
        target = std::max(0, cur - page);
        break;
    case VirtualKey::Next:
        target = std::min(n - 1, std::max(0, cur) + page);
        break;
    case VirtualKey::Home:
        target = 0;
        break;
    case VirtualKey::End:
        target = n - 1;
        break;
    case VirtualKey::Left:
    case VirtualKey::Right: {
        const bool left = keyCode == VirtualKey::Left;
        if (!m_multiColumn) {
            QScrollBar* bar = horizontalScrollBar();
            bar->triggerAction(left ? QScrollBar::SliderSingleStepSub
                                    : QScrollBar::SliderSingleStepAdd);
            return true;
        }
        const int rows = rowsPerColumn();
        target = left ? std::max(0, cur - rows) : std::min(n - 1, std::max(0, cur) + rows);
        break;
    }
    case VirtualKey::Space:
        if (m_caret < 0 || m_mode == Single)
            return true;
        if (m_mode == Simple || withControl) {
            m_entries[size_t(m_caret)].selected = !m_entries[size_t(m_caret)].selected;
            m_anchor = m_caret;
            requestRepaint();
            return true;
        }
        moveCaretTo(m_caret, withShift, false);
        return true;
    default:
        return false;
    }
    moveCaretTo(target, withShift, withControl);
    return true;
}

bool VantelListBox::handleCharacter(short keyAscii) {
    const QChar wanted = QChar(ushort(keyAscii)).toCaseFolded();
    const int n = count();
    if (!wanted.isPrint() || wanted.isSpace())
        return wanted == QLatin1Char(' ');
    if (n == 0)
        return true;
    for (int step = 1; step <= n; ++step) {
        const int i = (std::max(m_caret, -1) + step) % n;
        const QString& t = m_entries[size_t(i)].text;
        if (!t.isEmpty() && t.at(0).toCaseFolded() == wanted) {
            moveCaretTo(i, false, false);
            return true;
        }
    }
    return true;
}

void VantelListBox::moveCaretTo(int index, bool shift, bool control) {
    m_caret = index;
    switch (m_mode) {
    case Single:
        m_curSel = index;
        break;
    case Simple:
        break;
    case Extended:
        if (shift) {
            if (m_anchor < 0)
                m_anchor = index;
            if (!control)
                clearMultiSelection();
            selectRange(m_anchor, index, true);
        } else if (!control) {
            clearMultiSelection();
            m_entries[size_t(index)].selected = true;
            m_anchor = index;
        }
        break;
    }
    ensureVisible(index, false);
    requestRepaint();
}

// --- mouse -------------------------------------------------------------------

void VantelListBox::selectWithMouse(int index, Qt::KeyboardModifiers mods, bool drag) {
    const bool shift = mods & Qt::ShiftModifier;
    const bool control = mods & Qt::ControlModifier;
    switch (m_mode) {
    case Single:
        m_curSel = index;
        break;
    case Simple:
        if (!drag)
            m_entries[size_t(index)].selected = !m_entries[size_t(index)].selected;
        break;
    case Extended:
        if (drag || shift) {
            if (m_anchor < 0)
                m_anchor = index;
            if (!control)
                clearMultiSelection();
            selectRange(m_anchor, index, true);
        } else if (control) {
            m_entries[size_t(index)].selected = !m_entries[size_t(index)].selected;
            m_anchor = index;
        } else {
            clearMultiSelection();
            m_entries[size_t(index)].selected = true;
            m_anchor = index;
        }
        break;
    }
    m_caret = index;
    ensureVisible(index, true);
    requestRepaint();
}

void VantelListBox::mousePressEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    m_owner->ownerMouse(VantelListOwner::MouseKind::Down, mouseButtonCode(e->button()),
                        shiftCodeFromQt(e->modifiers()), viewport()->mapTo(this, pos));
    if (e->button() == Qt::LeftButton) {
        m_leftDown = true;
        const int index = entryAtOrLast(pos);
        if (index >= 0)
            selectWithMouse(index, e->modifiers(), false);
    }
    e->accept();
}

void VantelListBox::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    m_owner->ownerMouse(VantelListOwner::MouseKind::Move, mouseButtonsCode(e->buttons()),
                        shiftCodeFromQt(e->modifiers()), viewport()->mapTo(this, pos));
    if (m_leftDown && (e->buttons() & Qt::LeftButton) && m_mode != Simple) {
        const int index = indexAt(pos);
        if (index >= 0 && index != m_caret)
            selectWithMouse(index, e->modifiers(), true);
    }
    e->accept();
}

void VantelListBox::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    m_owner->ownerMouse(VantelListOwner::MouseKind::Up, mouseButtonCode(e->button()),
                        shiftCodeFromQt(e->modifiers()), viewport()->mapTo(this, pos));
    if (e->button() == Qt::LeftButton) {
        const bool wasDown = m_leftDown;
        m_leftDown = false;
        if (wasDown && viewport()->rect().contains(pos))
            m_owner->ownerClick();
    }
    e->accept();
}

void VantelListBox::mouseDoubleClickEvent(QMouseEvent* e) {
    // The second press of a double click: the list selects as for a press,
    // and the release that follows raises no Click.
    if (e->button() == Qt::LeftButton) {
        const int index = entryAtOrLast(e->position().toPoint());
        if (index >= 0)
            selectWithMouse(index, e->modifiers(), false);
        m_owner->ownerDblClick();
    } else {
        mousePressEvent(e);
        return;
    }
    e->accept();
}

void VantelListBox::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    requestRepaint();
}

void VantelListBox::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    requestRepaint();
}
