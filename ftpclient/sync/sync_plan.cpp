#include "sync_plan.h"

#include "folder_compare.h"

#include <QSet>

#include <algorithm>
#include <numeric>

namespace {

// Where things go: the one-way directions by their target, or both ways.
struct Way {
    bool bothWays = false;
    bool toRemote = true; // one way: the server is the target

    Verdict onlySource() const { return toRemote ? Verdict::OnlyLocal : Verdict::OnlyRemote; }
    Verdict onlyTarget() const { return toRemote ? Verdict::OnlyRemote : Verdict::OnlyLocal; }
    Verdict newerSource() const { return toRemote ? Verdict::NewerLocal : Verdict::NewerRemote; }
    Verdict newerTarget() const { return toRemote ? Verdict::NewerRemote : Verdict::NewerLocal; }
};

ActionKind copyTo(bool toRemote) {
    return toRemote ? ActionKind::Upload : ActionKind::Download;
}

ActionKind deleteOn(bool remote) {
    return remote ? ActionKind::DeleteRemote : ActionKind::DeleteLocal;
}

QString onlyReason(bool local) {
    return local ? QStringLiteral("only on the local side") : QStringLiteral("only on the server");
}

QString newerReason(bool local) {
    return local ? QStringLiteral("newer here") : QStringLiteral("newer on the server");
}

// The parts of a plan, in their order.
enum class Part : quint8 { Transfer, DeletedFile, DeletedFolder, Kept, Problem, Left };

// Why copying over a newer file is not chosen unless the user ticks it.
QString replacingReason(bool toRemote) {
    return toRemote ? QStringLiteral("newer on the server; uploading would replace a newer file")
                    : QStringLiteral("newer here; downloading would replace a newer file");
}

class Planner {
public:
    Planner(const ComparedTree& compared, const SyncOptions& options)
        : m_compared(compared)
        , m_options(options) {
        m_way.bothWays = options.direction == SyncDirection::BothByNewest;
        m_way.toRemote = options.direction == SyncDirection::LocalToRemote;
    }

    SyncPlan run();

private:
    void planFolder(const QString& path, const QString& blocked);
    void planEntry(const QString& path, const ComparedEntry& entry);
    void planOneWay(const QString& path, const ComparedEntry& entry);
    void planBothWays(const QString& path, const ComparedEntry& entry);
    void planNewerContents(const QString& path, const ComparedEntry& entry);
    void planCopy(const QString& path, const ComparedEntry& entry, bool toRemote,
                  const QString& reason, bool chosen = true);
    void planExtra(const QString& path, const ComparedEntry& entry);
    void planLeftOut(const QString& folder, int count);
    bool planDelete(const QString& path, const ComparedEntry& entry, bool remote);
    void planLeave(const QString& path, const ComparedEntry& entry);
    SyncAction& add(Part part, ActionKind kind, const QString& path, const ComparedEntry& entry,
                    const QString& reason);
    QString sameReason(const ComparedEntry& entry) const;
    void findLocalLinks();
    QString linkOnTheWay(ActionKind kind, const QString& path, bool folder) const;

