#include "ftp_entry.h"

#include <algorithm>
#include <thread>

namespace {

constexpr size_t kParallelSortFrom = 20000;

} // namespace

void sortByFoldedName(std::vector<RemoteEntry>& entries) {
    // Sorting on case-folded copies is much faster than comparing without
    // regard to case each time; the index keeps equal names in order.
    using Key = std::pair<QString, size_t>;
    std::vector<Key> keys(entries.size());
    const auto less = [](const Key& a, const Key& b) {
        const int c = QStringView(a.first).compare(QStringView(b.first));
        return c != 0 ? c < 0 : a.second < b.second;
    };
    const auto sortRange = [&](size_t from, size_t to) {
        for (size_t i = from; i < to; ++i)
            keys[i] = Key(entries[i].name.toCaseFolded(), i);
        std::sort(keys.begin() + qsizetype(from), keys.begin() + qsizetype(to), less);
    };
    // A long list is sorted in two halves side by side, then merged.
    const size_t half = keys.size() / 2;
    if (keys.size() >= kParallelSortFrom) {
        std::thread other(sortRange, half, keys.size());
        sortRange(0, half);
        other.join();
        std::inplace_merge(keys.begin(), keys.begin() + qsizetype(half), keys.end(), less);
    } else {
        sortRange(0, keys.size());
    }
    std::vector<RemoteEntry> sorted;
    sorted.reserve(entries.size());
    for (const Key& key : keys)
        sorted.push_back(std::move(entries[key.second]));
    entries = std::move(sorted);
}

QString listingText(const RemoteListing& listing) {
    QString text;
    for (const RemoteEntry& dir : listing.directories)
        text += dir.name + QStringLiteral("/\r\n");
    for (const RemoteEntry& file : listing.files)
        text += file.name + QStringLiteral("\r\n");
    return text;
}
