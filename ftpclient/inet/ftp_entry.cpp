#include "ftp_entry.h"

#include "name_order.h"

void sortByFoldedName(std::vector<RemoteEntry>& entries) {
    std::vector<QString> names;
    names.reserve(entries.size());
    for (const RemoteEntry& entry : entries)
        names.push_back(entry.name);
    std::vector<RemoteEntry> sorted;
    sorted.reserve(entries.size());
    for (int index : caseInsensitiveOrder(names))
        sorted.push_back(std::move(entries[size_t(index)]));
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
