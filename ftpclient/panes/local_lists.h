#pragma once

#include <QComboBox>
#include <QHash>
#include <QListWidget>
#include <QObject>
#include <QStringList>

// The drive list of the local pane: the mounted file systems a user picks
// from (the root file system, the home directory's file system, removable
// media), named by their mount path.
class DriveListBox : public QComboBox {
    Q_OBJECT

public:
    explicit DriveListBox(QWidget* parent = nullptr);

    // The mount path of the chosen drive.
    QString Drive() const { return currentText(); }
    // Chooses a drive the way a user does: Change follows when it differs
    // from the one shown. A drive not in the list is added to it.
    void setDrive(const QString& drive);
    // Shows the drive that holds `path` without raising Change, adding its
    // file system to the list when it is not there yet.
    void showDriveOf(const QString& path);
    // Reads the mounted file systems again.
    void refreshDrives();

    // Where Dir1 goes when this drive is picked: the directory last shown on
    // it, at first its mount path (the home directory for the home drive).
    QString directoryOf(const QString& drive) const;
    void rememberDirectory(const QString& path);

signals:
    void Change();

protected:
    // Media put in since the list was last read show up when it opens.
    void showPopup() override;

private:
    int indexOfDrive(const QString& drive) const;
    int addDrive(const QString& drive);
    // The listed drive whose mount path is the longest prefix of `path`.
    QString driveOf(const QString& path) const;

    QString m_shown;
    QHash<QString, QString> m_lastDirectory;
};

// The directory list of the local pane: the current directory's ancestors
// and its sub-directories; opening one makes it the current path.
class DirListBox : public QListWidget {
    Q_OBJECT

public:
    explicit DirListBox(QWidget* parent = nullptr);

    QString Path() const { return m_path; }
    // Shows `path` and raises Change when it differs from the path shown;
    // returns false (and changes nothing) when it cannot be opened.
    bool setPath(const QString& path);
    // Reads the sub-directories of the current path again.
    void Refresh();
    // Shows the sub-directories of `path` read elsewhere. Once called, the
    // list leaves reading them to whoever calls it: a new path shows its
    // ancestors at once and its sub-directories when they come.
    void setSubdirectories(const QString& path, const QStringList& names);
    // Why `path` cannot be opened as a directory; "" when it can.
    static QString openError(const QString& path);
    // The full path of entry `row`.
    QString entryPath(int row) const;

signals:
    void Change();

private:
    void fill(const QStringList* subdirectories = nullptr);

    QString m_path;
    bool m_subdirectoriesGiven = false;
};

// The file list behind the local pane: the files (not directories) of one
// directory that match the pattern, in alphabetical order. Several patterns
// are separated by ";"; "*.*" and "*" both take every file. Hidden (dot)
// files are left out.
class FileListBox : public QObject {
    Q_OBJECT

public:
    explicit FileListBox(QObject* parent = nullptr);

    QString Path() const { return m_path; }
    // Reads the directory and raises PathChange.
    void setPath(const QString& path);
    QString Pattern() const { return m_pattern; }
    void setPattern(const QString& pattern) { m_pattern = pattern; }
    // Reads the directory again with the current pattern.
    void Refresh();
    // Takes names read elsewhere for `path`; PathChange follows when the
    // path is another.
    void adopt(const QString& path, const QStringList& names);
    int ListCount() const { return int(m_names.size()); }
    QString List(int index) const { return m_names.value(index); }
    const QStringList& names() const { return m_names; }
    // The path with the "/" that separates it from a file name.
    QString directory() const;

signals:
    void PathChange();

private:
    QString m_path;
    QString m_pattern = QStringLiteral("*.*");
    QStringList m_names;
};
