#include "sync_types.h"

#include <algorithm>
#include <cstdlib>

QString childPath(const QString& folder, const QString& name) {
    if (folder.isEmpty())
        return name;
    QString path(folder.size() + 1 + name.size(), Qt::Uninitialized);
    QChar* at = std::copy(folder.cbegin(), folder.cend(), path.data());
    *at++ = u'/';
    std::copy(name.cbegin(), name.cend(), at);
    return path;
}

bool isTransfer(ActionKind kind) {
    return kind == ActionKind::Upload || kind == ActionKind::Download;
}

std::optional<qint64> clockOffsetOf(qint64 shown, qint64 utc) {
    constexpr qint64 quarterHour = 15 * 60;
    constexpr qint64 farthest = 15 * 60 * 60;
    const qint64 difference = shown - utc;
    const qint64 quarters =
        (difference + (difference >= 0 ? quarterHour / 2 : -quarterHour / 2)) / quarterHour;
    const qint64 offset = quarters * quarterHour;
    if (std::llabs(offset) > farthest)
        return std::nullopt;
    return offset;
}
