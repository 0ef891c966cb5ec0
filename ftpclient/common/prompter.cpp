#include "prompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

void WidgetPrompter::beep() {
    QApplication::beep();
}

void WidgetPrompter::message(const QString& text, const QString& title, Icon icon) {
    QMessageBox box(icon == Icon::Critical  ? QMessageBox::Critical
                    : icon == Icon::Warning ? QMessageBox::Warning
                                            : QMessageBox::NoIcon,
                    title, text, QMessageBox::Ok, m_parent);
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

int WidgetPrompter::choose(const QString& text, const QString& title, Icon icon,
                           const QStringList& buttons, int defaultButton, int escapeButton,
                           const QString& checkBox, bool* checked) {
    QMessageBox box(icon == Icon::Critical  ? QMessageBox::Critical
                    : icon == Icon::Warning ? QMessageBox::Warning
                                            : QMessageBox::NoIcon,
                    title, text, QMessageBox::NoButton, m_parent);
    box.setTextFormat(Qt::PlainText);
    QList<QPushButton*> pressed;
    for (const QString& caption : buttons)
        pressed.append(box.addButton(caption, QMessageBox::ActionRole));
    if (pressed.isEmpty())
        return -1;
    box.setDefaultButton(pressed.value(defaultButton, pressed.first()));
    box.setEscapeButton(pressed.value(escapeButton, pressed.last()));
    if (!checkBox.isEmpty())
        box.setCheckBox(new QCheckBox(checkBox, &box));
    box.exec();
    if (checked && box.checkBox())
        *checked = box.checkBox()->isChecked();
    const qsizetype index = pressed.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    return index >= 0 ? int(index) : escapeButton;
}

std::optional<QString> WidgetPrompter::password(const QString& prompt, const QString& title) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(m_parent, title, prompt, QLineEdit::Password, QString(), &ok);
    if (!ok)
        return std::nullopt;
    return text;
}
