#pragma once

#include "conflicts.h"

class Prompter;

// The queue's question about a target that exists, as a box with a button
// per answer and "for the rest of this queue".
class QueueQuestions : public ConflictPrompts {
public:
    explicit QueueQuestions(Prompter& prompter)
        : m_prompter(prompter) {}

    Reply ask(const Conflict& conflict) override;

    static QString questionText(const Conflict& conflict);

private:
    Prompter& m_prompter;
};
