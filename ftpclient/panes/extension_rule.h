#pragma once

#include <QString>
#include <QtGlobal>

// Which icon and text colour a file entry gets from its name.
struct FileKind {
    int icon = 0;      // index into the eight file-type icons
    qint32 color = -1; // OLE colour (0x00BBGGRR), -1 for the list's default
};

enum class Pane { Local = 0, Remote = 1 };

// The extension is what follows the last "." of the name (for local entries
// the name is the whole path, so a directory's dot can count), cut to its
// first three characters and lowercased. The panes differ only in "asp".
FileKind extensionKind(const QString& name, Pane pane);
// The same for the path `directory` + `name` (directory ending with "/"),
// without putting the path together.
FileKind extensionKind(QStringView directory, QStringView name, Pane pane);
