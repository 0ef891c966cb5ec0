#include "prompter.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

void WidgetPrompter::beep() {
    QApplication::beep();
}

void WidgetPrompter::message(const QString& text, const QString& title, Icon icon) {
    QMessageBox box(icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon, title,
                    text, QMessageBox::Ok, m_parent);
    box.exec();
}

Prompter::Answer WidgetPrompter::askYesNoCancel(const QString& text, const QString& title,
                                                Answer defaultButton) {
    QMessageBox box(QMessageBox::NoIcon, title, text,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_parent);
    box.setDefaultButton(defaultButton == Answer::Yes  ? QMessageBox::Yes
                         : defaultButton == Answer::No ? QMessageBox::No
                                                       : QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

QString WidgetPrompter::input(const QString& prompt, const QString& title,
                              const QString& defaultText) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}
