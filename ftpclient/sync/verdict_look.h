#pragma once

#include "sync_types.h"

#include <QString>

// How the panes show a verdict: a short word and a one-character mark that
// tells the verdicts apart without colour.
struct VerdictLook {
    QString word;
    QString mark;
};

// A folder the same on both sides but with differences inside has a look of
// its own.
VerdictLook verdictLook(Verdict verdict, bool containsDifferences = false);
