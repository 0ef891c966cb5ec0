#pragma once

#include "conflicts.h"

#include <QStringList>

#include <deque>

// Answers the queue's questions about existing targets from a script, for
// tests below the window: the answers in order, then Skip, and notes the
// target of every question.
class ScriptedConflicts : public ConflictPrompts {
public:
    std::deque<ConflictAnswer> answers;
    QStringList askedAbout;

    Reply ask(const Conflict& conflict) override {
        askedAbout << conflict.target;
        if (answers.empty())
            return {ConflictAnswer::Skip, false};
        const ConflictAnswer next = answers.front();
        answers.pop_front();
        return {next, false};
    }
};
