#include "folder_compare.h"

#include "name_order.h"

#include <algorithm>

namespace {

qint64 secondsCovered(TimePrecision precision) {
    switch (precision) {
    case TimePrecision::Minutes:
        return 60;
    case TimePrecision::Days:
        return 24 * 60 * 60;
    case TimePrecision::Seconds:
        break;
    }
    return 1;
}

// A folder as one side has it: read (perhaps with an error), not read though
// the side has it, or not there at all.
struct SideState {
    const SideFolder* folder = nullptr;
    bool unread = false;
};

SideState stateOf(const SideTree& tree, const QString& path, const SideEntry* entry) {
    if (!entry || !entry->folder)
        return {};
    const auto found = tree.constFind(path);
    return found == tree.cend() ? SideState{nullptr, true} : SideState{&*found, false};
}

QString unreadableReason(const SideState& local, const SideState& remote) {
    if (local.unread)
        return QStringLiteral("the local folder was not read");
    if (remote.unread)
        return QStringLiteral("the folder on the server was not read");
    if (local.folder && !local.folder->error.isEmpty())
        return QStringLiteral("the local folder could not be read: ") + local.folder->error;
    if (remote.folder && !remote.folder->error.isEmpty())
        return QStringLiteral("the folder on the server could not be read: ") +
               remote.folder->error;
    return {};
}

// The names of one folder on both sides, sorted without regard to case,
// each with its entry on each side.
struct MergedFolder {
    std::vector<QString> names;
    std::vector<const SideEntry*> local;
    std::vector<const SideEntry*> remote;

    void add(const QString& name, const SideEntry* entry, bool isLocal) {
        if (names.empty() || names.back() != name) {
            names.push_back(name);
            local.push_back(nullptr);
            remote.push_back(nullptr);
        }
        const SideEntry*& side = isLocal ? local.back() : remote.back();
        if (!side) // a name listed twice counts once
            side = entry;
    }
};

QString sideWords(const SideEntry* local, const SideEntry* remote) {
    if (local && remote)
        return QStringLiteral("here and on the server");
    return local ? QStringLiteral("here") : QStringLiteral("on the server");
}

class TreeComparer {
public:
    TreeComparer(const SideTree& local, const SideTree& remote, const CompareRules& rules,
                 const CompiledFilter& filter)
        : m_localTree(local)
        , m_remoteTree(remote)
        , m_rules(rules)
        , m_filter(filter) {}

    ComparedTree run() {
        const QString root;
        const auto side = [&root](const SideTree& tree) {
            const auto found = tree.constFind(root);
            return found == tree.cend() ? SideState{nullptr, true} : SideState{&*found, false};
        };
        if (m_localTree.contains(root) || m_remoteTree.contains(root))
            compareFolder(root, side(m_localTree), side(m_remoteTree));
        return std::move(m_compared);
    }

private:
    bool compareFolder(const QString& path, const SideState& local, const SideState& remote);
    MergedFolder merge(const QString& path, const SideState& local, const SideState& remote) const;
    void takeEntries(const QString& path, const SideFolder& folder, std::vector<QString>& names,
                     std::vector<const SideEntry*>& entries) const;
    std::vector<QString> caseClashes(const MergedFolder& merged) const;
    ComparedEntry judge(const QString& name, const SideEntry* local, const SideEntry* remote) const;
    void judgeBoth(ComparedEntry& entry) const;
    bool descend(const QString& path, const SideEntry* local, const SideEntry* remote);

