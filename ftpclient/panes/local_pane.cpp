// The local pane: its controls and the drive, directory and file chain.
#include "local_pane.h"

#include "common/client_errors.h"
#include "common/twips_geometry.h"
#include "desktop_drag.h"
#include "file_icons.h"
#include "file_images.h"
#include "local_file_ops.h"
#include "local_lists.h"
#include "pane_work.h"

#include <vantel/vantelctrl.h>

#include <QDir>
#include <QDrag>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>

#include <stdexcept>

LocalPane::LocalPane(const FileImages& images, Prompter& prompter, TwipsGeometry& twips,
                     QWidget* parent)
    : FilePane(0, images, prompter, twips, parent)
    , m_work(std::make_unique<PaneWork<SharedLocalListing>>(
          [this](const SharedLocalListing& listing) { takeListing(listing, true); }))
    , m_icons(images.icons()) {
    createLocalLists();
    setOperations(std::make_unique<LocalFileOps>(*this, prompter));
}

LocalPane::~LocalPane() = default;

bool LocalPane::listingPending() const {
    return m_work->pending();
}

void LocalPane::createLocalLists() {
    Drive1 = new DriveListBox(this);
    Drive1->setToolTip(QStringLiteral("Local drive"));
    Dir1 = new DirListBox(this);
    Dir1->setToolTip(QStringLiteral("Local directory"));
    File1 = new FileListBox(this);
    // The pane reads the sub-directories with the files, away from the
    // window's thread, and hands them to Dir1.
    Dir1->setSubdirectories(QString(), QStringList());
    m_twips.place(Drive1, 135, 240, 4305, 315);
    m_twips.place(Dir1, 135, 600, 4305, 1440);
    m_twips.place(Cmd_Files[0], 135, 2100, 1575, 255);
    m_twips.place(Cmd_Files[1], 1830, 2100, 1000, 255);
    m_twips.place(Cmd_Files[2], 2700, 2100, 1740, 255);
    connect(Drive1, &DriveListBox::Change, this, [this] { Drive1_Change(); });
    connect(Dir1, &DirListBox::Change, this, [this] { Dir1_Change(); });
    connect(LstX_Files, &CVantelCtrl::MouseMove, this,
            [this](short button, short, int x, int y) { dragOutOfList(button, x, y); });
    connect(File1, &FileListBox::PathChange, this, [this] { File1_PathChange(); });
}

// A drive that cannot be opened leaves the directory, the files and the
// local list as they were; the drive list keeps showing the drive picked.
void LocalPane::Drive1_Change() {
    try {
        const QString drive = Drive1->Drive();
        // The directory last shown on the drive, or the drive itself when
        // that one has gone.
        if (Dir1->setPath(Drive1->directoryOf(drive)) || Dir1->setPath(drive))
            return;
        throw std::runtime_error(DirListBox::openError(drive).toLocal8Bit().toStdString());
    } catch (...) {
        reportError(QStringLiteral("The following error occurred: "));
    }
}

void LocalPane::goUp() {
    const QString path = Dir1->Path();
    const QString parent = QFileInfo(path).dir().absolutePath();
    if (parent != path)
        Dir1->setPath(parent);
}

void LocalPane::Dir1_Change() {
    Drive1->showDriveOf(Dir1->Path());
    Drive1->rememberDirectory(Dir1->Path());
    requestListing(Dir1->Path(), true);
}

void LocalPane::File1_PathChange() {
    Load_Files();
    sort_files(iSortKey);
}

void LocalPane::Cmd_Refresh_Click() {
    try {
        refreshLocal();
    } catch (...) {
        reportError(QStringLiteral("The following error occurred: "));
    }
}

void LocalPane::listWithPattern() {
    refreshLocal();
}

// Refresh and Enter in the pattern box: the pattern takes effect and the
// list is read again, in the order the sort buttons show.
void LocalPane::refreshLocal() {
    File1->setPattern(Txt_Pattern->text());
    reloadLocalFiles();
}

void LocalPane::reloadLocalFiles() {
    requestListing(File1->Path(), true);
}

void LocalPane::refreshKeepingView() {
    keepView();
    reloadLocalFiles();
}

QString LocalPane::selectedLocalFolder() const {
    const int row = Dir1->currentRow();
    if (row < 0 || !Dir1->item(row)->isSelected())
        return {};
    const QString path = Dir1->entryPath(row);
    const QString current = Dir1->Path();
    const QString prefix = current.endsWith(u'/') ? current : current + u'/';
    return path.startsWith(prefix) && path.size() > prefix.size() ? path : QString();
}

void LocalPane::Cmd_Files_Click(int index) {
    switch (index) {
    case 0:
        bLocalNameDesc = !bLocalNameDesc;
        break;
    case 1:
        bLocalDateDesc = !bLocalDateDesc;
        break;
    case 2:
        bLocalSizeDesc = !bLocalSizeDesc;
        break;
    default:
        return;
    }
    iSortKey = short(index);
    short key = short(index);
    sort_files(key);
    LstX_Files->setFocus(Qt::OtherFocusReason);
    if (LstX_Files->ListCount() > 0)
        LstX_Files->SetListIndex(0);
}

QString LocalPane::localPath() const {
    return Dir1->Path();
}

bool LocalPane::setLocalPath(const QString& path) {
    if (!Dir1->setPath(path))
        return false;
    Drive1->showDriveOf(Dir1->Path());
    return true;
}

QList<QWidget*> LocalPane::tabOrder() const {
    return QList<QWidget*>{Drive1, Dir1} + FilePane::tabOrder();
}

QMimeData* LocalPane::selectionMime() const {
    QStringList paths;
    const QString dir = localDirectory();
    for (int i = 0; i < LstX_Files->ListCount(); ++i)
        if (LstX_Files->Selected(i))
            paths << dir + shownName(i);
    return paths.isEmpty() ? nullptr : DesktopDrag::mimeForPaths(paths);
}

// A left-button drag that leaves the list takes the selected files along to
// whatever program they are dropped on; inside the list the button still
// selects.
void LocalPane::dragOutOfList(short button, int x, int y) {
    if (!(button & 1) || m_draggingOut || LstX_Files->rect().contains(x, y))
        return;
    QMimeData* mime = selectionMime();
    if (!mime)
        return;
    m_draggingOut = true;
    auto* drag = new QDrag(LstX_Files);
    drag->setMimeData(mime);
    drag->setPixmap(FileIcons::dragImage(true));
    drag->exec(Qt::CopyAction);
    m_draggingOut = false;
}

QString LocalPane::fileNameAt(int row) const {
    const int index = LstX_Files->ItemData(row);
    if (!m_shown || index < 0 || index >= m_shown->names.size())
        return {};
    return m_shown->names[index];
}

QListWidget* LocalPane::folderList() const {
    return Dir1;
}

// Only the folders inside the one shown have names of their own here.
QString LocalPane::folderNameOf(const QListWidgetItem& item) const {
    const QString path = item.data(Qt::UserRole).toString();
    const qsizetype slash = path.lastIndexOf(u'/');
    QString shown = localDirectory();
    if (shown.endsWith(u'/'))
        shown.chop(1);
    if (slash < 0 || path.left(slash) != shown || slash + 1 >= path.size())
        return {};
    return path.mid(slash + 1);
}
