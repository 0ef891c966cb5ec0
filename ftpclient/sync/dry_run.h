#pragma once

#include "sync_types.h"

#include <QString>

// A plan as text, one line a row: action, path (a folder's ends in "/"),
// bytes and reason, separated by tabs. A row left out in the preview has
// its action written "skip-<action>". A path or reason that holds a tab, a
// line break, another control character, a quote, a backslash, a byte that is
// not UTF-8 or spaces at either end is written in double quotes with
// backslash escapes (\t \n \r \" \\, \xNN for such a byte, \u{NNNN} for other
// control characters). Lines starting with "#" are notes: the columns at the
// top, the totals at the end.
QString dryRunText(const SyncPlan& plan);

// The word for an action in that text: "upload", "delete-remote", ...
QString actionWord(ActionKind kind);

// `text` as it stands in a field of that text.
QString quotedField(const QString& text);
