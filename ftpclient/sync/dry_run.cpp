#include "dry_run.h"

#include "control_characters.h"
#include "sync_plan.h"

namespace {

bool isKeptByte(char16_t unit) {
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

// Whether the unit at `at` is half of a surrogate pair, that is, part of a
// character and not a byte kept from a name that is not UTF-8.
bool inPair(const QString& text, qsizetype at) {
    const QChar c = text[at];
    if (c.isHighSurrogate())
        return at + 1 < text.size() && text[at + 1].isLowSurrogate();
    return c.isLowSurrogate() && at > 0 && text[at - 1].isHighSurrogate();
}

bool needsEscape(const QString& text, qsizetype at) {
    const QChar c = text[at];
    if (c.isSurrogate())
        return !inPair(text, at);
    return c == u'"' || c == u'\\' || isControlCharacter(c.unicode());
}

bool needsQuotes(const QString& text) {
    if (text.isEmpty() || text.front() == u' ' || text.back() == u' ')
        return true;
    for (qsizetype at = 0; at < text.size(); ++at)
        if (needsEscape(text, at))
            return true;
    return false;
}

QString hexDigits(char32_t value, int width) {
    return QString::number(uint(value), 16).toUpper().rightJustified(width, u'0');
}

QString escaped(char32_t c) {
    switch (c) {
    case U'\t':
        return QStringLiteral("\\t");
    case U'\n':
        return QStringLiteral("\\n");
    case U'\r':
        return QStringLiteral("\\r");
    case U'"':
        return QStringLiteral("\\\"");
    case U'\\':
        return QStringLiteral("\\\\");
    default:
        break;
    }
    if (c <= 0xFFFF && isKeptByte(char16_t(c)))
        return QStringLiteral("\\x") + hexDigits(c - 0xDC00, 2);
    return QStringLiteral("\\u{") + hexDigits(c, 4) + u'}';
}

QString totalsNote(const SyncPlan& plan) {
    const SyncTotals totals = totalsOf(plan);
    QString note;
    for (size_t kind = 0; kind < totals.kinds.size(); ++kind) {
        const ActionTotal& total = totals.kinds[kind];
        if (total.files || total.folders)
            note += QStringLiteral("# %1: %2 files, %3 folders, %4 bytes\n")
                        .arg(actionWord(ActionKind(kind)))
                        .arg(total.files)
                        .arg(total.folders)
                        .arg(total.bytes);
    }
    return note;
}

} // namespace

QString actionWord(ActionKind kind) {
    switch (kind) {
    case ActionKind::Upload:
        return QStringLiteral("upload");
    case ActionKind::Download:
        return QStringLiteral("download");
    case ActionKind::DeleteLocal:
        return QStringLiteral("delete-local");
    case ActionKind::DeleteRemote:
        return QStringLiteral("delete-remote");
    case ActionKind::KeepExtra:
        return QStringLiteral("keep");
    case ActionKind::Leave:
        return QStringLiteral("leave");
    case ActionKind::Problem:
        break;
    }
    return QStringLiteral("problem");
}

QString quotedField(const QString& text) {
    if (!needsQuotes(text))
        return text;
    QString quoted(u'"');
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (needsEscape(text, at))
            quoted += escaped(text[at].unicode());
        else
            quoted += text[at];
    }
    return quoted + u'"';
}

QString dryRunText(const SyncPlan& plan) {
    QString text = QStringLiteral("# action\tpath\tbytes\treason\n");
    for (const SyncAction& action : plan.actions) {
        const QString word = actionWord(action.kind);
        text += action.chosen ? word : QStringLiteral("skip-") + word;
        text += u'\t';
        text += quotedField(action.folder ? action.path + u'/' : action.path);
        text += u'\t' + QString::number(action.bytes) + u'\t';
        text += quotedField(action.reason);
        text += u'\n';
    }
    return text + totalsNote(plan);
}
