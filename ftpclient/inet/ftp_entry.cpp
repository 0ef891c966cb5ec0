#include "ftp_entry.h"

QString listingText(const RemoteListing& listing) {
    QString text;
    for (const RemoteEntry& dir : listing.directories)
        text += dir.name + QStringLiteral("/\r\n");
    for (const RemoteEntry& file : listing.files)
        text += file.name + QStringLiteral("\r\n");
    return text;
}
