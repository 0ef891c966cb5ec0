#include "conflicts.h"

std::optional<ConflictAnswer> answerByRule(ExistingTargetRule rule, const Conflict& conflict) {
    switch (rule) {
    case ExistingTargetRule::Ask:
        return std::nullopt;
    case ExistingTargetRule::Skip:
        return ConflictAnswer::Skip;
    case ExistingTargetRule::OverwriteIfDifferent: {
        const bool otherSize =
            conflict.sourceSize < 0 || conflict.sourceSize != conflict.targetSize;
        const bool newer = conflict.sourceTime >= 0 && conflict.targetTime >= 0 &&
                           conflict.sourceTime > conflict.targetTime;
        return otherSize || newer ? ConflictAnswer::Overwrite : ConflictAnswer::Skip;
    }
    }
    return std::nullopt;
}

ConflictAnswer fitAnswer(ConflictAnswer answer, const Conflict& conflict) {
    if (answer == ConflictAnswer::Resume && !conflict.canResume())
        return ConflictAnswer::Overwrite;
    return answer;
}

QString freeName(const QString& path, const std::function<bool(const QString&)>& taken) {
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString folder = path.left(slash + 1);
    const QString name = path.mid(slash + 1);
    // A leading dot is part of the name, not an extension.
    const qsizetype dot = name.lastIndexOf(u'.');
    const bool hasExtension = dot > 0;
    const QString stem = hasExtension ? name.left(dot) : name;
    const QString extension = hasExtension ? name.mid(dot) : QString();
    for (int n = 1;; ++n) {
        const QString candidate = folder + stem + QStringLiteral(" (%1)").arg(n) + extension;
        if (!taken(candidate))
            return candidate;
    }
}
