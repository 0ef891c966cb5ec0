#pragma once

#include "file_pane.h"
#include "local_listing.h"
#include "work_list.h"

#include <vantel/vantelctrl.h>

#include <memory>
#include <optional>

class DirListBox;
class QMimeData;
class DriveListBox;
class FileListBox;
template <typename Result> class PaneWork;

// The local pane: the drive, directory and file lists chained together, the
// local file list with its three hidden work lists and its sorting, and the
// file operations on the local disk.
class LocalPane : public FilePane {
    Q_OBJECT

public:
    LocalPane(const FileImages& images, Prompter& prompter, TwipsGeometry& twips,
              QWidget* parent = nullptr);
    ~LocalPane() override;

    // How long the window waits for a directory to be read before it lets
    // the listing arrive later, and how many entries go into the list
    // between two turns of the event loop.
    int listingWaitMs = 20;
    static constexpr size_t SortLaterFrom = 20000;
    // A listing of this many files or more is examined long after its names
    // are shown: the entries its first look put in the list get their texts
    // rewritten then, rather than being made a second time.
    int firstLookKeptFrom = 20000;

    DriveListBox* Drive1 = nullptr;
    DirListBox* Dir1 = nullptr;
    FileListBox* File1 = nullptr;
    WorkList Lst_hold{false};
    WorkList Lst_Size{true};
    WorkList Lst_Dates{true};

    bool bLocalNameDesc = false;
    bool bLocalDateDesc = false;
    bool bLocalSizeDesc = false;
    short iSortKey = 0; // 0 name, 1 date, 2 size
    // Pixel widths of the Name, Date and Size columns (the layout sets them).
    short iNameColWidth = 0;
    short iDateColWidth = 0;
    short iSizeColWidth = 0;

    // Rebuilds the list and the work lists from File1, in File1's order.
    void Load_Files();
    // Orders the list by `key` (0 name, 1 date, 2 size) in that key's direction.
    void sort_files(short& key);
    // The display name of a local file, cut with "~" to fit the name column.
    QString shortenName(const QString& name) const;
    // The name of the file behind entry `row` of the list.
    QString shownName(int row) const;
    // The names the list shows (File1's names when it was last loaded).
    QStringList shownNames() const { return m_shown ? m_shown->names : QStringList(); }
    // Whether a listing is still on its way.
    bool listingPending() const;

    // The directory shown; showing another returns false when it cannot be
    // opened (and changes nothing).
    QString localPath() const;
    bool setLocalPath(const QString& path);
    // The directory of the files listed, with its trailing "/" (the root
    // gets no second one).
    QString localDirectory() const;
    // Reads the directory again and reloads and re-sorts the list, as every
    // local file operation and download does when it is done.
    void reloadLocalFiles();
    // reloadLocalFiles(), keeping the selection and the scroll position.
    void refreshKeepingView() override;
    QList<QWidget*> tabOrder() const override;
    void goUp() override;
    // The sub-directory selected in the directory list (its full path); ""
    // when none is, or the selected entry is the current directory or above it.
    QString selectedLocalFolder() const;
    // The selected files as another program takes them from a drag: what a
    // left-button drag carries once it leaves the list.
    QMimeData* selectionMime() const;

    void Drive1_Change();
    void Dir1_Change();
    void File1_PathChange();
    void Cmd_Refresh_Click() override;
    void Cmd_Files_Click(int index) override;

protected:
    void listWithPattern() override;
    QString fileNameAt(int row) const override;
    QListWidget* folderList() const override;
    QString folderNameOf(const QListWidgetItem& item) const override;
    QString shownFolder() const override { return localDirectory(); }
    void openFolder(const QString& path) override { setLocalPath(path); }
    void refillFiles() override { Load_Files(); }

private:
    void createLocalLists();
    void dragOutOfList(short button, int x, int y);
    bool m_draggingOut = false;
    // The pattern takes effect and the directory is read again.
    void refreshLocal();
    // Has the directory read (or File1's names examined) away from the
    // window's thread; the listing is taken now or when it arrives.
    void requestListing(const QString& directory, bool readNames);
    void takeListing(const SharedLocalListing& listing, bool late);
    void applyListing(const SharedLocalListing& listing);
    void commitListing(const SharedLocalListing& listing);
    static void releaseLater(SharedLocalListing listing);
    bool listsAreWhole() const;
    bool showsFirstLookOf(const LocalListing& listing) const;
    void putEntries(LocalListing& listing);
    int fileInOrder(short key, int j) const;
    void putRowsInOrder(short key, bool descending);
    bool moveRowsInOrder(short key, bool descending);

    std::unique_ptr<PaneWork<SharedLocalListing>> m_work;
    SharedLocalListing m_fresh; // made, not yet in the list
    SharedLocalListing m_shown; // what the list shows
    // The listing whose entries the list shows as it took them, in file
    // order; nullptr once it was sorted otherwise.
    const LocalListing* m_inFileOrder = nullptr;
    bool m_sortWaits = false;
    // The read of a directory under way, until its listing (or its first
    // look) comes.
    std::optional<LocalListingRequest> m_reading;
    std::vector<QPixmap> m_icons;
};
