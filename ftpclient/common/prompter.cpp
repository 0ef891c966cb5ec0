#include "prompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

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

std::optional<QString> WidgetPrompter::password(const QString& prompt, const QString& title,
                                                const QString& checkBox, bool* checked) {
    if (checkBox.isEmpty()) {
        bool ok = false;
        const QString text =
            QInputDialog::getText(m_parent, title, prompt, QLineEdit::Password, QString(), &ok);
        if (!ok)
            return std::nullopt;
        return text;
    }
    QDialog box(m_parent);
    box.setWindowTitle(title);
    auto* column = new QVBoxLayout(&box);
    auto* label = new QLabel(prompt, &box);
    label->setTextFormat(Qt::PlainText);
    auto* field = new QLineEdit(&box);
    field->setEchoMode(QLineEdit::Password);
    auto* check = new QCheckBox(checkBox, &box);
    check->setChecked(checked && *checked);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    column->addWidget(label);
    column->addWidget(field);
    column->addWidget(check);
    column->addWidget(buttons);
    field->setFocus();
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    if (checked)
        *checked = check->isChecked();
    return field->text();
}
