// Loading the local list and its work lists, and sorting it. The directory
// is read and every file examined on the thread pool; the list takes the
// result in one step. A small directory is ready before the window would
// notice, and is shown at once; a large one arrives a moment later.
#include "local_pane.h"

#include "common/client_errors.h"
#include "file_images.h"
#include "local_formats.h"
#include "local_lists.h"
#include "pane_work.h"

#include <vantel/vantelctrl.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <QThreadPool>
#include <QTimer>
#include <cstdio>

void LocalPane::requestListing(const QString& directory, bool readNames) {
    LocalListingRequest request;
    request.directory = directory;
    request.pattern = File1->Pattern();
    request.readNames = readNames;
    if (!readNames)
        request.names = File1->names();
    request.font = LstX_Files->Font();
    request.nameColumn = iNameColWidth;
    request.textsOnlyFrom = firstLookKeptFrom;
    const auto job = [request](const PaneWork<SharedLocalListing>::Preview& preview) {
        return makeLocalListing(request, preview);
    };
    m_reading.reset();
    if (readNames)
        m_reading = request;
    if (const SharedLocalListing now = m_work->start(job, listingWaitMs))
        takeListing(now, false);
}

// A listing that read the directory brings File1's new names (and path);
// one that only examined File1's names counts while those still hold.
void LocalPane::takeListing(const SharedLocalListing& listing, bool late) {
    if (listing->namesRead && !listing->preview)
        m_reading.reset();
    if (!listing->namesRead && listing->names != File1->names()) {
        if (late)
            Load_Files();
        return;
    }
    m_fresh = listing;
    if (listing->namesRead) {
        QString path = listing->directory;
        if (path.size() > 1)
            path.chop(1);
        Dir1->setSubdirectories(path, listing->directories);
        // Another path raises File1's PathChange, which loads and sorts.
        File1->adopt(path, listing->names);
        if (m_fresh) {
            Load_Files();
            sort_files(iSortKey);
        }
        return;
    }
    Load_Files();
    if (late)
        sort_files(iSortKey);
}

void LocalPane::Load_Files() {
    if (m_fresh && m_fresh->names == File1->names()) {
        const SharedLocalListing listing = std::move(m_fresh);
        m_fresh.reset();
        applyListing(listing);
        return;
    }
    m_fresh.reset();
    // A directory being read brings its files examined: examining the old
    // names now would only hold it up. One that cuts the names to another
    // name column or font than the list has now is read again.
    if (m_reading && m_work->pending()) {
        if (m_reading->nameColumn != iNameColWidth || m_reading->font != LstX_Files->Font()) {
            const QString directory = m_reading->directory;
            requestListing(directory, true);
        }
        return;
    }
    requestListing(File1->Path(), false);
}

// The listing comes ready: the list and its work lists take it in one step.
// After a long one the sorting waits for the next turn of the event loop.
void LocalPane::applyListing(const SharedLocalListing& listing) {
    commitListing(listing);
    m_sortWaits = size_t(listing->names.size()) > SortLaterFrom && m_shown == listing;
    if (m_sortWaits)
        QTimer::singleShot(0, this, [this, listing] {
            if (!m_sortWaits || m_shown != listing)
                return;
            m_sortWaits = false;
            sort_files(iSortKey);
        });
}

void LocalPane::commitListing(const SharedLocalListing& listing) {
    try {
        LstX_Files->SetImageOffset(4);
        LstX_Files->SetTextOffset(24);
        Lst_hold.assignInOrder(std::move(listing->hold));
        Lst_Dates.assignInOrder(std::move(listing->dates));
        Lst_Size.assignInOrder(std::move(listing->sizes));
        putEntries(*listing);
        releaseLater(std::move(m_shown));
        m_shown = listing;
        m_inFileOrder = listing.get();
    } catch (...) {
        reportError(QStringLiteral("The following error occurred: "));
    }
    for (const QString& failure : std::as_const(listing->failures))
        ::reportError(m_prompter, QStringLiteral("The following error occurred: "), failure);
}

// A listing that came with texts only rewrites the first look the list
// shows; one the list cannot take so has its entries made here.
void LocalPane::putEntries(LocalListing& listing) {
    if (listing.textsOnly && showsFirstLookOf(listing)) {
        LstX_Files->SetTexts(std::move(listing.texts));
        return;
    }
    if (listing.textsOnly)
        makeListingEntries(listing, LstX_Files->Font());
    setFileBatch(std::move(listing.batch), m_icons);
}

