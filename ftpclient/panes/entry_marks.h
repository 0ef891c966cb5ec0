#pragma once

#include <QColor>
#include <QHash>
#include <QPixmap>
#include <QString>

// How an entry compared with the other side is shown: a small picture
// holding its symbol (readable without telling colours apart), a tint
// behind the row, and what it means for the tooltip.
struct EntryMark {
    QString symbol;
    QColor tint;
    QString meaning;
    bool same = false; // nothing differs here: the entry may be hidden
};

// The marks of one folder's entries, by name (RawName text, folders without
// their "/").
struct EntryMarks {
    QString folder; // the folder they belong to, as the pane names it
    QHash<QString, EntryMark> files;
    QHash<QString, EntryMark> folders;
    bool empty() const { return files.isEmpty() && folders.isEmpty(); }
};

// The picture a mark shows in place of the entry's own icon.
QPixmap markPicture(const EntryMark& mark);
