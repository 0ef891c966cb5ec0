#include "queue_store.h"

#include "json_text.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <algorithm>
#include <optional>

namespace {

// Numbers beyond 2^53 do not survive a JSON number: device and inode go as
// text.
QByteArray partToJson(const PartFile& part) {
    return JsonObjectText()
        .text(QLatin1StringView("path"), part.path)
        .text(QLatin1StringView("device"), QString::number(part.device))
        .text(QLatin1StringView("inode"), QString::number(part.inode))
        .text(QLatin1StringView("size"), QString::number(part.size))
        .text(QLatin1StringView("modified"), QString::number(part.modifiedNs))
        .finish();
}

// A part file whose record is not whole is not taken: a download without one
// starts anew, leaving whatever lies there alone.
std::optional<PartFile> partFromJson(const QJsonValue& value) {
    const QJsonObject o = value.toObject();
    PartFile part;
    part.path = o.value(QStringLiteral("path")).toString();
    bool ok[4] = {};
    part.device = o.value(QStringLiteral("device")).toString().toULongLong(&ok[0]);
    part.inode = o.value(QStringLiteral("inode")).toString().toULongLong(&ok[1]);
    part.size = o.value(QStringLiteral("size")).toString().toLongLong(&ok[2]);
    part.modifiedNs = o.value(QStringLiteral("modified")).toString().toLongLong(&ok[3]);
    if (part.path.isEmpty() || !ok[0] || !ok[1] || !ok[2] || !ok[3] || part.size < -1)
        return std::nullopt;
    return part;
}

// A deletion is written with a direction of its own, which a tarlen that
// knows none drops rather than taking it for a transfer.
QString directionName(const TransferItem& item) {
    const bool download = item.direction == TransferDirection::Download;
    if (item.deletes)
        return download ? QStringLiteral("delete-local") : QStringLiteral("delete-remote");
    return download ? QStringLiteral("down") : QStringLiteral("up");
}

bool readDirection(const QString& name, TransferItem& item) {
    item.deletes = name.startsWith(u"delete-");
    if (name == u"down" || name == u"delete-local")
        item.direction = TransferDirection::Download;
    else if (name == u"up" || name == u"delete-remote")
        item.direction = TransferDirection::Upload;
    else
        return false;
    return true;
}

QByteArray previewedToJson(const PreviewedTarget& previewed) {
    return JsonObjectText()
        .boolean(QLatin1StringView("exists"), previewed.exists)
        .boolean(QLatin1StringView("folder"), previewed.folder)
        .number(QLatin1StringView("size"), previewed.size)
        .number(QLatin1StringView("time"), previewed.time)
        .finish();
}

std::optional<PreviewedTarget> previewedFromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    PreviewedTarget previewed;
    previewed.exists = o.value(QStringLiteral("exists")).toBool();
    previewed.folder = o.value(QStringLiteral("folder")).toBool();
    previewed.size = qint64(o.value(QStringLiteral("size")).toDouble(-1));
    previewed.time = qint64(o.value(QStringLiteral("time")).toDouble(-1));
    return previewed;
}

// Paths are RawName text; kept as JSON strings they survive as they are.
QByteArray toJson(const TransferItem& item) {
    JsonObjectText o;
    o.text(QLatin1StringView("id"), QString::number(item.id))
        .text(QLatin1StringView("direction"), directionName(item))
        .boolean(QLatin1StringView("folder"), item.folder)
        .text(QLatin1StringView("local"), item.local)
        .text(QLatin1StringView("remote"), item.remote);
    if (item.depth > 0)
        o.number(QLatin1StringView("depth"), item.depth);
    o.number(QLatin1StringView("size"), item.size)
        .number(QLatin1StringView("remoteTime"), item.remoteTime)
        .number(QLatin1StringView("done"), item.done)
        .boolean(QLatin1StringView("partly"), item.partly)
        .boolean(QLatin1StringView("failed"), item.state == TransferState::Failed)
        .boolean(QLatin1StringView("cancelled"), item.state == TransferState::Cancelled)
        .text(QLatin1StringView("error"), item.error);
    if (item.part)
        o.json(QLatin1StringView("part"), partToJson(*item.part));
    if (!item.group.isEmpty())
        o.text(QLatin1StringView("group"), item.group);
    if (item.previewed)
        o.json(QLatin1StringView("previewed"), previewedToJson(*item.previewed));
    if (!item.ancestry.isEmpty()) {
        QByteArrayList folders;
        for (const QByteArray& folder : item.ancestry)
            folders << '"' + folder.toBase64() + '"';
        o.json(QLatin1StringView("ancestry"), '[' + folders.join(',') + ']');
    }
    return o.finish();
}

std::optional<TransferItem> fromJson(const QJsonObject& o) {
    TransferItem item;
    item.id = o.value(QStringLiteral("id")).toString().toULongLong();
    if (!readDirection(o.value(QStringLiteral("direction")).toString(), item))
        return std::nullopt;
    item.folder = o.value(QStringLiteral("folder")).toBool();
    item.local = o.value(QStringLiteral("local")).toString();
    item.remote = o.value(QStringLiteral("remote")).toString();
    if (item.local.isEmpty() || item.remote.isEmpty())
        return std::nullopt;
    item.depth = std::clamp(o.value(QStringLiteral("depth")).toInt(), 0, 1000);
    item.size = qint64(o.value(QStringLiteral("size")).toDouble(-1));
    item.remoteTime = qint64(o.value(QStringLiteral("remoteTime")).toDouble(-1));
    item.done = qint64(o.value(QStringLiteral("done")).toDouble(0));
    item.partly = o.value(QStringLiteral("partly")).toBool();
    item.error = o.value(QStringLiteral("error")).toString();
    if (item.direction == TransferDirection::Download && !item.folder)
        item.part = partFromJson(o.value(QStringLiteral("part")));
    for (const QJsonValue& folder : o.value(QStringLiteral("ancestry")).toArray())
        item.ancestry.append(QByteArray::fromBase64(folder.toString().toLatin1()));
    item.group = o.value(QStringLiteral("group")).toString();
    item.previewed = previewedFromJson(o.value(QStringLiteral("previewed")));
    if (item.deletes && (item.group.isEmpty() || !item.previewed))
        return std::nullopt; // a deletion nobody saw in a preview
    if (o.value(QStringLiteral("failed")).toBool())
        item.state = TransferState::Failed;
    else if (o.value(QStringLiteral("cancelled")).toBool())
        item.state = TransferState::Cancelled;
    return item;
}

