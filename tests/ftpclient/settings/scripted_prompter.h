#pragma once

#include "common/prompter.h"

#include <QList>
#include <QStringList>

// Answers every question from a script and records what was shown.
class ScriptedPrompter : public Prompter {
public:
    struct Message {
        QString text;
        QString title;
        Icon icon;
    };

    QList<Answer> answers;
    QStringList inputs;
    QList<Message> messages;
    int beeps = 0;

    void beep() override { ++beeps; }
    void message(const QString& text, const QString& title, Icon icon) override {
        messages.append({text, title, icon});
    }
    Answer askYesNoCancel(const QString& text, const QString& title) override {
        messages.append({text, title, Icon::None});
        return answers.isEmpty() ? Answer::Cancel : answers.takeFirst();
    }
    QString input(const QString& prompt, const QString& title, const QString&) override {
        messages.append({prompt, title, Icon::None});
        return inputs.isEmpty() ? QString() : inputs.takeFirst();
    }
};
