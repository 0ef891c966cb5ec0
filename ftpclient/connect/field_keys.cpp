#include "field_keys.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

namespace {

QLineEdit* editOf(QObject* field) {
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        return edit;
    if (auto* combo = qobject_cast<QComboBox*>(field))
        return combo->lineEdit();
    return nullptr;
}

} // namespace

FieldKeys::FieldKeys(QObject* parent)
    : QObject(parent) {}

void FieldKeys::add(QWidget* field, std::function<void()> onEnter) {
    m_onEnter.insert(field, std::move(onEnter));
    field->installEventFilter(this);
}

bool FieldKeys::eventFilter(QObject* watched, QEvent* event) {
    if (!m_onEnter.contains(watched))
        return false;
    if (event->type() == QEvent::FocusIn) {
        if (QLineEdit* edit = editOf(watched)) {
            edit->selectAll();
            // A click that brings the focus places the cursor after this;
            // select once more when it is done.
            if (static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason)
                QTimer::singleShot(0, edit, &QLineEdit::selectAll);
        }
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Copied: the handler may delete the field and this filter with it.
            const std::function<void()> onEnter = m_onEnter.value(watched);
            if (onEnter)
                onEnter();
            return true;
        }
    }
    return false;
}
