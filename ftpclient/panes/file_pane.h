#pragma once

#include "entry_marks.h"
#include "pane_frame.h"

#include <vantel/vantelctrl.h>

#include <QString>
#include <QStringList>

#include <array>
#include <memory>

class Prompter;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class TwipsGeometry;
struct FileImages;

// What the four buttons that change files do: each pane has its own kind,
// on the local disk or on the server.
class FileOperations {
public:
    virtual ~FileOperations() = default;
    virtual void Cmd_Delete_Click() = 0;
    virtual void Cmd_Rename_Click() = 0;
    virtual void Cmd_Dir_Click() = 0;
    virtual void Cmd_Rem_Click() = 0;
};

// What the two panes have in common: a titled frame around a file list, a
// pattern box with the five buttons under it, and three sort buttons above
// the list. Each pane answers the buttons in its own way.
class FilePane : public PaneFrame {
    Q_OBJECT

public:
    // Pane 0 is the local pane, pane 1 the remote pane.
    FilePane(int pane, const FileImages& images, Prompter& prompter, TwipsGeometry& twips,
             QWidget* parent);

    int pane() const { return m_pane; }

    CVantelCtrl* LstX_Files = nullptr;
    QLineEdit* Txt_Pattern = nullptr;
    QPushButton* Cmd_Refresh = nullptr;
    QPushButton* Cmd_Rename = nullptr;
    QPushButton* Cmd_Delete = nullptr;
    QPushButton* Cmd_Dir = nullptr;
    QPushButton* Cmd_Rem = nullptr;
    // Name, Date, Size: Cmd_Files(0..2) of the local pane, (3..5) of the remote one.
    std::array<QPushButton*, 3> Cmd_Files{};

    virtual void Cmd_Refresh_Click() = 0;
    // Delete, Rename, Make dir and Remove dir: the pane's file operations.
    void Cmd_Delete_Click() { m_operations->Cmd_Delete_Click(); }
    void Cmd_Rename_Click() { m_operations->Cmd_Rename_Click(); }
    void Cmd_Dir_Click() { m_operations->Cmd_Dir_Click(); }
    void Cmd_Rem_Click() { m_operations->Cmd_Rem_Click(); }
    // `index` is the button's number in the six-element array, 0 to 5.
    virtual void Cmd_Files_Click(int index) = 0;
    // Reads the directory shown again, keeping selection and scroll (F5).
    virtual void refreshKeepingView() = 0;
    // Shows the directory above the one shown (Backspace).
    virtual void goUp() = 0;
    // The pane's controls in the order Tab walks them.
    virtual QList<QWidget*> tabOrder() const;
    void Txt_Pattern_GotFocus();
    // Enter (13) is swallowed (KeyAscii becomes 0) and lists again.
    void Txt_Pattern_KeyPress(short& KeyAscii);
    // The Delete key (46) in the list deletes, whatever the shift state.
    void LstX_Files_KeyDown(short& KeyCode, short shift);

    // Remembers which entries of the file list are selected and where it is
    // scrolled; the next time the list is filled anew they are put back.
    void keepView();

    // Marks the entries of the folder shown (what a comparison found there);
    // an empty set takes the marks away. The marks stay on the entries of
    // that name whenever the lists are filled again, until the next set.
    void setMarks(const EntryMarks& marks);
    const EntryMarks& marks() const { return m_marks; }
    // The folder shown, as marks name it.
    virtual QString shownFolder() const = 0;
    // Whether the folder shown holds a folder `name`.
    bool showsFolder(const QString& name) const;
    // Shows the folder at `path` (a full path on the pane's side).
    virtual void openFolder(const QString& path) = 0;
    // While marks are on, entries marked as the same on both sides are left
    // out of the lists.
    void setHidingSame(bool hide);
    bool hidingSame() const { return m_hidingSame; }

signals:
    // The lists were filled (and marked) anew.
    void listFilled();

public:
    // Lays the five buttons out beside the pattern box, each as wide as the
    // design makes it or wider where its caption needs it; the narrowest the
    // frame can be around them, in twips.
    double fitButtonRow();

protected:
    // Enter in the pattern box: list again with the pattern.
    virtual void listWithPattern() = 0;
    // Reports a run-time failure as the client does everywhere.
    void reportError(const QString& prefix);
    // The pane's subclass hands over its file operations once it is built.
    void setOperations(std::unique_ptr<FileOperations> operations);
    // Puts back what keepView() remembered, once.
    void restoreView();
    // Puts the marks on the rows the lists hold now; each pane calls it once
    // its lists are filled.
    void applyMarks();
    // The name of the file a row of the file list shows ("" when none).
    virtual QString fileNameAt(int row) const = 0;
    // The list of folders, and the name of the folder an entry of it shows
    // ("" for one that is not in the folder shown, such as "../").
    virtual QListWidget* folderList() const = 0;
    virtual QString folderNameOf(const QListWidgetItem& item) const = 0;
    // Fills the file list afresh from what the pane holds.
    virtual void refillFiles() = 0;
    // The file list takes these rows (or the batch's) in place of its own;
    // rows hidden before are back until the marks are put on again.
    void setFileRows(const std::vector<CVantelCtrl::Entry>& rows,
                     const std::vector<QPixmap>& pictures);
    void setFileBatch(CVantelCtrl::Batch&& batch, const std::vector<QPixmap>& pictures);
    // Rows of the pane's listing the file list leaves out, being the same.
    int hiddenFileRows() const { return m_hiddenFileRows; }

    const FileImages& m_images;
    Prompter& m_prompter;
    TwipsGeometry& m_twips;

private:
    void createControls();
    void connectControls();
    // F5, F2 and Backspace anywhere in the pane; the pattern box keeps the
    // keys it edits with.
    void addShortcuts();
    bool eventFilter(QObject* watched, QEvent* e) override;

    int m_pane;
    std::unique_ptr<FileOperations> m_operations;
    void markFolders(bool ours);
    void markFiles();
    void hideSameFiles();

    EntryMarks m_marks;
    bool m_foldersMarked = false; // the folder list may carry marks
    bool m_hidingSame = false;
    int m_hiddenFileRows = 0;
    bool m_viewKept = false;
    QStringList m_keptSelection;
    int m_keptTop = 0;
};
