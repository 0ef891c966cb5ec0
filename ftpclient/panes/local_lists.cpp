// The drive, directory and file lists of the local pane.
#include "local_lists.h"

#include "local_fs.h"
#include "local_listing.h"
#include "raw_names.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QStyle>

#include <algorithm>

namespace {

// Alphabetical, ignoring case; names equal but for case in a fixed order.
bool alphabetical(const QString& a, const QString& b) {
    const int c = QString::compare(a, b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

// Where removable media and hand-mounted drives go: /media/<label>,
// /media/<user>/<label>, /run/media/<user>/<label> and /mnt/<label>.
bool isRemovableMount(const QString& root) {
    const qsizetype depth = root.split(u'/', Qt::SkipEmptyParts).size();
    if (root.startsWith(u"/media/"))
        return depth == 2 || depth == 3;
    if (root.startsWith(u"/run/media/"))
        return depth == 4;
    return root.startsWith(u"/mnt/") && depth == 2;
}

QString mountOf(QString path) {
    // Qt cannot name a directory whose name is not UTF-8; its nearest
    // ancestor that it can name lies on the same file system, or below it.
    while (RawName::hasRawBytes(path) && path.lastIndexOf(u'/') > 0)
        path.truncate(path.lastIndexOf(u'/'));
    if (RawName::hasRawBytes(path))
        path = QStringLiteral("/");
    const QString root = QStorageInfo(path).rootPath();
    return root.isEmpty() ? QStringLiteral("/") : root;
}

} // namespace

// --- DriveListBox -----------------------------------------------------------

DriveListBox::DriveListBox(QWidget* parent)
    : QComboBox(parent) {
    refreshDrives();
    // Only a pick by the user counts, not the list being refilled.
    connect(this, &QComboBox::activated, this, [this](int) {
        if (currentText() == m_shown)
            return;
        m_shown = currentText();
        emit Change();
    });
}

void DriveListBox::refreshDrives() {
    const QString shown = m_shown;
    clear();
    addDrive(QStringLiteral("/"));
    const QString home = mountOf(QDir::homePath());
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (volume.isValid() && (root == home || isRemovableMount(root)))
            addDrive(root);
    }
    if (!shown.isEmpty())
        setCurrentIndex(indexOfDrive(shown) >= 0 ? indexOfDrive(shown) : addDrive(shown));
}

void DriveListBox::showPopup() {
    refreshDrives();
    QComboBox::showPopup();
}

int DriveListBox::indexOfDrive(const QString& drive) const {
    return findText(drive, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

int DriveListBox::addDrive(const QString& drive) {
    const int known = indexOfDrive(drive);
    if (known >= 0)
        return known;
    // The root first, the others in alphabetical order.
    int at = 0;
    while (at < count() && (itemText(at) == u"/" || alphabetical(itemText(at), drive)))
        ++at;
    insertItem(at, drive);
    return at;
}

void DriveListBox::setDrive(const QString& drive) {
    setCurrentIndex(addDrive(drive));
    if (drive == m_shown)
        return;
    m_shown = drive;
    emit Change();
}

void DriveListBox::showDriveOf(const QString& path) {
    m_shown = mountOf(path);
    setCurrentIndex(addDrive(m_shown));
}

QString DriveListBox::directoryOf(const QString& drive) const {
    if (const auto it = m_lastDirectory.find(drive); it != m_lastDirectory.end())
        return *it;
    const QString home = QDir::homePath();
    return mountOf(home) == drive ? home : drive;
}

void DriveListBox::rememberDirectory(const QString& path) {
    m_lastDirectory.insert(mountOf(path), path);
}

// --- DirListBox -------------------------------------------------------------

DirListBox::DirListBox(QWidget* parent)
    : QListWidget(parent) {
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        // A directory that vanished meanwhile just drops out of the list.
        if (!setPath(entryPath(row(item))))
            Refresh();
    });
}

QString DirListBox::openError(const QString& path) {
    return LocalFs::openError(path);
}

bool DirListBox::setPath(const QString& path) {
    if (!openError(path).isEmpty())
        return false;
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const bool changed = clean != m_path;
    m_path = clean;
    if (m_subdirectoriesGiven) {
        const QStringList none;
        fill(&none);
    } else {
        fill();
    }
    if (changed)
        emit Change();
    return true;
}

void DirListBox::Refresh() {
    fill();
}

QString DirListBox::entryPath(int row) const {
    const QListWidgetItem* entry = item(row);
    return entry ? entry->data(Qt::UserRole).toString() : QString();
}

void DirListBox::setSubdirectories(const QString& path, const QStringList& names) {
    m_subdirectoriesGiven = true;
    if (path == m_path)
        fill(&names);
}

void DirListBox::fill(const QStringList* subdirectories) {
    clear();
    if (m_path.isEmpty())
        return;
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    auto add = [this](const QIcon& icon, int depth, const QString& name, const QString& path) {
        auto* entry = new QListWidgetItem(
            icon, QString(2 * depth, u' ') + RawName::shownWithMarks(name), this);
        entry->setData(Qt::UserRole, path);
        entry->setToolTip(RawName::shownWithMarks(path));
    };

    // The ancestors from the root down to the current directory...
    add(open, 0, QStringLiteral("/"), QStringLiteral("/"));
    const QStringList parts = m_path.split(u'/', Qt::SkipEmptyParts);
    QString at;
    for (int depth = 0; depth < parts.size(); ++depth) {
        at += u'/' + parts[depth];
        add(open, depth + 1, parts[depth], at);
    }
    setCurrentRow(count() - 1);

    // ...then its sub-directories.
    QStringList subdirs;
    if (subdirectories) {
        subdirs = *subdirectories;
    } else {
        subdirs = LocalFs::entries(m_path, LocalFs::EntryKind::Directories);
        std::sort(subdirs.begin(), subdirs.end(), alphabetical);
    }
    const QString prefix = m_path.endsWith(u'/') ? m_path : m_path + u'/';
    for (const QString& name : subdirs)
        add(closed, int(parts.size()) + 1, name, prefix + name);
}

// --- FileListBox ------------------------------------------------------------

FileListBox::FileListBox(QObject* parent)
    : QObject(parent) {}

void FileListBox::setPath(const QString& path) {
    m_path = path;
    Refresh();
    emit PathChange();
}

QString FileListBox::directory() const {
    return m_path.endsWith(u'/') ? m_path : m_path + u'/';
}

void FileListBox::adopt(const QString& path, const QStringList& names) {
    const bool changed = path != m_path;
    m_path = path;
    m_names = names;
    if (changed)
        emit PathChange();
}

void FileListBox::Refresh() {
    m_names = m_path.isEmpty() ? QStringList() : readLocalNames(m_path, m_pattern);
}
