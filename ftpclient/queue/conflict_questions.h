#pragma once

#include "conflicts.h"

#include <QObject>

#include <optional>
#include <utility>
#include <vector>

// Answers about existing targets: by the rule, by an answer the user gave
// for the rest, or by a question put to the user, one at a time, once the
// event loop is free.
class ConflictQuestions : public QObject {
    Q_OBJECT

public:
    void setRule(ExistingTargetRule rule) { m_rule = rule; }
    ExistingTargetRule rule() const { return m_rule; }
    // Without prompts, the rule's answer or Skip.
    void setPrompts(ConflictPrompts* prompts) { m_prompts = prompts; }

    // The answer for item `id`'s existing target, when there is one now.
    // Otherwise the question is asked later and answered() tells the answer.
    std::optional<ConflictAnswer> answerFor(quint64 id, const Conflict& conflict);
    // Whether the target's time can change the answer: not when one was
    // given for the rest, nor under a rule that skips every target.
    bool timesMatter() const;
    bool open() const { return !m_questions.empty(); }
    // The next run asks again.
    void forgetAnswerForTheRest() { m_answerForTheRest.reset(); }

signals:
    void answered(quint64 id, ConflictAnswer answer);
    // A question is settled, with every item its answer covered.
    void settled();

private:
    void askNext();

    ExistingTargetRule m_rule = ExistingTargetRule::Ask;
    ConflictPrompts* m_prompts = nullptr;
    std::optional<ConflictAnswer> m_answerForTheRest;
    std::vector<std::pair<quint64, Conflict>> m_questions;
    bool m_asking = false;
};