    const SideTree& m_localTree;
    const SideTree& m_remoteTree;
    const CompareRules& m_rules;
    const CompiledFilter& m_filter;
    ComparedTree m_compared;
};

// Compares the folder at `path` and what is below it; whether anything in
// it is not the same on both sides.
bool TreeComparer::compareFolder(const QString& path, const SideState& local,
                                 const SideState& remote) {
    ComparedFolder folder;
    folder.error = unreadableReason(local, remote);
    folder.remoteLeftOut = remote.folder ? remote.folder->leftOut : 0;
    const MergedFolder merged = merge(path, local, remote);
    const std::vector<QString> clashes = caseClashes(merged);
    bool differs = !folder.error.isEmpty();
    folder.entries.reserve(merged.names.size());
    for (size_t i = 0; i < merged.names.size(); ++i) {
        ComparedEntry entry = judge(merged.names[i], merged.local[i], merged.remote[i]);
        if (!folder.error.isEmpty()) {
            entry.verdict = Verdict::Problem;
            entry.problem = folder.error;
        } else if (!clashes[i].isEmpty()) {
            entry.verdict = Verdict::Problem;
            entry.problem = clashes[i];
        } else if (entry.folder && entry.verdict != Verdict::Problem) {
            entry.containsDifferences =
                descend(childPath(path, entry.name), merged.local[i], merged.remote[i]);
        }
        differs = differs || entry.verdict != Verdict::Same || entry.containsDifferences;
        folder.entries.push_back(std::move(entry));
    }
    m_compared.emplace(path, std::move(folder));
    return differs;
}

bool TreeComparer::descend(const QString& path, const SideEntry* local, const SideEntry* remote) {
    const SideState localState = stateOf(m_localTree, path, local);
    const SideState remoteState = stateOf(m_remoteTree, path, remote);
    if (!localState.folder && !remoteState.folder)
        return false; // read on neither side: nothing to say about what it holds
    return compareFolder(path, localState, remoteState);
}

// Both sides' entries sorted together: a name on both sides comes up twice
// in a row, and names that differ only in case follow each other.
MergedFolder TreeComparer::merge(const QString& path, const SideState& local,
                                 const SideState& remote) const {
    std::vector<QString> listed;
    std::vector<const SideEntry*> entries;
    const size_t count = (local.folder ? local.folder->entries.size() : 0) +
                         (remote.folder ? remote.folder->entries.size() : 0);
    listed.reserve(count);
    entries.reserve(count);
    if (local.folder)
        takeEntries(path, *local.folder, listed, entries);
    const qsizetype localCount = qsizetype(listed.size());
    if (remote.folder)
        takeEntries(path, *remote.folder, listed, entries);
    MergedFolder merged;
    merged.names.reserve(count);
    merged.local.reserve(count);
    merged.remote.reserve(count);
    for (const int i : caseInsensitiveOrder(listed, true))
        merged.add(listed[size_t(i)], entries[size_t(i)], i < localCount);
    return merged;
}

// Adds the folder's entries that the filter lets through.
void TreeComparer::takeEntries(const QString& path, const SideFolder& folder,
                               std::vector<QString>& names,
                               std::vector<const SideEntry*>& entries) const {
    const bool filtering = !m_filter.isEmpty();
    // The entry's path, when the filter needs it: the folder's part kept,
    // each name put after it in turn.
    QString entryPath = path.isEmpty() ? QString() : path + u'/';
    const qsizetype folderPart = entryPath.size();
    for (const SideEntry& entry : folder.entries) {
        if (filtering && m_filter.needsPaths(entry.folder)) {
            entryPath.truncate(folderPart);
            entryPath += entry.name;
        }
        if (filtering && m_filter.skips(entryPath, entry.name, entry.folder))
            continue;
        names.push_back(entry.name);
        entries.push_back(&entry);
    }
}

// For each name, why it clashes with another that differs only in case, or
// "". Such names follow each other.
std::vector<QString> TreeComparer::caseClashes(const MergedFolder& merged) const {
    std::vector<QString> clashes(merged.names.size());
    const auto clash = [&merged, &clashes](size_t name, size_t other) {
        if (clashes[name].isEmpty())
            clashes[name] =
                QStringLiteral("differs only in case from \"%1\" (%2)")
                    .arg(merged.names[other], sideWords(merged.local[other], merged.remote[other]));
    };
    for (size_t i = 1; i < merged.names.size(); ++i) {
        if (merged.names[i - 1].compare(merged.names[i], Qt::CaseInsensitive) == 0) {
            clash(i - 1, i);
            clash(i, i - 1);
        }
    }
    return clashes;
}

ComparedEntry TreeComparer::judge(const QString& name, const SideEntry* local,
                                  const SideEntry* remote) const {
    ComparedEntry entry;
    entry.name = name;
    entry.localPresent = local != nullptr;
    entry.remotePresent = remote != nullptr;
    if (local)
        entry.local = *local;
    if (remote)
        entry.remote = *remote;
    entry.folder = local ? local->folder : remote->folder;
    if (!remote)
        entry.verdict = Verdict::OnlyLocal;
    else if (!local)
        entry.verdict = Verdict::OnlyRemote;
    else
        judgeBoth(entry);
    return entry;
}

void TreeComparer::judgeBoth(ComparedEntry& entry) const {
    const SideEntry& local = entry.local;
    const SideEntry& remote = entry.remote;
    if (local.folder != remote.folder) {
        entry.verdict = Verdict::Problem;
        entry.problem = local.folder ? QStringLiteral("a folder here, a file on the server")
                                     : QStringLiteral("a file here, a folder on the server");
        return;
    }
    entry.verdict = Verdict::Same;
    if (local.folder)
        return; // what they hold decides
    const bool byTime = m_rules.byTime && local.modified >= 0 && remote.modified >= 0;
    const bool bySize = m_rules.bySize && local.size >= 0 && remote.size >= 0;
    const int order = byTime ? compareTimes(local, remote, m_rules) : 0;
    if (order != 0)
        entry.verdict = order > 0 ? Verdict::NewerLocal : Verdict::NewerRemote;
    else if (bySize && local.size != remote.size)
        entry.verdict = Verdict::SizeDiffers;
    else if (!byTime && !bySize && (m_rules.byTime || m_rules.bySize)) {
        entry.verdict = Verdict::Problem;
        entry.problem = QStringLiteral("cannot be compared: the size and time are not known");
    }
}

} // namespace

int compareTimes(const SideEntry& local, const SideEntry& remote, const CompareRules& rules) {
    const qint64 tolerance = std::max<qint64>(0, rules.toleranceSeconds);
    const qint64 localFirst = local.modified;
    const qint64 localLast = localFirst + secondsCovered(local.precision) - 1;
    const qint64 remoteFirst = remote.modified - rules.remoteOffsetSeconds;
    const qint64 remoteLast = remoteFirst + secondsCovered(remote.precision) - 1;
    if (localLast + tolerance < remoteFirst)
        return -1;
    if (remoteLast + tolerance < localFirst)
        return 1;
    return 0;
}

ComparedTree compareTrees(const SideTree& local, const SideTree& remote, const CompareRules& rules,
                          const CompiledFilter& filter) {
    return TreeComparer(local, remote, rules, filter).run();
}
