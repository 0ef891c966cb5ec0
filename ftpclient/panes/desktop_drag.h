#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>

class QMimeData;

// Files passed to and from other programs of the desktop by drag and drop,
// as the file manager offers them: a text/uri-list of file:// URLs.
namespace DesktopDrag {

// The local paths a drop carries; URLs that are not local files are left
// out. Folders keep no trailing "/".
QStringList localPaths(const QMimeData* mime);

// What a drag of these local files carries to another program.
QMimeData* mimeForPaths(const QStringList& paths);

} // namespace DesktopDrag
