#pragma once

#include "common/prompter.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Answers the client's questions from a script and records what it was told,
// so that no test ever blocks on a modal dialog.
class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        QString text;
        QString title;
        Icon icon = Icon::None;
        Answer defaultButton = Answer::Yes; // questions: what Enter would answer
    };

    struct Choice {
        QString text;
        QString title;
        Icon icon = Icon::None;
        QStringList buttons;
        int defaultButton = 0;
        int escapeButton = 0;
        QString checkBox;
    };

    QList<Answer> answers; // taken in order by askYesNoCancel; Cancel when empty
    QStringList inputs;    // taken in order by input; "" when empty
    // Taken in order by choose: a button's caption, or "" for Escape; Escape
    // when empty.
    QStringList choices;
    // Taken in order by choose and password when they show a check box;
    // unchecked when empty.
    QList<bool> checks;
    // Taken in order by password; nothing (cancelled) when empty.
    QList<std::optional<QString>> passwords;
    QList<Choice> choicesShown;
    QStringList passwordPrompts;
    // The check box each password question showed ("" for none), and how it
    // was ticked when shown.
    QStringList passwordCheckBoxes;
    QList<bool> passwordChecksShown;
    QList<Shown> messages;
    QList<Shown> questions;
    QList<Shown> prompts;
    int beeps = 0;
    // Runs while a message is "shown", as the event loop of a real box would.
    std::function<void()> whileShowingMessage;

    void beep() override { ++beeps; }
    void message(const QString& text, const QString& title, Icon icon) override {
        messages.append({text, title, icon});
        if (whileShowingMessage)
            whileShowingMessage();
    }
    Answer askYesNoCancel(const QString& text, const QString& title,
                          Answer defaultButton) override {
        questions.append({text, title, Icon::None, defaultButton});
        return answers.isEmpty() ? Answer::Cancel : answers.takeFirst();
    }
    QString input(const QString& prompt, const QString& title,
                  const QString& defaultText) override {
        prompts.append({prompt, title, Icon::None});
        Q_UNUSED(defaultText);
        return inputs.isEmpty() ? QString() : inputs.takeFirst();
    }
    int choose(const QString& text, const QString& title, Icon icon, const QStringList& buttons,
               int defaultButton, int escapeButton, const QString& checkBox = QString(),
               bool* checked = nullptr) override {
        choicesShown.append({text, title, icon, buttons, defaultButton, escapeButton, checkBox});
        if (!checkBox.isEmpty() && checked)
            *checked = !checks.isEmpty() && checks.takeFirst();
        const QString caption = choices.isEmpty() ? QString() : choices.takeFirst();
        const qsizetype index = buttons.indexOf(caption);
        return index >= 0 ? int(index) : escapeButton;
    }
    std::optional<QString> password(const QString& prompt, const QString& title,
                                    const QString& checkBox = QString(),
                                    bool* checked = nullptr) override {
        passwordPrompts.append(prompt);
        passwordCheckBoxes.append(checkBox);
        passwordChecksShown.append(checked && *checked);
        Q_UNUSED(title);
        if (!checkBox.isEmpty() && checked)
            *checked = !checks.isEmpty() && checks.takeFirst();
        return passwords.isEmpty() ? std::nullopt : passwords.takeFirst();
    }
};
