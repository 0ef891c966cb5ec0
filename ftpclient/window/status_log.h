#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QTimer>

// The status log: an append-only text whose lines are separated by CR LF,
// shown in a read-only box. The user cannot type into it, and it hands the
// focus on as soon as it gets it.
class StatusLog : public QPlainTextEdit {
    Q_OBJECT

public:
    static constexpr int MaxChars = 3000;

    explicit StatusLog(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    qsizetype length() const { return m_text.size(); }
    void append(const QString& text);
    void clear();
    // Cuts the log to its last MaxChars characters when it holds more.
    void cutToLimit();
    // Brings the box up to date with the text at once.
    void updateView();

signals:
    void focusPassedOn();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;

private:
    // The box is brought up to date at most ten times a second, not on
    // every line: a transfer of many files writes thousands of them, and
    // each time the whole text is laid out anew.
    void scheduleShow();

    QString m_text;
    QTimer* m_showTimer;
};
