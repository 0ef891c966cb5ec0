#pragma once

#include "file_pane.h"
#include "work_list.h"

class DirListBox;
class DriveListBox;
class FileListBox;

// The local pane: the drive, directory and file lists chained together, the
// local file list with its three hidden work lists and its sorting, and the
// file operations on the local disk.
class LocalPane : public FilePane {
    Q_OBJECT

public:
    LocalPane(const FileImages& images, Prompter& prompter, TwipsGeometry& twips,
              QWidget* parent = nullptr);

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

    // The directory shown; showing another returns false when it cannot be
    // opened (and changes nothing).
    QString localPath() const;
    bool setLocalPath(const QString& path);
    // The directory with its trailing "/" (the root gets no second one).
    QString localDirectory() const;
    // Reads the directory again and reloads and re-sorts the list, as every
    // local file operation and download does when it is done.
    void reloadLocalFiles();

    void Drive1_Change();
    void Dir1_Change();
    void File1_PathChange();
    void Cmd_Refresh_Click() override;
    void Cmd_Delete_Click() override;
    void Cmd_Rename_Click() override;
    void Cmd_Dir_Click() override;
    void Cmd_Rem_Click() override;
    void Cmd_Files_Click(int index) override;

protected:
    void listWithPattern() override;

private:
    void createLocalLists();
    // The pattern takes effect and the directory is read again.
    void refreshLocal();
};
