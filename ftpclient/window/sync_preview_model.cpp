#include "sync_preview_model.h"

#include "number_format.h"
#include "raw_names.h"
#include "sync_plan.h"

#include <QBrush>
#include <QColor>

namespace {

SyncPreviewModel::Group groupOf(ActionKind kind) {
    switch (kind) {
    case ActionKind::Upload:
    case ActionKind::Download:
        return SyncPreviewModel::Copies;
    case ActionKind::DeleteLocal:
    case ActionKind::DeleteRemote:
        return SyncPreviewModel::Deletions;
    case ActionKind::KeepExtra:
        return SyncPreviewModel::Kept;
    case ActionKind::Problem:
        return SyncPreviewModel::Problems;
    case ActionKind::Leave:
        break;
    }
    return SyncPreviewModel::Same;
}

QString kindText(ActionKind kind) {
    switch (kind) {
    case ActionKind::Upload:
        return QStringLiteral("Upload");
    case ActionKind::Download:
        return QStringLiteral("Download");
    case ActionKind::DeleteLocal:
        return QStringLiteral("Delete here");
    case ActionKind::DeleteRemote:
        return QStringLiteral("Delete on the server");
    case ActionKind::KeepExtra:
        return QStringLiteral("Keep");
    case ActionKind::Problem:
        return QStringLiteral("Problem");
    case ActionKind::Leave:
        break;
    }
    return QStringLiteral("Leave");
}

const char* const kGroupCaptions[] = {"To copy", "To delete", "Not on the source side, kept",
                                      "Problems", "The same on both sides"};

bool tickable(ActionKind kind) {
    return isTransfer(kind) || kind == ActionKind::DeleteLocal || kind == ActionKind::DeleteRemote;
}

} // namespace

void SyncPreviewModel::setPlan(SyncPlan plan) {
    beginResetModel();
    m_plan = std::move(plan);
    for (auto& group : m_groups)
        group.clear();
    for (int i = 0; i < int(m_plan.actions.size()); ++i)
        m_groups[groupOf(m_plan.actions[size_t(i)].kind)].push_back(i);
    endResetModel();
    emit ticksChanged();
}

QString SyncPreviewModel::totalsText() const {
    const SyncTotals totals = totalsOf(m_plan);
    QStringList parts;
    const auto moved = [&](ActionKind kind, const QString& what) {
        const ActionTotal& total = totals.of(kind);
        if (total.files > 0)
            parts << QStringLiteral("%1 %2 %3 (%4)")
                         .arg(total.files)
                         .arg(total.files == 1 ? QStringLiteral("file") : QStringLiteral("files"),
                              what, formatDataSize(total.bytes));
    };
    const auto deleted = [&](ActionKind kind, const QString& where) {
        const qsizetype count = totals.of(kind).files + totals.of(kind).folders;
        if (count > 0)
            parts << QStringLiteral("%1 to delete %2").arg(count).arg(where);
    };
    moved(ActionKind::Upload, QStringLiteral("to upload"));
    moved(ActionKind::Download, QStringLiteral("to download"));
    deleted(ActionKind::DeleteLocal, QStringLiteral("here"));
    deleted(ActionKind::DeleteRemote, QStringLiteral("on the server"));
    return parts.isEmpty() ? QStringLiteral("Nothing to do.") : parts.join(QStringLiteral(", "));
}

QModelIndex SyncPreviewModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column < 0 || column >= ColumnCount)
        return {};
    if (!parent.isValid())
        return row < GroupCount ? createIndex(row, column, GroupRow) : QModelIndex();
    if (parent.internalId() != GroupRow || row >= rowsIn(Group(parent.row())))
        return {};
    return createIndex(row, column, quintptr(parent.row()));
}

QModelIndex SyncPreviewModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == GroupRow)
        return {};
    return createIndex(int(child.internalId()), 0, GroupRow);
}

int SyncPreviewModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return GroupCount;
    if (parent.internalId() == GroupRow && parent.column() == 0)
        return rowsIn(Group(parent.row()));
    return 0;
}

