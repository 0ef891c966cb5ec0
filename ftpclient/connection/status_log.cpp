#include "status_log.h"

#include <QScrollBar>

StatusLog::StatusLog(QWidget* parent)
    : QPlainTextEdit(parent) {
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette p = palette();
    p.setColor(QPalette::Base, QColor(192, 192, 192));
    setPalette(p);
}

void StatusLog::append(const QString& text) {
    m_text += text;
    show();
}

void StatusLog::clear() {
    m_text.clear();
    show();
}

void StatusLog::cutToLimit() {
    if (m_text.size() > MaxChars) {
        m_text = m_text.right(MaxChars);
        show();
    }
}

void StatusLog::show() {
    QString shown = m_text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setPlainText(shown);
    moveCursor(QTextCursor::End);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void StatusLog::keyPressEvent(QKeyEvent* e) {
    e->accept();
}

void StatusLog::inputMethodEvent(QInputMethodEvent* e) {
    e->accept();
}

void StatusLog::focusInEvent(QFocusEvent* e) {
    QPlainTextEdit::focusInEvent(e);
    emit focusPassedOn();
}
