#include "desktop_drag.h"

#include <QMimeData>

QStringList DesktopDrag::localPaths(const QMimeData* mime) {
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        QString path = url.toLocalFile();
        while (path.size() > 1 && path.endsWith(u'/'))
            path.chop(1);
        if (!path.isEmpty())
            paths << path;
    }
    return paths;
}

QMimeData* DesktopDrag::mimeForPaths(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    return mime;
}
