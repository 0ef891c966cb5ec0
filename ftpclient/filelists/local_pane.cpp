// The local pane: drive, directory and file lists, and the local file list.
#include "connection/pane_frame.h"
#include "connection/tarlen_frm.h"
#include "local_lists.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>

DriveListBox::DriveListBox(QWidget* parent)
    : QComboBox(parent) {}

DirListBox::DirListBox(QWidget* parent)
    : QListWidget(parent) {}

bool DirListBox::setPath(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isDir())
        return false;
    m_path = QFileInfo(path).absoluteFilePath();
    emit Change();
    return true;
}

FileListBox::FileListBox(QObject* parent)
    : QObject(parent) {}

void FileListBox::setPath(const QString& path) {
    m_path = path;
    Refresh();
    emit PathChange();
}

void FileListBox::Refresh() {
    m_names = QDir(m_path).entryList(QDir::Files, QDir::Name);
}

void TARLEN_Frm::createLocalPane() {
    QWidget* frame = Frm_Local[0];
    Drive1 = new DriveListBox(frame);
    Drive1->setToolTip(QStringLiteral("Local drive"));
    Dir1 = new DirListBox(frame);
    Dir1->setToolTip(QStringLiteral("Local directory"));
    File1 = new FileListBox(this);
    m_twips.place(Drive1, 135, 240, 4305, 315);
    m_twips.place(Dir1, 135, 600, 4305, 1440);
    m_twips.place(Cmd_Files[0], 135, 2100, 1575, 255);
    m_twips.place(Cmd_Files[1], 1830, 2100, 1000, 255);
    m_twips.place(Cmd_Files[2], 2700, 2100, 1740, 255);
    Cmd_Files[0]->setIcon(Img_Arrow[1]);
    connect(Dir1, &DirListBox::Change, this, [this] { Dir1_Change(); });
    connect(File1, &FileListBox::PathChange, this, [this] { File1_PathChange(); });
}

void TARLEN_Frm::Drive1_Change() {}

void TARLEN_Frm::Dir1_Change() {
    File1->setPath(Dir1->Path());
}

void TARLEN_Frm::File1_PathChange() {
    Load_Files();
    sort_files(iSortKey);
}

void TARLEN_Frm::refreshLocal() {}

void TARLEN_Frm::Load_Files() {}

void TARLEN_Frm::sort_files(short&) {}

QString TARLEN_Frm::shortenName(const QString& name) const {
    return name;
}

QString TARLEN_Frm::localPath() const {
    return Dir1->Path();
}

bool TARLEN_Frm::setLocalPath(const QString& path) {
    return Dir1->setPath(path);
}