    const ComparedTree& m_compared;
    const SyncOptions& m_options;
    Way m_way;
    // The rows as they are planned, each with the part of the plan it goes to.
    std::vector<SyncAction> m_rows;
    std::vector<Part> m_parts;
    // The local folders that are links to elsewhere, by path: nothing is
    // written or deleted through them.
    QSet<QString> m_localLinks;
};

SyncPlan Planner::run() {
    qsizetype entries = 0; // no more rows than entries
    for (const ComparedFolder& folder : m_compared)
        entries += qsizetype(folder.entries.size());
    m_rows.reserve(size_t(entries));
    m_parts.reserve(size_t(entries));
    findLocalLinks();
    planFolder(QString(), QString());

    std::vector<size_t> order(m_rows.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [this](size_t a, size_t b) {
        if (m_parts[a] != m_parts[b])
            return m_parts[a] < m_parts[b];
        // folders deleted deepest first
        return m_parts[a] == Part::DeletedFolder &&
               m_rows[a].path.count(u'/') > m_rows[b].path.count(u'/');
    });
    SyncPlan plan;
    plan.actions.reserve(m_rows.size());
    for (const size_t row : order)
        plan.actions.push_back(std::move(m_rows[row]));
    return plan;
}

// Plans each entry of the folder at `path`; with `blocked`, every one is a
// problem for that reason (it would go into a folder that cannot be made).
void Planner::planFolder(const QString& path, const QString& blocked) {
    const auto found = m_compared.constFind(path);
    if (found == m_compared.cend())
        return;
    if (found->remoteLeftOut > 0)
        planLeftOut(path, found->remoteLeftOut);
    for (const ComparedEntry& entry : found->entries) {
        if (entry.folder && !m_options.recursive)
            continue;
        const QString entryPath = childPath(path, entry.name);
        if (blocked.isEmpty()) {
            planEntry(entryPath, entry);
            continue;
        }
        add(Part::Problem, ActionKind::Problem, entryPath, entry, blocked);
        if (entry.folder)
            planFolder(entryPath, blocked);
    }
}

void Planner::planEntry(const QString& path, const ComparedEntry& entry) {
    if (entry.verdict == Verdict::Problem)
        add(Part::Problem, ActionKind::Problem, path, entry, entry.problem);
    else if (entry.verdict == Verdict::Same)
        planLeave(path, entry);
    else if (m_way.bothWays)
        planBothWays(path, entry);
    else
        planOneWay(path, entry);
}

void Planner::planOneWay(const QString& path, const ComparedEntry& entry) {
    const bool sourceLocal = m_way.toRemote;
    if (entry.verdict == m_way.onlySource())
        planCopy(path, entry, m_way.toRemote, onlyReason(sourceLocal));
    else if (entry.verdict == m_way.newerSource())
        planCopy(path, entry, m_way.toRemote, newerReason(sourceLocal));
    else if (entry.verdict == Verdict::SizeDiffers)
        planCopy(path, entry, m_way.toRemote, QStringLiteral("another size"));
    else if (entry.verdict == Verdict::ContentsDiffer)
        planCopy(path, entry, m_way.toRemote, entry.contentNote);
    else if (entry.verdict == m_way.newerTarget())
        planCopy(path, entry, m_way.toRemote, replacingReason(m_way.toRemote), false);
    else if (entry.verdict == m_way.onlyTarget())
        planExtra(path, entry);
}

void Planner::planBothWays(const QString& path, const ComparedEntry& entry) {
    switch (entry.verdict) {
    case Verdict::OnlyLocal:
    case Verdict::OnlyRemote:
        planCopy(path, entry, entry.localPresent, onlyReason(entry.localPresent));
        break;
    case Verdict::NewerLocal:
    case Verdict::NewerRemote:
        planCopy(path, entry, entry.verdict == Verdict::NewerLocal,
                 newerReason(entry.verdict == Verdict::NewerLocal));
        break;
    case Verdict::ContentsDiffer:
        planNewerContents(path, entry);
        break;
    default:
        add(Part::Problem, ActionKind::Problem, path, entry,
            QStringLiteral("same time, another size: which one is right cannot be told"));
        break;
    }
}

// Other contents both ways: the newer file wins; with equal times neither
// can be taken for the right one.
void Planner::planNewerContents(const QString& path, const ComparedEntry& entry) {
    const int order = compareTimes(entry.local, entry.remote, m_options.rules);
    if (order == 0 || entry.local.modified < 0 || entry.remote.modified < 0) {
        add(Part::Problem, ActionKind::Problem, path, entry,
            QStringLiteral("other contents, same time: which one is right cannot be told"));
        return;
    }
    planCopy(path, entry, order > 0,
             newerReason(order > 0) + QStringLiteral(", ") + entry.contentNote);
}

void Planner::planCopy(const QString& path, const ComparedEntry& entry, bool toRemote,
                       const QString& reason, bool chosen) {
    const QString problem = targetNameProblem(entry.name, toRemote);
    if (!problem.isEmpty()) {
        add(Part::Problem, ActionKind::Problem, path, entry, problem);
        if (entry.folder)
            planFolder(path, QStringLiteral("inside a folder that cannot be made"));
        return;
    }
    SyncAction& action = add(Part::Transfer, copyTo(toRemote), path, entry, reason);
    action.chosen = chosen;
    if (!entry.folder) {
        action.bytes = std::max<qint64>(0, toRemote ? entry.local.size : entry.remote.size);
        return;
    }
    planFolder(path, QString());
}

// Entries the server's listing of a folder held but that could not be taken
// as entries: one row says so, as they take no part.
void Planner::planLeftOut(const QString& folder, int count) {
    ComparedEntry itself;
    itself.name = folder.section(u'/', -1);
    itself.folder = true;
    itself.remotePresent = true;
    add(Part::Problem, ActionKind::Problem, folder, itself,
        (count == 1 ? QStringLiteral("the server listed 1 entry here")
                    : QStringLiteral("the server listed %1 entries here").arg(count)) +
            QStringLiteral(" that could not be read or whose name cannot be used; left out"));
}

void Planner::planExtra(const QString& path, const ComparedEntry& entry) {
    const bool remote = m_way.toRemote;
    const qsizetype cut = path.lastIndexOf(u'/');
    const QString folder = cut < 0 ? QString() : path.left(cut);
    if (m_options.deleteExtra && !remote && m_compared.value(folder).remoteLeftOut > 0) {
        // What seems to be only here may be one of the entries left out.
        add(Part::Problem, ActionKind::Problem, path, entry,
            QStringLiteral("not deleted: the server's listing of its folder was not read whole"));
        return;
    }
    if (m_options.deleteExtra) {
        planDelete(path, entry, remote);
        return;
    }
    add(Part::Kept, ActionKind::KeepExtra, path, entry,
        remote ? QStringLiteral("not on the local side; deleting was not asked for")
               : QStringLiteral("not on the server; deleting was not asked for"));
}

// Plans deleting the entry and all it holds; whether all of it goes.
bool Planner::planDelete(const QString& path, const ComparedEntry& entry, bool remote) {
    QString problem = targetNameProblem(entry.name, remote);
    const auto found = entry.folder ? m_compared.constFind(path) : m_compared.cend();
    if (problem.isEmpty() && entry.folder && found == m_compared.cend())
        problem = QStringLiteral("not deleted: what it holds was not read");
    else if (problem.isEmpty() && entry.folder && !found->error.isEmpty())
        problem = QStringLiteral("not deleted: ") + found->error;
    if (!problem.isEmpty()) {
        add(Part::Problem, ActionKind::Problem, path, entry, problem);
        return false;
    }
    const QString reason =
        remote ? QStringLiteral("not on the local side") : QStringLiteral("not on the server");
    if (!entry.folder)
        return add(Part::DeletedFile, deleteOn(remote), path, entry, reason).kind !=
               ActionKind::Problem;
    bool allGo = true;
    for (const ComparedEntry& inside : found->entries) {
        const QString insidePath = childPath(path, inside.name);
        if (inside.verdict == m_way.onlyTarget())
            allGo = planDelete(insidePath, inside, remote) && allGo;
        else {
            add(Part::Problem, ActionKind::Problem, insidePath, inside, inside.problem);
            allGo = false;
        }
    }
    if (!allGo) {
        add(Part::Problem, ActionKind::Problem, path, entry,
            QStringLiteral("not deleted: it holds entries that stay"));
        return false;
    }
    return add(Part::DeletedFolder, deleteOn(remote), path, entry, reason).kind !=
           ActionKind::Problem;
}

void Planner::planLeave(const QString& path, const ComparedEntry& entry) {
    if (entry.folder) {
        planFolder(path, QString());
        return;
    }
    // Checksums that agree say more than size and time.
    const bool sameContents = !entry.contentNote.isEmpty() && entry.verdict == Verdict::Same;
    add(Part::Left, ActionKind::Leave, path, entry,
        sameContents ? entry.contentNote : sameReason(entry));
}

QString Planner::sameReason(const ComparedEntry& entry) const {
    const CompareRules& rules = m_options.rules;
    const bool size = rules.bySize && entry.local.size >= 0 && entry.remote.size >= 0;
    const bool time = rules.byTime && entry.local.modified >= 0 && entry.remote.modified >= 0;
    if (size && time)
        return QStringLiteral("same size and time");
    if (size || time)
        return size ? QStringLiteral("same size") : QStringLiteral("same time");
    return QStringLiteral("on both sides");
}

void Planner::findLocalLinks() {
    for (auto folder = m_compared.cbegin(); folder != m_compared.cend(); ++folder)
        for (const ComparedEntry& entry : folder->entries)
            if (entry.folder && entry.localPresent && entry.local.link)
                m_localLinks.insert(childPath(folder.key(), entry.name));
}

// Why a download or a local deletion at `path` cannot be done because a
// local folder on the way (or the folder deleted itself) is a link; "" when
// it can.
QString Planner::linkOnTheWay(ActionKind kind, const QString& path, bool folder) const {
    if (m_localLinks.isEmpty() || (kind != ActionKind::Download && kind != ActionKind::DeleteLocal))
        return {};
    const QString reason = QStringLiteral("a local folder on the way is a link; not followed");
    if (kind == ActionKind::DeleteLocal && folder && m_localLinks.contains(path))
        return reason;
    for (qsizetype cut = path.lastIndexOf(u'/'); cut > 0; cut = path.lastIndexOf(u'/', cut - 1))
        if (m_localLinks.contains(path.left(cut)))
            return reason;
    return {};
}

SyncAction& Planner::add(Part part, ActionKind kind, const QString& path,
                         const ComparedEntry& entry, const QString& reason) {
    if (const QString link = linkOnTheWay(kind, path, entry.folder); !link.isEmpty())
        return add(Part::Problem, ActionKind::Problem, path, entry, link);
    m_parts.push_back(part);
    SyncAction& action = m_rows.emplace_back();
    action.kind = kind;
    action.path = path;
    action.folder = entry.folder;
    action.reason = reason;
    // What the checksums showed, or why there were none, is said too.
    if (!entry.contentNote.isEmpty() && !reason.contains(entry.contentNote))
        action.reason += QStringLiteral("; ") + entry.contentNote;
    action.localPresent = entry.localPresent;
    action.remotePresent = entry.remotePresent;
    action.local = entry.local;
    action.remote = entry.remote;
    return action;
}

bool holdsAny(const QString& name, QStringView characters) {
    return std::any_of(name.cbegin(), name.cend(),
                       [characters](QChar c) { return characters.contains(c); });
}

} // namespace

