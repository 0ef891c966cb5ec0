#include "queue_model.h"

#include "number_format.h"
#include "raw_names.h"
#include "transfer_queue.h"

QueueModel::QueueModel(TransferQueue& queue, QObject* parent)
    : QAbstractTableModel(parent)
    , m_queue(queue) {
    connect(&queue, &TransferQueue::itemsInserted, this, [this](int first, int count) {
        beginInsertRows({}, first, first + count - 1);
        endInsertRows();
    });
    connect(&queue, &TransferQueue::itemsRemoved, this, [this](int first, int count) {
        beginRemoveRows({}, first, first + count - 1);
        endRemoveRows();
    });
    connect(&queue, &TransferQueue::itemMoved, this, [this](int from, int to) {
        // Two neighbours swapped places: both rows show something else now.
        emit dataChanged(index(qMin(from, to), 0), index(qMax(from, to), Columns - 1));
    });
    // Items of a server the window has left name it.
    connect(&queue, &TransferQueue::loginChanged, this, [this] {
        if (rowCount() > 0)
            emit dataChanged(index(0, Remote), index(rowCount() - 1, Remote));
    });
    connect(&queue, &TransferQueue::itemChanged, this, [this](int row) {
        if (row >= 0 && row < rowCount())
            emit dataChanged(index(row, 0), index(row, Columns - 1));
    });
}

int QueueModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_queue.items().size());
}

int QueueModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QString QueueModel::formatBytes(qint64 bytes) {
    return formatDataSize(bytes);
}

QString QueueModel::formatDuration(qint64 seconds) {
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString QueueModel::stateText(const TransferItem& item) {
    switch (item.state) {
    case TransferState::Waiting:
        return item.awaitingAnswer ? QStringLiteral("Waiting for your answer")
                                   : QStringLiteral("Waiting");
    case TransferState::Running:
        return item.error.isEmpty() ? QStringLiteral("Running") : item.error;
    case TransferState::Done:
        return QStringLiteral("Done");
    case TransferState::Failed:
        return QStringLiteral("Failed: ") + item.error;
    case TransferState::Cancelled:
        return QStringLiteral("Cancelled");
    case TransferState::Skipped:
        return QStringLiteral("Skipped: ") + item.error;
    }
    return {};
}

QVariant QueueModel::display(const TransferItem& item, int column) const {
    const bool download = item.direction == TransferDirection::Download;
    switch (column) {
    case Direction:
        return download ? QStringLiteral("Download") : QStringLiteral("Upload");
    case Name:
        return item.shownPath() + (item.folder ? QStringLiteral("/") : QString());
    case Local:
        return RawName::shownWithMarks(item.local);
    case Remote:
        // An item of a server the window has left names it.
        if (!item.loginKey.isEmpty() && item.loginKey != m_queue.loginKey())
            return QStringLiteral("%1 on %2")
                .arg(RawName::shownAsLatin1(item.remote), m_queue.loginOf(item).shownName());
        return RawName::shownAsLatin1(item.remote);
    case Size:
        return item.folder || item.size < 0 ? QVariant() : QVariant(formatBytes(item.size));
    case Progress:
        return item.folder || item.size <= 0 ? QVariant()
                                             : QVariant(QStringLiteral("%1 %").arg(
                                                   100 * qMin(item.done, item.size) / item.size));
    case Rate:
        return item.rate > 0 ? QVariant(formatBytes(qint64(item.rate)) + QStringLiteral("/s"))
                             : QVariant();
    case TimeLeft:
        return item.secondsLeft >= 0 ? QVariant(formatDuration(item.secondsLeft)) : QVariant();
    case State:
        return stateText(item);
    default:
        return {};
    }
}

// The name tells both full paths; the state its whole text.
QVariant QueueModel::toolTip(const TransferItem& item, int column) const {
    switch (column) {
    case Name:
        return QStringLiteral("Local: %1\nRemote: %2")
            .arg(RawName::shownWithMarks(item.local), RawName::shownAsLatin1(item.remote));
    case State:
        return stateText(item);
    default:
        return display(item, column);
    }
}

QVariant QueueModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const TransferItem& item = m_queue.items()[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return display(item, index.column());
    case Qt::ToolTipRole:
        return toolTip(item, index.column());
    case ProgressRole:
        if (item.state == TransferState::Done)
            return 1000;
        return item.size > 0 ? int(1000 * qMin(item.done, item.size) / item.size) : -1;
    case IdRole:
        return item.id;
    case Qt::TextAlignmentRole:
        return index.column() == Size || index.column() == Rate || index.column() == TimeLeft
                   ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                   : QVariant();
    default:
        return {};
    }
}

QVariant QueueModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const titles[Columns] = {"Direction", "Name", "Local", "Remote", "Size",
                                                "Progress",  "Rate", "Left",  "State"};
    return section >= 0 && section < Columns ? QString::fromLatin1(titles[section]) : QString();
}