const SyncAction* SyncPreviewModel::actionAt(const QModelIndex& index) const {
    if (!index.isValid() || index.internalId() == GroupRow)
        return nullptr;
    return &m_plan.actions[size_t(m_groups[index.internalId()][size_t(index.row())])];
}

QVariant SyncPreviewModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (const SyncAction* action = actionAt(index))
        return actionData(*action, index.column(), role);
    return groupData(index.row(), index.column(), role);
}

QVariant SyncPreviewModel::groupData(int group, int column, int role) const {
    const bool red = group == Deletions || group == Kept;
    if (role == Qt::ForegroundRole && red)
        return QBrush(QColor(0xb0, 0x10, 0x10));
    if (role == Qt::CheckStateRole && column == ActionColumn &&
        (group == Copies || group == Deletions))
        return groupTicks(group);
    if (role != Qt::DisplayRole)
        return {};
    if (column == ActionColumn)
        return QStringLiteral("%1 (%2)")
            .arg(QLatin1String(kGroupCaptions[group]))
            .arg(rowsIn(Group(group)));
    return {};
}

QVariant SyncPreviewModel::actionData(const SyncAction& action, int column, int role) const {
    const Group group = groupOf(action.kind);
    if (role == Qt::ForegroundRole && (group == Deletions || group == Kept))
        return QBrush(QColor(0xb0, 0x10, 0x10));
    if (role == Qt::CheckStateRole && column == ActionColumn && tickable(action.kind))
        return action.chosen ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::ToolTipRole && column == PathColumn)
        return RawName::shownWithMarks(action.path);
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case ActionColumn:
        return kindText(action.kind);
    case PathColumn:
        return RawName::shownWithMarks(action.path) +
               (action.folder ? QStringLiteral("/") : QString());
    case SizeColumn:
        return action.folder || !isTransfer(action.kind) ? QString() : formatDataSize(action.bytes);
    case ReasonColumn:
        return action.reason;
    }
    return {};
}

Qt::CheckState SyncPreviewModel::groupTicks(int group) const {
    int chosen = 0;
    for (int i : m_groups[size_t(group)])
        chosen += m_plan.actions[size_t(i)].chosen ? 1 : 0;
    if (chosen == 0)
        return Qt::Unchecked;
    return chosen == rowsIn(Group(group)) ? Qt::Checked : Qt::PartiallyChecked;
}

void SyncPreviewModel::tickGroup(int group, bool chosen) {
    for (int i : m_groups[size_t(group)])
        m_plan.actions[size_t(i)].chosen = chosen;
    const QModelIndex parent = index(group, 0);
    if (rowsIn(Group(group)) > 0)
        emit dataChanged(index(0, 0, parent), index(rowsIn(Group(group)) - 1, 0, parent),
                         {Qt::CheckStateRole});
}

bool SyncPreviewModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || index.column() != ActionColumn)
        return false;
    const bool chosen = value.toInt() == Qt::Checked;
    if (index.internalId() == GroupRow) {
        tickGroup(index.row(), chosen);
    } else if (const SyncAction* action = actionAt(index); action && tickable(action->kind)) {
        m_plan.actions[size_t(m_groups[index.internalId()][size_t(index.row())])].chosen = chosen;
        emit dataChanged(index, index, {Qt::CheckStateRole});
    } else {
        return false;
    }
    const QModelIndex group = index.internalId() == GroupRow ? index : index.parent();
    emit dataChanged(group, group, {Qt::CheckStateRole});
    emit ticksChanged();
    return true;
}

Qt::ItemFlags SyncPreviewModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() != ActionColumn)
        return flags;
    const SyncAction* action = actionAt(index);
    const bool groupTickable = !action && (index.row() == Copies || index.row() == Deletions) &&
                               rowsIn(Group(index.row())) > 0;
    if (groupTickable || (action && tickable(action->kind)))
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant SyncPreviewModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const captions[] = {"Action", "Path", "Size", "Why"};
    return QLatin1String(captions[section]);
}
