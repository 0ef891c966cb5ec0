#include "verdict_look.h"

VerdictLook verdictLook(Verdict verdict, bool containsDifferences) {
    switch (verdict) {
    case Verdict::Same:
        return containsDifferences
                   ? VerdictLook{QStringLiteral("differences inside"), QStringLiteral("*")}
                   : VerdictLook{QStringLiteral("same"), QStringLiteral("=")};
    case Verdict::OnlyLocal:
        return {QStringLiteral("local only"), QStringLiteral("+")};
    case Verdict::OnlyRemote:
        return {QStringLiteral("remote only"), QStringLiteral("-")};
    case Verdict::NewerLocal:
        return {QStringLiteral("newer local"), QStringLiteral(">")};
    case Verdict::NewerRemote:
        return {QStringLiteral("newer remote"), QStringLiteral("<")};
    case Verdict::SizeDiffers:
        return {QStringLiteral("other size"), QString(QChar(0x2260))};
    case Verdict::ContentsDiffer:
        return {QStringLiteral("other contents"), QStringLiteral("#")};
    case Verdict::Problem:
        break;
    }
    return {QStringLiteral("problem"), QStringLiteral("!")};
}
