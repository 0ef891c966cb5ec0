#include "conflict_questions.h"

std::optional<ConflictAnswer> ConflictQuestions::answerFor(quint64 id, const Conflict& conflict) {
    if (const auto byRule = answerByRule(m_rule, conflict))
        return byRule;
    if (m_answerForTheRest)
        return fitAnswer(*m_answerForTheRest, conflict);
    if (!m_prompts)
        return ConflictAnswer::Skip;
    m_questions.emplace_back(id, conflict);
    if (!m_asking && m_questions.size() == 1)
        QMetaObject::invokeMethod(this, &ConflictQuestions::askNext, Qt::QueuedConnection);
    return std::nullopt;
}

bool ConflictQuestions::timesMatter() const {
    return !m_answerForTheRest && m_rule != ExistingTargetRule::Skip;
}

// One question at a time; an answer for the rest settles the questions
// still open as well.
void ConflictQuestions::askNext() {
    if (m_asking || m_questions.empty() || !m_prompts)
        return;
    const Conflict conflict = m_questions.front().second;
    m_asking = true;
    const ConflictPrompts::Reply reply = m_prompts->ask(conflict);
    m_asking = false;
    if (reply.forTheRest)
        m_answerForTheRest = reply.answer;
    std::vector<std::pair<quint64, Conflict>> settledNow;
    if (reply.forTheRest)
        settledNow.swap(m_questions);
    else
        settledNow.push_back(m_questions.front()), m_questions.erase(m_questions.begin());
    for (const auto& [waiting, itsConflict] : settledNow)
        emit answered(waiting, fitAnswer(reply.answer, itsConflict));
    emit settled();
    if (!m_questions.empty())
        QMetaObject::invokeMethod(this, &ConflictQuestions::askNext, Qt::QueuedConnection);
}
