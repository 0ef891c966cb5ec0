#pragma once

#include "work_list.h"

#include <vantel/vantelctrl.h>

#include <QFont>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

// What the local list shows for one directory, worked out in full (the
// names, every file's date and size, the texts, icons and both sorted
// orders) so that the list and its work lists can take it in one step.
struct LocalListing {
    QString directory;       // with its trailing "/" (the root gets no second one)
    QStringList names;       // the files, as File1 lists them
    bool namesRead = false;  // the directory was read for them
    QStringList directories; // its sub-directories, when it was read
    // A first look: the list's entries for the names alone, the files not
    // yet examined (no rows, no work lines). The whole listing follows it.
    bool preview = false;
    struct Row {
        QString text;    // name cut to the column, tab, date, tab, size
        QString date;    // "mm/dd/yy"; "" when it cannot be read
        QString sizeKey; // the length as a key that sorts as text
        int icon = 0;
        qint32 color = -1;
        qint64 length = 0;  // 0 when it cannot be read
        int dateOrder = -1; // mmddyy as a number: the date text's order
    };
    std::vector<Row> rows; // one per name, in the names' order
    QStringList failures;  // what could not be read, a text per failure

    // Ready for the list and its work lists: the list's entries in file
    // order (pictures by icon index), Lst_hold, and Lst_Dates and Lst_Size
    // in their sorted order. Taken by whoever fills the lists.
    CVantelCtrl::Batch batch;
    // A long listing whose first look was handed over comes without the
    // entries: the list that shows the first look takes `texts` (one per
    // file, in file order) in their place. See makeListingEntries.
    bool textsOnly = false;
    std::vector<QString> texts;
    std::vector<WorkList::Line> hold;
    std::vector<WorkList::Line> dates;
    std::vector<WorkList::Line> sizes;
};
using SharedLocalListing = std::shared_ptr<LocalListing>;

struct LocalListingRequest {
    QString directory;
    QString pattern;       // for reading the names
    bool readNames = true; // read the directory; else examine `names`
    QStringList names;
    QFont font;         // the list's, for cutting names to the column
    int nameColumn = 0; // iNameColWidth
    // From this many files on, a listing whose first look was handed over
    // comes with texts only (see LocalListing::textsOnly).
    qsizetype textsOnlyFrom = 20000;
};

// Makes the listing that `request` asks for. Safe on any thread. When it
// reads a directory it first hands a preview of the names to `preview`, if
// given, as soon as it has them.
SharedLocalListing
makeLocalListing(const LocalListingRequest& request,
                 const std::function<void(const SharedLocalListing&)>& preview = {});

// The list's entries of a listing that came with texts only, for a list
// that no longer shows its first look as it was.
void makeListingEntries(LocalListing& listing, const QFont& font);

// The regular files of `dir` (symbolic links followed) that match one of the
// ";"-separated patterns ("*" and "*.*" take every file), hidden ones left
// out, in alphabetical order without regard to case.
QStringList readLocalNames(const QString& dir, const QString& pattern);
namespace LocalFs {
class Directory;
}
QStringList readLocalNames(const LocalFs::Directory& dir, const QString& pattern,
                           QStringList* directories = nullptr);
