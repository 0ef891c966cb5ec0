#pragma once

#include "sync_types.h"

#include <array>

// The preview's rows for bringing the compared folders in line (see
// SyncAction): transfers first (a folder before what goes into it), then
// deletions (files, then folders deepest first), then what is kept though
// not on the source side, the problems, and what is left as it is. Every row
// carries a short reason. Nothing is deleted when both ways are chosen, and
// nothing whose name cannot exist on the target side is planned but as a
// problem.
SyncPlan planSync(const ComparedTree& compared, const SyncOptions& options);

// Why `name` cannot name an entry on the target side, or "" when it can.
QString targetNameProblem(const QString& name, bool remoteTarget);

// What the chosen rows of one kind come to.
struct ActionTotal {
    qsizetype files = 0;
    qsizetype folders = 0;
    qint64 bytes = 0;
};

struct SyncTotals {
    std::array<ActionTotal, size_t(ActionKind::Problem) + 1> kinds{};
    const ActionTotal& of(ActionKind kind) const { return kinds[size_t(kind)]; }
};

SyncTotals totalsOf(const SyncPlan& plan);