// Whether the list shows the first look of the listing's files as it was
// handed over: an entry for each file, in file order.
bool LocalPane::showsFirstLookOf(const LocalListing& listing) const {
    const int files = int(listing.rows.size());
    if (!m_shown || !m_shown->preview || m_shown->names != listing.names || hiddenFileRows() != 0 ||
        LstX_Files->ListCount() != files)
        return false;
    for (int row = 0; row < files; ++row)
        if (LstX_Files->ItemData(row) != row)
            return false;
    return true;
}

// A long listing takes a while to free: the one the list no longer shows
// is let go of away from the window's thread.
void LocalPane::releaseLater(SharedLocalListing listing) {
    if (listing && listing.use_count() == 1)
        QThreadPool::globalInstance()->start([old = std::move(listing)]() mutable { old.reset(); });
}

bool LocalPane::listsAreWhole() const {
    const int files = File1->ListCount();
    return m_shown && m_shown->names == File1->names() && m_shown->rows.size() == size_t(files) &&
           Lst_hold.count() == files && Lst_Dates.count() == files && Lst_Size.count() == files &&
           LstX_Files->ListCount() + hiddenFileRows() == files;
}

void LocalPane::sort_files(short& key) {
    bool descending = false;
    switch (key) {
    case 0:
        descending = bLocalNameDesc;
        break;
    case 1:
        descending = bLocalDateDesc;
        break;
    case 2:
        descending = bLocalSizeDesc;
        break;
    default:
        return;
    }
    // Lists left behind by a File1 read without a reload are rebuilt first;
    // lists that still do not agree (a reload that failed half way, or one
    // still on its way) are left as they are.
    if (m_sortWaits)
        return; // sorted in the next turn, after a long listing came
    if (!listsAreWhole())
        Load_Files();
    if (!listsAreWhole())
        return;

    putRowsInOrder(key, descending);
    for (int b = 0; b < 3; ++b)
        Cmd_Files[size_t(b)]->setIcon(b == key ? m_images.Img_Arrow[descending ? 0 : 1]
                                               : QPixmap());
    applyMarks();
    // A first look shows names alone: the selection kept is looked for once
    // the whole listing is in.
    if (!m_shown->preview)
        restoreView();
}

// The file shown at position j of the list sorted by `key`, ascending.
int LocalPane::fileInOrder(short key, int j) const {
    return key == 0 ? j : key == 1 ? Lst_Dates.data(j) : Lst_Size.data(j);
}

void LocalPane::putRowsInOrder(short key, bool descending) {
    const int n = File1->ListCount() - 1;
    bool inFileOrder = !descending;
    for (int j = 0; j <= n && inFileOrder; ++j)
        inFileOrder = fileInOrder(key, j) == j;
    // The list as the listing left it is in file order already.
    if (inFileOrder && m_inFileOrder == m_shown.get())
        return;
    if (!moveRowsInOrder(key, descending)) {
        std::vector<CVantelCtrl::Entry> entries(size_t(n + 1));
        for (int j = 0; j <= n; ++j) {
            const int k = fileInOrder(key, j);
            const LocalListing::Row& row = m_shown->rows[size_t(k)];
            entries[size_t(descending ? n - j : j)] = {Lst_hold.text(k), k, row.icon, row.color};
        }
        setFileRows(entries, m_icons);
    }
    m_inFileOrder = inFileOrder ? m_shown.get() : nullptr;
}

// The rows the list holds already are moved, with their pictures, colours
// and marks, when there is one for each file. False leaves them to be
// written anew.
bool LocalPane::moveRowsInOrder(short key, bool descending) {
    const int files = File1->ListCount();
    if (hiddenFileRows() != 0 || LstX_Files->ListCount() != files)
        return false;
    std::vector<int> rowOf(size_t(files), -1);
    for (int row = 0; row < files; ++row) {
        const int file = LstX_Files->ItemData(row);
        if (file < 0 || file >= files || rowOf[size_t(file)] != -1)
            return false;
        rowOf[size_t(file)] = row;
    }
    std::vector<int> order(static_cast<size_t>(files));
    for (int j = 0; j < files; ++j)
        order[size_t(descending ? files - 1 - j : j)] = rowOf[size_t(fileInOrder(key, j))];
    LstX_Files->Reorder(order);
    return true;
}

QString LocalPane::shortenName(const QString& name) const {
    return NameShortener(LstX_Files->Font(), iNameColWidth - 30).shorten(name);
}

QString LocalPane::shownName(int row) const {
    const int index = LstX_Files->ItemData(row);
    if (!m_shown || index < 0 || index >= m_shown->names.size())
        throw std::runtime_error("The local list entry no longer names a file.");
    return m_shown->names[index];
}

QString LocalPane::localDirectory() const {
    return m_shown ? m_shown->directory : File1->directory();
}