QString targetNameProblem(const QString& name, bool remoteTarget) {
    if (name.isEmpty())
        return QStringLiteral("an empty name cannot be made");
    if (name == u"." || name == u"..")
        return QStringLiteral("\"%1\" cannot name a file or folder").arg(name);
    static constexpr char16_t lineEndsAndNul[] = {u'\r', u'\n', u'\0'};
    if (remoteTarget && holdsAny(name, QStringView(lineEndsAndNul, 3)))
        return QStringLiteral("the name holds a line break or NUL, which FTP cannot send");
    // A "/" in one name (a listing can hold anything) would lead to another
    // entry than the one listed, on either side.
    if (name.contains(u'/'))
        return QStringLiteral("the name holds a \"/\", so it cannot name one file or folder");
    if (!remoteTarget && std::any_of(name.cbegin(), name.cend(), [](QChar c) {
            return c.unicode() < 0x20 || c.unicode() == 0x7f;
        }))
        return QStringLiteral("the name holds a control character such as a line break, "
                              "which is not made on the local side");
    return {};
}

SyncTotals totalsOf(const SyncPlan& plan) {
    SyncTotals totals;
    for (const SyncAction& action : plan.actions) {
        if (!action.chosen)
            continue;
        ActionTotal& total = totals.kinds[size_t(action.kind)];
        ++(action.folder ? total.folders : total.files);
        total.bytes += action.bytes;
    }
    return totals;
}

SyncPlan planSync(const ComparedTree& compared, const SyncOptions& options) {
    return Planner(compared, options).run();
}
