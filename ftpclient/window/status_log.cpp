#include "status_log.h"

#include <QScrollBar>

StatusLog::StatusLog(QWidget* parent)
    : QPlainTextEdit(parent)
    , m_showTimer(new QTimer(this)) {
    m_showTimer->setSingleShot(true);
    m_showTimer->setInterval(100);
    connect(m_showTimer, &QTimer::timeout, this, &StatusLog::updateView);
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The log is grey whatever the desktop's colours: its text is black so
    // that it stays readable under a dark palette too.
    QPalette p = palette();
    p.setColor(QPalette::Base, QColor(192, 192, 192));
    p.setColor(QPalette::Text, Qt::black);
    setPalette(p);
}

void StatusLog::append(const QString& text) {
    m_text += text;
    scheduleShow();
}

void StatusLog::clear() {
    m_text.clear();
    scheduleShow();
}

void StatusLog::cutToLimit() {
    if (m_text.size() > MaxChars) {
        m_text = m_text.right(MaxChars);
        scheduleShow();
    }
}

void StatusLog::scheduleShow() {
    if (!m_showTimer->isActive())
        m_showTimer->start();
}

void StatusLog::updateView() {
    m_showTimer->stop();
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
