#pragma once

#include "transfer_item.h"

#include <QString>

#include <functional>
#include <optional>

// What to do when a transfer's target exists already, as a setting.
enum class ExistingTargetRule {
    Ask,                  // ask each time (until the user answers for the rest)
    OverwriteIfDifferent, // overwrite when the source is newer or of another size, else skip
    Skip,                 // leave every existing target alone
};

// A transfer whose target exists.
struct Conflict {
    TransferDirection direction = TransferDirection::Download;
    QString source;
    QString target;
    qint64 sourceSize = -1;
    qint64 sourceTime = -1; // seconds since 1970 UTC; -1: not known
    qint64 targetSize = -1;
    qint64 targetTime = -1;

    // Resuming makes sense only for a target smaller than its source.
    bool canResume() const { return targetSize >= 0 && sourceSize > targetSize; }
};

// Asks the user about a conflict; the window answers with a box, tests from
// a script.
class ConflictPrompts {
public:
    struct Reply {
        ConflictAnswer answer = ConflictAnswer::Skip;
        bool forTheRest = false; // the same answer for the rest of this queue
    };
    virtual ~ConflictPrompts() = default;
    virtual Reply ask(const Conflict& conflict) = 0;
};

// The answer the rule gives without asking; nothing for Ask.
std::optional<ConflictAnswer> answerByRule(ExistingTargetRule rule, const Conflict& conflict);
// An answer given for the rest, fitted to this conflict: Resume becomes
// Overwrite where there is nothing to resume.
ConflictAnswer fitAnswer(ConflictAnswer answer, const Conflict& conflict);

// A name beside `path` that `taken` says is free: "name (1).ext",
// "name (2).ext", ... (the extension after the last dot of the name, if any).
QString freeName(const QString& path, const std::function<bool(const QString&)>& taken);
