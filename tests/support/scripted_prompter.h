#pragma once

#include "common/prompter.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

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

    QList<Answer> answers; // taken in order by askYesNoCancel; Cancel when empty
    QStringList inputs;    // taken in order by input; "" when empty
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
};
