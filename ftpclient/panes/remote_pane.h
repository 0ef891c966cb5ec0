#pragma once

#include "extension_rule.h"
#include "file_pane.h"
#include "ftp_entry.h"
#include "work_list.h"

#include <vantel/vantelctrl.h>

#include <QHash>

#include <functional>
#include <memory>
#include <vector>

class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QListWidget;
class JobChain;
class RemoteJob;
class RemoteSession;
template <typename Result> class PaneWork;

// A listing made ready for the remote lists, away from the window's thread.
struct RemoteRows {
    SharedListing listing;
    std::vector<WorkList::Line> names; // Lst_Remote, sorted
    std::vector<FileKind> kinds;       // icon and colour of each name
    CVantelCtrl::Batch batch;          // the list's entries, in the order shown
    bool descending = false;
};
using SharedRemoteRows = std::shared_ptr<RemoteRows>;

// The remote pane: the current remote directory, its sub-directories and
// its files, moving about the remote tree, and the file operations on the
// server, all through the session.
class RemotePane : public FilePane {
    Q_OBJECT

public:
    RemotePane(RemoteSession& session, const FileImages& images, Prompter& prompter,
               TwipsGeometry& twips, QWidget* parent = nullptr);
    ~RemotePane() override;

    // How long the window waits for a listing to be made ready before it
    // lets it arrive later. A listing of more than listingWaitUpTo entries
    // is not waited for: it could not be ready in that time, and the window
    // would only stand still for it.
    int listingWaitMs = 40;
    qsizetype listingWaitUpTo = 20000;
    // Whether a listing is on its way into the lists.
    bool listingPending() const;

    QListWidget* Lst_Remote_Dir = nullptr;
    QLabel* Lbl_Dir = nullptr;
    // The remote file names, sorted without regard to case.
    WorkList Lst_Remote{true};
    bool bRemoteNameDesc = false;

    // Fills the directory list and the file names from a listing.
    int ShowRemoteFileList(const SharedListing& listing);
    // Rebuilds the file list from Lst_Remote, in its order or the reverse.
    void Load_FilesR();
    // Empties the lists and the directory label (at connecting and closing).
    void clear();

    // The name behind entry `row` of the file list, as the server has it.
    QString remoteName(int row) const;
    // The current remote directory with its trailing "/".
    QString remoteDirectory() const;
    // The entry of the current listing's file of that name; nullptr if none.
    const RemoteEntry* remoteEntry(const QString& name) const;
    // The directory selected in the directory list (its name as the server
    // has it, without "/"); "" when none or "../" is.
    QString selectedRemoteFolder() const;
    // Lists the current directory again, keeping the selection and the
    // scroll position; nothing while the session is busy or not connected.
    void refreshKeepingView() override;
    QList<QWidget*> tabOrder() const override;

    void Lst_Remote_Dir_DblClick();
    // A double-click on a link in the file list tries to enter it.
    void LstX_Files_DblClick();

signals:
    // Local files and folders dropped from another program (the file
    // manager), to be uploaded into the directory shown.
    void localFilesDropped(const QStringList& paths);

public:
    // Lists `directory` (absolute, or from the login directory); when the
    // server cannot list it, the directory shown before is listed again.
    void openDirectory(const QString& directory);
    // One level up, as "../" does; nothing above the login directory.
    void goUp() override;
    void Cmd_Refresh_Click() override;
    void Cmd_Files_Click(int index) override;

    // For the operations on the server's files: each runs as a chain of the
    // session's jobs, and ends by listing the directory again.
    // Runs the session's jobs of `chain`; an error ends it with a report
    // that starts with `errorPrefix`, any other end calls `done`.
    void runJobs(JobChain* chain, const QString& errorPrefix, std::function<void()> done = nullptr);
    // Lists the current directory again (long form).
    RemoteJob* listAgain();
    // The label names `directory` as the one shown.
    void showDirectory(const QString& directory);

protected:
    void listWithPattern() override;
    QString fileNameAt(int row) const override;
    QListWidget* folderList() const override;
    QString folderNameOf(const QListWidgetItem& item) const override;
    QString shownFolder() const override;
    void openFolder(const QString& path) override { openDirectory(path); }
    void refillFiles() override { Load_FilesR(); }

protected:
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void createRemoteLists();
    // Enters the selected directory, or goes up (double-click, Refresh).
    void openRemoteDirectory();
    void enterLinkedFile();
    // Lists `dir`, which becomes the current directory when it can be listed.
    void listDirectory(const QString& dir);
    // The lists take a listing made ready.
    void takeRows(const SharedRemoteRows& rows);

    RemoteSession& m_session;
    std::unique_ptr<PaneWork<SharedRemoteRows>> m_work;
    std::vector<FileKind> m_kinds; // of each line of Lst_Remote
    SharedListing m_listing;       // the listing the lists show
    mutable QHash<QString, int> m_fileIndex;
    std::vector<QPixmap> m_icons;
};
