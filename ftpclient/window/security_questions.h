#pragma once

#include "security_prompts.h"

#include <QString>
#include <QStringList>

class Prompter;

// The session's security questions as the window asks them: a box naming
// the server, what it showed and why it is not trusted, and the buttons the
// case allows.
class SecurityQuestions : public SecurityPrompts {
public:
    explicit SecurityQuestions(Prompter& prompter)
        : m_prompter(prompter) {}

    Decision decide(const PeerIdentity& peer) override;
    std::optional<QString> passphrase(const QString& keyFile) override;
    Decision clearText(const QByteArray& host, long port) override;

    // One question: its box and the decision each button stands for.
    struct Question {
        QString title;
        QString text;
        QStringList buttons;
        QList<Decision> decisions; // one per button
        int defaultButton = 0;     // what Enter presses
    };
    static Question questionFor(const PeerIdentity& peer);

private:
    Prompter& m_prompter;
};
