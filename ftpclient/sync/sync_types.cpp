#include "sync_types.h"

#include <algorithm>

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
