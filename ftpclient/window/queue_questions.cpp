#include "queue_questions.h"

#include "common/prompter.h"
#include "queue_model.h"
#include "raw_names.h"

#include <QDateTime>

namespace {

// Size and time of one side; `newer` marks the side changed last.
QString describe(qint64 size, qint64 time, bool newer) {
    QString text = size >= 0 ? QueueModel::formatBytes(size) : QStringLiteral("size unknown");
    text += time >= 0 ? QStringLiteral(", changed ") + QDateTime::fromSecsSinceEpoch(time).toString(
                                                           QStringLiteral("yyyy-MM-dd HH:mm"))
                      : QStringLiteral(", time unknown");
    if (newer)
        text += QStringLiteral(" (newer)");
    return text;
}

} // namespace

QString QueueQuestions::questionText(const Conflict& conflict) {
    const bool download = conflict.direction == TransferDirection::Download;
    const QString target = download ? RawName::shownWithMarks(conflict.target)
                                    : RawName::shownAsLatin1(conflict.target);
    const bool bothKnown = conflict.targetTime >= 0 && conflict.sourceTime >= 0;
    return QStringLiteral("%1 exists already%2.\n\nExisting: %3\nNew: %4")
        .arg(target, download ? QString() : QStringLiteral(" on the server"),
             describe(conflict.targetSize, conflict.targetTime,
                      bothKnown && conflict.targetTime > conflict.sourceTime),
             describe(conflict.sourceSize, conflict.sourceTime,
                      bothKnown && conflict.sourceTime > conflict.targetTime));
}

// Resume is offered only for a target smaller than its source; Escape skips.
ConflictPrompts::Reply QueueQuestions::ask(const Conflict& conflict) {
    QStringList buttons{QStringLiteral("Overwrite")};
    QList<ConflictAnswer> answers{ConflictAnswer::Overwrite};
    if (conflict.canResume()) {
        buttons << QStringLiteral("Resume");
        answers << ConflictAnswer::Resume;
    }
    buttons << QStringLiteral("Rename") << QStringLiteral("Skip");
    answers << ConflictAnswer::Rename << ConflictAnswer::Skip;
    bool forTheRest = false;
    const int skip = int(buttons.size()) - 1;
    const int pressed = m_prompter.choose(
        questionText(conflict), QStringLiteral("File Exists"), Prompter::Icon::Warning, buttons,
        skip, skip, QStringLiteral("Do the same for the rest of this queue"), &forTheRest);
    return {answers.value(pressed, ConflictAnswer::Skip), forTheRest};
}