QByteArray line(QLatin1StringView event, const QByteArray& value) {
    return JsonObjectText().json(event, value).finish() + '\n';
}

bool sameFile(const PartFile& one, const PartFile& other) {
    return one.device == other.device && one.inode == other.inode && one.path == other.path;
}

// A download whose part file took its target's place arrived whole.
bool arrived(const TransferItem& item) {
    return item.direction == TransferDirection::Download && !item.folder && item.part &&
           partFileBecame(*item.part, item.local);
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

QString QueueStore::journalFor(const QString& key) const {
    return m_folder + u'/' + key + QStringLiteral(".journal");
}

bool QueueStore::save(const QString& key, const std::vector<TransferItem>& items, QString* error) {
    if (items.empty()) {
        forget(key);
        return true;
    }
    QByteArrayList array;
    for (const TransferItem& item : items)
        array << toJson(item);
    const QByteArray text =
        JsonObjectText().json(QLatin1StringView("items"), '[' + array.join(',') + ']').finish();
    if (!writePrivateFile(fileFor(key), text, error))
        return false;
    m_journals.erase(key);
    QFile::remove(journalFor(key));
    return true;
}

std::vector<TransferItem> QueueStore::load(const QString& key) const {
    std::vector<TransferItem> items;
    QFile file(fileFor(key));
    if (file.open(QIODevice::ReadOnly)) {
        const QJsonArray array = QJsonDocument::fromJson(file.readAll())
                                     .object()
                                     .value(QStringLiteral("items"))
                                     .toArray();
        for (const QJsonValue& value : array)
            if (const auto item = fromJson(value.toObject()))
                items.push_back(*item);
    }
    replay(key, items);
    std::erase_if(items, arrived);
    return items;
}

// The journal's lines in order; a line cut short by a crash is no line.
void QueueStore::replay(const QString& key, std::vector<TransferItem>& items) const {
    QFile file(journalFor(key));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const auto withId = [&items](quint64 id) {
        return std::find_if(items.begin(), items.end(),
                            [id](const TransferItem& item) { return id != 0 && item.id == id; });
    };
    for (const QByteArray& text : file.readAll().split('\n')) {
        const QJsonObject event = QJsonDocument::fromJson(text).object();
        if (const QJsonValue added = event.value(QStringLiteral("added")); added.isObject()) {
            const auto item = fromJson(added.toObject());
            if (!item || withId(item->id) != items.end())
                continue;
            // A part file goes with one item: the one that took it over.
            if (item->part)
                std::erase_if(items, [&item](const TransferItem& old) {
                    return old.part && sameFile(*old.part, *item->part);
                });
            items.push_back(*item);
        } else if (const QJsonValue made = event.value(QStringLiteral("part")); made.isObject()) {
            const auto item = withId(made[QStringLiteral("id")].toString().toULongLong());
            const std::optional<PartFile> part = partFromJson(made[QStringLiteral("file")]);
            if (item != items.end() && part && item->direction == TransferDirection::Download) {
                item->part = part;
                item->partly = true;
            }
        } else if (const QJsonValue done = event.value(QStringLiteral("finished"));
                   done.isString()) {
            const auto item = withId(done.toString().toULongLong());
            if (item != items.end())
                items.erase(item);
        }
    }
}

void QueueStore::forget(const QString& key) {
    m_journals.erase(key);
    QFile::remove(fileFor(key));
    QFile::remove(journalFor(key));
}

bool QueueStore::noteAdded(const QString& key, const std::vector<TransferItem>& items,
                           QString* error) {
    QByteArray lines;
    for (const TransferItem& item : items)
        lines += line(QLatin1StringView("added"), toJson(item));
    return lines.isEmpty() || addToJournal(key, lines, error);
}

// The file is being written to: its size and time say nothing yet.
bool QueueStore::notePartFile(const QString& key, const TransferItem& item, QString* error) {
    if (!item.part)
        return true;
    PartFile part = *item.part;
    part.size = -1;
    const QByteArray made = JsonObjectText()
                                .text(QLatin1StringView("id"), QString::number(item.id))
                                .json(QLatin1StringView("file"), partToJson(part))
                                .finish();
    return addToJournal(key, line(QLatin1StringView("part"), made), error);
}

bool QueueStore::noteFinished(const QString& key, const TransferItem& item, QString* error) {
    return addToJournal(
        key, line(QLatin1StringView("finished"), jsonString(QString::number(item.id))), error);
}

bool QueueStore::addToJournal(const QString& key, const QByteArray& lines, QString* error) {
    std::unique_ptr<AppendedFile>& journal = m_journals[key];
    if (!journal)
        journal = std::make_unique<AppendedFile>(journalFor(key));
    return journal->append(lines, error);
}
