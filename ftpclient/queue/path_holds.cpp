#include "path_holds.h"

void PathHolds::holdTargets(const TransferItem& item) {
    m_holds.insert(localKey(item.local), item.id);
    m_holds.insert(remoteKey(item), item.id);
}

void PathHolds::holdLocal(quint64 id, const QString& path) {
    m_holds.insert(localKey(path), id);
}

void PathHolds::release(quint64 id) {
    m_holds.removeIf([id](const auto& held) { return held.value() == id; });
}

bool PathHolds::heldByAnother(const TransferItem& item) const {
    if (item.folder || m_holds.isEmpty())
        return false;
    const auto byAnother = [&](const QString& key) {
        const auto held = m_holds.constFind(key);
        return held != m_holds.cend() && held.value() != item.id;
    };
    return byAnother(localKey(item.local)) || byAnother(remoteKey(item));
}

bool PathHolds::localPathTaken(quint64 id, const QString& path) const {
    const QString key = localKey(path);
    const auto held = m_holds.constFind(key);
    if (held != m_holds.cend() && held.value() != id)
        return true;
    return m_localTargets.contains(key);
}
