#pragma once

#include <QAbstractTableModel>

class TransferQueue;
struct TransferItem;

// The queue as a table for a view: one row per item, in queue order.
class QueueModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { Direction, Name, Local, Remote, Size, Progress, Rate, TimeLeft, State, Columns };
    // The part done, 0 to 1000, for drawing a bar (Progress column); -1 when
    // not known.
    static constexpr int ProgressRole = Qt::UserRole + 1;
    // The item's id, for acting on the row.
    static constexpr int IdRole = Qt::UserRole + 2;

    explicit QueueModel(TransferQueue& queue, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // How sizes, rates and durations read.
    static QString formatBytes(qint64 bytes);
    static QString formatDuration(qint64 seconds);
    static QString stateText(const TransferItem& item);

private:
    QVariant display(const TransferItem& item, int column) const;
    QVariant toolTip(const TransferItem& item, int column) const;

    TransferQueue& m_queue;
};
