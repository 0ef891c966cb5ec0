#include "transfer_item.h"

#include "plain_name.h"
#include "raw_names.h"

QString TransferItem::name() const {
    // Shown the way the panes show it: a server's name that is not UTF-8 is
    // most likely Latin-1; a local one keeps a mark for each stray byte.
    if (direction == TransferDirection::Download)
        return RawName::shownAsLatin1(nameOf(remote));
    return RawName::shownWithMarks(nameOf(local));
}

QString TransferItem::savedName() const {
    const bool download = direction == TransferDirection::Download;
    const QString target = nameOf(download ? local : remote);
    if (target == nameOf(download ? remote : local))
        return name();
    return download ? RawName::shownWithMarks(target) : RawName::shownAsLatin1(target);
}

QString TransferItem::shownPath() const {
    const bool download = direction == TransferDirection::Download;
    const QString& source = download ? remote : local;
    // The last depth + 1 names of the path.
    qsizetype start = source.size();
    for (int level = 0; level <= depth && start > 0; ++level)
        start = source.lastIndexOf(u'/', start - 1);
    const QString path = source.mid(start + 1);
    return download ? RawName::shownAsLatin1(path) : RawName::shownWithMarks(path);
}

bool leftPart(const TransferItem& item) {
    if (item.folder || item.state == TransferState::Done)
        return false;
    if (item.direction == TransferDirection::Upload)
        return item.done > 0;
    if (!item.part)
        return false;
    // Judged by which file it is: a running transfer is still writing to it.
    const std::optional<PartFile> now = measuredPartFile(*item.part);
    return now && now->size > 0;
}

TransferTotals totalsOf(const std::vector<TransferItem>& items) {
    TransferTotals totals;
    for (const TransferItem& item : items) {
        if (item.folder)
            continue;
        ++totals.files;
        if (item.finished())
            ++totals.filesDone;
        if (item.state == TransferState::Failed)
            ++totals.failed;
        if (item.state == TransferState::Running) {
            ++totals.running;
            totals.rate += item.rate;
        }
        if (item.size >= 0 && item.state != TransferState::Skipped) {
            totals.bytes += item.size;
            totals.bytesDone += item.state == TransferState::Done ? item.size : item.done;
        }
    }
    if (totals.rate > 0 && totals.bytes > totals.bytesDone)
        totals.secondsLeft = qint64(double(totals.bytes - totals.bytesDone) / totals.rate) + 1;
    return totals;
}

// An item still running is kept as one to be continued when it left
// something to continue from.
std::vector<TransferItem> keptForLater(const std::vector<TransferItem>& items) {
    std::vector<TransferItem> kept;
    for (const TransferItem& item : items) {
        if (item.finished())
            continue;
        kept.push_back(item);
        // A part file still being written is kept by which file it is; a
        // stopped one with what it holds now, or not at all.
        if (item.part && item.state == TransferState::Running)
            kept.back().part->size = -1;
        else if (item.part && item.part->size < 0)
            kept.back().part = measuredPartFile(*item.part);
        if (item.state == TransferState::Running) {
            kept.back().state = TransferState::Waiting;
            kept.back().partly = item.partly || leftPart(item);
        }
    }
    return kept;
}

bool matchesPreview(const PreviewedTarget& previewed, bool exists, bool folder, qint64 size,
                    qint64 time) {
    if (exists != previewed.exists)
        return false;
    if (!exists)
        return true;
    if (folder != previewed.folder)
        return false;
    if (folder)
        return true;
    const auto same = [](qint64 one, qint64 other) {
        return one < 0 || other < 0 || one == other;
    };
    return same(previewed.size, size) && same(previewed.time, time);
}
