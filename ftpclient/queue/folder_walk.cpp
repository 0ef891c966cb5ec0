#include "folder_walk.h"

#include <QCryptographicHash>

QByteArray listingIdentity(const RemoteListing& listing) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const auto add = [&hash](const std::vector<RemoteEntry>& entries, char kind) {
        for (const RemoteEntry& entry : entries) {
            hash.addData(QByteArrayView(&kind, 1));
            hash.addData(entry.name.toUtf8());
            hash.addData(QByteArray('\0' + QByteArray::number(entry.size) + '\0' +
                                    QByteArray::number(entry.modified) + '\0' +
                                    QByteArray::number(int(entry.isLink)) + '\n'));
        }
    };
    add(listing.directories, 'd');
    add(listing.files, 'f');
    return hash.result().toBase64();
}

QString folderLoopProblem(const TransferItem& folder, const QByteArray& identity) {
    if (!identity.isEmpty() && folder.ancestry.contains(identity))
        return folder.direction == TransferDirection::Upload
                   ? QStringLiteral("A link leads back into a folder above it; not followed.")
                   : QStringLiteral("The folder lists exactly as a folder above it: the server "
                                    "leads in a circle; not followed.");
    if (folder.ancestry.size() >= MostFolderDepth)
        return QStringLiteral("More than %1 folders deep; not followed.").arg(MostFolderDepth);
    return {};
}
