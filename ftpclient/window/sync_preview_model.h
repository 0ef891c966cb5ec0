#pragma once

#include "sync_types.h"

#include <QAbstractItemModel>

#include <array>
#include <vector>

// What a synchronisation will do, for a tree view: the rows of the plan in
// five groups (to copy, to delete, kept although not on the source side,
// problems, the same), every copy and deletion with a tick box of its own
// and each group with one for all of its rows. Deletions and what is kept
// in their stead are shown in red.
class SyncPreviewModel : public QAbstractItemModel {
    Q_OBJECT

public:
    enum Group { Copies, Deletions, Kept, Problems, Same, GroupCount };
    enum Column { ActionColumn, PathColumn, SizeColumn, ReasonColumn, ColumnCount };

    void setPlan(SyncPlan plan);
    // The plan with the user's ticks.
    const SyncPlan& plan() const { return m_plan; }
    // "3 files to upload (1.2 MiB), 1 to delete on the server", the ticked rows.
    QString totalsText() const;
    int rowsIn(Group group) const { return int(m_groups[group].size()); }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& = {}) const override { return ColumnCount; }
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    void ticksChanged();

private:
    static constexpr quintptr GroupRow = ~quintptr(0);

    const SyncAction* actionAt(const QModelIndex& index) const;
    QVariant groupData(int group, int column, int role) const;
    QVariant actionData(const SyncAction& action, int column, int role) const;
    Qt::CheckState groupTicks(int group) const;
    void tickGroup(int group, bool chosen);

    SyncPlan m_plan;
    std::array<std::vector<int>, GroupCount> m_groups; // indexes into m_plan.actions
};
