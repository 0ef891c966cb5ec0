#include "queue_store.h"

#include "private_file.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <optional>

namespace {

// Paths are RawName text; kept as JSON strings they survive as they are.
QJsonObject toJson(const TransferItem& item) {
    QJsonObject o;
    o[QStringLiteral("direction")] = item.direction == TransferDirection::Download
                                         ? QStringLiteral("down")
                                         : QStringLiteral("up");
    o[QStringLiteral("folder")] = item.folder;
    o[QStringLiteral("local")] = item.local;
    o[QStringLiteral("remote")] = item.remote;
    o[QStringLiteral("size")] = double(item.size);
    o[QStringLiteral("remoteTime")] = double(item.remoteTime);
    o[QStringLiteral("done")] = double(item.done);
    o[QStringLiteral("partly")] = item.partly;
    o[QStringLiteral("failed")] = item.state == TransferState::Failed;
    o[QStringLiteral("cancelled")] = item.state == TransferState::Cancelled;
    o[QStringLiteral("error")] = item.error;
    return o;
}

std::optional<TransferItem> fromJson(const QJsonObject& o) {
    TransferItem item;
    const QString direction = o.value(QStringLiteral("direction")).toString();
    if (direction != u"down" && direction != u"up")
        return std::nullopt;
    item.direction = direction == u"down" ? TransferDirection::Download : TransferDirection::Upload;
    item.folder = o.value(QStringLiteral("folder")).toBool();
    item.local = o.value(QStringLiteral("local")).toString();
    item.remote = o.value(QStringLiteral("remote")).toString();
    if (item.local.isEmpty() || item.remote.isEmpty())
        return std::nullopt;
    item.size = qint64(o.value(QStringLiteral("size")).toDouble(-1));
    item.remoteTime = qint64(o.value(QStringLiteral("remoteTime")).toDouble(-1));
    item.done = qint64(o.value(QStringLiteral("done")).toDouble(0));
    item.partly = o.value(QStringLiteral("partly")).toBool();
    item.error = o.value(QStringLiteral("error")).toString();
    if (o.value(QStringLiteral("failed")).toBool())
        item.state = TransferState::Failed;
    else if (o.value(QStringLiteral("cancelled")).toBool())
        item.state = TransferState::Cancelled;
    return item;
}

} // namespace

QString QueueStore::defaultFolder() {
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/tarlen/queues");
}

QueueStore::QueueStore(QString folder)
    : m_folder(std::move(folder)) {}

QString QueueStore::fileFor(const QString& key) const {
    return m_folder + u'/' + key + QStringLiteral(".json");
}

bool QueueStore::save(const QString& key, const std::vector<TransferItem>& items, QString* error) {
    if (items.empty()) {
        forget(key);
        return true;
    }
    QJsonArray array;
    for (const TransferItem& item : items)
        array.append(toJson(item));
    QJsonObject root;
    root[QStringLiteral("items")] = array;
    return writePrivateFile(fileFor(key), QJsonDocument(root).toJson(QJsonDocument::Compact),
                            error);
}

std::vector<TransferItem> QueueStore::load(const QString& key) const {
    std::vector<TransferItem> items;
    QFile file(fileFor(key));
    if (!file.open(QIODevice::ReadOnly))
        return items;
    const QJsonArray array =
        QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("items")).toArray();
    for (const QJsonValue& value : array)
        if (const auto item = fromJson(value.toObject()))
            items.push_back(*item);
    return items;
}

void QueueStore::forget(const QString& key) {
    QFile::remove(fileFor(key));
}
